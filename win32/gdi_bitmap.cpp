// GDI bitmaps: DIB sections, compatible bitmaps, colour tables and BitBlt between memory
// DCs and window DCs, converting between every supported depth.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "win32/gdi_objects.h"
#include "win32/internal.h"

using namespace win32::gdi;

namespace {

// Bitmaps larger than this are refused, as Win32 refuses DIBs of 2 GB and more.
constexpr uint64_t max_bitmap_bytes = 0x7FFFFFFF;

int mask_shift(uint32_t m) { return m ? __builtin_ctz(m) : 0; }
int mask_bits(uint32_t m) { return m ? __builtin_popcount(m >> mask_shift(m)) : 0; }

bool make_bits(Bitmap& b, Fill fill = Fill::zeroed) {
    const uint64_t stride = ((uint64_t(b.width) * uint64_t(b.bpp) + 31) / 32) * 4;
    const uint64_t total = stride * uint64_t(b.height);
    if (b.width <= 0 || b.height <= 0 || stride == 0 || total > max_bitmap_bytes) return false;
    b.stride = size_t(stride);
    b.bytes = size_t(total);
    b.bits = allocate_bits(b.bytes, fill);
    return b.bits != nullptr;
}

// ---- pixel access: a row at a time, as 0x00RRGGBB --------------------------------------------

// Something BitBlt reads from or writes to: a bitmap or a window's pixels.
struct View {
    int width = 0, height = 0;
    int bpp = 32;
    bool monochrome = false;        // 1-bit device bitmap
    uint8_t* base = nullptr;        // top row of the picture
    ptrdiff_t pitch = 0;            // bytes from one picture row to the next one down
    uint32_t masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
    const RGBQUAD* colors = nullptr;
    size_t color_count = 0;

    uint8_t* row(int y) const { return base + ptrdiff_t(y) * pitch; }
};

View view_of(const Bitmap& b) {
    View v;
    v.width = b.width;
    v.height = b.height;
    v.bpp = b.bpp;
    v.monochrome = b.monochrome;
    v.base = b.row(0);
    v.pitch = b.top_down ? ptrdiff_t(b.stride) : -ptrdiff_t(b.stride);
    std::memcpy(v.masks, b.masks, sizeof(v.masks));
    v.colors = b.colors.data();
    v.color_count = b.colors.size();
    return v;
}

bool view_of_dc(HDC hdc, View& v) {
    Dc* dc = find_dc(hdc);
    if (!dc) return false;
    if (dc->memory) {
        Bitmap* b = find_bitmap(dc->bitmap);
        if (!b || !b->bits) return false;
        v = view_of(*b);
        return true;
    }
    if (!dc->window) return false;
    win32::internal::WindowPixels px = win32::internal::window_pixels(dc->window);
    if (!px.pixels || px.width <= 0 || px.height <= 0) return false;
    v = View{};
    v.width = px.width;
    v.height = px.height;
    v.bpp = 32;
    v.base = reinterpret_cast<uint8_t*>(px.pixels);
    v.pitch = ptrdiff_t(px.width) * 4;
    return true;
}

struct Reader {
    const View& v;
    uint32_t lut[256];  // indexed colours as 0x00RRGGBB
    int shift[3], bits[3];
    uint8_t widen[3][256];  // channels narrower than 8 bits, widened to 8

    explicit Reader(const View& view) : v(view) {
        for (int i = 0; i < 256; ++i) {
            if (v.monochrome)
                lut[i] = i & 1 ? 0x00FFFFFF : 0;
            else if (size_t(i) < v.color_count)
                lut[i] = uint32_t(v.colors[i].rgbRed) << 16 | uint32_t(v.colors[i].rgbGreen) << 8 | v.colors[i].rgbBlue;
            else
                lut[i] = 0;
        }
        for (int c = 0; c < 3; ++c) {
            shift[c] = mask_shift(v.masks[c]);
            bits[c] = mask_bits(v.masks[c]);
            if (bits[c] == 0 || bits[c] >= 8) continue;
            // Widen by repeating the top bits, so that full scale stays full scale.
            for (uint32_t x = 0; x < (1u << bits[c]); ++x) {
                uint32_t out = 0;
                int have = 0;
                while (have < 8) {
                    out = (out << bits[c]) | x;
                    have += bits[c];
                }
                widen[c][x] = uint8_t(out >> (have - 8));
            }
        }
    }

