// The subset's <commctrl.h>: the common controls the programs use, the status bar.
#pragma once

#include "win32/winuser.h"

// Common controls: status bar
#define SB_SETTEXTA (WM_USER + 1)
#define SB_SETPARTS (WM_USER + 4)

HWND CreateStatusWindowA(LONG style, LPCSTR lpszText, HWND hwndParent, UINT wID);
