// app_shell.h - start-up: the two windows, the pop-up menu and the first
// values of the console fields.
#pragma once

#include "console/console_window.h"
#include "platform/win32.h"

// Registers both classes, creates the console (shown, centred) and the
// graphics window (hidden at 100, 20), builds the pop-up menu and sets the
// console's first values. 1 on success, 0 when a window cannot be created.
int CreateAppWindows(HINSTANCE instance, int showCommand);

// One item of the console's pop-up menu, in the order of insertion.
struct PopupMenuItem {
    UINT flags;        // MF_STRING or MF_SEPARATOR
    UINT_PTR command;  // the WM_COMMAND identifier (999 for the separators)
    const char* text;
};
enum { PopupMenuItemCount = 10 };
extern const PopupMenuItem PopupMenuItems[PopupMenuItemCount];