    uint32_t channel(uint32_t value, int c) const {
        if (!bits[c]) return 0;
        const uint32_t x = (value & v.masks[c]) >> shift[c];
        return bits[c] >= 8 ? x >> (bits[c] - 8) : widen[c][x];
    }

    void decode(int y, int x0, int n, uint32_t* out) const {
        const uint8_t* r = v.row(y);
        switch (v.bpp) {
        case 1:
            for (int i = 0; i < n; ++i) {
                const int x = x0 + i;
                out[i] = lut[(r[x >> 3] >> (7 - (x & 7))) & 1];
            }
            break;
        case 4:
            for (int i = 0; i < n; ++i) {
                const int x = x0 + i;
                out[i] = lut[(r[x >> 1] >> (x & 1 ? 0 : 4)) & 15];
            }
            break;
        case 8:
            for (int i = 0; i < n; ++i) out[i] = lut[r[x0 + i]];
            break;
        case 16:
            for (int i = 0; i < n; ++i) {
                const uint32_t p = uint32_t(r[2 * (x0 + i)]) | uint32_t(r[2 * (x0 + i) + 1]) << 8;
                out[i] = channel(p, 0) << 16 | channel(p, 1) << 8 | channel(p, 2);
            }
            break;
        case 24: {
            const uint8_t* p = r + 3 * size_t(x0);
            for (int i = 0; i < n; ++i, p += 3) out[i] = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
            break;
        }
        case 32: {
            const uint8_t* p = r + 4 * size_t(x0);
            if (v.masks[0] == 0x00FF0000 && v.masks[1] == 0x0000FF00 && v.masks[2] == 0x000000FF) {
                for (int i = 0; i < n; ++i) {
                    uint32_t q;
                    std::memcpy(&q, p + 4 * i, 4);
                    out[i] = q & 0x00FFFFFF;
                }
            } else {
                for (int i = 0; i < n; ++i) {
                    uint32_t q;
                    std::memcpy(&q, p + 4 * i, 4);
                    out[i] = channel(q, 0) << 16 | channel(q, 1) << 8 | channel(q, 2);
                }
            }
            break;
        }
        }
    }
};

struct Writer {
    const View& v;
    int shift[3], bits[3];
    std::unordered_map<uint32_t, uint8_t> nearest_cache;

    explicit Writer(const View& view) : v(view) {
        for (int c = 0; c < 3; ++c) {
            shift[c] = mask_shift(v.masks[c]);
            bits[c] = mask_bits(v.masks[c]);
        }
    }

    // The colour-table index closest to a colour (squared distance); device monochrome
    // bitmaps turn white into 1 and every other colour into 0, as Win32 does with the
    // default background colour.
    uint8_t index_of(uint32_t rgb) {
        if (v.monochrome) return rgb == 0x00FFFFFF ? 1 : 0;
        auto it = nearest_cache.find(rgb);
        if (it != nearest_cache.end()) return it->second;
        const int r = int(rgb >> 16 & 255), g = int(rgb >> 8 & 255), b = int(rgb & 255);
        const size_t limit = std::min<size_t>(v.color_count, size_t(1) << v.bpp);
        uint8_t best = 0;
        long best_d = LONG_MAX;
        for (size_t i = 0; i < limit; ++i) {
            const long dr = v.colors[i].rgbRed - r, dg = v.colors[i].rgbGreen - g, db = v.colors[i].rgbBlue - b;
            const long d = dr * dr + dg * dg + db * db;
            if (d < best_d) {
                best_d = d;
                best = uint8_t(i);
                if (d == 0) break;
            }
        }
        nearest_cache.emplace(rgb, best);
        return best;
    }

    uint32_t pack(uint32_t rgb) const {
        uint32_t out = 0;
        const uint32_t ch[3] = {rgb >> 16 & 255, rgb >> 8 & 255, rgb & 255};
        for (int c = 0; c < 3; ++c) {
            if (!bits[c]) continue;
            const uint32_t x = bits[c] >= 8 ? ch[c] << (bits[c] - 8) : ch[c] >> (8 - bits[c]);
            out |= (x << shift[c]) & v.masks[c];
        }
        return out;
    }

