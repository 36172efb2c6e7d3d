// GDI regions over pixman regions: creation from a rectangle or from RGNDATA, combination,
// point tests, bounds, data export and comparison; and the region calls user makes.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "win32/gdi_objects.h"
#include "win32/internal.h"

using namespace win32::gdi;

namespace {

int region_type(const pixman_region32_t* r) {
    const int n = pixman_region32_n_rects(const_cast<pixman_region32_t*>(r));
    return n == 0 ? NULLREGION : n == 1 ? SIMPLEREGION : COMPLEXREGION;
}

HRGN new_region(Region** out) {
    auto r = std::make_unique<Region>();
    *out = r.get();
    return static_cast<HRGN>(add(std::move(r)));
}

// Merges b into a when b begins no higher than a's last band, as when a region is built
// from rows top to bottom in chunks. Only a's last band and b are combined by pixman; the
// result is appended to a's rectangles in place (the buffer grows geometrically), so that
// building a region chunk by chunk costs time in proportion to its size. The region stays
// in pixman's canonical form: y-x banded, bands that touch with the same spans coalesced.
// Returns false, having changed nothing, when the case does not apply.
bool append_below(pixman_region32_t* a, const pixman_region32_t* b) {
    int na = 0, nb = 0;
    const pixman_box32_t* ab = pixman_region32_rectangles(a, &na);
    pixman_region32_rectangles(const_cast<pixman_region32_t*>(b), &nb);
    if (nb == 0) return true;
    if (na < 2 || !a->data || a->data->size <= 0) return false;
    int k = na - 1;  // start of a's last band
    while (k > 0 && ab[k - 1].y1 == ab[na - 1].y1) --k;
    if (k == 0 || b->extents.y1 < ab[na - 1].y1) return false;

    pixman_region32_t last, merged;
    if (!pixman_region32_init_rects(&last, ab + k, na - k)) return false;
    pixman_region32_init(&merged);
    const bool ok = pixman_region32_union(&merged, &last, const_cast<pixman_region32_t*>(b));
    pixman_region32_fini(&last);
    int nu = 0;
    const pixman_box32_t* ub = pixman_region32_rectangles(&merged, &nu);
    if (!ok || nu == 0) {
        pixman_region32_fini(&merged);
        return false;
    }
    // Does the band above the merged part continue into its first band?
    int pk = k - 1;
    while (pk > 0 && ab[pk - 1].y1 == ab[k - 1].y1) --pk;
    int first = 1;
    while (first < nu && ub[first].y1 == ub[0].y1) ++first;
    bool coalesce = ab[k - 1].y2 == ub[0].y1 && k - pk == first;
    for (int i = 0; coalesce && i < first; ++i)
        coalesce = ab[pk + i].x1 == ub[i].x1 && ab[pk + i].x2 == ub[i].x2;
    const int skip = coalesce ? first : 0;
    const long total = long(k) + nu - skip;
    if (a->data->size < total) {
        const long size = std::max(total, 2 * a->data->size);
        void* grown = std::realloc(a->data, sizeof(pixman_region32_data_t) + size_t(size) * sizeof(pixman_box32_t));
        if (!grown) {
            pixman_region32_fini(&merged);
            return false;
        }
        a->data = static_cast<pixman_region32_data_t*>(grown);
        a->data->size = size;
    }
    pixman_box32_t* boxes = reinterpret_cast<pixman_box32_t*>(a->data + 1);
    if (coalesce)
        for (int i = pk; i < k; ++i) boxes[i].y2 = ub[0].y2;
    std::memcpy(boxes + k, ub + skip, size_t(nu - skip) * sizeof(pixman_box32_t));
    a->data->numRects = total;
    const pixman_box32_t* e = pixman_region32_extents(&merged);
    a->extents.x1 = std::min(a->extents.x1, e->x1);
    a->extents.x2 = std::max(a->extents.x2, e->x2);
    a->extents.y2 = std::max(a->extents.y2, e->y2);
    pixman_region32_fini(&merged);
    return true;
}

// Takes over rectangles that already come in pixman's y-x banded order: bands top to bottom
// that do not overlap, each band's rectangles of one height left to right without
// overlapping, as a picture scanned row by row gives them. Empty rectangles are left out,
// neighbours that touch in a band are merged, and a band that continues the one above with
// the same spans is coalesced into it: pixman's canonical form, built in one pass instead
// of sorting and merging. Returns false, having changed nothing, when the rectangles are
// not in that order.
bool init_banded(pixman_region32_t* region, const uint8_t* rects, size_t n) {
    if (n < 2 || n > size_t(LONG_MAX) / sizeof(pixman_box32_t)) return false;
    auto* data = static_cast<pixman_region32_data_t*>(
        std::malloc(sizeof(pixman_region32_data_t) + n * sizeof(pixman_box32_t)));
    if (!data) return false;
    auto* out = reinterpret_cast<pixman_box32_t*>(data + 1);
    size_t count = 0;
    size_t above = 0, band = 0;  // where the band above the current one and the current one start
    bool has_above = false;
    int32_t x1 = INT32_MAX, x2 = INT32_MIN;
    // Ends the current band, coalescing it into the band above when that one touches it
    // and has the same spans.
    auto close_band = [&] {
        const size_t width = count - band;
        if (has_above && band - above == width && out[above].y2 == out[band].y1) {
            bool same = true;
            for (size_t i = 0; same && i < width; ++i)
                same = out[above + i].x1 == out[band + i].x1 && out[above + i].x2 == out[band + i].x2;
            if (same) {
                for (size_t i = 0; i < width; ++i) out[above + i].y2 = out[band].y2;
                count = band;
                return;
            }
        }
        above = band;
        has_above = true;
    };
    for (size_t i = 0; i < n; ++i) {
        RECT rc;
        std::memcpy(&rc, rects + i * sizeof(RECT), sizeof(RECT));
        if (rc.left >= rc.right || rc.top >= rc.bottom) continue;
        if (count > band) {
            pixman_box32_t& last = out[count - 1];
            if (rc.top == last.y1 && rc.bottom == last.y2 && rc.left >= last.x2) {
                if (rc.left == last.x2) {  // touches its left neighbour
                    last.x2 = rc.right;
                    x2 = std::max(x2, rc.right);
                    continue;
                }
            } else if (rc.top >= last.y2) {
                close_band();
                band = count;
            } else {
                std::free(data);  // not in banded order
                return false;
            }
        }
        out[count++] = pixman_box32_t{rc.left, rc.top, rc.right, rc.bottom};
        x1 = std::min(x1, rc.left);
        x2 = std::max(x2, rc.right);
    }
    if (count == 0) {
        std::free(data);
        return true;  // nothing but empty rectangles: the region stays empty
    }
    close_band();

    pixman_region32_fini(region);
    region->extents = pixman_box32_t{x1, out[0].y1, x2, out[count - 1].y2};
    if (count == 1) {
        std::free(data);
        region->data = nullptr;  // a single rectangle needs no list
    } else {
        data->size = long(n);
        data->numRects = long(count);
        region->data = data;
    }
    return true;
}

}  // namespace

