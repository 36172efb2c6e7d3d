// Lumora is written against the Win32 API. On Windows that is <windows.h>; everywhere else
// it is our own subset in win32/. Nothing else in the library knows which one it got.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>
#else
#include "win32/windows.h"
#include "win32/windowsx.h"
#include "win32/commctrl.h"
#endif

// Windows' own GL header stops at OpenGL 1.1; the combiner and reflection-map enumerants of
// the refraction effect come from glext.h everywhere.
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
