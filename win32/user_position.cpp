// Position and geometry: frames and client areas, screen and client coordinates, moving
// and sizing, window regions, and the hit tests that find the window under a point.
#include <algorithm>

#include "win32/host.h"
#include "win32/internal.h"
#include "win32/user_internal.h"

namespace win32::user {
namespace {

// Frame metrics: a caption puts the client origin at (3, 19) of the outer rectangle with
// 3-pixel borders; a plain border is one pixel wide.
constexpr int kFrame = 3;
constexpr int kCaptionTop = 19;

}  // namespace

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

void send_size_move(Window& w) {
    HWND h = w.handle;
    const int cw = client_width(w), ch = client_height(w);
    send(h, WM_SIZE, 0, MAKELPARAM(cw, ch));
    Window* again = find(h);
    if (!again) return;
    const RECT in = frame_insets(again->style);
    send(h, WM_MOVE, 0, MAKELPARAM(again->rect.left + in.left, again->rect.top + in.top));
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
    const auto tl = top_levels();
    for (auto it = tl.rbegin(); it != tl.rend(); ++it)
        if (HWND hit = hit_test_in(find(*it), sx, sy, client, in_client)) return hit;
    return nullptr;
}

}  // namespace win32::user

using namespace win32;
using namespace win32::user;

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

// ---- window regions -----------------------------------------------------------------------
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

HWND WindowFromPoint(POINT p) { return hit_test(p.x, p.y, nullptr, nullptr); }
