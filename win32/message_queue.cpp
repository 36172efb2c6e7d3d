// The thread message queue, kept as Win32 keeps it.
//
// Sent messages go straight to the window procedure (there is one thread). Posted messages
// wait in the order they were posted. Mouse and key input waits apart, as the events the
// host reported, in the order they happened:
//  * mouse input joins this queue only if, as it happens, the mouse is captured or over one
//    of the program's windows; elsewhere it belongs to another program (the desktop);
//  * a move to where the cursor already is, over the same window, is no move;
//  * a move that follows another move with the same buttons and keys held, over the same
//    window, replaces it: a fast mouse never piles up moves;
//  * an event becomes a message only when it is taken: its window and client position are
//    those of the capture or of the window under the point at that moment, so the moves
//    behind a button-down go to the capture its handler sets.
// Paint and timer messages are made only when nothing else waits.
//
// GetMessageA and PeekMessageA take, in this order: posted messages, the quit message, input,
// WM_PAINT, WM_TIMER.
#include <algorithm>
#include <cstdlib>
#include <deque>

#include "win32/host.h"
#include "win32/internal.h"
#include "win32/user_internal.h"

namespace win32::user {
namespace {

// A mouse or key event as the host reported it.
struct InputEvent {
    enum class Kind { move, button, key };
    Kind kind = Kind::move;
    NativeSurface* surface = nullptr;  // the surface the host saw it on, if any
    HWND over = nullptr;               // mouse: the capture or the window under it as it happened
    POINT pt{};                        // screen point; keys: the cursor when it happened
    uint32_t time = 0;                 // tick count when it happened
    UINT message = 0;                  // WM_MOUSEMOVE, a button's down or up, a key message
    WPARAM wparam = 0;                 // mouse: the MK_ flags after the event; keys: the virtual key
    LPARAM key_data = 0;               // keys: repeat count, previous state, transition, Alt
};

struct Timer {
    HWND window = nullptr;
    UINT_PTR id = 0;
    UINT elapse = 0;
    uint32_t due = 0;  // tick count of the next WM_TIMER
    TIMERPROC proc = nullptr;
};

struct Queue {
    std::deque<MSG> posted;
    std::deque<InputEvent> input;
    std::vector<Timer> timers;
    std::deque<HWND> lost;  // top-level windows whose surface went away under the program
    UINT_PTR next_timer_id = 1;  // for timers without a window
    bool quit = false;
    int quit_code = 0;
    // Mouse buttons held (MK_LBUTTON, MK_RBUTTON, MK_MBUTTON) and modifier keys, as the
    // input stands when the latest event has happened.
    WPARAM buttons = 0;
    bool shift = false;
    bool control = false;
    POINT cursor{};
    HWND cursor_window = nullptr;  // the window the last mouse input went to as it happened
    bool keys[256] = {};
    // The last button press taken, for double clicks.
    HWND last_click_window = nullptr;
    UINT last_click_message = 0;
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

HWND const kNoWindowFilter = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

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
    if (filter == kNoWindowFilter) return msg_window == nullptr;
    for (Window* w = find(msg_window); w; w = find(w->parent))
        if (w->handle == filter) return true;
    return false;
}

bool in_range(UINT message, UINT lo, UINT hi) {
    if (lo == 0 && hi == 0) return true;
    if (lo > hi) return message >= lo || message <= hi;
    return message >= lo && message <= hi;
}

bool accepts(const MSG& m, HWND filter, UINT lo, UINT hi) {
    return belongs_to(m.hwnd, filter) && in_range(m.message, lo, hi);
}

// ---- input events into messages -------------------------------------------------------------

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

// The window a mouse event at a screen point goes to now: the capturing window when there
// is one, otherwise the deepest visible window under the point (child windows are hit-tested
// through their window regions). Points on a window frame go nowhere.
MouseTarget mouse_target(NativeSurface* surface, POINT pt) {
    MouseTarget t;
    if (HWND cap = GetCapture()) {
        if (Window* w = find(cap)) {
            const POINT o = client_origin_on_screen(*w);
            t.window = cap;
            t.client = {pt.x - o.x, pt.y - o.y};
            return t;
        }
    }
    bool in_client = false;
    POINT client{};
    HWND hit = nullptr;
    if (Window* top = surface_window(surface))
        hit = hit_test_in(top, pt.x, pt.y, &client, &in_client);
    else
        hit = hit_test(pt.x, pt.y, &client, &in_client);
    if (!hit || !in_client) return t;
    t.window = hit;
    t.client = client;
    return t;
}

// The window mouse input at a screen point goes to as it happens: the capture, or the window
// under the point (its frame too). None: the input belongs to another program.
HWND window_at_input(NativeSurface* surface, POINT pt) {
    if (HWND cap = GetCapture(); find(cap)) return cap;
    if (Window* top = surface_window(surface)) return hit_test_in(top, pt.x, pt.y, nullptr, nullptr);
    return hit_test(pt.x, pt.y, nullptr, nullptr);
}

// Keys go to the window with the focus, else to the window of the surface they came from,
// else to the foreground window.
HWND key_target(NativeSurface* surface) {
    if (HWND focus = GetFocus(); find(focus)) return focus;
    if (Window* w = surface_window(surface)) return w->handle;
    HWND foreground = GetForegroundWindow();
    return find(foreground) ? foreground : nullptr;
}

bool is_button_down(UINT message) {
    return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

// A second press of the same button on the same window, soon and near the first, is a
// double click for classes that ask for them (CS_DBLCLKS).
bool is_double_click(const InputEvent& e, HWND window) {
    const auto& q = queue();
    const Window* w = find(window);
    return w && w->cls && (w->cls->style & CS_DBLCLKS) && q.last_click_window == window &&
           q.last_click_message == e.message && e.time - q.last_click_time <= kDoubleClickTime &&
           std::abs(e.pt.x - q.last_click_pos.x) <= kDoubleClickSlop &&
           std::abs(e.pt.y - q.last_click_pos.y) <= kDoubleClickSlop;
}

// The message an input event makes if it is taken now; false when it goes to no window (a
// mouse event outside every client area with nothing capturing the mouse).
bool input_message(const InputEvent& e, MSG* out) {
    MSG m{};
    m.message = e.message;
    m.wParam = e.wparam;
    m.time = e.time;
    m.pt = e.pt;
    if (e.kind == InputEvent::Kind::key) {
        m.hwnd = key_target(e.surface);
        m.lParam = e.key_data;
    } else {
        const MouseTarget t = mouse_target(e.surface, e.pt);
        m.hwnd = t.window;
        m.lParam = MAKELPARAM(t.client.x, t.client.y);
        if (is_button_down(e.message) && t.window && is_double_click(e, t.window))
            m.message += WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
    }
    if (!m.hwnd) return false;
    *out = m;
    return true;
}

// What taking a mouse message does besides: the class cursor of the window under the mouse,
// the double-click record, and a press on another top-level window brings that one to the
// front. False when the press destroyed its window on the way.
bool take_mouse_message(const MSG& m) {
    auto& q = queue();
    if (m.message == WM_MOUSEMOVE) {
        if (!GetCapture()) track_cursor_over(find(m.hwnd));
        return true;
    }
    const bool double_click = m.message == WM_LBUTTONDBLCLK || m.message == WM_RBUTTONDBLCLK ||
                              m.message == WM_MBUTTONDOWN + (WM_LBUTTONDBLCLK - WM_LBUTTONDOWN);
    if (double_click) {
        q.last_click_window = nullptr;  // a double click starts no new one
    } else if (is_button_down(m.message)) {
        q.last_click_window = m.hwnd;
        q.last_click_message = m.message;
        q.last_click_time = m.time;
        q.last_click_pos = m.pt;
    } else {
        return true;
    }
    Window* top = top_level_of(find(m.hwnd));
    if (top && GetForegroundWindow() != top->handle) SetForegroundWindow(top->handle);
    return find(m.hwnd) != nullptr;
}

// The first input event that makes a message the filter accepts. Events that go to no
// window are dropped on the way.
bool next_input(MSG* out, HWND filter, UINT lo, UINT hi, bool remove) {
    auto& in = queue().input;
    for (size_t i = 0; i < in.size();) {
        MSG m;
        if (!input_message(in[i], &m)) {
            in.erase(in.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        if (!accepts(m, filter, lo, hi)) {
            ++i;
            continue;
        }
        if (!remove) {
            *out = m;
            return true;
        }
        const bool key = in[i].kind == InputEvent::Kind::key;
        in.erase(in.begin() + static_cast<std::ptrdiff_t>(i));
        if (!key && !take_mouse_message(m)) continue;
        *out = m;
        return true;
    }
    return false;
}

// Keeps an event for the thread. A move right after another move, with the same buttons and
// keys, over the same window, takes that one's place: one move waits, with the latest point
// and time.
void queue_input(const InputEvent& e) {
    auto& in = queue().input;
    if (e.kind == InputEvent::Kind::move && !in.empty()) {
        InputEvent& last = in.back();
        if (last.kind == InputEvent::Kind::move && last.wparam == e.wparam && last.over == e.over &&
            last.surface == e.surface) {
            last = e;
            return;
        }
    }
    in.push_back(e);
}

WPARAM mouse_flags() {
    const auto& q = queue();
    WPARAM f = q.buttons;
    if (q.shift) f |= MK_SHIFT;
    if (q.control) f |= MK_CONTROL;
    return f;
}

// Keeps a mouse event, with the buttons and keys held once it has happened.
void queue_mouse_event(InputEvent::Kind kind, NativeSurface* surface, HWND over, POINT pt, uint32_t time,
                       UINT message) {
    InputEvent e;
    e.kind = kind;
    e.surface = surface;
    e.over = over;
    e.pt = pt;
    e.time = time;
    e.message = message;
    e.wparam = mouse_flags();
    queue_input(e);
}

// ---- paint and timers -------------------------------------------------------------------------

bool next_paint(MSG* out, HWND filter) {
    for (HWND h : all_windows()) {
        Window* w = find(h);
        if (w && w->invalid && really_visible(*w) && belongs_to(h, filter)) {
            *out = make(h, WM_PAINT, 0, 0);
            return true;
        }
    }
    return false;
}

// The timer that has been due longest; taking its message starts its period again.
bool next_timer(MSG* out, HWND filter, bool remove) {
    auto& timers = queue().timers;
    const uint32_t now = host().tick_count();
    Timer* due = nullptr;
    for (Timer& t : timers) {
        const bool elapsed = static_cast<int32_t>(now - t.due) >= 0;
        if (elapsed && belongs_to(t.window, filter) &&
            (!due || static_cast<int32_t>(t.due - due->due) < 0))
            due = &t;
    }
    if (!due) return false;
    *out = make(due->window, WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->proc));
    if (remove) due->due = now + due->elapse;
    return true;
}

// Pumps the host, then destroys the windows whose surface it found gone: the window
// procedure gets WM_DESTROY as if the program had destroyed the window, and its loop ends
// as it would then. Done here, outside the host's pump, since the destruction calls the
// host again.
void pump_host() {
    host().pump();
    auto& lost = queue().lost;
    while (!lost.empty()) {
        const HWND window = lost.front();
        lost.pop_front();
        if (find(window)) DestroyWindow(window);
    }
}

// Finds the next message the filter accepts, in Win32's order.
bool next_message(MSG* out, HWND filter, UINT lo, UINT hi, bool remove) {
    auto& q = queue();
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (!accepts(*it, filter, lo, hi)) continue;
        *out = *it;
        if (remove) q.posted.erase(it);
        return true;
    }
    if (q.quit && in_range(WM_QUIT, lo, hi)) {
        *out = make(nullptr, WM_QUIT, static_cast<WPARAM>(q.quit_code), 0);
        if (remove) q.quit = false;
        return true;
    }
    if (next_input(out, filter, lo, hi, remove)) return true;
    if (in_range(WM_PAINT, lo, hi) && next_paint(out, filter)) return true;
    if (in_range(WM_TIMER, lo, hi) && next_timer(out, filter, remove)) return true;
    return false;
}

}  // namespace

void remove_queued_messages(HWND window) {
    auto& q = queue();
    q.posted.erase(std::remove_if(q.posted.begin(), q.posted.end(), [&](const MSG& m) { return m.hwnd == window; }),
                   q.posted.end());
    q.timers.erase(
        std::remove_if(q.timers.begin(), q.timers.end(), [&](const Timer& t) { return t.window == window; }),
        q.timers.end());
    // Input seen on the window's surface no longer names it: the surface goes with the window.
    if (Window* w = find(window); w && w->surface)
        for (InputEvent& e : q.input)
            if (e.surface == w->surface) e.surface = nullptr;
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
bool valid_filter(HWND hwnd) { return !hwnd || hwnd == kNoWindowFilter || find_or_fail(hwnd); }
}  // namespace

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT lo, UINT hi, UINT remove) {
    if (!msg || !valid_filter(hwnd)) return FALSE;
    pump_host();
    return next_message(msg, hwnd, lo, hi, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT lo, UINT hi) {
    if (!msg) return -1;
    if (!valid_filter(hwnd)) return -1;
    for (;;) {
        pump_host();
        if (next_message(msg, hwnd, lo, hi, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
        host().idle(2);
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
    if (!msg) return 0;
    // A timer with a procedure calls it instead of the window procedure.
    if (msg->message == WM_TIMER && msg->lParam) {
        reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, host().tick_count());
        return 0;
    }
    if (!msg->hwnd) return 0;
    if (!find_or_fail(msg->hwnd)) return 0;
    return send(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int code) {
    queue().quit = true;
    queue().quit_code = code;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    if (hwnd && !find_or_fail(hwnd)) return 0;
    auto& q = queue();
    elapse = std::clamp<UINT>(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    // A window's timer is known by its ID, and setting it again restarts it; a timer without
    // a window gets an ID of its own.
    if (!hwnd) id = q.next_timer_id++;
    auto same = [&](const Timer& t) { return t.window == hwnd && t.id == id; };
    q.timers.erase(std::remove_if(q.timers.begin(), q.timers.end(), same), q.timers.end());
    q.timers.push_back({hwnd, id, elapse, host().tick_count() + elapse, proc});
    return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    auto& timers = queue().timers;
    auto it = std::find_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.window == hwnd && t.id == id; });
    if (it == timers.end()) return FALSE;
    timers.erase(it);
    return TRUE;
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

void input_mouse_move(NativeSurface* surface, int sx, int sy, uint32_t time) {
    auto& q = queue();
    const HWND over = window_at_input(surface, {sx, sy});
    const bool moved = sx != q.cursor.x || sy != q.cursor.y || over != q.cursor_window;
    q.cursor = {sx, sy};
    q.cursor_window = over;
    if (!over || !moved) return;
    queue_mouse_event(InputEvent::Kind::move, surface, over, {sx, sy}, time, WM_MOUSEMOVE);
}

void input_mouse_button(NativeSurface* surface, MouseButton button, bool down, int sx, int sy, uint32_t time) {
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
    const HWND over = window_at_input(surface, {sx, sy});
    q.cursor_window = over;
    if (!over) return;
    queue_mouse_event(InputEvent::Kind::button, surface, over, {sx, sy}, time, message);
}

void input_key(NativeSurface* surface, UINT vk, bool down, bool repeat, bool alt_held, uint32_t time) {
    auto& q = queue();
    if (vk == VK_SHIFT || vk == VK_LSHIFT || vk == VK_RSHIFT) q.shift = down;
    if (vk == VK_CONTROL || vk == VK_LCONTROL || vk == VK_RCONTROL) q.control = down;
    const bool was_down = vk < 256 && q.keys[vk];
    if (vk < 256) q.keys[vk] = down;

    const bool alt_key = vk == VK_MENU || vk == VK_LMENU || vk == VK_RMENU;
    const bool system = alt_held || alt_key || vk == VK_F10;
    DWORD lp = 1;  // repeat count
    if (alt_held) lp |= 1u << 29;
    if (!down || repeat || was_down) lp |= 1u << 30;
    if (!down) lp |= 1u << 31;
    InputEvent e;
    e.kind = InputEvent::Kind::key;
    e.surface = surface;
    e.pt = q.cursor;
    e.time = time;
    e.message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    e.wparam = vk;
    e.key_data = static_cast<LPARAM>(lp);
    queue_input(e);
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
    if (Window* w = surface_window(surface)) queue().posted.push_back(make(w->handle, WM_CLOSE, 0, 0));
}

void input_destroyed(NativeSurface* surface) {
    if (Window* w = surface_window(surface)) queue().lost.push_back(w->handle);
}

}  // namespace win32

// ---- synthesised input -------------------------------------------------------------------------

namespace {

// MOUSEEVENTF_ABSOLUTE coordinates run from 0 to 65535 over the screen.
int absolute_to_pixel(LONG value, int screen) {
    return static_cast<int>((static_cast<int64_t>(value) * screen) >> 16);
}

void send_mouse_input(const MOUSEINPUT& mi, uint32_t time) {
    POINT& cursor = queue().cursor;
    if (mi.dwFlags & MOUSEEVENTF_MOVE) {
        POINT to{cursor.x + mi.dx, cursor.y + mi.dy};
        if (mi.dwFlags & MOUSEEVENTF_ABSOLUTE)
            to = {absolute_to_pixel(mi.dx, host().screen_width()), absolute_to_pixel(mi.dy, host().screen_height())};
        to.x = std::clamp<LONG>(to.x, 0, std::max(0, host().screen_width() - 1));
        to.y = std::clamp<LONG>(to.y, 0, std::max(0, host().screen_height() - 1));
        host().set_cursor_pos(to.x, to.y);
        input_mouse_move(nullptr, to.x, to.y, time);
    }
    const struct {
        DWORD flag;
        MouseButton button;
        bool down;
    } buttons[] = {
        {MOUSEEVENTF_LEFTDOWN, MouseButton::left, true},     {MOUSEEVENTF_LEFTUP, MouseButton::left, false},
        {MOUSEEVENTF_RIGHTDOWN, MouseButton::right, true},   {MOUSEEVENTF_RIGHTUP, MouseButton::right, false},
        {MOUSEEVENTF_MIDDLEDOWN, MouseButton::middle, true}, {MOUSEEVENTF_MIDDLEUP, MouseButton::middle, false},
    };
    for (const auto& b : buttons)
        if (mi.dwFlags & b.flag) input_mouse_button(nullptr, b.button, b.down, cursor.x, cursor.y, time);
}

void send_key_input(const KEYBDINPUT& ki, uint32_t time) {
    const bool down = !(ki.dwFlags & KEYEVENTF_KEYUP);
    const auto& keys = queue().keys;
    const bool alt = keys[VK_MENU] || keys[VK_LMENU] || keys[VK_RMENU] ||
                     (down && (ki.wVk == VK_MENU || ki.wVk == VK_LMENU || ki.wVk == VK_RMENU));
    input_key(nullptr, ki.wVk, down, false, alt, time);
}

}  // namespace

UINT SendInput(UINT count, LPINPUT inputs, int size) {
    if (!inputs || size != static_cast<int>(sizeof(INPUT))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    for (UINT i = 0; i < count; ++i) {
        const INPUT& in = inputs[i];
        switch (in.type) {
        case INPUT_MOUSE:
            send_mouse_input(in.mi, in.mi.time ? in.mi.time : host().tick_count());
            break;
        case INPUT_KEYBOARD:
            send_key_input(in.ki, in.ki.time ? in.ki.time : host().tick_count());
            break;
        default:
            break;
        }
    }
    return count;
}
