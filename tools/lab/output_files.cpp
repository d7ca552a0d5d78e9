// output_files.cpp - QSaveFile writes to a temporary file in the target's
// folder and renames it on commit; a cancelled or failed write removes it.
#include "tools/lab/output_files.h"

#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

#include <cstdint>
#include <cstring>

#include "tools/lab/lab_error.h"

namespace lab {

void CheckOutputPath(const std::string& path) {
    const QFileInfo target(QString::fromStdString(path));
    const QFileInfo folder(target.absolutePath());
    if (!folder.exists()) throw LabError("cannot write " + path + ": the folder " + folder.filePath().toStdString() + " does not exist");
    if (!folder.isDir()) throw LabError("cannot write " + path + ": " + folder.filePath().toStdString() + " is not a folder");
    if (target.isDir()) throw LabError("cannot write " + path + ": it is a folder");
}

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
    CheckOutputPath(path);
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly))
        throw LabError("cannot write " + path + ": " + file.errorString().toStdString());
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
        !file.commit())
        throw LabError("cannot write " + path + ": " + file.errorString().toStdString());
}

std::string PngBytes(const QImage& image, const std::string& path) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) throw LabError("cannot encode " + path + " as PNG");
    return encoded.toStdString();
}

void SavePngAtomically(const std::string& path, const QImage& image) { WriteFileAtomically(path, PngBytes(image, path)); }

void WriteSinogramFile(const std::string& path, const std::vector<double>& values) {
    // Little-endian whatever this machine's byte order is.
    std::string bytes(values.size() * 8, '\0');
    for (size_t k = 0; k < values.size(); ++k) {
        uint64_t bits;
        std::memcpy(&bits, &values[k], 8);
        for (int i = 0; i < 8; ++i) bytes[k * 8 + i] = static_cast<char>(bits >> (8 * i));
    }
    WriteFileAtomically(path, bytes);
}

}  // namespace lab
