// The thread message queue, and the input that hosts feed into it.
#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <deque>
#include <thread>

#include "win32/host.h"
#include "win32/user_internal.h"

namespace win32::user {
namespace {

struct Queue {
    std::deque<MSG> posted;
    bool quit = false;
    int quit_code = 0;
    // Mouse buttons held (MK_LBUTTON, MK_RBUTTON, MK_MBUTTON) and modifier keys.
    WPARAM buttons = 0;
    bool shift = false;
    bool control = false;
    POINT cursor{};
    bool keys[256] = {};
    // The last button press, for double clicks.
    HWND last_click_window = nullptr;
    WPARAM last_click_button = 0;
    uint32_t last_click_time = 0;
    POINT last_click_pos{};
};

// Win32's defaults: GetDoubleClickTime and SM_CXDOUBLECLK / 2.
constexpr uint32_t kDoubleClickTime = 500;
constexpr int kDoubleClickSlop = 2;

Queue& queue() {
    static Queue q;
    return q;
}

MSG make(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    MSG m{};
    m.hwnd = hwnd;
    m.message = message;
    m.wParam = wparam;
    m.lParam = lparam;
    m.time = host().tick_count();
    m.pt = queue().cursor;
    return m;
}

bool belongs_to(HWND msg_window, HWND filter) {
    if (!filter) return true;
    if (filter == reinterpret_cast<HWND>(static_cast<intptr_t>(-1))) return msg_window == nullptr;
    for (Window* w = find(msg_window); w; w = find(w->parent))
        if (w->handle == filter) return true;
    return false;
}

bool in_range(UINT message, UINT lo, UINT hi) {
    if (lo == 0 && hi == 0) return true;
    if (lo > hi) return message >= lo || message <= hi;
    return message >= lo && message <= hi;
}

// Finds the next message the filter accepts: posted and input messages in arrival order,
// then the quit message, then a paint request for a window with an invalid region.
bool next_message(MSG* out, HWND filter, UINT lo, UINT hi, bool remove) {
    auto& q = queue();
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (!belongs_to(it->hwnd, filter) || !in_range(it->message, lo, hi)) continue;
        *out = *it;
        if (remove) q.posted.erase(it);
        return true;
    }
    if (q.quit && in_range(WM_QUIT, lo, hi)) {
        *out = make(nullptr, WM_QUIT, static_cast<WPARAM>(q.quit_code), 0);
        if (remove) q.quit = false;
        return true;
    }
    if (in_range(WM_PAINT, lo, hi)) {
        for (HWND h : all_windows()) {
            Window* w = find(h);
            if (w && w->invalid && really_visible(*w) && belongs_to(h, filter)) {
                *out = make(h, WM_PAINT, 0, 0);
                return true;
            }
        }
    }
    return false;
}

void post_input(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    queue().posted.push_back(make(hwnd, message, wparam, lparam));
}

WPARAM mouse_flags() {
    const auto& q = queue();
    WPARAM f = q.buttons;
    if (q.shift) f |= MK_SHIFT;
    if (q.control) f |= MK_CONTROL;
    return f;
}

LPARAM pack(int x, int y) { return MAKELPARAM(x, y); }

Window* surface_window(NativeSurface* surface) {
    if (!surface) return nullptr;
    for (HWND h : top_levels())
        if (Window* w = find(h); w && w->surface == surface) return w;
    return nullptr;
}

struct MouseTarget {
    HWND window = nullptr;
    POINT client{};
};

// The window a mouse event at a screen point goes to: the capturing window when there is
// one, otherwise the deepest visible window under the point (child windows are hit-tested
// through their window regions). Points on a window frame go nowhere.
MouseTarget mouse_target(NativeSurface* surface, int sx, int sy) {
    MouseTarget t;
    if (HWND cap = GetCapture()) {
        if (Window* w = find(cap)) {
            const POINT o = client_origin_on_screen(*w);
            t.window = cap;
            t.client = {sx - o.x, sy - o.y};
            return t;
        }
    }
    bool in_client = false;
    POINT client{};
    HWND hit = nullptr;
    if (Window* top = surface_window(surface))
        hit = hit_test_in(top, sx, sy, &client, &in_client);
    else
        hit = hit_test(sx, sy, &client, &in_client);
    if (!hit || !in_client) return t;
    t.window = hit;
    t.client = client;
    return t;
}

}  // namespace

void remove_queued_messages(HWND window) {
    auto& p = queue().posted;
    p.erase(std::remove_if(p.begin(), p.end(), [&](const MSG& m) { return m.hwnd == window; }), p.end());
}

}  // namespace win32::user

using namespace win32;
using namespace win32::user;

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (hwnd && !find_or_fail(hwnd)) return FALSE;
    queue().posted.push_back(make(hwnd, msg, wparam, lparam));
    return TRUE;
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (!find_or_fail(hwnd)) return 0;
    return send(hwnd, msg, wparam, lparam);
}

