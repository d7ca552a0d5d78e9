// slice_files.cpp - a .npy file is the format's magic, its version, a
// little-endian header length (2 bytes in version 1.0, 4 in 2.0 and 3.0),
// then a Python dict literal padded with spaces and ended by a newline, then
// the data. The lab writes version 1.0, padded to a multiple of 64 bytes.
#include "lab/files/slice_files.h"

#include <QImage>

#include <gdcmAttribute.h>
#include <gdcmImageWriter.h>
#include <gdcmMediaStorage.h>
#include <gdcmTrace.h>
#include <gdcmUIDGenerator.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cctype>
#include <cstring>
#include <sstream>
#include <utility>

#include "lab/core/field_geometry.h"
#include "lab/files/input_file.h"
#include "lab/core/lab_error.h"
#include "lab/core/option_bounds.h"

namespace lab {

namespace {

constexpr size_t SlicePixels = static_cast<size_t>(FieldPixels) * FieldPixels;
// NumPy itself reads no longer header unless told to (max_header_size).
constexpr unsigned long long MaxNpyHeaderBytes = 10000;

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

// The header of a .npy file: a Python literal dict with exactly the keys
// descr, fortran_order and shape, read as Python would read it (the format's
// definition) rather than searched for text: a key hidden in another's
// value, given twice or unknown, or a value of another kind, is refused.
struct NpyHeader {
    std::string descr;
    bool fortranOrder = false;
    std::vector<unsigned long long> shape;
};

class NpyHeaderParser {
public:
    NpyHeaderParser(const std::string& text, const std::string& path) : text_(text), path_(path) {}

    NpyHeader Parse() {
        NpyHeader header;
        bool seen[3] = {};
        Expect('{');
        while (!Next('}')) {
            const std::string key = String();
            Expect(':');
            int index = -1;
            if (key == "descr") index = 0, header.descr = String();
            else if (key == "fortran_order") index = 1, header.fortranOrder = Boolean();
            else if (key == "shape") index = 2, header.shape = Tuple();
            else Refuse("an unknown key '" + key + "' in its header (a .npy header holds descr, fortran_order and shape)");
            if (seen[index]) Refuse("the key '" + key + "' twice in its header");
            seen[index] = true;
            if (!Next(',')) {
                Expect('}');
                break;
            }
        }
        Space();
        if (at_ != text_.size()) Refuse("text after the dictionary in its header");
        const char* names[] = {"descr", "fortran_order", "shape"};
        for (int k = 0; k < 3; ++k)
            if (!seen[k]) Refuse(std::string("no '") + names[k] + "' in its header");
        return header;
    }

private:
    const std::string& text_;
    const std::string& path_;
    size_t at_ = 0;

