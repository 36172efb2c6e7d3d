// Window classes, windows and their tree, geometry, properties, window regions, painting,
// capture and focus.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

#include "win32/controls.h"
#include "win32/host.h"
#include "win32/internal.h"
#include "win32/user_internal.h"

namespace win32::user {
namespace {

// Frame metrics: a caption puts the client origin at (3, 19) of the outer rectangle with
// 3-pixel borders; a plain border is one pixel wide.
constexpr int kFrame = 3;
constexpr int kCaptionTop = 19;

std::string lower(const char* s) {
    std::string out;
    for (; *s; ++s) out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(*s))));
    return out;
}

struct State {
    std::map<std::string, std::shared_ptr<WindowClass>> classes;  // by lower-case name
    ATOM next_atom = 0xC000;
    std::map<uintptr_t, std::unique_ptr<Window>> windows;
    std::vector<HWND> creation_order;
    std::vector<HWND> top_levels;  // bottom first
    uintptr_t next_handle = 0x00010010;
    HWND capture = nullptr;
    HWND focus = nullptr;
    HWND foreground = nullptr;
    bool builtins = false;
};

State& state() {
    static State s;
    return s;
}

std::shared_ptr<WindowClass> find_class(LPCSTR name) {
    if (!name) return nullptr;
    auto& s = state();
    if (IS_INTRESOURCE(name)) {
        const ATOM atom = static_cast<ATOM>(reinterpret_cast<uintptr_t>(name));
        for (auto& [key, cls] : s.classes)
            if (cls->atom == atom) return cls;
        return nullptr;
    }
    auto it = s.classes.find(lower(name));
    return it == s.classes.end() ? nullptr : it->second;
}

