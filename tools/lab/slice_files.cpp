// slice_files.cpp - the .npy header is the format's version 1.0: magic,
// version, a little-endian header length, then a Python dict literal padded
// with spaces to a multiple of 64 bytes and ended by a newline.
#include "tools/lab/slice_files.h"

#include <QImage>

#include <gdcmAttribute.h>
#include <gdcmImageWriter.h>
#include <gdcmMediaStorage.h>
#include <gdcmTrace.h>
#include <gdcmUIDGenerator.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tools/lab/field_geometry.h"
#include "tools/lab/lab_error.h"
#include "tools/lab/option_bounds.h"

namespace lab {

namespace {

constexpr size_t SlicePixels = static_cast<size_t>(FieldPixels) * FieldPixels;

std::string FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw LabError("cannot read " + path + ": " + std::strerror(errno));
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

double LittleEndianDouble(const char* at) {
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(static_cast<unsigned char>(at[i])) << (8 * i);
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
}

void AppendLittleEndianDouble(std::string& out, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(bits >> (8 * i)));
}

// The header text without spaces, for matching its entries.
std::string Compact(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != ' ') out.push_back(c == '"' ? '\'' : c);
    return out;
}

// Throws, after `what`, where the first value of a slice that is not a
// finite number lies.
void RequireFinite(const std::vector<double>& rowsTopFirst, const std::string& what) {
    for (size_t k = 0; k < rowsTopFirst.size(); ++k)
        if (!std::isfinite(rowsTopFirst[k]))
            throw LabError(what + ": the value at row " + std::to_string(k / FieldPixels) + ", column " +
                           std::to_string(k % FieldPixels) + " is not a finite number");
}

}  // namespace

std::vector<double> ReadSinogramFile(const std::string& path) {
    const std::string bytes = FileBytes(path);
    const size_t expected = SinogramFileBytes;
    if (bytes.size() != expected)
        throw LabError(path + ": " + std::to_string(bytes.size()) + " bytes; a sinogram file is " +
                       std::to_string(expected) + " (" + std::to_string(SinoChannels) + " x " +
                       std::to_string(SinoAngles) + " doubles)");
    std::vector<double> values(static_cast<size_t>(SinoChannels) * SinoAngles);
    for (size_t k = 0; k < values.size(); ++k) values[k] = LittleEndianDouble(&bytes[k * 8]);
    const std::string problem = LineIntegralProblem(values.data());
    if (!problem.empty()) throw LabError(path + ": " + problem);
    return values;
}

std::string NpyBytes(const std::vector<double>& rowsTopFirst) {
    RequireFinite(rowsTopFirst, "no .npy written");
    std::string header = "{'descr': '<f8', 'fortran_order': False, 'shape': (256, 256), }";
    while ((10 + header.size() + 1) % 64 != 0) header.push_back(' ');
    header.push_back('\n');
    std::string out("\x93NUMPY\x01\x00", 8);
    out.push_back(static_cast<char>(header.size() & 0xff));
    out.push_back(static_cast<char>(header.size() >> 8));
    out += header;
    for (double v : rowsTopFirst) AppendLittleEndianDouble(out, v);
    return out;
}

std::vector<double> ReadNpy(const std::string& path) {
    const std::string bytes = FileBytes(path);
    if (bytes.size() < 10 || bytes.compare(0, 6, "\x93NUMPY") != 0) throw LabError(path + ": not a NumPy .npy file");
    const int major = static_cast<unsigned char>(bytes[6]);
    const size_t lengthBytes = major == 1 ? 2 : 4;
    size_t length = 0;
    for (size_t i = 0; i < lengthBytes; ++i) length |= static_cast<size_t>(static_cast<unsigned char>(bytes[8 + i])) << (8 * i);
    const size_t start = 8 + lengthBytes + length;
    if (bytes.size() < start) throw LabError(path + ": a truncated .npy header");
    const std::string header = Compact(bytes.substr(8 + lengthBytes, length));
    if (header.find("'descr':'<f8'") == std::string::npos && header.find("'descr':'<d'") == std::string::npos)
        throw LabError(path + ": not an array of little-endian float64");
    if (header.find("'fortran_order':False") == std::string::npos)
        throw LabError(path + ": a Fortran-ordered array; save it in C order");
    if (header.find("'shape':(256,256)") == std::string::npos) {
        const size_t at = header.find("'shape':");
        const std::string shape = at == std::string::npos ? "?" : header.substr(at + 8, header.find(')', at) - at - 7);
        throw LabError(path + ": an array of shape " + shape + "; the slice is 256 x 256");
    }
    if (bytes.size() - start < SlicePixels * 8) throw LabError(path + ": the array data are truncated");
    std::vector<double> values(SlicePixels);
    for (size_t k = 0; k < SlicePixels; ++k) values[k] = LittleEndianDouble(&bytes[start + k * 8]);
    RequireFinite(values, path);
    return values;
}

