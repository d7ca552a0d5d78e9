// win_main.cpp - start-up: the two window classes and windows, the console's
// pop-up menu, the first values of the console fields, the file named on the
// command line as the first open dialog's choice, then the run.
#include <cstring>

#include "app/app_shell.h"
#include "console/console_window.h"
#include "graphic/graphics_window.h"
#include "recon/phases.h"
#include "shared/file_dialogs.h"
#include "shared/framework_state.h"

namespace {

enum {
    ConsoleSize = 480,
    GraphicsLeft = 100,
    GraphicsTop = 20,
    GraphicsSize = 480,
};

const DWORD ConsoleStyle = WS_OVERLAPPEDWINDOW | WS_VSCROLL;  // 0xEF0000
const DWORD GraphicsStyle = WS_SYSMENU | WS_MINIMIZEBOX;      // 0xA0000: no sizing border, no maximise

// "標準ゴシック" (standard Gothic) in Shift-JIS.
const char ConsoleFaceName[] = "\x95\x57\x8F\x80\x83\x53\x83\x56\x83\x62\x83\x4E";

ATOM RegisterWindowClass(HINSTANCE instance, UINT style, WNDPROC procedure, const char* name) {
    WNDCLASSA windowClass = {};
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = name;
    return RegisterClassA(&windowClass);
}

// A zero-filled font record from the global memory; freed with the console
// window.
LOGFONTA* NewFontRecord() {
    HGLOBAL memory = GlobalAlloc(GPTR, sizeof(LOGFONTA));
    return static_cast<LOGFONTA*>(GlobalLock(memory));
}

}  // namespace

const PopupMenuItem PopupMenuItems[PopupMenuItemCount] = {
    {MF_STRING, CommandTinySize, " Tiny Size"},
    {MF_STRING, CommandSmallSize, " Small Size"},
    {MF_STRING, CommandDefaultSize, " Default Size"},
    {MF_STRING, CommandLargeSize, " Large Size"},
    {MF_STRING, CommandHugeSize, " Huge Size"},
    {MF_SEPARATOR, MenuSeparatorId, ""},
    {MF_STRING, CommandSaveTextBuffer, " Save TextBuffer File"},
    {MF_STRING, CommandSaveGraphic, " Save Graphic File"},
    {MF_SEPARATOR, MenuSeparatorId, ""},
    {MF_STRING, CommandExit, "  &Exit "},
};

int CreateAppWindows(HINSTANCE instance, int showCommand) {
    FrameworkStateRecord& s = FrameworkState;

    RegisterWindowClass(instance, CS_HREDRAW | CS_VREDRAW, ConsoleWindowProc, "Application");
    // Its creation starts the refresh timer.
    s.ConsoleWindow = CreateWindowExA(0, "Application", "Win32 Application", ConsoleStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                      ConsoleSize, ConsoleSize, nullptr, nullptr, instance, nullptr);
    if (!s.ConsoleWindow) return 0;
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    MoveWindow(s.ConsoleWindow, screenWidth / 2 - ConsoleSize / 2, screenHeight / 2 - ConsoleSize / 2, ConsoleSize,
               ConsoleSize, FALSE);
    // Shown before the console fields get their values: its size and paint
    // handling cope with a zero LineHeight and no font record.
    ShowWindow(s.ConsoleWindow, showCommand);

    // CS_NOCLOSE: the user can move and minimise the graphics window but
    // not close it; it ends with the console window.
    RegisterWindowClass(instance, CS_OWNDC | CS_NOCLOSE, GraphicsWindowProc, "Graphics");
    s.GraphicsWindow = CreateWindowExA(0, "Graphics", "Images", GraphicsStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                       GraphicsSize, GraphicsSize, nullptr, nullptr, instance, nullptr);
    if (!s.GraphicsWindow) return 0;
    MoveWindow(s.GraphicsWindow, GraphicsLeft, GraphicsTop, GraphicsSize, GraphicsSize, FALSE);  // stays hidden

    s.PopupMenu = CreatePopupMenu();
    for (UINT position = 0; position < PopupMenuItemCount; ++position) {
        const PopupMenuItem& item = PopupMenuItems[position];
        InsertMenuA(s.PopupMenu, position, MF_BYPOSITION | item.flags, item.command, item.text);
    }

    s.CurrentLine = 0;
    s.OldestLine = 0;
    s.ScrollTop = 0;
    s.LineCount = 1;
    s.TextBuffer[0][0] = 0;
    s.LineHeight = DefaultLineHeight;

    s.ConsoleFont = NewFontRecord();
    if (s.ConsoleFont) {
        lstrcpyA(s.ConsoleFont->lfFaceName, ConsoleFaceName);
        s.ConsoleFont->lfWeight = 0;
        s.ConsoleFont->lfEscapement = 0;
        s.ConsoleFont->lfWidth = 0;
        s.ConsoleFont->lfItalic = 0;
        s.ConsoleFont->lfUnderline = 0;
        s.ConsoleFont->lfCharSet = SHIFTJIS_CHARSET;
        s.ConsoleFont->lfHeight = s.LineHeight;
    }
    s.GraphicFontRecord = NewFontRecord();

    ConsoleLayout();
    return 1;
}

// The command line is the path of a file to open, or empty.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    if (!CreateAppWindows(instance, showCommand)) return 0;
    FrameworkState.InstanceHandle = instance;
    if (commandLine && *commandLine) StartOpenDialogsAt(commandLine);
    RunReconstruction();
    return 0;
}
