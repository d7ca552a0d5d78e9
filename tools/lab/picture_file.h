// picture_file.h - the input files of every command, and pictures read
// through Qt's image readers (PNG, JPEG, BMP, TIFF, PGM/PPM).
#pragma once

#include <QImage>

#include <string>

namespace lab {

// Throws LabError saying what is wrong: no such file, a folder, or a file
// that cannot be read.
void RequireReadableFile(const std::string& path);

// False when no image reader recognises the file; `format` gets its format
// in capitals, e.g. "PNG". Throws LabError for a picture that is damaged or
// cut short (a BMP shorter than its header says).
bool ReadPicture(const std::string& path, QImage& picture, std::string& format);

// A picture, whatever its format; throws LabError for anything else.
QImage ReadPictureFile(const std::string& path);

}  // namespace lab
