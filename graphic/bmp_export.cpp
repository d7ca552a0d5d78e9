// bmp_export.cpp - the canvas saved as an uncompressed 24-bit BMP file: a
// 14-byte file header, a 40-byte info header and the rows bottom-up, three
// bytes per pixel (blue, green, red), each row padded to a multiple of 4.
//
// An existing file is replaced as a whole (a longer old file leaves nothing
// behind the picture) and safely (safe_save.h): every write is checked, and
// a save that did not reach the disk is reported as failed and leaves the
// old file as it was.
#include "graphic/bmp_export.h"

#include <cstring>
#include <string>

#include "platform/win32.h"
#include "shared/file_dialogs.h"
#include "shared/framework_state.h"
#include "shared/message_notice.h"
#include "shared/safe_save.h"

namespace {

const DWORD FileHeaderBytes = sizeof(BITMAPFILEHEADER);  // 14
const DWORD InfoHeaderBytes = sizeof(BITMAPINFOHEADER);  // 40

// Composes the file and puts it in the place of `path`.
SaveOutcome WriteBmpFile(const char* path, const BITMAPINFOHEADER* info, const void* pixels, DWORD pixelBytes) {
    BITMAPFILEHEADER header;
    memset(&header, 0, sizeof header);
    header.bfType = 0x4D42;  // "BM"
    header.bfSize = FileHeaderBytes + InfoHeaderBytes + pixelBytes;
    header.bfReserved1 = 0;
    header.bfReserved2 = 0;
    header.bfOffBits = FileHeaderBytes + InfoHeaderBytes;

    return SaveFileSafely(path, [&](HANDLE file) {
        return WriteAllBytes(file, &header, FileHeaderBytes) && WriteAllBytes(file, info, InfoHeaderBytes) &&
               WriteAllBytes(file, pixels, pixelBytes);
    });
}

}  // namespace

bool GraphicSaveBmp(const char* path) {
    FrameworkStateRecord& s = FrameworkState;

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, InfoHeaderBytes);
    BITMAPINFOHEADER* info = block ? static_cast<BITMAPINFOHEADER*>(GlobalLock(block)) : nullptr;
    if (!info) {
        if (block) GlobalFree(block);
        MessageNotice("Failed to save");
        return false;
    }
    memset(info, 0, InfoHeaderBytes);
    info->biSize = InfoHeaderBytes;
    info->biWidth = s.SurfaceWidth;
    info->biHeight = s.SurfaceHeight;  // positive: rows bottom-up
    info->biPlanes = 1;
    info->biBitCount = 24;
    info->biCompression = BI_RGB;

    const DWORD rowStride = (static_cast<DWORD>(s.SurfaceWidth) * 3 + 3) / 4 * 4;
    const DWORD pixelBytes = rowStride * static_cast<DWORD>(s.SurfaceHeight);

    // Copy the canvas into a 24-bit section; its bytes are the file's pixel data.
    void* pixels = nullptr;
    HBITMAP section = CreateDIBSection(s.BackBufferDc, reinterpret_cast<const BITMAPINFO*>(info), DIB_RGB_COLORS,
                                       &pixels, nullptr, 0);
    SaveOutcome result = SaveOutcome::WriteFailed;
    if (section && pixels) {
        HDC windowDc = GetDC(s.GraphicsWindow);
        HDC copyDc = CreateCompatibleDC(windowDc);
        HGDIOBJ previous = SelectObject(copyDc, section);
        BitBlt(copyDc, 0, 0, s.SurfaceWidth, s.SurfaceHeight, s.BackBufferDc, 0, 0, SRCCOPY);
        SelectObject(copyDc, previous);
        ReleaseDC(s.GraphicsWindow, windowDc);
        DeleteDC(copyDc);

        result = WriteBmpFile(path, info, pixels, pixelBytes);
    }

    HGLOBAL handle = GlobalHandle(info);
    GlobalUnlock(handle);
    GlobalFree(handle);
    if (section) DeleteObject(section);

    switch (result) {
        case SaveOutcome::Saved: return true;
        case SaveOutcome::OpenFailed:
            // "nopen" as the system has always said it: not a typo to correct.
            MessageNotice("Failed to nopen file.");
            return false;
        case SaveOutcome::WriteFailed:
        default: MessageNotice("Failed to save"); return false;
    }
}

void SaveGraphicFile() {
    std::string path;
    // cancelled, overwrite declined, or a path too long
    if (!AskSaveFileName(FrameworkState.LastGraphicSavePath, ".bmp", path)) return;
    if (GraphicSaveBmp(path.c_str())) MessageNotice(" Saved Graphic ");
}