namespace {
// A message filter names no window, every window (-1: messages without a window), or a window
// that must exist.
bool valid_filter(HWND hwnd) {
    return !hwnd || hwnd == reinterpret_cast<HWND>(static_cast<intptr_t>(-1)) || find_or_fail(hwnd);
}
}  // namespace

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT lo, UINT hi, UINT remove) {
    if (!msg || !valid_filter(hwnd)) return FALSE;
    host().pump();
    return next_message(msg, hwnd, lo, hi, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT lo, UINT hi) {
    if (!msg) return -1;
    if (!valid_filter(hwnd)) return -1;
    for (;;) {
        host().pump();
        if (next_message(msg, hwnd, lo, hi, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg) return FALSE;
    switch (msg->message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !msg->hwnd) return 0;
    if (!find_or_fail(msg->hwnd)) return 0;
    return send(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int code) {
    queue().quit = true;
    queue().quit_code = code;
}

BOOL GetCursorPos(LPPOINT p) {
    if (!p) return FALSE;
    *p = host().cursor_pos();
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    queue().cursor = {x, y};
    host().set_cursor_pos(x, y);
    return TRUE;
}

// ---- input from the host ---------------------------------------------------------------------
namespace win32 {

void input_mouse_move(NativeSurface* surface, int sx, int sy) {
    queue().cursor = {sx, sy};
    const MouseTarget t = mouse_target(surface, sx, sy);
    if (!t.window) return;
    if (!GetCapture()) track_cursor_over(find(t.window));
    post_input(t.window, WM_MOUSEMOVE, mouse_flags(), pack(t.client.x, t.client.y));
}

void input_mouse_button(NativeSurface* surface, MouseButton button, bool down, int sx, int sy) {
    auto& q = queue();
    q.cursor = {sx, sy};
    WPARAM flag = MK_LBUTTON;
    UINT message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    switch (button) {
    case MouseButton::left:
        break;
    case MouseButton::right:
        flag = MK_RBUTTON;
        message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        break;
    case MouseButton::middle:
        flag = MK_MBUTTON;
        message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
        break;
    }
    if (down)
        q.buttons |= flag;
    else
        q.buttons &= ~flag;
    const MouseTarget t = mouse_target(surface, sx, sy);
    if (!t.window) return;
    Window* w = find(t.window);
    if (down) {
        // A second press of the same button on the same window, soon and near the first, is
        // a double click for classes that ask for them (CS_DBLCLKS).
        const uint32_t now = host().tick_count();
        const bool again = q.last_click_window == t.window && q.last_click_button == flag &&
                           now - q.last_click_time <= kDoubleClickTime &&
                           std::abs(sx - q.last_click_pos.x) <= kDoubleClickSlop &&
                           std::abs(sy - q.last_click_pos.y) <= kDoubleClickSlop;
        if (again && w->cls && (w->cls->style & CS_DBLCLKS)) {
            message += WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
            q.last_click_window = nullptr;
        } else {
            q.last_click_window = t.window;
            q.last_click_button = flag;
            q.last_click_time = now;
            q.last_click_pos = {sx, sy};
        }
        // Clicking a window of another top-level window brings that one to the front.
        Window* top = top_level_of(w);
        if (top && GetForegroundWindow() != top->handle) SetForegroundWindow(top->handle);
        if (!find(t.window)) return;
    }
    post_input(t.window, message, mouse_flags(), pack(t.client.x, t.client.y));
}

void input_key(NativeSurface* surface, UINT vk, bool down, bool repeat, bool alt_held) {
    auto& q = queue();
    if (vk == VK_SHIFT || vk == VK_LSHIFT || vk == VK_RSHIFT) q.shift = down;
    if (vk == VK_CONTROL || vk == VK_LCONTROL || vk == VK_RCONTROL) q.control = down;
    const bool was_down = vk < 256 && q.keys[vk];
    if (vk < 256) q.keys[vk] = down;

    HWND target = GetFocus();
    if (!find(target)) {
        Window* w = surface_window(surface);
        target = w ? w->handle : GetForegroundWindow();
    }
    if (!find(target)) return;

    const bool alt_key = vk == VK_MENU || vk == VK_LMENU || vk == VK_RMENU;
    const bool system = alt_held || alt_key || vk == VK_F10;
    DWORD lp = 1;  // repeat count
    if (alt_held) lp |= 1u << 29;
    if (!down || repeat || was_down) lp |= 1u << 30;
    if (!down) lp |= 1u << 31;
    UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    post_input(target, message, vk, static_cast<LPARAM>(lp));
}

void input_activate(NativeSurface* surface, bool active) {
    Window* w = surface_window(surface);
    if (!w) return;
    if (active)
        SetForegroundWindow(w->handle);
    else
        user::deactivate(w->handle);
}

void input_close(NativeSurface* surface) {
    if (Window* w = surface_window(surface)) post_input(w->handle, WM_CLOSE, 0, 0);
}

}  // namespace win32
