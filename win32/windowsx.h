// The message crackers of <windowsx.h> the programs use: a mouse message's client position,
// each coordinate a signed 16-bit value (negative left of or above the client area while
// the mouse is captured).
#pragma once

#include "win32/windef.h"

#define GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))
