// output_files.h - every file the tool writes goes first to a temporary file
// beside the target and is renamed over it only when complete, so a failure
// never leaves a partial output.
#pragma once

#include <string>
#include <vector>

class QImage;

namespace lab {

// Throws LabError when the folder of `path` does not exist or `path` is a
// folder: checked for every output before any work is done.
void CheckOutputPath(const std::string& path);

// Throws LabError naming the path and the reason (missing folder, no
// permission, full disc...).
void WriteFileAtomically(const std::string& path, const std::string& bytes);
// PNG whatever the name's extension.
void SavePngAtomically(const std::string& path, const QImage& image);
// The PNG file's bytes; throws LabError naming `path` when Qt cannot encode.
std::string PngBytes(const QImage& image, const std::string& path);

// 729 x 180 little-endian doubles in file order.
void WriteSinogramFile(const std::string& path, const std::vector<double>& values);

}  // namespace lab