QImage GreyPicture(const std::vector<int>& levels) {
    QImage image(FieldPixels, FieldPixels, QImage::Format_Grayscale8);
    for (int r = 0; r < FieldPixels; ++r) {
        uchar* line = image.scanLine(r);
        for (int x = 0; x < FieldPixels; ++x) line[x] = static_cast<uchar>(levels[r * FieldPixels + x]);
    }
    return image;
}

std::string CtDicomBytes(const std::vector<double>& hu, double pixelMm) {
    RequireFinite(hu, "no DICOM image written");
    gdcm::Trace::WarningOff();
    gdcm::ImageWriter writer;
    gdcm::Image& image = writer.GetImage();
    image.SetNumberOfDimensions(2);
    image.SetDimension(0, FieldPixels);
    image.SetDimension(1, FieldPixels);
    image.SetSpacing(0, pixelMm);
    image.SetSpacing(1, pixelMm);
    image.SetPixelFormat(gdcm::PixelFormat::INT16);
    image.SetPhotometricInterpretation(gdcm::PhotometricInterpretation::MONOCHROME2);
    image.SetSlope(1.0);
    image.SetIntercept(0.0);
    std::string pixels;
    for (double v : hu) {
        const auto stored = static_cast<int16_t>(std::clamp(std::round(v), -32768.0, 32767.0));
        pixels.push_back(static_cast<char>(stored & 0xff));
        pixels.push_back(static_cast<char>((stored >> 8) & 0xff));
    }
    gdcm::DataElement pixelData(gdcm::Tag(0x7fe0, 0x0010));
    pixelData.SetByteValue(pixels.data(), static_cast<uint32_t>(pixels.size()));
    image.SetDataElement(pixelData);

    gdcm::DataSet& data = writer.GetFile().GetDataSet();
    gdcm::UIDGenerator uids;
    gdcm::Attribute<0x0008, 0x0016> sopClass = {gdcm::MediaStorage::GetMSString(gdcm::MediaStorage::CTImageStorage)};
    gdcm::Attribute<0x0008, 0x0018> sopInstance = {uids.Generate()};
    gdcm::Attribute<0x0008, 0x0060> modality = {"CT"};
    gdcm::Attribute<0x0008, 0x0070> manufacturer = {"sinora-lab"};
    gdcm::Attribute<0x0010, 0x0010> patient = {"Phantom"};
    gdcm::Attribute<0x0020, 0x000d> study = {uids.Generate()};
    gdcm::Attribute<0x0020, 0x000e> series = {uids.Generate()};
    gdcm::Attribute<0x0028, 0x1054> rescaleType = {"HU"};
    data.Replace(sopClass.GetAsDataElement());
    data.Replace(sopInstance.GetAsDataElement());
    data.Replace(modality.GetAsDataElement());
    data.Replace(manufacturer.GetAsDataElement());
    data.Replace(patient.GetAsDataElement());
    data.Replace(study.GetAsDataElement());
    data.Replace(series.GetAsDataElement());
    // A soft-tissue window for the viewer's first look.
    for (const auto& [element, text] : {std::pair<uint16_t, std::string>{0x1050, "40"}, {0x1051, "400 "}}) {
        gdcm::DataElement window(gdcm::Tag(0x0028, element));
        window.SetVR(gdcm::VR::DS);
        window.SetByteValue(text.data(), static_cast<uint32_t>(text.size()));
        data.Replace(window);
    }
    data.Replace(rescaleType.GetAsDataElement());

    std::ostringstream stream;
    writer.SetStream(stream);
    if (!writer.Write()) throw LabError("GDCM could not encode the DICOM image");
    return stream.str();
}

bool HasExtension(const std::string& path, const std::string& extension) {
    if (path.size() < extension.size()) return false;
    for (size_t i = 0; i < extension.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(path[path.size() - extension.size() + i])) != extension[i]) return false;
    return true;
}

}  // namespace lab