HRGN CreateRectRgn(int x1, int y1, int x2, int y2) {
    Region* r;
    HRGN h = new_region(&r);
    if (!h) return nullptr;
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (x1 < x2 && y1 < y2) pixman_region32_init_rect(&r->region, x1, y1, unsigned(x2 - x1), unsigned(y2 - y1));
    return h;
}

HRGN ExtCreateRegion(const XFORM* lpx, DWORD nCount, const RGNDATA* lpData) {
    if (!lpData || nCount < sizeof(RGNDATAHEADER)) return nullptr;
    const RGNDATAHEADER& h = lpData->rdh;
    if (h.dwSize < sizeof(RGNDATAHEADER) || h.iType != RDH_RECTANGLES) return nullptr;
    // The rectangles must lie inside the bytes the caller says it gave.
    if (h.dwSize > nCount || uint64_t(h.nCount) * sizeof(RECT) > uint64_t(nCount) - h.dwSize) return nullptr;
    double sx = 1, sy = 1, tx = 0, ty = 0;
    if (lpx) {
        if (lpx->eM12 != 0 || lpx->eM21 != 0 || lpx->eM11 == 0 || lpx->eM22 == 0) return nullptr;
        sx = lpx->eM11;
        sy = lpx->eM22;
        tx = lpx->eDx;
        ty = lpx->eDy;
    }
    const uint8_t* rects = reinterpret_cast<const uint8_t*>(lpData) + h.dwSize;
    Region* region;
    HRGN handle = new_region(&region);
    if (!handle) return nullptr;
    if (!lpx && init_banded(&region->region, rects, h.nCount)) return handle;

    std::vector<pixman_box32_t> boxes;
    try {
        boxes.reserve(h.nCount);
    } catch (...) {
        DeleteObject(handle);
        return nullptr;
    }
    auto fit = [](double v) { return int32_t(std::clamp(v, double(INT32_MIN / 2), double(INT32_MAX / 2))); };
    for (DWORD i = 0; i < h.nCount; ++i) {
        RECT rc;
        std::memcpy(&rc, rects + size_t(i) * sizeof(RECT), sizeof(RECT));
        int32_t l = rc.left, t = rc.top, r = rc.right, b = rc.bottom;
        if (lpx) {
            l = fit(rc.left * sx + tx);
            r = fit(rc.right * sx + tx);
            t = fit(rc.top * sy + ty);
            b = fit(rc.bottom * sy + ty);
            if (l > r) std::swap(l, r);
            if (t > b) std::swap(t, b);
        }
        if (l < r && t < b) boxes.push_back(pixman_box32_t{l, t, r, b});
    }
    if (!boxes.empty()) {
        pixman_region32_fini(&region->region);
        if (!pixman_region32_init_rects(&region->region, boxes.data(), int(boxes.size()))) {
            pixman_region32_init(&region->region);
            DeleteObject(handle);
            return nullptr;
        }
    }
    return handle;
}

int CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode) {
    Region* d = find_region(hrgnDst);
    Region* a = find_region(hrgnSrc1);
    if (!d || !a) return ERROR;
    if (iMode == RGN_COPY) {
        if (!pixman_region32_copy(&d->region, &a->region)) return ERROR;
        return region_type(&d->region);
    }
    Region* b = find_region(hrgnSrc2);
    if (!b) return ERROR;
    pixman_bool_t ok = 1;
    switch (iMode) {
    case RGN_AND:
        ok = pixman_region32_intersect(&d->region, &a->region, &b->region);
        break;
    case RGN_OR:
        if (d == a && a != b && append_below(&d->region, &b->region)) break;
        ok = pixman_region32_union(&d->region, &a->region, &b->region);
        break;
    case RGN_DIFF:
        ok = pixman_region32_subtract(&d->region, &a->region, &b->region);
        break;
    case RGN_XOR: {
        pixman_region32_t a_only, b_only;
        pixman_region32_init(&a_only);
        pixman_region32_init(&b_only);
        ok = pixman_region32_subtract(&a_only, &a->region, &b->region) &&
             pixman_region32_subtract(&b_only, &b->region, &a->region) &&
             pixman_region32_union(&d->region, &a_only, &b_only);
        pixman_region32_fini(&a_only);
        pixman_region32_fini(&b_only);
        break;
    }
    default:
        return ERROR;
    }
    return ok ? region_type(&d->region) : ERROR;
}

BOOL PtInRegion(HRGN hrgn, int x, int y) {
    Region* r = find_region(hrgn);
    return r && pixman_region32_contains_point(&r->region, x, y, nullptr) ? TRUE : FALSE;
}

int GetRgnBox(HRGN hrgn, LPRECT lprc) {
    Region* r = find_region(hrgn);
    if (!r || !lprc) return ERROR;
    const int type = region_type(&r->region);
    if (type == NULLREGION) {
        *lprc = RECT{0, 0, 0, 0};
    } else {
        const pixman_box32_t* e = pixman_region32_extents(&r->region);
        *lprc = RECT{e->x1, e->y1, e->x2, e->y2};
    }
    return type;
}

DWORD GetRegionData(HRGN hrgn, DWORD nCount, RGNDATA* lpRgnData) {
    Region* r = find_region(hrgn);
    if (!r) return 0;
    int n = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(&r->region, &n);
    const uint64_t needed = sizeof(RGNDATAHEADER) + uint64_t(n) * sizeof(RECT);
    if (needed > 0xFFFFFFFFu) return 0;
    if (!lpRgnData) return DWORD(needed);
    if (nCount < needed) return 0;
    RGNDATAHEADER h{};
    h.dwSize = sizeof(RGNDATAHEADER);
    h.iType = RDH_RECTANGLES;
    h.nCount = DWORD(n);
    h.nRgnSize = DWORD(n) * sizeof(RECT);
    if (n > 0) {
        const pixman_box32_t* e = pixman_region32_extents(&r->region);
        h.rcBound = RECT{e->x1, e->y1, e->x2, e->y2};
    }
    std::memcpy(lpRgnData, &h, sizeof(h));
    uint8_t* out = reinterpret_cast<uint8_t*>(lpRgnData) + sizeof(RGNDATAHEADER);
    for (int i = 0; i < n; ++i) {
        const RECT rc{boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2};
        std::memcpy(out + size_t(i) * sizeof(RECT), &rc, sizeof(rc));
    }
    return nCount;
}

BOOL EqualRgn(HRGN hrgn1, HRGN hrgn2) {
    Region* a = find_region(hrgn1);
    Region* b = find_region(hrgn2);
    if (!a || !b) return ERROR;
    return pixman_region32_equal(&a->region, &b->region) ? TRUE : FALSE;
}

namespace win32::internal {

bool region_contains(HRGN region, int x, int y) { return PtInRegion(region, x, y) != FALSE; }

bool region_mask(HRGN region, int width, int height, std::vector<uint8_t>& mask) {
    Region* r = find_region(region);
    if (!r) return false;
    width = std::max(width, 0);
    height = std::max(height, 0);
    mask.assign(size_t(width) * size_t(height), 0);
    int n = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(&r->region, &n);
    for (int i = 0; i < n; ++i) {
        const int x1 = std::max(boxes[i].x1, 0), x2 = std::min(boxes[i].x2, width);
        const int y1 = std::max(boxes[i].y1, 0), y2 = std::min(boxes[i].y2, height);
        if (x1 >= x2) continue;
        for (int y = y1; y < y2; ++y) std::memset(mask.data() + size_t(y) * size_t(width) + size_t(x1), 1, size_t(x2 - x1));
    }
    return true;
}

void delete_region(HRGN region) {
    if (find_region(region)) remove(region);
}

}  // namespace win32::internal