    void write(int y, int x0, int n, const uint32_t* in) {
        uint8_t* r = v.row(y);
        switch (v.bpp) {
        case 1:
            for (int i = 0; i < n; ++i) {
                const int x = x0 + i;
                const uint8_t bit = uint8_t(0x80 >> (x & 7));
                if (index_of(in[i]) & 1)
                    r[x >> 3] |= bit;
                else
                    r[x >> 3] &= uint8_t(~bit);
            }
            break;
        case 4:
            for (int i = 0; i < n; ++i) {
                const int x = x0 + i;
                const uint8_t idx = index_of(in[i]) & 15;
                uint8_t& byte = r[x >> 1];
                byte = x & 1 ? uint8_t((byte & 0xF0) | idx) : uint8_t((byte & 0x0F) | idx << 4);
            }
            break;
        case 8:
            for (int i = 0; i < n; ++i) r[x0 + i] = index_of(in[i]);
            break;
        case 16:
            for (int i = 0; i < n; ++i) {
                const uint32_t p = pack(in[i]);
                r[2 * (x0 + i)] = uint8_t(p);
                r[2 * (x0 + i) + 1] = uint8_t(p >> 8);
            }
            break;
        case 24: {
            uint8_t* p = r + 3 * size_t(x0);
            for (int i = 0; i < n; ++i, p += 3) {
                p[0] = uint8_t(in[i]);
                p[1] = uint8_t(in[i] >> 8);
                p[2] = uint8_t(in[i] >> 16);
            }
            break;
        }
        case 32: {
            uint8_t* p = r + 4 * size_t(x0);
            if (v.masks[0] == 0x00FF0000 && v.masks[1] == 0x0000FF00 && v.masks[2] == 0x000000FF) {
                std::memcpy(p, in, 4 * size_t(n));
            } else {
                for (int i = 0; i < n; ++i) {
                    const uint32_t q = pack(in[i]);
                    std::memcpy(p + 4 * i, &q, 4);
                }
            }
            break;
        }
        }
    }
};

bool standard_masks(const View& v) {
    return v.masks[0] == 0x00FF0000 && v.masks[1] == 0x0000FF00 && v.masks[2] == 0x000000FF;
}

// Copies n pixels of one row from 24 bits (B, G, R) to 32 bits (B, G, R, 0).

void copy_24_to_32(const uint8_t* s, uint8_t* d, int n) {
    int i = 0;
    // Four pixels from twelve bytes: two eight-byte loads that stay inside the row.
    for (; i + 4 <= n; i += 4) {
        uint64_t a, b;
        std::memcpy(&a, s + 3 * size_t(i), 8);      // bytes 0..7
        std::memcpy(&b, s + 3 * size_t(i) + 4, 8);  // bytes 4..11
        const uint64_t lo = (a & 0xFFFFFF) | ((a >> 24) & 0xFFFFFF) << 32;
        const uint64_t hi = ((b >> 16) & 0xFFFFFF) | (b >> 40) << 32;
        std::memcpy(d + 4 * size_t(i), &lo, 8);
        std::memcpy(d + 4 * size_t(i) + 8, &hi, 8);
    }
    for (; i < n; ++i) {
        const uint8_t* q = s + 3 * size_t(i);
        const uint32_t v = uint32_t(q[2]) << 16 | uint32_t(q[1]) << 8 | q[0];
        std::memcpy(d + 4 * size_t(i), &v, 4);
    }
}

bool same_layout(const View& a, const View& b) {
    if (a.bpp != b.bpp || a.monochrome != b.monochrome || a.bpp < 16) return false;
    return a.bpp == 24 || std::memcmp(a.masks, b.masks, sizeof(a.masks)) == 0;
}

}  // namespace