ATOM register_class(const WNDCLASSEXA& wc) {
    if (!wc.lpszClassName || !wc.lpfnWndProc) return 0;
    if (IS_INTRESOURCE(wc.lpszClassName)) return 0;
    if (wc.cbClsExtra < 0 || wc.cbWndExtra < 0) return 0;
    register_builtin_classes();
    auto& s = state();
    const std::string key = lower(wc.lpszClassName);
    if (key.empty()) return 0;
    if (s.classes.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    if (s.next_atom == 0xFFFF) return 0;
    auto cls = std::make_shared<WindowClass>();
    cls->atom = s.next_atom++;
    cls->name = wc.lpszClassName;
    cls->style = wc.style;
    cls->proc = wc.lpfnWndProc;
    cls->class_extra = wc.cbClsExtra;
    cls->window_extra = wc.cbWndExtra;
    cls->instance = wc.hInstance;
    cls->icon = wc.hIcon;
    cls->icon_small = wc.hIconSm;
    cls->cursor = wc.hCursor;
    cls->background = wc.hbrBackground;
    if (wc.lpszMenuName) {
        cls->has_menu_name = true;
        if (!IS_INTRESOURCE(wc.lpszMenuName)) cls->menu_name = wc.lpszMenuName;
    }
    s.classes[key] = cls;
    return cls->atom;
}

void resize_pixels(Window& w) {
    const int cw = client_width(w), ch = client_height(w);
    if (cw == w.pixel_width && ch == w.pixel_height) return;
    std::vector<uint32_t> fresh(static_cast<size_t>(cw) * static_cast<size_t>(ch), 0);
    const int keep_w = std::min(cw, w.pixel_width), keep_h = std::min(ch, w.pixel_height);
    for (int y = 0; y < keep_h; ++y)
        std::memcpy(&fresh[static_cast<size_t>(y) * cw], &w.pixels[static_cast<size_t>(y) * w.pixel_width],
                    static_cast<size_t>(keep_w) * sizeof(uint32_t));
    w.pixels.swap(fresh);
    w.pixel_width = cw;
    w.pixel_height = ch;
}

SurfaceDesc surface_desc(const Window& w) {
    SurfaceDesc d;
    d.window = w.handle;
    d.outer = w.rect;
    const RECT in = frame_insets(w.style);
    d.client = {w.rect.left + in.left, w.rect.top + in.top, w.rect.right - in.right, w.rect.bottom - in.bottom};
    if (d.client.right < d.client.left) d.client.right = d.client.left;
    if (d.client.bottom < d.client.top) d.client.bottom = d.client.top;
    d.title = w.title;
    d.decorated = (w.style & WS_CAPTION) == WS_CAPTION;
    return d;
}

void invalidate_all(Window& w, bool erase) {
    const int cw = client_width(w), ch = client_height(w);
    if (cw <= 0 || ch <= 0) return;
    w.invalid = true;
    w.erase = w.erase || erase;
    w.update = {0, 0, cw, ch};
}

void invalidate_tree(Window& w, bool erase) {
    invalidate_all(w, erase);
    for (HWND c : w.children)
        if (Window* cw = find(c)) invalidate_tree(*cw, erase);
}

bool is_descendant_or_self(HWND window, HWND ancestor) {
    for (Window* w = find(window); w; w = find(w->parent))
        if (w->handle == ancestor) return true;
    return false;
}

// Sets the focus without checks; sends WM_KILLFOCUS / WM_SETFOCUS like Win32.
HWND change_focus(HWND to) {
    auto& s = state();
    HWND old = s.focus;
    if (old == to) return old;
    s.focus = to;
    if (old && find(old)) send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(to), 0);
    if (to && find(to) && s.focus == to) send(to, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

void activate(Window& w) {
    auto& s = state();
    auto& tl = s.top_levels;
    auto it = std::find(tl.begin(), tl.end(), w.handle);
    if (it != tl.end()) {
        tl.erase(it);
        tl.push_back(w.handle);
    }
    s.foreground = w.handle;
    if (w.surface) host().focus_surface(w.surface);
    if (!s.focus || !is_descendant_or_self(s.focus, w.handle)) change_focus(w.handle);
}

void send_size_move(Window& w) {
    HWND h = w.handle;
    const int cw = client_width(w), ch = client_height(w);
    send(h, WM_SIZE, 0, MAKELPARAM(cw, ch));
    Window* again = find(h);
    if (!again) return;
    const RECT in = frame_insets(again->style);
    send(h, WM_MOVE, 0, MAKELPARAM(again->rect.left + in.left, again->rect.top + in.top));
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
    auto& s = state();
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

std::string prop_key(LPCSTR name) {
    if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<uintptr_t>(name));
    return lower(name);
}

}  // namespace

Window* find(HWND window) {
    if (!window) return nullptr;
    auto& ws = state().windows;
    auto it = ws.find(reinterpret_cast<uintptr_t>(window));
    return it == ws.end() ? nullptr : it->second.get();
}

Window* find_or_fail(HWND window) {
    Window* w = find(window);
    if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

bool is_child_window(const Window& w) { return (w.style & WS_CHILD) != 0; }

RECT frame_insets(DWORD style) {
    if ((style & WS_CAPTION) == WS_CAPTION) return {kFrame, kCaptionTop, kFrame, kFrame};
    if (style & WS_BORDER) return {1, 1, 1, 1};
    return {0, 0, 0, 0};
}

int client_width(const Window& w) {
    const RECT in = frame_insets(w.style);
    return std::max(0, (w.rect.right - w.rect.left) - in.left - in.right);
}

int client_height(const Window& w) {
    const RECT in = frame_insets(w.style);
    return std::max(0, (w.rect.bottom - w.rect.top) - in.top - in.bottom);
}

POINT outer_origin_on_screen(const Window& w) {
    POINT p{w.rect.left, w.rect.top};
    if (is_child_window(w))
        if (Window* parent = find(w.parent)) {
            const POINT o = client_origin_on_screen(*parent);
            p.x += o.x;
            p.y += o.y;
        }
    return p;
}

POINT client_origin_on_screen(const Window& w) {
    POINT p = outer_origin_on_screen(w);
    const RECT in = frame_insets(w.style);
    return {p.x + in.left, p.y + in.top};
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

const std::vector<HWND>& top_levels() { return state().top_levels; }

std::vector<HWND> all_windows() { return state().creation_order; }

LRESULT send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    Window* w = find(window);
    if (!w || !w->proc) return 0;
    return w->proc(window, message, wparam, lparam);
}

void forget_window(HWND window) {
    auto& s = state();
    if (s.capture == window) {
        s.capture = nullptr;
        host().capture_mouse(false);
    }
    if (s.focus == window) s.focus = nullptr;
    if (s.foreground == window) s.foreground = nullptr;
}

void deactivate(HWND window) {
    auto& s = state();
    if (s.foreground != window) return;
    s.foreground = nullptr;
    if (s.focus && is_descendant_or_self(s.focus, window)) change_focus(nullptr);
}

void track_cursor_over(Window* w) {
    if (!w || !w->cls || !w->cls->cursor) return;
    SetCursor(w->cls->cursor);
}

HWND hit_test_in(Window* top, int sx, int sy, POINT* client, bool* in_client) {
    if (!top || !really_visible(*top)) return nullptr;
    const POINT o = outer_origin_on_screen(*top);
    const int ox = sx - o.x, oy = sy - o.y;
    const int w = top->rect.right - top->rect.left, h = top->rect.bottom - top->rect.top;
    if (ox < 0 || oy < 0 || ox >= w || oy >= h) return nullptr;
    if (top->region && !internal::region_contains(top->region, ox, oy)) return nullptr;
    const POINT co = client_origin_on_screen(*top);
    const int cx = sx - co.x, cy = sy - co.y;
    const bool inside = cx >= 0 && cy >= 0 && cx < client_width(*top) && cy < client_height(*top);
    if (inside) {
        for (auto it = top->children.rbegin(); it != top->children.rend(); ++it) {
            Window* c = find(*it);
            if (!c || !(c->style & WS_VISIBLE)) continue;
            if (HWND hit = hit_test_in(c, sx, sy, client, in_client)) return hit;
        }
    }
    if (client) *client = {cx, cy};
    if (in_client) *in_client = inside;
    return top->handle;
}

HWND hit_test(int sx, int sy, POINT* client, bool* in_client) {
    const auto tl = state().top_levels;
    for (auto it = tl.rbegin(); it != tl.rend(); ++it)
        if (HWND hit = hit_test_in(find(*it), sx, sy, client, in_client)) return hit;
    return nullptr;
}

namespace {
void collect_child_overlays(const Window& w, int base_x, int base_y, std::vector<Overlay>& overlays,
                            std::vector<std::vector<uint8_t>>& masks) {
    for (HWND ch : w.children) {
        Window* c = find(ch);
        if (!c || !(c->style & WS_VISIBLE)) continue;
        const RECT in = frame_insets(c->style);
        const int x = base_x + c->rect.left + in.left, y = base_y + c->rect.top + in.top;
        if (c->pixel_width > 0 && c->pixel_height > 0 &&
            c->pixels.size() == static_cast<size_t>(c->pixel_width) * c->pixel_height) {
            Overlay ov;
            ov.x = x;
            ov.y = y;
            ov.width = c->pixel_width;
            ov.height = c->pixel_height;
            ov.pixels = c->pixels.data();
            std::vector<uint8_t> mask(static_cast<size_t>(ov.width) * ov.height, 0xFF);
            if (c->region) {
                const int outer_w = c->rect.right - c->rect.left, outer_h = c->rect.bottom - c->rect.top;
                std::vector<uint8_t> full;
                if (internal::region_mask(c->region, outer_w, outer_h, full) &&
                    full.size() == static_cast<size_t>(outer_w) * outer_h) {
                    for (int yy = 0; yy < ov.height; ++yy)
                        for (int xx = 0; xx < ov.width; ++xx) {
                            const int fx = xx + in.left, fy = yy + in.top;
                            mask[static_cast<size_t>(yy) * ov.width + xx] =
                                (fx < outer_w && fy < outer_h) ? full[static_cast<size_t>(fy) * outer_w + fx] : 0;
                        }
                } else {
                    std::fill(mask.begin(), mask.end(), 0);
                }
            }
            masks.push_back(std::move(mask));
            ov.mask = masks.back().data();
            overlays.push_back(ov);
        }
        collect_child_overlays(*c, x, y, overlays, masks);
    }
}
}  // namespace

void collect_overlays(const Window& top, std::vector<Overlay>& overlays, std::vector<std::vector<uint8_t>>& masks) {
    overlays.clear();
    masks.clear();
    // Reserve so that the mask pointers stay valid while the vector grows.
    size_t count = 0;
    std::vector<const Window*> stack{&top};
    while (!stack.empty()) {
        const Window* w = stack.back();
        stack.pop_back();
        for (HWND c : w->children)
            if (Window* cw = find(c)) {
                ++count;
                stack.push_back(cw);
            }
    }
    masks.reserve(count);
    collect_child_overlays(top, 0, 0, overlays, masks);
}

void register_builtin_classes() {
    auto& s = state();
    if (s.builtins) return;
    s.builtins = true;
    commctrl::register_classes();
}

}  // namespace win32::user

using namespace win32;
using namespace win32::user;

// ---- internal interface for gdi ------------------------------------------------------------
namespace win32::internal {

WindowPixels window_pixels(HWND window) {
    Window* w = find(window);
    if (!w || !is_child_window(*w)) return {};
    resize_pixels(*w);
    if (w->pixels.empty()) return {nullptr, 0, 0};
    return {w->pixels.data(), w->pixel_width, w->pixel_height};
}

bool is_window(HWND window) { return find(window) != nullptr; }

}  // namespace win32::internal

// ---- classes ---------------------------------------------------------------------------------
ATOM RegisterClassA(const WNDCLASSA* wc) {
    if (!wc) return 0;
    WNDCLASSEXA ex{};
    ex.cbSize = sizeof(ex);
    ex.style = wc->style;
    ex.lpfnWndProc = wc->lpfnWndProc;
    ex.cbClsExtra = wc->cbClsExtra;
    ex.cbWndExtra = wc->cbWndExtra;
    ex.hInstance = wc->hInstance;
    ex.hIcon = wc->hIcon;
    ex.hCursor = wc->hCursor;
    ex.hbrBackground = wc->hbrBackground;
    ex.lpszMenuName = wc->lpszMenuName;
    ex.lpszClassName = wc->lpszClassName;
    return register_class(ex);
}

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
    if (!wc) return 0;
    // The record must say it is the record of this build. 48, its size in a 32-bit program, is
    // refused in a 64-bit one, as 64-bit Windows refuses it.
    if (wc->cbSize != sizeof(WNDCLASSEXA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return register_class(*wc);
}

BOOL GetClassInfoExA(HINSTANCE, LPCSTR name, WNDCLASSEXA* out) {
    register_builtin_classes();
    auto cls = find_class(name);
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (!out) return FALSE;
    out->style = cls->style;
    out->lpfnWndProc = cls->proc;
    out->cbClsExtra = cls->class_extra;
    out->cbWndExtra = cls->window_extra;
    out->hInstance = cls->instance;
    out->hIcon = cls->icon;
    out->hCursor = cls->cursor;
    out->hbrBackground = cls->background;
    out->lpszMenuName = cls->has_menu_name ? cls->menu_name.c_str() : nullptr;
    out->lpszClassName = cls->name.c_str();
    out->hIconSm = cls->icon_small;
    return cls->atom;
}

BOOL UnregisterClassA(LPCSTR name, HINSTANCE) {
    auto cls = find_class(name);
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (cls->windows > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    state().classes.erase(lower(cls->name.c_str()));
    return TRUE;
}

// ---- windows ---------------------------------------------------------------------------------
HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    register_builtin_classes();
    auto& s = state();
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
    // Capture and focus leave the window and its children before they are told.
    auto& s = state();
    if (s.capture && is_descendant_or_self(s.capture, hwnd)) {
        HWND old = s.capture;
        s.capture = nullptr;
        host().capture_mouse(false);
        send(old, WM_CAPTURECHANGED, 0, 0);
    }
    if (s.focus && is_descendant_or_self(s.focus, hwnd)) s.focus = nullptr;
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
    if (!show && state().foreground == hwnd) state().foreground = nullptr;
    return was ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd) {
    Window* w = find_or_fail(hwnd);
    if (!w) return FALSE;
    if (w->invalid && really_visible(*w)) send(hwnd, WM_PAINT, 0, 0);
    w = find(hwnd);
    if (!w) return TRUE;
    const std::vector<HWND> kids = w->children;
    for (HWND c : kids) UpdateWindow(c);
    return TRUE;
}

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

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    Window* w = find_or_fail(hwnd);
    if (!w || !rect) return FALSE;
    const POINT o = outer_origin_on_screen(*w);
    *rect = {o.x, o.y, o.x + (w->rect.right - w->rect.left), o.y + (w->rect.bottom - w->rect.top)};
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    Window* w = find_or_fail(hwnd);
    if (!w || !rect) return FALSE;
    *rect = {0, 0, client_width(*w), client_height(*w)};
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT p) {
    Window* w = find_or_fail(hwnd);
    if (!w || !p) return FALSE;
    const POINT o = client_origin_on_screen(*w);
    p->x += o.x;
    p->y += o.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT p) {
    Window* w = find_or_fail(hwnd);
    if (!w || !p) return FALSE;
    const POINT o = client_origin_on_screen(*w);
    p->x -= o.x;
    p->y -= o.y;
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    Window* w = find_or_fail(hwnd);
    if (!w) return FALSE;
    width = std::max(width, 0);
    height = std::max(height, 0);
    const RECT old = w->rect;
    const int64_t right = static_cast<int64_t>(x) + width, bottom = static_cast<int64_t>(y) + height;
    w->rect = {x, y, static_cast<LONG>(std::min<int64_t>(right, INT32_MAX)),
               static_cast<LONG>(std::min<int64_t>(bottom, INT32_MAX))};
    if (is_child_window(*w))
        resize_pixels(*w);
    else if (w->surface)
        host().move_surface(w->surface, surface_desc(*w));
    const bool moved = old.left != w->rect.left || old.top != w->rect.top;
    const bool sized = (old.right - old.left) != (w->rect.right - w->rect.left) ||
                       (old.bottom - old.top) != (w->rect.bottom - w->rect.top);
    if (sized) {
        w->invalid = false;
        invalidate_all(*w, true);
    }
    if (repaint) invalidate_all(*w, true);
    if (moved || sized) send_size_move(*w);
    return TRUE;
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

// ---- painting --------------------------------------------------------------------------------
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    if (!hwnd) {
        for (HWND t : top_levels())
            if (Window* w = find(t)) invalidate_tree(*w, erase);
        return TRUE;
    }
    Window* w = find_or_fail(hwnd);
    if (!w) return FALSE;
    const int cw = client_width(*w), ch = client_height(*w);
    RECT r = rect ? *rect : RECT{0, 0, cw, ch};
    r.left = std::max<LONG>(r.left, 0);
    r.top = std::max<LONG>(r.top, 0);
    r.right = std::min<LONG>(r.right, cw);
    r.bottom = std::min<LONG>(r.bottom, ch);
    if (r.left >= r.right || r.top >= r.bottom) return TRUE;
    if (w->invalid) {
        w->update.left = std::min(w->update.left, r.left);
        w->update.top = std::min(w->update.top, r.top);
        w->update.right = std::max(w->update.right, r.right);
        w->update.bottom = std::max(w->update.bottom, r.bottom);
    } else {
        w->update = r;
    }
    w->invalid = true;
    w->erase = w->erase || erase;
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
    if (!hwnd) {
        for (HWND t : all_windows())
            if (Window* w = find(t)) w->invalid = false;
        return TRUE;
    }
    Window* w = find_or_fail(hwnd);
    if (!w) return FALSE;
    if (!w->invalid) return TRUE;
    if (!rect || (rect->left <= w->update.left && rect->top <= w->update.top && rect->right >= w->update.right &&
                  rect->bottom >= w->update.bottom)) {
        w->invalid = false;
        w->erase = false;
    }
    return TRUE;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
    Window* w = find_or_fail(hwnd);
    if (!w || !ps) return nullptr;
    std::memset(ps, 0, sizeof(*ps));
    HDC dc = internal::create_window_dc(hwnd);
    ps->hdc = dc;
    w = find(hwnd);
    if (!w) return dc;
    if (w->invalid) ps->rcPaint = w->update;
    const bool erase = w->invalid && w->erase;
    w->invalid = false;
    w->erase = false;
    if (erase && dc) ps->fErase = send(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
    return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* ps) {
    if (ps && ps->hdc) internal::delete_window_dc(ps->hdc);
    return TRUE;
}

HDC GetDC(HWND hwnd) {
    if (hwnd && !find_or_fail(hwnd)) return nullptr;
    return internal::create_window_dc(hwnd);
}

int ReleaseDC(HWND hwnd, HDC dc) {
    // Only DCs from GetDC go back this way; memory DCs (DeleteDC) and other handles do not.
    if (!dc || GetObjectType(dc) != OBJ_DC) return 0;
    const HWND owner = internal::window_of_dc(dc);
    if (!owner && hwnd) return 0;
    if (hwnd && owner != hwnd) return 0;
    internal::delete_window_dc(dc);
    return 1;
}

HWND WindowFromDC(HDC dc) {
    HWND w = internal::window_of_dc(dc);
    return find(w) ? w : nullptr;
}

// ---- properties ------------------------------------------------------------------------------
BOOL SetPropA(HWND hwnd, LPCSTR name, HANDLE data) {
    Window* w = find_or_fail(hwnd);
    if (!w || !name) return FALSE;
    const std::string key = prop_key(name);
    for (auto& [k, v] : w->props)
        if (k == key) {
            v = data;
            return TRUE;
        }
    w->props.emplace_back(key, data);
    return TRUE;
}

HANDLE GetPropA(HWND hwnd, LPCSTR name) {
    Window* w = find_or_fail(hwnd);
    if (!w || !name) return nullptr;
    const std::string key = prop_key(name);
    for (auto& [k, v] : w->props)
        if (k == key) return v;
    return nullptr;
}

HANDLE RemovePropA(HWND hwnd, LPCSTR name) {
    Window* w = find_or_fail(hwnd);
    if (!w || !name) return nullptr;
    const std::string key = prop_key(name);
    for (auto it = w->props.begin(); it != w->props.end(); ++it)
        if (it->first == key) {
            HANDLE v = it->second;
            w->props.erase(it);
            return v;
        }
    return nullptr;
}

// ---- window regions --------------------------------------------------------------------------
int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw) {
    Window* w = find_or_fail(hwnd);
    if (!w) return 0;
    // A handle that is not a region is refused, and the window keeps the region it has.
    if (region && GetObjectType(region) != OBJ_REGION) return 0;
    if (w->region && w->region != region) internal::delete_region(w->region);
    w->region = region;
    if (redraw) invalidate_all(*w, true);
    return 1;
}

int GetWindowRgn(HWND hwnd, HRGN region) {
    Window* w = find_or_fail(hwnd);
    if (!w || !w->region || !region) return ERROR;
    return CombineRgn(region, w->region, nullptr, RGN_COPY);
}

// ---- focus, activation, capture ----------------------------------------------------------------
HWND GetForegroundWindow(void) { return state().foreground; }

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

HWND GetFocus(void) { return state().focus; }

HWND SetCapture(HWND hwnd) {
    auto& s = state();
    HWND old = s.capture;
    if (!find(hwnd)) return old;
    s.capture = hwnd;
    host().capture_mouse(true);
    if (old && old != hwnd) send(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    return old;
}

BOOL ReleaseCapture(void) {
    auto& s = state();
    HWND old = s.capture;
    if (!old) return TRUE;
    s.capture = nullptr;
    host().capture_mouse(false);
    send(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture(void) { return state().capture; }

HWND WindowFromPoint(POINT p) { return hit_test(p.x, p.y, nullptr, nullptr); }
