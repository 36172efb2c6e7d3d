// The Win32 subset this project runs on outside Windows: the real names, types, struct
// layouts, constant values and semantics of the calls Lumora and its programs make, in the
// platform's own headers. On Windows, <windows.h> takes this header's place (see
// lumora/Platform.h).
#pragma once

#include "win32/windef.h"
#include "win32/winbase.h"
#include "win32/wingdi.h"
#include "win32/winuser.h"
// The platform's windows.h leaves these two to the program; ours brings them as well. A
// program written for both includes them anyway, as lumora/Platform.h does.
#include "win32/commctrl.h"
#include "win32/windowsx.h"
