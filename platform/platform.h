// platform.h - the few things of the platform layer that are not Win32:
// start-up (used by the layer's own main() and by the test programs) and the
// hooks with which tests answer modal dialogs, message boxes and menus.
//
// Nothing here includes Qt; the implementation lives in platform/.
#pragma once

#include <string>

#include "platform/win32.h"

// Reads the program's command line before anything else: --help and
// --version print and give status 0; no arguments, or one file to open
// (FILE or "-- FILE"), give -1: start the program, with the file's absolute
// path in `fileToOpen` (empty without one); anything else is a usage error
// (status 2, one line on standard error).
int PlatformCommandLine(int argc, char** argv, std::string& fileToOpen);

// Creates the Qt application. Call once, before any other layer call.
// Prefers the X11 (xcb) platform when both X11 and Wayland are available.
// A display that cannot be reached ends the process with one line on
// standard error and status 1.
void PlatformInit(int* argc, char** argv);

// ---- test automation ---------------------------------------------------------
// Puts the layer back to its state right after PlatformInit: every window,
// class, timer, queued message, menu, GDI object and DC, global memory
// block and open file is gone, and no answer is queued or logged. No window
// procedure hears of it. Unattended mode stays as it is. Test programs call
// it before each test, so that each one starts from a clean layer.
void PlatformResetForTests();

// Answers for the next modal element, taken in the order queued. Each modal
// element (MessageBoxA, GetOpenFileNameA, GetSaveFileNameA, TrackPopupMenu)
// takes the oldest queued answer when it opens; the answer is applied after
// `delayMs` milliseconds of the modal's own loop (timers and posted messages
// keep being dispatched meanwhile).
//   message box:  "ok" -> IDOK, "cancel" -> IDCANCEL, "return" -> the Return
//                 key, which presses the default button
//   file dialog:  "cancel" cancels; "return" presses Return in the file-name
//                 field as the dialog shows it; anything else is the path
//                 typed into that field followed by Return (an open dialog
//                 then still refuses a file that does not exist and stays open)
//   pop-up menu:  a command identifier in decimal, or "cancel"
void PlatformQueueModalAnswer(const char* answer, int delayMs = 0);

// With unattended mode on, a modal element that finds no queued answer is
// cancelled at once instead of waiting for a user (keeps tests from hanging).
void PlatformSetUnattended(bool unattended);

// Every modal element shown while unattended mode is on is logged as one
// UTF-8 line (the program, never unattended, keeps no log):
//   "MessageBox|<caption>|<text>|<type>"   (type in decimal)
//   "OpenFile|<initial file name>"  /  "SaveFile|<initial file name>"
//   "PopupMenu|<x>|<y>"
// The count only grows until a reset; tests compare before and after.
int PlatformModalLogCount();
const char* PlatformModalLogEntry(int index);

// ---- resources ----------------------------------------------------------------
// What the layer holds for the program at this moment: windows created and
// not destroyed; GDI objects (pens, brushes, fonts, bitmaps, DIB sections)
// created and not yet freed (stock objects are not counted; one deleted
// while still selected counts until it is deselected); device contexts not
// yet released or deleted; timers running. A run that gives back what it
// takes leaves them as it found them.
struct PlatformLiveObjects {
    int windows;
    int gdiObjects;
    int deviceContexts;
    int timers;
};
PlatformLiveObjects PlatformLiveObjectCounts();

// Decodes Windows text (code page 932, see win32.h) to UTF-8; for tests and
// for messages that must show what the layer shows.
const char* PlatformDecodeText(const char* bytes, char* utf8Out, int utf8Size);