namespace {

HBITMAP create_dib_section(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, Fill fill) {
    if (ppvBits) *ppvBits = nullptr;
    if (!pbmi) return nullptr;
    const BITMAPINFOHEADER& h = pbmi->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > 4096) return nullptr;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN || h.biPlanes != 1) return nullptr;
    const int bpp = h.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return nullptr;
    if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && (bpp == 16 || bpp == 32))) return nullptr;
    if (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS) return nullptr;

    auto b = std::make_unique<Bitmap>();
    b->dib = true;
    b->width = h.biWidth;
    b->height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    b->top_down = h.biHeight < 0;
    b->bpp = bpp;
    const uint8_t* after_header = reinterpret_cast<const uint8_t*>(pbmi) + h.biSize;

    if (h.biCompression == BI_BITFIELDS) {
        // A 40-byte header is followed by the three masks; longer headers hold them.
        const uint8_t* m = h.biSize == sizeof(BITMAPINFOHEADER) ? after_header
                                                                 : reinterpret_cast<const uint8_t*>(pbmi) + 40;
        if (h.biSize != sizeof(BITMAPINFOHEADER) && h.biSize < 52) return nullptr;
        std::memcpy(b->masks, m, sizeof(b->masks));
        for (uint32_t mask : b->masks) {
            if (!mask) return nullptr;
            const uint32_t shifted = mask >> mask_shift(mask);
            if (shifted & (shifted + 1)) return nullptr;  // masks must be contiguous
            if (bpp == 16 && mask > 0xFFFF) return nullptr;
        }
    } else if (bpp == 16) {
        b->masks[0] = 0x7C00;
        b->masks[1] = 0x03E0;
        b->masks[2] = 0x001F;
    } else if (bpp == 32) {
        b->masks[0] = 0x00FF0000;
        b->masks[1] = 0x0000FF00;
        b->masks[2] = 0x000000FF;
    }

    if (bpp <= 8) {
        const uint32_t max_colors = 1u << bpp;
        const uint32_t count = h.biClrUsed == 0 || h.biClrUsed > max_colors ? max_colors : h.biClrUsed;
        b->colors.assign(count, RGBQUAD{0, 0, 0, 0});
        if (usage == DIB_RGB_COLORS) {
            std::memcpy(b->colors.data(), after_header, count * sizeof(RGBQUAD));
        } else {
            // The table holds 16-bit indexes into the palette selected into the DC.
            Dc* dc = find_dc(hdc);
            Palette* pal = dc ? find_palette(dc->palette) : nullptr;
            if (!pal) return nullptr;
            for (uint32_t i = 0; i < count; ++i) {
                WORD index;
                std::memcpy(&index, after_header + 2 * i, 2);
                if (index < pal->entries.size()) {
                    const PALETTEENTRY& e = pal->entries[index];
                    b->colors[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
                }
            }
        }
        for (RGBQUAD& q : b->colors) q.rgbReserved = 0;
    }

    if (!make_bits(*b, fill)) return nullptr;
    b->header = h;
    b->header.biSize = sizeof(BITMAPINFOHEADER);
    b->header.biSizeImage = DWORD(b->stride * size_t(b->height));
    b->header.biClrUsed = bpp <= 8 ? DWORD(b->colors.size()) : 0;
    void* bits = b->bits;
    HBITMAP handle = static_cast<HBITMAP>(add(std::move(b)));
    if (handle && ppvBits) *ppvBits = bits;
    return handle;
}

}  // namespace

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE hSection, DWORD offset) {
    if (ppvBits) *ppvBits = nullptr;
    if (hSection || offset) return nullptr;
    // Without a section the pixels start zeroed, as the fresh pages Win32 gives them are.
    return create_dib_section(hdc, pbmi, usage, ppvBits, Fill::zeroed);
}

HBITMAP win32::gdi::create_dib_section_to_fill(const BITMAPINFO* info, void** bits) {
    return create_dib_section(nullptr, info, DIB_RGB_COLORS, bits, Fill::overwritten);
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    Dc* dc = find_dc(hdc);
    if (!dc || cx < 0 || cy < 0) return nullptr;
    if (cx == 0 || cy == 0) return stock_bitmap();
    auto b = std::make_unique<Bitmap>();
    b->width = cx;
    b->height = cy;
    b->top_down = true;
    Bitmap* current = dc->memory ? find_bitmap(dc->bitmap) : nullptr;
    if (current && current->dib) {
        // A DC holding a DIB section makes DIB sections of the same format.
        b->dib = true;
        b->bpp = current->bpp;
        std::memcpy(b->masks, current->masks, sizeof(b->masks));
        b->colors = current->colors;
        b->header = current->header;
        b->header.biWidth = cx;
        b->header.biHeight = -cy;
    } else if (current && current->monochrome) {
        // A fresh memory DC holds the 1x1 monochrome bitmap: its bitmaps are monochrome.
        b->bpp = 1;
        b->monochrome = true;
    } else {
        b->bpp = 32;
        b->masks[0] = 0x00FF0000;
        b->masks[1] = 0x0000FF00;
        b->masks[2] = 0x000000FF;
    }
    if (!make_bits(*b)) return nullptr;
    if (b->dib) b->header.biSizeImage = DWORD(b->stride * size_t(cy));
    return static_cast<HBITMAP>(add(std::move(b)));
}

