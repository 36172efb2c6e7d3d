// The status bar: a strip along the bottom of its parent (CreateStatusWindowA) that keeps
// its parts (SB_SETPARTS) and text (SB_SETTEXTA) and paints itself into the child window's
// pixels: the face colour, a darker line along its top and at each part's right edge.
#include "win32/controls.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "win32/internal.h"
#include "win32/windows.h"

namespace {

constexpr char kStatusBarClass[] = "msctls_statusbar32";
constexpr int kStatusBarHeight = 20;

struct StatusBar {
    std::vector<int> parts;  // right edge of each part, in client coordinates
    std::string text;
};

// The status bars alive, by window; an entry goes with the window's WM_NCDESTROY.
std::map<HWND, StatusBar>& status_bars() {
    static std::map<HWND, StatusBar> bars;
    return bars;
}

void paint(HWND hwnd) {
    const win32::internal::WindowPixels px = win32::internal::window_pixels(hwnd);
    if (!px.pixels) return;
    const int cw = px.width, ch = px.height;
    std::fill(px.pixels, px.pixels + static_cast<size_t>(cw) * ch, win32::internal::system_colour(COLOR_BTNFACE));
    const uint32_t edge = 0x00A0A0A0;
    for (int x = 0; x < cw; ++x) px.pixels[static_cast<size_t>(x)] = edge;
    for (int e : status_bars()[hwnd].parts)
        if (e > 0 && e < cw)
            for (int y = 2; y < ch - 2; ++y) px.pixels[static_cast<size_t>(y) * cw + e] = edge;
}

LRESULT CALLBACK status_bar_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (!IsWindow(hwnd)) return 0;
    switch (msg) {
    case SB_SETPARTS: {
        const int count = static_cast<int>(wparam);
        if (count < 0 || count > 256 || (count > 0 && lparam == 0)) return FALSE;
        const int* edges = reinterpret_cast<const int*>(lparam);
        status_bars()[hwnd].parts.assign(edges, edges + count);
        InvalidateRect(hwnd, nullptr, FALSE);
        return TRUE;
    }
    case SB_SETTEXTA:
        status_bars()[hwnd].text = lparam ? reinterpret_cast<const char*>(lparam) : "";
        InvalidateRect(hwnd, nullptr, FALSE);
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        if (IsWindow(hwnd)) paint(hwnd);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_NCDESTROY:
        status_bars().erase(hwnd);
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    default:
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
}

}  // namespace

namespace win32::commctrl {

void register_classes() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = status_bar_proc;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kStatusBarClass;
    RegisterClassExA(&wc);
}

}  // namespace win32::commctrl

HWND CreateStatusWindowA(LONG style, LPCSTR text, HWND parent, UINT id) {
    RECT client;
    if (!GetClientRect(parent, &client)) return nullptr;
    const int pw = client.right, ph = client.bottom;
    HWND h = CreateWindowExA(0, kStatusBarClass, text, static_cast<DWORD>(style) | WS_CHILD, 0,
                             std::max(0, ph - kStatusBarHeight), pw, std::min(kStatusBarHeight, ph), parent,
                             reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr, nullptr);
    if (h && IsWindow(h)) status_bars()[h].text = text ? text : "";
    return h;
}
