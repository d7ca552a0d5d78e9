// long_paths.h - folders whose paths are thousands of bytes long, as deep
// folders with long names make them.
#pragma once

#include <filesystem>
#include <string>

// A folder below `base` whose path is `length` bytes long (at least the
// length of `base` plus 3), made of names of up to 200 bytes.
inline std::string MakeDeepFolder(const std::string& base, size_t length) {
    std::string folder = base;
    while (folder.size() + 1 + 200 + 3 <= length) folder += "/" + std::string(200, 'd');
    if (folder.size() + 2 <= length) folder += "/" + std::string(length - folder.size() - 1, 'e');
    std::filesystem::create_directories(folder);
    return folder;
}