UINT GetDIBColorTable(HDC hdc, UINT iStart, UINT cEntries, RGBQUAD* prgbq) {
    Dc* dc = find_dc(hdc);
    if (!dc || !dc->memory || !prgbq) return 0;
    Bitmap* b = find_bitmap(dc->bitmap);
    if (!b || !b->dib || b->bpp > 8) return 0;
    const UINT n = UINT(b->colors.size());
    if (iStart >= n) return 0;
    const UINT count = std::min(cEntries, n - iStart);
    std::memcpy(prgbq, b->colors.data() + iStart, count * sizeof(RGBQUAD));
    return count;
}

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    if (rop != SRCCOPY) return FALSE;
    View dst, src;
    if (!view_of_dc(hdc, dst) || !view_of_dc(hdcSrc, src)) return FALSE;
    if (cx <= 0 || cy <= 0) return TRUE;

    // Clip the copy to both pictures, moving both origins together (64-bit to avoid overflow).
    int64_t dx = x, dy = y, sx = x1, sy = y1, w = cx, h = cy;
    auto clip = [&](int64_t& a, int64_t& b, int64_t& len, int64_t limit_a, int64_t limit_b) {
        if (a < 0) { b -= a; len += a; a = 0; }
        if (b < 0) { a -= b; len += b; b = 0; }
        len = std::min({len, limit_a - a, limit_b - b});
    };
    clip(dx, sx, w, dst.width, src.width);
    clip(dy, sy, h, dst.height, src.height);
    if (w <= 0 || h <= 0) return TRUE;

    const int n = int(w);
    // Within one picture, copy the rows in the order that never overwrites unread ones.
    const bool backwards = dst.base == src.base && dy > sy;
    auto row_at = [&](int64_t i) { return backwards ? h - 1 - i : i; };
    if (same_layout(dst, src)) {
        const size_t bytes = size_t(n) * size_t(dst.bpp / 8);
        const size_t dstart = size_t(dx) * size_t(dst.bpp / 8), sstart = size_t(sx) * size_t(src.bpp / 8);
        for (int64_t k = 0; k < h; ++k) {
            const int64_t i = row_at(k);
            std::memmove(dst.row(int(dy + i)) + dstart, src.row(int(sy + i)) + sstart, bytes);
        }
        return TRUE;
    }
    const bool plain_dst = dst.bpp == 32 && !dst.monochrome && standard_masks(dst);
    if (src.bpp == 24 && plain_dst && dst.base != src.base) {
        // The common case of loading a picture for scanning: three bytes to four, directly.
        for (int64_t k = 0; k < h; ++k)
            copy_24_to_32(src.row(int(sy + k)) + 3 * size_t(sx), dst.row(int(dy + k)) + 4 * size_t(dx), n);
        return TRUE;
    }
    if (plain_dst && dst.base != src.base) {
        // Any other source into plain 32-bit pixels: each row is converted straight into place.
        Reader reader(src);
        for (int64_t k = 0; k < h; ++k)
            reader.decode(int(sy + k), int(sx), n, reinterpret_cast<uint32_t*>(dst.row(int(dy + k)) + 4 * size_t(dx)));
        return TRUE;
    }
    Reader reader(src);
    Writer writer(dst);
    std::vector<uint32_t> line(static_cast<size_t>(n));
    for (int64_t k = 0; k < h; ++k) {
        const int64_t i = row_at(k);
        reader.decode(int(sy + i), int(sx), n, line.data());
        writer.write(int(dy + i), int(dx), n, line.data());
    }
    return TRUE;
}
