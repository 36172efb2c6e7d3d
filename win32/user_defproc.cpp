// The default window procedure, DefWindowProcA, and CallWindowProcA: what a window does
// with the messages its own procedure passes on.
#include <algorithm>

#include "win32/user_internal.h"

using namespace win32::user;

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    Window* w = find(hwnd);
    if (!w) return 0;
    switch (msg) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: {
        // Paints the class background brush into windows that keep pixels.
        uint32_t rgb = 0;
        if (w->cls && sys_colour_brush_colour(w->cls->background, &rgb)) {
            std::fill(w->pixels.begin(), w->pixels.end(), rgb);
            return 1;
        }
        return 0;
    }
    case WM_SYSKEYDOWN:
        // Alt+F4 asks the window to close, as the system menu would.
        if (wparam == VK_F4 && (static_cast<DWORD>(lparam) & (1u << 29)))
            send(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSCOMMAND:
        if ((wparam & 0xFFF0) == SC_CLOSE) send(hwnd, WM_CLOSE, 0, 0);
        return 0;
    default:
        return 0;
    }
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (!proc) return 0;
    return proc(hwnd, msg, wparam, lparam);
}
