// picture_file.cpp - Qt's readers take a BMP whose pixel rows are cut short
// and fill the rest: its header is checked against the file's length first.
#include "tools/lab/picture_file.h"

#include <QImageReader>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/lab/lab_error.h"

namespace lab {

namespace {

uint32_t Little(const unsigned char* at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | at[i];
    return value;
}

// The length a BMP file needs: its pixel offset plus the rows its header
// describes (uncompressed), or the image size it states (compressed).
void RequireWholeBmp(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    const unsigned long long length = static_cast<unsigned long long>(file.tellg());
    unsigned char header[54] = {};
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(header), sizeof header)) throw LabError(path + ": a BMP file cut short in its header");
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
        throw LabError(path + ": a BMP file cut short (" + std::to_string(length) + " of " + std::to_string(needed) +
                       " bytes)");
}

}  // namespace

void RequireReadableFile(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) throw LabError("cannot open " + path + ": no such file");
    if (S_ISDIR(info.st_mode)) throw LabError("cannot open " + path + ": it is a folder, not a file");
    if (access(path.c_str(), R_OK) != 0) throw LabError("cannot open " + path + ": no permission to read it");
}

bool ReadPicture(const std::string& path, QImage& picture, std::string& format) {
    RequireReadableFile(path);
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    if (!reader.canRead()) return false;
    format = reader.format().toUpper().toStdString();
    if (format == "BMP") RequireWholeBmp(path);
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