    [[noreturn]] void Refuse(const std::string& what) const { throw LabError(path_ + ": " + what); }
    [[noreturn]] void Malformed() const {
        throw LabError(path_ + ": a .npy header that is not a Python dictionary of the format's kind (at byte " +
                       std::to_string(at_) + " of the header)");
    }
    // Python's white space within brackets.
    void Space() {
        while (at_ < text_.size() && std::strchr(" \t\n\r\f", text_[at_]) && text_[at_] != '\0') ++at_;
    }
    bool Next(char c) {
        Space();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    void Expect(char c) {
        if (!Next(c)) Malformed();
    }
    // A string in single or double quotes, without escapes or prefixes.
    std::string String() {
        Space();
        if (at_ >= text_.size() || (text_[at_] != '\'' && text_[at_] != '"')) Malformed();
        const char quote = text_[at_++];
        const size_t end = text_.find(quote, at_);
        if (end == std::string::npos) Malformed();
        std::string value = text_.substr(at_, end - at_);
        if (value.find_first_of("\\\n") != std::string::npos) Malformed();
        at_ = end + 1;
        return value;
    }
    bool Boolean() {
        Space();
        for (const auto& [word, value] : {std::pair<const char*, bool>{"True", true}, {"False", false}}) {
            const size_t length = std::strlen(word);
            if (text_.compare(at_, length, word) == 0 &&
                (at_ + length == text_.size() || !std::isalnum(static_cast<unsigned char>(text_[at_ + length])))) {
                at_ += length;
                return value;
            }
        }
        Refuse("a fortran_order that is neither True nor False");
    }
    // A decimal integer as Python writes one (no sign, no leading zeros).
    unsigned long long Integer() {
        Space();
        const size_t start = at_;
        while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) ++at_;
        if (at_ == start || (text_[start] == '0' && at_ - start > 1) || at_ - start > 18) Malformed();
        return std::stoull(text_.substr(start, at_ - start));
    }
    // A tuple: "()", "(n,)", "(n, m)" with an optional last comma; "(n)" is
    // a number in brackets, not a tuple.
    std::vector<unsigned long long> Tuple() {
        std::vector<unsigned long long> values;
        Expect('(');
        if (Next(')')) return values;
        values.push_back(Integer());
        if (Next(')')) Refuse("a shape that is not a tuple");
        Expect(',');
        while (!Next(')')) {
            values.push_back(Integer());
            if (!Next(',')) {
                Expect(')');
                break;
            }
        }
        return values;
    }
};

std::string ShapeText(const std::vector<unsigned long long>& shape) {
    std::string text = "(";
    for (size_t k = 0; k < shape.size(); ++k) text += (k ? ", " : "") + std::to_string(shape[k]);
    return text + (shape.size() == 1 ? ",)" : ")");
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
    // As the program reads it (README, "The two file formats"): the first
    // 1,049,760 bytes, whatever follows them ignored; a shorter file refused.
    const InputFile file(path);
    const size_t expected = SinogramFileBytes;
    const std::string bytes = file.Read(0, expected);
    if (bytes.size() != expected)
        throw LabError(path + ": " + std::to_string(bytes.size()) + " bytes; a sinogram file holds at least " +
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
    const InputFile file(path);
    // Magic, version, header length: 10 bytes in version 1.0, 12 in 2.0 and 3.0.
    const std::string start = file.Read(0, 12);
    if (start.size() < 10 || start.compare(0, 6, "\x93NUMPY") != 0) throw LabError(path + ": not a NumPy .npy file");
    const int major = static_cast<unsigned char>(start[6]), minor = static_cast<unsigned char>(start[7]);
    if (major < 1 || major > 3 || minor != 0)
        throw LabError(path + ": a .npy file of version " + std::to_string(major) + "." + std::to_string(minor) +
                       " (versions 1.0, 2.0 and 3.0 are read)");
    const size_t lengthBytes = major == 1 ? 2 : 4;
    if (start.size() < 8 + lengthBytes) throw LabError(path + ": a truncated .npy header");
    unsigned long long length = 0;
    for (size_t i = 0; i < lengthBytes; ++i) length |= static_cast<unsigned long long>(static_cast<unsigned char>(start[8 + i])) << (8 * i);
    if (length > MaxNpyHeaderBytes)
        throw LabError(path + ": a .npy header of " + std::to_string(length) + " bytes (at most " +
                       std::to_string(MaxNpyHeaderBytes) + ")");
    const unsigned long long dataStart = 8 + lengthBytes + length;
    if (static_cast<unsigned long long>(file.Size()) < dataStart) throw LabError(path + ": a truncated .npy header");
    const NpyHeader header = NpyHeaderParser(file.Read(8 + lengthBytes, length), path).Parse();
    if (header.descr != "<f8" && header.descr != "<d") throw LabError(path + ": not an array of little-endian float64");
    if (header.fortranOrder) throw LabError(path + ": a Fortran-ordered array; save it in C order");
    if (header.shape != std::vector<unsigned long long>{FieldPixels, FieldPixels})
        throw LabError(path + ": an array of shape " + ShapeText(header.shape) + "; the slice is 256 x 256");
    // The header states the data's size: the file must hold exactly that.
    const unsigned long long dataBytes = SlicePixels * 8;
    const unsigned long long size = static_cast<unsigned long long>(file.Size());
    if (size - dataStart < dataBytes) throw LabError(path + ": the array data are truncated");
    if (size - dataStart > dataBytes)
        throw LabError(path + ": " + std::to_string(size - dataStart - dataBytes) +
                       " bytes after the array its header describes");
    const std::string bytes = file.Read(static_cast<long long>(dataStart), dataBytes);
    if (bytes.size() != dataBytes) throw LabError(path + ": the array data are truncated");
    std::vector<double> values(SlicePixels);
    for (size_t k = 0; k < SlicePixels; ++k) values[k] = LittleEndianDouble(&bytes[k * 8]);
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
