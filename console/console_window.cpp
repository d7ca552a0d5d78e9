// console_window.cpp - the console window: it shows the TextBuffer a page at
// a time with a vertical scroll bar, the line being typed with a blinking
// caret, and carries out the commands of the right-click menu.
//
// The console draws straight into the window (there is no back buffer):
// ConsoleRepaint erases the client area and draws the visible lines,
// InputEcho overdraws only the row of the current line.
#include "console/console_window.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console/text_print.h"
#include "console/text_save.h"
#include "console/text_scan.h"
#include "graphic/bmp_export.h"
#include "graphic/graphics_window.h"
#include "shared/framework_state.h"
#include "shared/message_notice.h"

namespace {

enum {
    RefreshTimerId = 1,
    RefreshIntervalMs = 500,
    EchoBufferBytes = 512,
};

// Creates the console font from the ConsoleFont record and selects it into
// `dc`; returns the font that was selected before (null when there is no
// record yet, before start-up has allocated it).
HGDIOBJ SelectConsoleFont(HDC dc) {
    FrameworkStateRecord& s = FrameworkState;
    if (!s.ConsoleFont) return nullptr;
    s.ConsoleFontHandle = CreateFontIndirectA(s.ConsoleFont);
    if (!s.ConsoleFontHandle) return nullptr;
    return SelectObject(dc, s.ConsoleFontHandle);
}

// Selects the previous font back and deletes the console font.
void ReleaseConsoleFont(HDC dc, HGDIOBJ previous) {
    FrameworkStateRecord& s = FrameworkState;
    if (!s.ConsoleFontHandle) return;
    if (previous) SelectObject(dc, previous);
    DeleteObject(s.ConsoleFontHandle);
    s.ConsoleFontHandle = nullptr;
}

void DrawLine(HDC dc, int entry, int y) {
    const char* text = FrameworkState.TextBuffer[entry];
    TextOutA(dc, 0, y, text, static_cast<int>(strnlen(text, TextLineLimit)));
}

void SetFontSize(int lineHeight) {
    FrameworkStateRecord& s = FrameworkState;
    s.LineHeight = lineHeight;
    if (s.ConsoleFont) s.ConsoleFont->lfHeight = lineHeight;
    ConsoleLayout();
    ConsoleRepaint();
}

void MenuCommand(int command) {
    FrameworkStateRecord& s = FrameworkState;
    switch (command) {
        case CommandTinySize: SetFontSize(9); break;
        case CommandSmallSize: SetFontSize(12); break;
        case CommandDefaultSize: SetFontSize(DefaultLineHeight); break;
        case CommandLargeSize: SetFontSize(30); break;
        case CommandHugeSize: SetFontSize(45); break;
        case CommandSaveTextBuffer: SaveTextBuffer(); break;
        case CommandSaveGraphic:
            if (s.GraphicShown) {
                SaveGraphicFile();
            } else {
                MessageNotice("Graphic window is not displayed.");
            }
            break;
        case CommandExit:
            if (MessageBoxA(s.ConsoleWindow, "\n End ? \n\n", "EXIT?", MB_OKCANCEL | MB_ICONQUESTION) != IDCANCEL) {
                DestroyWindow(s.ConsoleWindow);
            }
            break;
        default: break;
    }
}

void Scroll(WPARAM wParam) {
    FrameworkStateRecord& s = FrameworkState;
    const int oldTop = s.ScrollTop;
    s.InputEchoVisible = 0;
    int top;
    switch (LOWORD(wParam)) {
        case SB_LINEUP: top = s.ScrollTop - 1; break;
        case SB_LINEDOWN: top = s.ScrollTop + 1; break;
        case SB_PAGEUP: top = s.ScrollTop - s.LinesPerPage; break;
        case SB_PAGEDOWN: top = s.ScrollTop + s.LinesPerPage; break;
        case SB_ENDSCROLL: top = s.ScrollTop; break;
        default: top = HIWORD(wParam); break;  // thumb, top, bottom and unknown codes
    }
    if (top < 0) top = 0;
    s.ScrollTop = top;
    // At or past the last page: show the last page, and the typed line again.
    if (s.ScrollTop >= s.LineCount - s.LinesPerPage) {
        s.ScrollTop = s.LineCount - s.LinesPerPage;
        s.InputEchoVisible = 1;
    }
    if (s.ScrollTop != oldTop) ConsoleRepaint();
}

void TypedCharacter(WPARAM wParam) {
    FrameworkStateRecord& s = FrameworkState;
    if (s.InputWaiting != 1) return;  // nobody asks: the character is lost
    const int code = static_cast<int>(wParam & 0xFF);
    InputChar(code);
    if (code == VK_RETURN) {
        // The parser's echo has ended the line in the TextBuffer.
        ConsoleRepaint();
        return;
    }
    // Typing brings the last page back.
    if (s.ScrollTop < s.LineCount - s.LinesPerPage) {
        s.ScrollTop = s.LineCount - s.LinesPerPage;
        ConsoleRepaint();
    }
    s.InputEchoVisible = 1;
    InputEcho();
}

void OpenPopupMenu(LPARAM lParam) {
    FrameworkStateRecord& s = FrameworkState;
    POINT point;
    point.x = LOWORD(lParam);
    point.y = HIWORD(lParam);
    ClientToScreen(s.ConsoleWindow, &point);
    TrackPopupMenu(s.PopupMenu, TPM_CENTERALIGN | TPM_RIGHTBUTTON, point.x, point.y, 0, s.ConsoleWindow, nullptr);
}

// Frees what the console owns and ends the program; nothing is saved.
[[noreturn]] void EndProgram() {
    FrameworkStateRecord& s = FrameworkState;
    s.InputWaiting = 0;
    if (s.ConsoleFontHandle) DeleteObject(s.ConsoleFontHandle);
    if (s.ConsoleFont) {
        GlobalFree(GlobalHandle(s.ConsoleFont));
        s.ConsoleFont = nullptr;
    }
    if (s.GraphicFontRecord) {
        GlobalFree(GlobalHandle(s.GraphicFontRecord));
        s.GraphicFontRecord = nullptr;
    }
    ShowCursor(TRUE);
    KillTimer(s.ConsoleWindow, s.RefreshTimer);
    DestroyWindow(s.GraphicsWindow);
    PostQuitMessage(0);
    exit(0);
}

}  // namespace

