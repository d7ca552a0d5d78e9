// chosen_file.cpp - the kind of a chosen path, asked of the layer: its
// attributes first (nothing is opened), then the type of an open handle (the
// layer's open never waits), which also catches a path that changed in
// between.
#include "recon/chosen_file.h"

#include "platform/win32.h"

ChosenFileKind ExamineChosenFile(const char* path, long long* size) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return ChosenFileKind::CannotOpen;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ChosenFileKind::Folder;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return ChosenFileKind::NotPlainFile;

    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ChosenFileKind::CannotOpen;
    const bool plain = GetFileType(file) == FILE_TYPE_DISK;
    DWORD high = 0;
    const DWORD low = GetFileSize(file, &high);
    CloseHandle(file);
    if (!plain) return ChosenFileKind::NotPlainFile;
    if (size) *size = static_cast<long long>((static_cast<unsigned long long>(high) << 32) | low);
    return ChosenFileKind::PlainFile;
}
