// Windows: creation and destruction, the tree (parents, owners, children, the z-order of
// top-level windows), visibility and style, titles, control IDs.
#include <algorithm>
#include <cstring>
#include <map>

#include "win32/host.h"
#include "win32/internal.h"
#include "win32/user_internal.h"

namespace win32::user {
namespace {

struct Windows {
    std::map<uintptr_t, std::unique_ptr<Window>> windows;
    std::vector<HWND> creation_order;
    std::vector<HWND> top_levels;  // bottom first
    uintptr_t next_handle = 0x00010010;
};

Windows& windows() {
    static Windows w;
    return w;
}

// WM_DESTROY goes to the window first, then to its children.
void send_destroy(HWND h) {
    send(h, WM_DESTROY, 0, 0);
    Window* w = find(h);
    if (!w) return;
    const std::vector<HWND> kids = w->children;
    for (HWND c : kids)
        if (Window* cw = find(c)) {
            cw->destroying = true;
            send_destroy(c);
        }
}

// Frees the children first, then the window; WM_NCDESTROY is the last message each gets.
void free_window(HWND h) {
    auto& s = windows();
    Window* w = find(h);
    if (!w) return;
    const std::vector<HWND> kids = w->children;
    for (HWND c : kids) free_window(c);
    w = find(h);
    if (!w) return;
    send(h, WM_NCDESTROY, 0, 0);
    w = find(h);
    if (!w) return;
    forget_window(h);
    remove_queued_messages(h);
    if (w->region) {
        internal::delete_region(w->region);
        w->region = nullptr;
    }
    if (w->surface) {
        host().destroy_surface(w->surface);
        w->surface = nullptr;
    }
    if (Window* p = find(w->parent)) {
        auto& pc = p->children;
        pc.erase(std::remove(pc.begin(), pc.end(), h), pc.end());
    }
    auto& tl = s.top_levels;
    tl.erase(std::remove(tl.begin(), tl.end(), h), tl.end());
    auto& co = s.creation_order;
    co.erase(std::remove(co.begin(), co.end(), h), co.end());
    if (w->cls) --w->cls->windows;
    s.windows.erase(reinterpret_cast<uintptr_t>(h));
}

}  // namespace

Window* find(HWND window) {
    if (!window) return nullptr;
    auto& ws = windows().windows;
    auto it = ws.find(reinterpret_cast<uintptr_t>(window));
    return it == ws.end() ? nullptr : it->second.get();
}

Window* find_or_fail(HWND window) {
    Window* w = find(window);
    if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

bool is_child_window(const Window& w) { return (w.style & WS_CHILD) != 0; }

bool is_descendant_or_self(HWND window, HWND ancestor) {
    for (Window* w = find(window); w; w = find(w->parent))
        if (w->handle == ancestor) return true;
    return false;
}

bool really_visible(const Window& w) {
    for (const Window* p = &w; p; p = find(p->parent))
        if (!(p->style & WS_VISIBLE)) return false;
    return true;
}

Window* top_level_of(Window* w) {
    while (w && is_child_window(*w)) w = find(w->parent);
    return w;
}

const std::vector<HWND>& top_levels() { return windows().top_levels; }

std::vector<HWND> all_windows() { return windows().creation_order; }

void raise_top_level(HWND window) {
    auto& tl = windows().top_levels;
    auto it = std::find(tl.begin(), tl.end(), window);
    if (it != tl.end()) {
        tl.erase(it);
        tl.push_back(window);
    }
}

LRESULT send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    Window* w = find(window);
    if (!w || !w->proc) return 0;
    return w->proc(window, message, wparam, lparam);
}

}  // namespace win32::user

using namespace win32;
using namespace win32::user;

namespace win32::internal {
bool is_window(HWND window) { return find(window) != nullptr; }
}  // namespace win32::internal

HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    register_builtin_classes();
    auto& s = windows();
    auto cls = find_class(class_name);
    if (!cls) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    const bool child = (style & WS_CHILD) != 0;
    if (child && !parent) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    if (parent && !find_or_fail(parent)) return nullptr;

    const bool popup = (style & WS_POPUP) != 0;
    if (x == CW_USEDEFAULT) {
        x = 0;
        y = 0;
    }
    if (width == CW_USEDEFAULT) {
        if (child || popup) {
            width = 0;
            height = 0;
        } else {
            width = host().screen_width() * 3 / 4;
            height = host().screen_height() * 3 / 4;
        }
    }
    width = std::max(width, 0);
    height = std::max(height, 0);

    auto w = std::make_unique<Window>();
    HWND h = reinterpret_cast<HWND>(s.next_handle);
    s.next_handle += 4;
    w->handle = h;
    w->cls = cls;
    w->proc = cls->proc;
    w->style = style & ~static_cast<DWORD>(WS_VISIBLE);  // shown after WM_CREATE
    w->ex_style = ex_style;
    w->instance = instance;
    const int64_t right = static_cast<int64_t>(x) + width, bottom = static_cast<int64_t>(y) + height;
    w->rect = {x, y, static_cast<LONG>(std::min<int64_t>(right, INT32_MAX)),
               static_cast<LONG>(std::min<int64_t>(bottom, INT32_MAX))};
    if (window_name) w->title = window_name;
    if (child) {
        w->parent = parent;
        w->id = static_cast<int>(reinterpret_cast<intptr_t>(menu));
    } else {
        w->owner = parent;
    }
    Window* raw = w.get();
    s.windows[reinterpret_cast<uintptr_t>(h)] = std::move(w);
    s.creation_order.push_back(h);
    ++cls->windows;
    if (child) {
        find(parent)->children.push_back(h);
        resize_pixels(*raw);
    } else {
        s.top_levels.push_back(h);
        raw->surface = host().create_surface(surface_desc(*raw));
        if (!raw->surface) {
            internal::report_host_failure("CreateWindowExA", ERROR_NOT_ENOUGH_MEMORY);
            free_window(h);
            return nullptr;
        }
    }

    CREATESTRUCTA cs{};
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parent;
    cs.cy = height;
    cs.cx = width;
    cs.y = y;
    cs.x = x;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = window_name;
    cs.lpszClass = class_name;
    cs.dwExStyle = ex_style;
    if (!send(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        free_window(h);
        return nullptr;
    }
    if (!find(h)) return nullptr;
    if (send(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(h);
        return nullptr;
    }
    Window* made = find(h);
    if (!made) return nullptr;
    send_size_move(*made);
    if ((style & WS_VISIBLE) && find(h)) ShowWindow(h, SW_SHOW);
    return find(h) ? h : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
    Window* w = find_or_fail(hwnd);
    if (!w || w->destroying) return FALSE;
    w->destroying = true;
    // Owned windows go first.
    for (HWND other : all_windows())
        if (Window* o = find(other); o && o->owner == hwnd && !o->destroying) DestroyWindow(other);
    if (Window* again = find(hwnd); again && (again->style & WS_VISIBLE)) {
        again->style &= ~static_cast<DWORD>(WS_VISIBLE);
        if (again->surface) host().show_surface(again->surface, false);
    }
    leave_before_destroy(hwnd);
    send_destroy(hwnd);
    free_window(hwnd);
    return TRUE;
}

BOOL IsWindow(HWND hwnd) { return find(hwnd) ? TRUE : FALSE; }

BOOL IsWindowVisible(HWND hwnd) {
    Window* w = find(hwnd);
    return w && really_visible(*w) ? TRUE : FALSE;
}

BOOL ShowWindow(HWND hwnd, int cmd) {
    Window* w = find_or_fail(hwnd);
    if (!w) return FALSE;
    const bool was = (w->style & WS_VISIBLE) != 0;
    const bool show = cmd != SW_HIDE;
    if (show != was) {
        if (show)
            w->style |= WS_VISIBLE;
        else
            w->style &= ~static_cast<DWORD>(WS_VISIBLE);
        if (w->surface) host().show_surface(w->surface, show);
        send(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        w = find(hwnd);
        if (!w) return was;
        if (show) invalidate_tree(*w, true);
    }
    // Showing a top-level window activates it unless asked not to (SW_SHOWNOACTIVATE,
    // SW_SHOWMINNOACTIVE, SW_SHOWNA).
    if (show && !is_child_window(*w) && cmd != 4 && cmd != 7 && cmd != 8) activate(*w);
    if (!show) lose_foreground(hwnd);
    return was ? TRUE : FALSE;
}

HWND GetParent(HWND hwnd) {
    Window* w = find_or_fail(hwnd);
    if (!w) return nullptr;
    if (is_child_window(*w)) return w->parent;
    return (w->style & WS_POPUP) ? w->owner : nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
    Window* w = find_or_fail(hwnd);
    return w && is_child_window(*w) ? w->id : 0;
}

HWND GetDlgItem(HWND dialog, int id) {
    Window* w = find_or_fail(dialog);
    if (!w) return nullptr;
    for (HWND c : w->children)
        if (Window* cw = find(c); cw && cw->id == id) return c;
    return nullptr;
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
    Window* w = find_or_fail(hwnd);
    if (!w) return FALSE;
    w->title = text ? text : "";
    if (w->surface) host().set_title(w->surface, w->title);
    return TRUE;
}

int GetWindowTextA(HWND hwnd, LPSTR buffer, int max_count) {
    Window* w = find_or_fail(hwnd);
    if (!w || !buffer || max_count <= 0) return 0;
    const size_t n = std::min(w->title.size(), static_cast<size_t>(max_count - 1));
    std::memcpy(buffer, w->title.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}
