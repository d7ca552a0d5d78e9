// framework_state.h - the framework's single global state record, shared by
// the console (console/), the canvas and graphics window (graphic/) and the
// start-up (app/). Zero at program start, except PenWidth and InputEchoVisible,
// which start at 1.
#pragma once

#include <cstdint>

#include "platform/win32.h"

enum {
    TextBufferLines = 200,
    TextBufferLineBytes = 161,  // 160 characters and a terminating zero
    TextLineLimit = 160,
    InputLineBytes = 512,
    ScanFormatBytes = 256,
    ScanTargetLimit = 40,
    FileTitleBytes = 260,
    PathBytes = 4096,  // the system's path limit, terminating zero included
    ChildWindowLimit = 20,
};

typedef void (*GraphicCommandProc)(int32_t command);

struct FrameworkStateRecord {
    // ---- console: TextBuffer and output
    char TextBuffer[TextBufferLines][TextBufferLineBytes];
    int32_t CurrentLine;
    int32_t LineCount;
    int32_t OldestLine;
    int32_t ScrollTop;
    int32_t LinesPerPage;
    int32_t ConsoleDirty;

    // ---- console: typed input
    char InputLine[InputLineBytes];
    int32_t InputLength;
    int32_t InputWaiting;
    int32_t EchoInput;
    char ScanFormat[ScanFormatBytes];
    void* ScanTargets[ScanTargetLimit + 1];

    // ---- console window
    HWND ConsoleWindow;
    int32_t LineHeight;
    LOGFONTA* ConsoleFont;
    HFONT ConsoleFontHandle;
    int32_t CaretPhase;
    int32_t InputEchoVisible = 1;  // the console starts on its last page
    int32_t InputLineY;
    HMENU PopupMenu;
    UINT_PTR RefreshTimer;

    // ---- file dialogs
    char FileTitleBuffer[FileTitleBytes];
    // What the save dialogs propose: the path each command saved last, and
    // the name the run gives its material ("phantom_fbp").
    char LastTextSavePath[PathBytes];
    char LastGraphicSavePath[PathBytes];
    char SaveNameStem[FileTitleBytes];

    // ---- graphic canvas
    HWND GraphicsWindow;
    HBITMAP BackBufferBitmap;
    HDC BackBufferDc;
    int32_t SurfaceWidth;
    int32_t SurfaceHeight;
    int32_t BackBufferExists;
    int32_t GraphicShown;
    int32_t PresentNeeded;
    COLORREF CurrentColor;
    int32_t PenWidth = 1;
    int32_t BackgroundKind;
    LOGFONTA* GraphicFontRecord;
    HFONT GraphicFontHandle;
    // Windows laid over the canvas, kept on top after each present. Part of
    // the framework, but nothing in this program creates or registers one.
    int32_t ChildWindowCount;
    HWND ChildWindows[ChildWindowLimit];

    // ---- graphics window
    // Set by the graphics window on each click; nothing in this program reads them.
    int32_t LeftClicked;
    POINT LeftClickPoint;
    int32_t RightClicked;
    POINT RightClickPoint;
    // Called for WM_COMMAND to the graphics window; nothing in this program registers one.
    GraphicCommandProc GraphicCommandHandler;

    // ---- shell
    HINSTANCE InstanceHandle;
};

extern FrameworkStateRecord FrameworkState;
