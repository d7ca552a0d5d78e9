// picture_file.h - pictures read through Qt's image readers (PNG, JPEG,
// BMP, TIFF, PGM/PPM), under the input rule of input_file.h.
#pragma once

#include <QImage>

#include <string>

namespace lab {

// The largest picture read, in pixels (for instance 12,000 x 8,000): what
// the lab's steps hold in memory at once (the decoded picture, its grey
// levels and their attenuations, some 14 bytes a pixel) stays under 1.5 GB.
constexpr long long MaxPicturePixels = 100000000;

// False when no image reader recognises the file; `format` gets its format
// in capitals, e.g. "PNG". Throws LabError for a file the input rule
// refuses, a picture larger than MaxPicturePixels ("too large (W x H
// pixels; at most ...)"), and one that is damaged or cut short (Qt's
// readers fill in what a BMP or JPEG lacks, and take a PNG without its last
// chunks: their structure is checked against the file first).
bool ReadPicture(const std::string& path, QImage& picture, std::string& format);

// A picture, whatever its format; throws LabError for anything else.
QImage ReadPictureFile(const std::string& path);

}  // namespace lab