void ConsoleLayout() {
    FrameworkStateRecord& s = FrameworkState;
    if (s.LineHeight < 2) return;
    RECT client;
    if (!GetClientRect(s.ConsoleWindow, &client)) return;
    s.LinesPerPage = (client.bottom - client.top) / s.LineHeight;
    if (s.LinesPerPage <= s.LineCount) {
        s.ScrollTop = s.LineCount - s.LinesPerPage;
    } else {
        s.ScrollTop = 0;
    }
}

void ConsoleRepaint() {
    FrameworkStateRecord& s = FrameworkState;
    if (!s.ConsoleWindow) return;
    HDC dc = GetDC(s.ConsoleWindow);
    if (!dc) return;
    SendMessageA(s.ConsoleWindow, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    HGDIOBJ previousFont = SelectConsoleFont(dc);

    SCROLLINFO bar = {};
    bar.cbSize = sizeof bar;
    bar.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    bar.nMin = 0;
    bar.nMax = s.LineCount - 1;
    bar.nPage = static_cast<UINT>(s.LinesPerPage < 0 ? 0 : s.LinesPerPage);
    bar.nPos = s.ScrollTop;
    SetScrollInfo(s.ConsoleWindow, SB_VERT, &bar, TRUE);

    if (s.LinesPerPage >= s.LineCount) {
        // Every line fits: draw them all, oldest first.
        for (int k = 0; k < s.LineCount; ++k) {
            const int y = s.LineHeight * k;
            DrawLine(dc, (s.OldestLine + k) % TextBufferLines, y);
            s.InputLineY = y;
        }
    } else {
        // One page from ScrollTop on. The modulo keeps a stray scroll
        // position inside the ring instead of reading beyond it.
        int entry = ((s.OldestLine + s.ScrollTop) % TextBufferLines + TextBufferLines) % TextBufferLines;
        for (int k = 0; k < s.LinesPerPage; ++k) {
            const int y = s.LineHeight * k;
            DrawLine(dc, entry, y);
            s.InputLineY = y;
            entry = entry + 1 == TextBufferLines ? 0 : entry + 1;
        }
    }
    ReleaseConsoleFont(dc, previousFont);

    const bool lastPage = s.ScrollTop == s.LineCount - s.LinesPerPage || s.LineCount < s.LinesPerPage;
    if (s.InputWaiting == 1 && lastPage) {
        s.InputEchoVisible = 1;
        InputEcho();
    }
    ReleaseDC(s.ConsoleWindow, dc);
}

void InputEcho() {
    FrameworkStateRecord& s = FrameworkState;
    if (s.InputEchoVisible == 0) return;
    if (!s.ConsoleWindow) return;
    HDC dc = GetDC(s.ConsoleWindow);
    if (!dc) return;
    HGDIOBJ previousFont = SelectConsoleFont(dc);

    // Prompt printed so far, the typed text, then the caret; the blanks of
    // the suffix wipe what a longer earlier echo left on the row.
    char text[EchoBufferBytes];
    const char* caret = s.CaretPhase == 1 ? "|   " : "    ";
    int length = snprintf(text, sizeof text, "%.*s%.*s%s", static_cast<int>(TextLineLimit), s.TextBuffer[s.CurrentLine],
                          static_cast<int>(InputLineBytes - 1), s.InputLine, caret);
    if (length < 0) length = 0;
    if (length >= static_cast<int>(sizeof text)) length = static_cast<int>(sizeof text) - 1;
    TextOutA(dc, 0, s.InputLineY, text, length);

    ReleaseConsoleFont(dc, previousFont);
    ReleaseDC(s.ConsoleWindow, dc);
}

LRESULT CALLBACK ConsoleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    FrameworkStateRecord& s = FrameworkState;
    switch (message) {
        case WM_CREATE:
            // The refresh timer belongs to the window; ConsoleWindow is not
            // yet stored while the window is being created.
            s.RefreshTimer = SetTimer(window, RefreshTimerId, RefreshIntervalMs, TimerTick);
            return 0;
        case WM_DESTROY: EndProgram();
        case WM_SIZE:
            ConsoleLayout();
            ConsoleRepaint();
            return 0;
        case WM_ACTIVATE: return 0;
        case WM_PAINT: {
            ConsoleRepaint();
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) DestroyWindow(s.ConsoleWindow);
            return 0;
        case WM_KEYUP: return 0;
        case WM_CHAR:
            if (s.InputWaiting == 1 && (wParam & 0xFF) == VK_RETURN) {
                TypedCharacter(wParam);
                return DefWindowProcA(window, message, wParam, lParam);
            }
            TypedCharacter(wParam);
            return 0;
        case WM_COMMAND: MenuCommand(LOWORD(wParam)); return 0;
        case WM_VSCROLL: Scroll(wParam); return 0;
        case WM_RBUTTONDOWN: OpenPopupMenu(lParam); return 0;
        default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

void CALLBACK TimerTick(HWND, UINT, UINT_PTR, DWORD) {
    FrameworkStateRecord& s = FrameworkState;
    GraphicTimerHalf();
    if (s.ConsoleDirty == 1) {
        s.ConsoleDirty = 0;
        ConsoleRepaint();
    }
    s.CaretPhase = s.CaretPhase == 0 ? 1 : 0;
    if (s.InputWaiting == 1) InputEcho();
}
