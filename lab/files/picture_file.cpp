// picture_file.cpp - the file is opened once, under the input rule, and Qt's
// reader reads that same open file. Qt's readers take a BMP whose pixel rows
// are cut short, a JPEG cut anywhere after its header (libjpeg only warns,
// and fills the rest with grey) and a PNG cut after its image data: a BMP's
// header is checked against the file's length, a JPEG's markers are
// followed to its end-of-image marker and a PNG's chunks to its IEND chunk,
// before any of them is read.
#include "lab/files/picture_file.h"

#include <QFile>
#include <QImageReader>

#include <cstdint>
#include <cstdlib>

#include "lab/files/input_file.h"
#include "lab/core/lab_error.h"

namespace lab {

namespace {

// Qt's limit on one decoded image, in MB: a picture of MaxPicturePixels at
// 8 bytes a pixel (16-bit RGBA) is within it. Qt's own default (128 MB in
// Qt 6.4) refuses a 8000 x 6000 photograph.
constexpr int AllocationLimitMb = 1024;
// No picture the lab reads is larger than this; a file that is (a sparse
// file, a disc image) is refused before a reader looks at it.
constexpr long long MaxPictureFileBytes = 4LL << 30;

uint32_t Little(const unsigned char* at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | at[i];
    return value;
}

std::string Thousands(long long n) {
    std::string digits = std::to_string(n), text;
    for (size_t k = 0; k < digits.size(); ++k) {
        if (k > 0 && (digits.size() - k) % 3 == 0) text += ',';
        text += digits[k];
    }
    return text;
}

// The length a BMP file needs: its pixel offset plus the rows its header
// describes (uncompressed), or the image size it states (compressed).
void RequireWholeBmp(const InputFile& file) {
    const std::string bytes = file.Read(0, 54);
    if (bytes.size() < 54) throw LabError(file.Path() + ": a BMP file cut short in its header");
    const auto* header = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned long long length = static_cast<unsigned long long>(file.Size());
    const unsigned long long offset = Little(header + 10, 4);
    const uint32_t infoSize = Little(header + 14, 4);
    unsigned long long width, height, bits, compression = 0, imageSize = 0;
    if (infoSize == 12) {  // OS/2 core header
        width = Little(header + 18, 2);
        height = Little(header + 20, 2);
        bits = Little(header + 24, 2);
    } else {
        width = static_cast<unsigned long long>(std::llabs(static_cast<int32_t>(Little(header + 18, 4))));
        height = static_cast<unsigned long long>(std::llabs(static_cast<int32_t>(Little(header + 22, 4))));
        bits = Little(header + 28, 2);
        compression = Little(header + 30, 4);
        imageSize = Little(header + 34, 4);
    }
    // 0: none; 3 and 6: bit fields, rows as uncompressed.
    const bool rows = compression == 0 || compression == 3 || compression == 6;
    const unsigned long long needed = offset + (rows ? (width * bits + 31) / 32 * 4 * height : imageSize);
    if (length < needed)
        throw LabError(file.Path() + ": a BMP file cut short (" + std::to_string(length) + " of " +
                       std::to_string(needed) + " bytes)");
}

// The file's bytes one at a time, read in blocks.
class ByteStream {
public:
    explicit ByteStream(const InputFile& file) : file_(file) {}
    // The next byte, or -1 at the end of the file.
    int Next() {
        if (at_ >= blockStart_ + static_cast<long long>(block_.size())) {
            if (at_ >= file_.Size()) return -1;
            blockStart_ = at_;
            block_ = file_.Read(at_, 1 << 16);
            if (block_.empty()) return -1;
        }
        return static_cast<unsigned char>(block_[static_cast<size_t>(at_++ - blockStart_)]);
    }
    void Skip(long long count) { at_ += count; }
    long long At() const { return at_; }

private:
    const InputFile& file_;
    std::string block_;
    long long blockStart_ = 0;
    long long at_ = 0;
};

// A JPEG file from its start-of-image marker to its end-of-image marker:
// each segment skipped by its length, the entropy-coded data after each
// start of scan up to the next marker that is not a restart marker. Bytes
// between segments that are no marker are passed over, as libjpeg does.
void RequireWholeJpeg(const InputFile& file) {
    ByteStream in(file);
    if (in.Next() != 0xFF || in.Next() != 0xD8) return;  // not what Qt's reader read: its own errors tell
    auto cut = [&file] {
        throw LabError(file.Path() + ": a JPEG file cut short (its " + std::to_string(file.Size()) +
                       " bytes end before the end-of-image marker)");
    };
    int pending = -1;  // a marker found at the end of entropy-coded data
    for (;;) {
        int code = pending;
        pending = -1;
        if (code < 0) {
            int c = in.Next();
            while (c >= 0 && c != 0xFF) c = in.Next();
            do code = in.Next();
            while (code == 0xFF);
            if (c < 0 || code < 0) cut();
        }
        if (code == 0xD9) return;
        if (code == 0x00 || code == 0x01 || (code >= 0xD0 && code <= 0xD7)) continue;  // no length
        const int high = in.Next(), low = in.Next();
        if (low < 0) cut();
        const int length = high << 8 | low;
        if (length < 2) return;  // damaged, not cut: Qt's reader says so
        in.Skip(length - 2);
        if (in.At() > file.Size()) cut();
        if (code != 0xDA) continue;
        while (pending < 0) {
            int c = in.Next();
            if (c < 0) cut();
            if (c != 0xFF) continue;
            do c = in.Next();
            while (c == 0xFF);
            if (c < 0) cut();
            if (c != 0x00 && !(c >= 0xD0 && c <= 0xD7)) pending = c;
        }
    }
}

// A PNG file's chunks, each skipped by its length, up to the end of its
// IEND chunk: libpng stops reading after the image data, and takes a file
// cut in its last chunks as whole.
void RequireWholePng(const InputFile& file) {
    long long at = 8;
    for (;;) {
        const std::string head = file.Read(at, 8);
        if (head.size() < 8) break;
        const auto* bytes = reinterpret_cast<const unsigned char*>(head.data());
        const long long length = static_cast<long long>(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
        at += 12 + length;
        if (at > file.Size()) break;
        if (head.compare(4, 4, "IEND") == 0) return;
    }
    throw LabError(file.Path() + ": a PNG file cut short (its " + std::to_string(file.Size()) +
                   " bytes end before its IEND chunk)");
}

}  // namespace

bool ReadPicture(const std::string& path, QImage& picture, std::string& format) {
    const InputFile file(path);
    if (file.Size() > MaxPictureFileBytes)
        throw LabError(path + ": too large for a picture (" + Thousands(file.Size()) + " bytes; at most " +
                       Thousands(MaxPictureFileBytes) + ")");
    QFile device;
    if (!device.open(file.Descriptor(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        throw LabError("cannot read " + path + ": " + device.errorString().toStdString());
    QImageReader::setAllocationLimit(AllocationLimitMb);
    QImageReader reader(&device);
    reader.setAutoTransform(true);
    if (!reader.canRead()) return false;
    format = reader.format().toUpper().toStdString();
    const QSize size = reader.size();
    if (size.isValid() && 1LL * size.width() * size.height() > MaxPicturePixels)
        throw LabError(path + ": too large (" + std::to_string(size.width()) + " x " + std::to_string(size.height()) +
                       " pixels; at most " + Thousands(MaxPicturePixels) + " pixels)");
    if (format == "BMP") RequireWholeBmp(file);
    if (format == "PNG") RequireWholePng(file);
    if (format == "JPEG" || format == "JPG") RequireWholeJpeg(file);
    picture = reader.read();
    if (picture.isNull())
        throw LabError(path + ": a damaged " + format + " picture (" + reader.errorString().toStdString() + ")");
    return true;
}

QImage ReadPictureFile(const std::string& path) {
    QImage picture;
    std::string format;
    if (!ReadPicture(path, picture, format))
        throw LabError(path + ": not a picture (PNG, JPEG, BMP, TIFF, PGM/PPM)");
    return picture;
}

}  // namespace lab
