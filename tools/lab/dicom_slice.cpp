// dicom_slice.cpp - GDCM decodes the pixel data; the stored values are then
// cut to their stored bits (sign-extended when signed) and rescaled.
#include "tools/lab/dicom_slice.h"

#include <gdcmImage.h>
#include <gdcmImageReader.h>
#include <gdcmTrace.h>
#include <gdcmTransferSyntax.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

#include "tools/lab/lab_error.h"

namespace lab {

namespace {

// The stored value of one pixel: `bytes` bytes in this machine's order,
// reduced to its stored bits.
double StoredValue(const char* at, int bytes, int bitsStored, bool isSigned) {
    uint64_t raw = 0;
    if (bytes == 1) raw = static_cast<uint8_t>(*at);
    else if (bytes == 2) { uint16_t v; std::memcpy(&v, at, 2); raw = v; }
    else { uint32_t v; std::memcpy(&v, at, 4); raw = v; }
    const uint64_t mask = bitsStored >= 64 ? ~0ull : (1ull << bitsStored) - 1;
    raw &= mask;
    if (isSigned && (raw >> (bitsStored - 1)) & 1) return static_cast<double>(static_cast<int64_t>(raw) - static_cast<int64_t>(mask) - 1);
    return static_cast<double>(raw);
}

}  // namespace

bool HasDicomPreamble(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    char bytes[132] = {};
    return file.read(bytes, 132) && std::memcmp(bytes + 128, "DICM", 4) == 0;
}

DicomSlice ReadDicomSlice(const std::string& path, int frame) {
    // GDCM's own warnings would add lines to the one-line report.
    gdcm::Trace::WarningOff();
    gdcm::Trace::ErrorOff();
    gdcm::Trace::DebugOff();

    gdcm::ImageReader reader;
    reader.SetFileName(path.c_str());
    if (!reader.Read()) {
        const gdcm::DataSet& data = reader.GetFile().GetDataSet();
        if (data.IsEmpty()) throw LabError(path + ": not a DICOM file");
        if (!data.FindDataElement(gdcm::Tag(0x7fe0, 0x0010)))
            throw LabError(path + ": a DICOM file without pixel data");
        throw LabError(path + ": DICOM pixel data that GDCM cannot read");
    }
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

    std::vector<char> buffer(image.GetBufferLength());
    if (!image.GetBuffer(buffer.data())) {
        const char* syntax = gdcm::TransferSyntax::GetTSString(image.GetTransferSyntax());
        throw LabError(path + ": pixel data in a transfer syntax GDCM cannot decode (" +
                       std::string(syntax ? syntax : "unknown") + ")");
    }

    DicomSlice slice;
    const int columns = static_cast<int>(image.GetDimension(0));
    const int rows = static_cast<int>(image.GetDimension(1));
    slice.frames = image.GetNumberOfDimensions() > 2 ? static_cast<int>(image.GetDimension(2)) : 1;
    if (frame < 1 || frame > slice.frames)
        throw LabError(path + ": frame " + std::to_string(frame) + " does not exist (the file has " +
                       std::to_string(slice.frames) + (slice.frames == 1 ? " frame)" : " frames)"));
    const int bytes = bitsAllocated / 8;
    const size_t frameBytes = static_cast<size_t>(columns) * rows * bytes;
    if (buffer.size() < frameBytes * frame) throw LabError(path + ": the pixel data are shorter than the image");

    SourceImage& hu = slice.hu;
    hu.width = columns;
    hu.height = rows;
    hu.spacingX = image.GetSpacing(0);
    hu.spacingY = image.GetSpacing(1);
    if (!(hu.spacingX > 0.0) || !(hu.spacingY > 0.0)) throw LabError(path + ": the pixel spacing is not positive");
    const double slope = image.GetSlope(), intercept = image.GetIntercept();
    const int bitsStored = std::min<int>(format.GetBitsStored(), bitsAllocated);
    const bool isSigned = format.GetPixelRepresentation() == 1;
    hu.values.resize(static_cast<size_t>(columns) * rows);
    const char* first = buffer.data() + frameBytes * (frame - 1);
    for (size_t k = 0; k < hu.values.size(); ++k)
        hu.values[k] = StoredValue(first + k * bytes, bytes, bitsStored, isSigned) * slope + intercept;
    return slice;
}

double RelativeMuFromHu(double hu) { return std::max(0.0, 1.0 + hu / 1000.0); }

}  // namespace lab
