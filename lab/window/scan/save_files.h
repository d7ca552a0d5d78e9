// save_files.h - the window's saves go through the lab's all-or-none
// outputs: a file is replaced whole or not at all, and never the file the
// source was read from. Both throw lab::LabError naming the path and the
// reason.
#pragma once

#include <QString>

#include <string>

class QImage;

namespace labwin {

// `source`: the file the shown scan was made from (empty: none).
void SaveBytes(const QString& path, const std::string& bytes, const std::string& source);
// PNG whatever the name's extension.
void SavePng(const QString& path, const QImage& image, const std::string& source);

}  // namespace labwin
