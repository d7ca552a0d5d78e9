// internal.h - what the files of the platform layer share among themselves.
// Not for use outside platform/ (it includes Qt).
#pragma once

#include <string>

#include <QByteArray>
#include <QImage>
#include <QString>

#include "platform/win32.h"

// ---- code page 932 (codepage.cpp) ---------------------------------------------
// Windows text to Unicode: code page 932, or UTF-8 when the bytes are entirely
// valid UTF-8 and contain non-ASCII bytes (file paths). length < 0: up to the
// terminating zero.
QString DecodeWindowsText(const char* bytes, int length = -1);
// Unicode to code page 932 bytes (what WM_CHAR carries); characters that
// code page 932 lacks become '?'.
QByteArray EncodeWindowsText(const QString& text);

// ---- offered by the window side (win_windows.cpp) to GDI -----------------------
// The retained pixels of a window's client area (Format_RGB32, client size).
// Drawing through a window DC changes these pixels; the widget shows them.
// Null for an unknown or destroyed window.
QImage* PlatformWindowSurface(HWND hwnd);
// Tells the window that its surface changed, so that it reaches the screen.
void PlatformWindowSurfaceChanged(HWND hwnd);
// True when the window's class has CS_OWNDC (GetDC returns one DC for good).
bool PlatformWindowOwnsDc(HWND hwnd);
// The class background brush (GCL_HBRBACKGROUND) of a window.
HBRUSH PlatformWindowBackground(HWND hwnd);
// Marks the whole client area valid: no WM_PAINT is generated for it until it
// is invalidated again (shown, resized, exposed). Called by EndPaint.
void PlatformWindowValidate(HWND hwnd);

// ---- offered by GDI (win_gdi*.cpp) to the window side --------------------------
// Releases the device contexts that belong to a window being destroyed.
void PlatformForgetWindowDcs(HWND hwnd);
// The colour of a solid or stock brush (0x00BBGGRR); black for anything else.
COLORREF PlatformBrushColour(HBRUSH brush);

// ---- live-object counts (PlatformLiveObjectCounts) -----------------------------
int PlatformLiveWindowCount();     // win_windows.cpp
int PlatformLiveGdiObjectCount();  // win_gdi_objects.cpp
int PlatformLiveDcCount();         // win_gdi_objects.cpp
int PlatformTimerCount();          // win_messages.cpp

// 0x00BBGGRR to Qt's 0xFFRRGGBB and back.
inline uint32_t ColorrefToArgb(COLORREF c) {
    return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
inline COLORREF ArgbToColorref(uint32_t argb) {
    return ((argb >> 16) & 0xFFu) | (argb & 0xFF00u) | ((argb & 0xFFu) << 16);
}

// ---- win_messages.cpp ----------------------------------------------------------
// Queues a message produced by Qt input (posted, like Win32 input).
void PlatformPostInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Queues a key press: WM_KEYDOWN with the text Qt reported for it, which
// TranslateMessage turns into WM_CHAR bytes.
void PlatformPostKey(HWND hwnd, UINT virtualKey, const QString& text);
// A window's client area became invalid or something else may now be
// produced: wakes a waiting modal pump.
void PlatformWakeQueue();
// Drops the timers and queued messages of a window being destroyed.
void PlatformForgetWindowMessages(HWND hwnd);
// Empties the queue and stops every timer (the reset for tests).
void PlatformForgetAllMessages();
// Modal loops: while depth > 0, a Qt timer keeps dispatching our queue.
void PlatformEnterModal();
void PlatformLeaveModal();
// Lets Qt deliver its pending events and deletes widgets scheduled for it.
void PlatformProcessQtEvents();

// ---- win_dialogs.cpp ------------------------------------------------------------
// Destroys every pop-up menu (the reset for tests).
void PlatformForgetAllMenus();

// ---- win_kernel.cpp, win_files.cpp ------------------------------------------------
// Frees every global memory block; closes every open file and folder listing
// (the reset for tests).
void PlatformForgetAllGlobalMemory();
void PlatformForgetAllFiles();

// ---- platform_init.cpp ---------------------------------------------------------
bool PlatformTakeModalAnswer(std::string* answer, int* delayMs);
bool PlatformIsUnattended();
void PlatformLogModal(const QString& line);
