// Painting: update regions (kept as rectangles), WM_PAINT and WM_ERASEBKGND through
// BeginPaint, window DCs, the pixels child windows keep and their overlays on the parent's
// frame.
#include <algorithm>
#include <cstring>

#include "win32/host.h"
#include "win32/internal.h"
#include "win32/user_internal.h"

namespace win32::user {
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

}  // namespace win32::user

using namespace win32;
using namespace win32::user;

namespace win32::internal {

WindowPixels window_pixels(HWND window) {
    Window* w = find(window);
    if (!w || !is_child_window(*w)) return {};
    resize_pixels(*w);
    if (w->pixels.empty()) return {nullptr, 0, 0};
    return {w->pixels.data(), w->pixel_width, w->pixel_height};
}

}  // namespace win32::internal

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
