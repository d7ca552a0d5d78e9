// lab_program.cpp
#include "lab/dicom/lab_program.h"

#include <climits>
#include <unistd.h>

namespace lab {

const std::string& LabProgramPath() {
    static const std::string path = [] {
        char self[PATH_MAX];
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        std::string folder = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string();
        folder.erase(folder.find_last_of('/') + 1);
        return folder + "sinora-lab";
    }();
    return path;
}

}  // namespace lab
