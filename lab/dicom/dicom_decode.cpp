// dicom_decode.cpp - GDCM decodes the pixel data; the stored values are
// then cut to their stored bits (sign-extended when signed) and rescaled.
#include "lab/dicom/dicom_decode.h"

#include <gdcmImage.h>
#include <gdcmImageReader.h>
#include <gdcmReader.h>
#include <gdcmTrace.h>
#include <gdcmTransferSyntax.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "lab/dicom/dicom_slice.h"
#include "lab/core/lab_error.h"

namespace lab {

namespace {

// Decoded pixel data beyond this are refused before GDCM allocates them.
constexpr unsigned long long MaxPixelBytes = 512ull << 20;

// The stored value of one pixel: `bytes` bytes in this machine's order,
// reduced to its stored bits (1..8 x bytes).
double StoredValue(const char* at, int bytes, int bitsStored, bool isSigned) {
    uint64_t raw = 0;
    if (bytes == 1) raw = static_cast<uint8_t>(*at);
    else if (bytes == 2) { uint16_t v; std::memcpy(&v, at, 2); raw = v; }
    else { uint32_t v; std::memcpy(&v, at, 4); raw = v; }
    const uint64_t mask = (1ull << bitsStored) - 1;
    raw &= mask;
    if (isSigned && (raw >> (bitsStored - 1)) & 1) return static_cast<double>(static_cast<int64_t>(raw) - static_cast<int64_t>(mask) - 1);
    return static_cast<double>(raw);
}

std::string TagText(const gdcm::Tag& tag) {
    char text[16];
    snprintf(text, sizeof text, "(%04x,%04x)", tag.GetGroup(), tag.GetElement());
    return text;
}

std::string TextElement(const gdcm::DataSet& data, const gdcm::Tag& tag) {
    if (!data.FindDataElement(tag)) return "";
    const gdcm::ByteValue* value = data.GetDataElement(tag).GetByteValue();
    if (!value) return "";
    std::string text(value->GetPointer(), value->GetLength());
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return text;
}

// Whether the file holds the whole value of its uncompressed pixel data,
// `length` bytes: GDCM reads a value cut short by the end of the file as if
// it were whole. The element is found by its tag and length (explicit or
// implicit VR, either byte order).
bool HoldsWholePixelData(const std::string& path, uint32_t length) {
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    for (const bool big : {false, true}) {
        const std::string tag = big ? std::string("\x7f\xe0\x00\x10", 4) : std::string("\xe0\x7f\x10\x00", 4);
        auto lengthAt = [&](size_t at) {
            uint32_t v = 0;
            for (int i = 0; i < 4; ++i) v |= uint32_t(static_cast<uint8_t>(bytes[at + (big ? 3 - i : i)])) << (8 * i);
            return v;
        };
        for (size_t at = bytes.find(tag); at != std::string::npos; at = bytes.find(tag, at + 1)) {
            const bool explicitVr = at + 12 <= bytes.size() && bytes[at + 6] == 0 && bytes[at + 7] == 0 &&
                                    bytes[at + 5] >= 'A' && bytes[at + 5] <= 'Z' && lengthAt(at + 8) == length;
            const bool implicitVr = at + 8 <= bytes.size() && lengthAt(at + 4) == length;
            if (explicitVr && bytes.size() - (at + 12) >= length) return true;
            if (implicitVr && bytes.size() - (at + 8) >= length) return true;
        }
    }
    return false;
}

// ImageReader failed: a plain parse tells a damaged file from a whole one
// that holds no image.
[[noreturn]] void ExplainReadFailure(const std::string& path) {
    gdcm::Reader parser;
    parser.SetFileName(path.c_str());
    const bool parsed = parser.Read();
    const gdcm::DataSet& data = parser.GetFile().GetDataSet();
    if (data.IsEmpty() && !HasDicomPreamble(path)) throw NotDicomError(path + ": not a DICOM file");
    if (!parsed) {
        if (data.IsEmpty()) throw LabError(path + ": a damaged DICOM file: nothing after its preamble can be read");
        throw LabError(path + ": a damaged DICOM file: unreadable after element " +
                       TagText(data.GetDES().rbegin()->GetTag()));
    }
    if (!data.FindDataElement(gdcm::Tag(0x7fe0, 0x0010))) throw LabError(path + ": a DICOM file without pixel data");
    throw LabError(path + ": a DICOM image whose size or pixel format GDCM cannot read");
}

}  // namespace

DicomSlice DecodeDicomSlice(const std::string& path, int frame) {
    // GDCM's warnings go to standard error, which the caller keeps aside.
    gdcm::Trace::WarningOff();
    gdcm::Trace::DebugOff();

    gdcm::ImageReader reader;
    reader.SetFileName(path.c_str());
    if (!reader.Read()) ExplainReadFailure(path);
    const gdcm::Image& image = reader.GetImage();
    const gdcm::PixelFormat& format = image.GetPixelFormat();
    if (format.GetSamplesPerPixel() != 1)
        throw LabError(path + ": " + std::to_string(format.GetSamplesPerPixel()) +
                       " samples per pixel; a CT slice has one");
    if (format.GetScalarType() == gdcm::PixelFormat::FLOAT32 || format.GetScalarType() == gdcm::PixelFormat::FLOAT64)
        throw LabError(path + ": floating-point pixels are not supported");
    const int bitsAllocated = format.GetBitsAllocated();
    if (bitsAllocated != 8 && bitsAllocated != 16 && bitsAllocated != 32)
        throw LabError(path + ": " + std::to_string(bitsAllocated) + "-bit pixels are not supported");
    const int bitsStored = format.GetBitsStored();
    if (bitsStored < 1 || bitsStored > bitsAllocated)
        throw LabError(path + ": " + std::to_string(bitsStored) + " bits stored in " + std::to_string(bitsAllocated) +
                       "-bit pixels");
    DicomSlice slice;
    const int columns = static_cast<int>(image.GetDimension(0));
    const int rows = static_cast<int>(image.GetDimension(1));
    slice.frames = image.GetNumberOfDimensions() > 2 ? static_cast<int>(image.GetDimension(2)) : 1;
    if (columns < 1 || rows < 1) throw LabError(path + ": an image without rows or columns");
    if (frame < 1 || frame > slice.frames)
        throw LabError(path + ": frame " + std::to_string(frame) + " does not exist (the file has " +
                       std::to_string(slice.frames) + (slice.frames == 1 ? " frame)" : " frames)"));
    const int bytes = bitsAllocated / 8;
    const unsigned long long frameBytes = 1ull * columns * rows * bytes;
    if (frameBytes * slice.frames > MaxPixelBytes) throw LabError(path + ": an image too large to read");

    // Uncompressed pixel data shorter than the image: GDCM would read what
    // is there and leave the rest to chance.
    const gdcm::ByteValue* raw = image.GetDataElement().GetByteValue();
    const bool deflated = reader.GetFile().GetHeader().GetDataSetTransferSyntax() ==
                          gdcm::TransferSyntax::DeflatedExplicitVRLittleEndian;
    if (raw && (raw->GetLength() < frameBytes * slice.frames ||
                (!deflated && !HoldsWholePixelData(path, raw->GetLength()))))
        throw LabError(path + ": the pixel data are cut short (the image needs " +
                       std::to_string(frameBytes * slice.frames) + " bytes)");
    std::vector<char> buffer(image.GetBufferLength());
    if (buffer.size() < frameBytes * slice.frames || !image.GetBuffer(buffer.data())) {
        const char* syntax = gdcm::TransferSyntax::GetTSString(image.GetTransferSyntax());
        throw LabError(path + ": pixel data in a transfer syntax GDCM cannot decode (" +
                       std::string(syntax ? syntax : "unknown") + ")");
    }
    // GDCM turns big-endian data into this machine's order in 16-bit words:
    // a 32-bit value comes back with its halves swapped.
    if (bytes == 4 && image.GetTransferSyntax().GetSwapCode() == gdcm::SwapCode::BigEndian) {
        for (size_t k = 0; k + 4 <= buffer.size(); k += 4) {
            uint32_t v;
            std::memcpy(&v, &buffer[k], 4);
            v = (v << 16) | (v >> 16);
            std::memcpy(&buffer[k], &v, 4);
        }
    }

    SourceImage& hu = slice.hu;
    hu.width = columns;
    hu.height = rows;
    hu.spacingX = image.GetSpacing(0);
    hu.spacingY = image.GetSpacing(1);
    if (!(hu.spacingX > 0.0) || !(hu.spacingY > 0.0) || !std::isfinite(hu.spacingX) || !std::isfinite(hu.spacingY))
        throw LabError(path + ": the pixel spacing is not a positive number");
    const double slope = image.GetSlope(), intercept = image.GetIntercept();
    const bool isSigned = format.GetPixelRepresentation() == 1;
    hu.values.resize(static_cast<size_t>(columns) * rows);
    const char* first = buffer.data() + frameBytes * (frame - 1);
    for (size_t k = 0; k < hu.values.size(); ++k) {
        hu.values[k] = StoredValue(first + k * bytes, bytes, bitsStored, isSigned) * slope + intercept;
        if (!std::isfinite(hu.values[k])) throw LabError(path + ": the rescale slope or intercept is out of range");
    }
    slice.modality = TextElement(reader.GetFile().GetDataSet(), gdcm::Tag(0x0008, 0x0060));
    return slice;
}

}  // namespace lab
