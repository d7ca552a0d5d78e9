// safe_save.h - replacing a file so that it is never left half written: the
// new content goes into a temporary file beside the destination, reaches the
// disk, and only then takes the destination's place.
#pragma once

#include <functional>

#include "platform/win32.h"

enum class SaveOutcome {
    Saved,
    OpenFailed,   // the destination is no plain file or read-only, or no file could be created beside it
    WriteFailed,  // a write, the flush or the final move failed; the destination is as it was
};

// Writes a new file through `writeContent` (false from it: a write failed)
// and moves it into the place of `path`. A destination that is a link stays a
// link: the file it names is replaced, and keeps its permissions. No file
// but the save's own temporary file is ever removed.
SaveOutcome SaveFileSafely(const char* path, const std::function<bool(HANDLE file)>& writeContent);

// Writes all `bytes` in one WriteFile; false when it fails or falls short.
bool WriteAllBytes(HANDLE file, const void* data, DWORD bytes);
