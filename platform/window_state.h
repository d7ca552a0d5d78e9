// window_state.h - the window record behind an HWND and how the layer
// finds it (win_windows.cpp). Includes Qt; only for platform/.
#pragma once

#include <string>

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QString>

#include "platform/win32.h"

class QWidget;
class QScrollBar;

struct WindowClassRecord {
    std::string name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HBRUSH background = nullptr;
};

// The record behind an HWND. Records are never freed, so a stale handle
// never aliases a newer window; `alive` turns false on DestroyWindow.
struct PlatformWindow {
    bool alive = true;
    WindowClassRecord* cls = nullptr;
    DWORD style = 0;
    QPointer<QWidget> frame;         // the top-level widget
    QPointer<QWidget> client;        // paints `surface`
    QPointer<QScrollBar> scrollBar;  // WS_VSCROLL only
    QImage surface;                  // retained client-area pixels
    QRect outer;                     // Win32 window rectangle (screen)
    QSize clientSize;                // Win32 client size
    bool needsPaint = false;         // client area invalid: WM_PAINT due
    std::string text;                // caption as given (Windows text bytes)
    SCROLLINFO scroll{};             // as last set by SetScrollInfo
    int wheelRemainder = 0;
    // Set when the program placed the window before the window manager had
    // framed it: the frame's top-left is put at `placedOuterPos` once the
    // frame is known (the window is shown).
    bool placeWhenFramed = false;
    QPoint placedOuterPos;
};

// ---- win_windows.cpp ----------------------------------------------------------
// Ends every window without a message to its procedure and forgets the
// classes (the reset for tests).
void PlatformForgetAllWindows();
// Null unless `hwnd` is a live window of this layer.
PlatformWindow* PlatformLiveWindow(HWND hwnd);
// Every window record ever created, in creation order (WM_PAINT generation).
int PlatformWindowCount();
PlatformWindow* PlatformWindowAt(int index);
// The top-level widget of a window (for dialog owners and focus).
QWidget* PlatformWindowFrame(HWND hwnd);
// The window whose top-level widget is `widget`, or null.
HWND PlatformWindowOfWidget(const QWidget* widget);
