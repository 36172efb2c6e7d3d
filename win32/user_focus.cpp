// Focus, activation and capture: the keyboard focus and its messages, the foreground
// window, mouse capture, and what each does when its window is hidden or goes away.
#include "win32/host.h"
#include "win32/internal.h"
#include "win32/user_internal.h"

namespace win32::user {
namespace {

struct Focus {
    HWND capture = nullptr;
    HWND focus = nullptr;
    HWND foreground = nullptr;
};

Focus& focus() {
    static Focus f;
    return f;
}

// Sets the focus without checks; sends WM_KILLFOCUS / WM_SETFOCUS like Win32.
HWND change_focus(HWND to) {
    auto& s = focus();
    HWND old = s.focus;
    if (old == to) return old;
    s.focus = to;
    if (old && find(old)) send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(to), 0);
    if (to && find(to) && s.focus == to) send(to, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

}  // namespace

void activate(Window& w) {
    auto& s = focus();
    raise_top_level(w.handle);
    s.foreground = w.handle;
    if (w.surface) host().focus_surface(w.surface);
    if (!s.focus || !is_descendant_or_self(s.focus, w.handle)) change_focus(w.handle);
}

void forget_window(HWND window) {
    auto& s = focus();
    if (s.capture == window) {
        s.capture = nullptr;
        host().capture_mouse(false);
    }
    if (s.focus == window) s.focus = nullptr;
    if (s.foreground == window) s.foreground = nullptr;
}

void deactivate(HWND window) {
    auto& s = focus();
    if (s.foreground != window) return;
    s.foreground = nullptr;
    if (s.focus && is_descendant_or_self(s.focus, window)) change_focus(nullptr);
}

void leave_before_destroy(HWND window) {
    auto& s = focus();
    if (s.capture && is_descendant_or_self(s.capture, window)) {
        HWND old = s.capture;
        s.capture = nullptr;
        host().capture_mouse(false);
        send(old, WM_CAPTURECHANGED, 0, 0);
    }
    if (s.focus && is_descendant_or_self(s.focus, window)) s.focus = nullptr;
}

void lose_foreground(HWND window) {
    auto& s = focus();
    if (s.foreground == window) s.foreground = nullptr;
}

}  // namespace win32::user

using namespace win32;
using namespace win32::user;

HWND GetForegroundWindow(void) { return focus().foreground; }

BOOL SetForegroundWindow(HWND hwnd) {
    Window* w = top_level_of(find(hwnd));
    if (!w) return FALSE;
    activate(*w);
    return TRUE;
}

HWND SetFocus(HWND hwnd) {
    if (hwnd && !find_or_fail(hwnd)) return nullptr;
    return change_focus(hwnd);
}

HWND GetFocus(void) { return focus().focus; }

HWND SetCapture(HWND hwnd) {
    auto& s = focus();
    HWND old = s.capture;
    if (!find(hwnd)) return old;
    s.capture = hwnd;
    host().capture_mouse(true);
    if (old && old != hwnd) send(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    return old;
}

BOOL ReleaseCapture(void) {
    auto& s = focus();
    HWND old = s.capture;
    if (!old) return TRUE;
    s.capture = nullptr;
    host().capture_mouse(false);
    send(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture(void) { return focus().capture; }
