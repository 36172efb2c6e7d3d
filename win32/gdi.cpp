// GDI: the object table, stock objects, device contexts, object selection and deletion,
// palettes and the GDI object accounting.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>

#include "win32/gdi_objects.h"
#include "win32/internal.h"

namespace win32::gdi {
namespace {

struct Table {
    std::unordered_map<uintptr_t, std::unique_ptr<Object>> objects;
    uintptr_t next = 0;
    DWORD live = 0;  // objects that are not stock
};

Table& table() {
    static Table* t = new Table;  // never destroyed: handles may be released during exit
    return *t;
}

// Handles are multiples of 4 from 0x10000 up, so they never look like small integers or
// resource ids, and a released handle is not reused for a long time.
constexpr uintptr_t handle_base = 0x10000;

}  // namespace

// Pixel memory. Small buffers come from the C heap. Large ones are mapped with their pages
// already present (a picture is usually written in full right after it is made, and
// faulting its pages in one at a time costs more than the copy itself), and when released
// they are kept for a while in a small cache of mapped blocks: a program that loads and
// drops pictures of the same size (a button's images, a region's 32-bit working copy)
// gets the same pages back instead of having the kernel find, clear and map fresh ones
// every time. A block from the cache is cleared only when the caller asks for zeroed
// memory; fresh mappings are zero already.
namespace {

constexpr size_t mapped_bits_threshold = 256 * 1024;
constexpr size_t cached_blocks_max = 4;              // blocks kept for reuse
constexpr size_t cached_bytes_max = size_t(64) << 20;  // and the memory they may hold

size_t page_rounded(size_t bytes) {
    static const size_t page = [] {
        const long p = sysconf(_SC_PAGESIZE);
        return p > 0 ? size_t(p) : size_t(4096);
    }();
    return (bytes + page - 1) / page * page;
}

struct MappedBlock {
    uint8_t* bits;
    size_t length;  // page-rounded mapping length
};

struct BlockCache {
    MappedBlock blocks[cached_blocks_max];  // most recently released first
    size_t count = 0;
    size_t bytes = 0;

    uint8_t* take(size_t length) {
        for (size_t i = 0; i < count; ++i) {
            if (blocks[i].length != length) continue;
            uint8_t* bits = blocks[i].bits;
            bytes -= length;
            for (size_t j = i + 1; j < count; ++j) blocks[j - 1] = blocks[j];
            --count;
            return bits;
        }
        return nullptr;
    }
    void keep(uint8_t* bits, size_t length) {
        if (length > cached_bytes_max) {
            munmap(bits, length);
            return;
        }
        while (count > 0 && (count == cached_blocks_max || bytes + length > cached_bytes_max)) {
            --count;
            bytes -= blocks[count].length;
            munmap(blocks[count].bits, blocks[count].length);
        }
        for (size_t j = count; j > 0; --j) blocks[j] = blocks[j - 1];
        blocks[0] = MappedBlock{bits, length};
        ++count;
        bytes += length;
    }
};

BlockCache& block_cache() {
    static BlockCache* cache = new BlockCache;  // never destroyed, like the object table
    return *cache;
}

}  // namespace

uint8_t* allocate_bits(size_t bytes, Fill fill) {
    if (bytes == 0) return nullptr;
    if (bytes < mapped_bits_threshold)
        return static_cast<uint8_t*>(fill == Fill::zeroed ? std::calloc(bytes, 1) : std::malloc(bytes));
    const size_t length = page_rounded(bytes);
    if (uint8_t* reused = block_cache().take(length)) {
        if (fill == Fill::zeroed) std::memset(reused, 0, bytes);
        return reused;
    }
    void* p = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    return p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
}

void release_bits(uint8_t* bits, size_t bytes) {
    if (!bits) return;
    if (bytes < mapped_bits_threshold)
        std::free(bits);
    else
        block_cache().keep(bits, page_rounded(bytes));
}

Bitmap::~Bitmap() { release_bits(bits, bytes); }

void* add(std::unique_ptr<Object> object) {
    Table& t = table();
    uintptr_t key;
    do {
        key = handle_base + 4 * (t.next++ & 0x0FFFFFFF);
    } while (t.objects.count(key));
    try {
        const bool stock = object->stock;
        t.objects.emplace(key, std::move(object));
        if (!stock) ++t.live;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return reinterpret_cast<void*>(key);
}

Object* find(const void* handle) {
    if (!handle) return nullptr;
    Table& t = table();
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
    return it == t.objects.end() ? nullptr : it->second.get();
}

void remove(const void* handle) {
    Table& t = table();
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it == t.objects.end()) return;
    if (!it->second->stock) --t.live;
    t.objects.erase(it);
}

namespace {

PALETTEENTRY entry(BYTE r, BYTE g, BYTE b) { return PALETTEENTRY{r, g, b, 0}; }

// The twenty static colours of the system palette: ten at the start, ten at the end.
const PALETTEENTRY system_low[10] = {
    {0x00, 0x00, 0x00, 0}, {0x80, 0x00, 0x00, 0}, {0x00, 0x80, 0x00, 0}, {0x80, 0x80, 0x00, 0},
    {0x00, 0x00, 0x80, 0}, {0x80, 0x00, 0x80, 0}, {0x00, 0x80, 0x80, 0}, {0xC0, 0xC0, 0xC0, 0},
    {0xC0, 0xDC, 0xC0, 0}, {0xA6, 0xCA, 0xF0, 0}};
const PALETTEENTRY system_high[10] = {
    {0xFF, 0xFB, 0xF0, 0}, {0xA0, 0xA0, 0xA4, 0}, {0x80, 0x80, 0x80, 0}, {0xFF, 0x00, 0x00, 0},
    {0x00, 0xFF, 0x00, 0}, {0xFF, 0xFF, 0x00, 0}, {0x00, 0x00, 0xFF, 0}, {0xFF, 0x00, 0xFF, 0},
    {0x00, 0xFF, 0xFF, 0}, {0xFF, 0xFF, 0xFF, 0}};

struct Stock {
    void* brushes[6] = {};
    void* pens[3] = {};
    void* palette = nullptr;
    void* bitmap = nullptr;  // the 1x1 monochrome bitmap of a fresh memory DC
};

Stock& stock() {
    static Stock* s = [] {
        auto* st = new Stock;
        const COLORREF colors[6] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                    RGB(64, 64, 64),    RGB(0, 0, 0),       0};
        for (int i = 0; i < 6; ++i) {
            auto b = std::make_unique<Brush>();
            b->stock = true;
            b->color = colors[i];
            b->hollow = (i == NULL_BRUSH);
            st->brushes[i] = add(std::move(b));
        }
        for (int i = 0; i < 3; ++i) {
            auto p = std::make_unique<Pen>();
            p->stock = true;
            p->color = i == 0 ? RGB(255, 255, 255) : 0;
            p->null_pen = (i == 2);
            st->pens[i] = add(std::move(p));
        }
        auto pal = std::make_unique<Palette>();
        pal->stock = true;
        pal->entries.assign(system_low, system_low + 10);
        pal->entries.insert(pal->entries.end(), system_high, system_high + 10);
        st->palette = add(std::move(pal));
        auto bmp = std::make_unique<Bitmap>();
        bmp->stock = true;
        bmp->width = bmp->height = 1;
        bmp->bpp = 1;
        bmp->monochrome = true;
        bmp->top_down = true;
        bmp->stride = 4;
        bmp->bytes = 4;
        bmp->bits = allocate_bits(4);
        st->bitmap = add(std::move(bmp));
        return st;
    }();
    return *s;
}

Dc* new_dc(bool memory, HWND window, HDC* handle) {
    Stock& st = stock();
    auto dc = std::make_unique<Dc>();
    dc->memory = memory;
    dc->window = window;
    dc->bitmap = memory ? static_cast<HBITMAP>(st.bitmap) : nullptr;
    dc->palette = static_cast<HPALETTE>(st.palette);
    dc->brush = static_cast<HBRUSH>(st.brushes[WHITE_BRUSH]);
    Dc* raw = dc.get();
    *handle = static_cast<HDC>(add(std::move(dc)));
    return *handle ? raw : nullptr;
}

// Undoes what a DC holds selected, so that the objects can be deleted afterwards.
void release_selection(Dc* dc) {
    if (Bitmap* b = find_bitmap(dc->bitmap); b && !b->stock) b->selected_in = nullptr;
    if (Palette* p = find_palette(dc->palette); p && p->selected_count > 0) --p->selected_count;
    if (Brush* b = find_as<Brush>(dc->brush, Kind::brush); b && b->selected_count > 0) --b->selected_count;
}

}  // namespace

HPALETTE default_palette() { return static_cast<HPALETTE>(stock().palette); }
HBITMAP stock_bitmap() { return static_cast<HBITMAP>(stock().bitmap); }

// The halftone palette: the twenty static colours around a 6 x 6 x 6 colour cube and
// twenty extra greys between the cube's grey steps.
std::vector<PALETTEENTRY> halftone_entries() {
    std::vector<PALETTEENTRY> e(system_low, system_low + 10);
    static const BYTE level[6] = {0x00, 0x33, 0x66, 0x99, 0xCC, 0xFF};
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) e.push_back(entry(level[r], level[g], level[b]));
    // Four greys inside each of the five gaps between cube grey levels.
    for (int gap = 0; gap < 5; ++gap)
        for (int k = 1; k <= 4; ++k) {
            const BYTE v = BYTE(level[gap] + (0x33 * k) / 5);
            e.push_back(entry(v, v, v));
        }
    e.insert(e.end(), system_high, system_high + 10);
    return e;
}

}  // namespace win32::gdi

using namespace win32::gdi;

// ---- stock objects, selection, deletion ---------------------------------------------------

HGDIOBJ GetStockObject(int i) {
    Stock& st = stock();
    if (i >= WHITE_BRUSH && i <= NULL_BRUSH) return st.brushes[i];
    if (i >= 6 && i <= 8) return st.pens[i - 6];  // WHITE_PEN, BLACK_PEN, NULL_PEN
    if (i == DEFAULT_PALETTE) return st.palette;
    return nullptr;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    Dc* dc = find_dc(hdc);
    Object* o = find(h);
    if (!dc || !o) return nullptr;
    switch (o->kind) {
    case Kind::bitmap: {
        auto* b = static_cast<Bitmap*>(o);
        if (!dc->memory) return nullptr;
        if (dc->bitmap == h) return h;
        if (!b->stock && b->selected_in) return nullptr;  // a bitmap lives in one DC at a time
        HGDIOBJ previous = dc->bitmap;
        if (Bitmap* old = find_bitmap(previous); old && !old->stock) old->selected_in = nullptr;
        if (!b->stock) b->selected_in = hdc;
        dc->bitmap = static_cast<HBITMAP>(h);
        return previous;
    }
    case Kind::brush: {
        auto* b = static_cast<Brush*>(o);
        HGDIOBJ previous = dc->brush;
        if (auto* old = find_as<Brush>(previous, Kind::brush); old && old->selected_count > 0) --old->selected_count;
        ++b->selected_count;
        dc->brush = static_cast<HBRUSH>(h);
        return previous;
    }
    case Kind::region:
        // Selecting a region sets the clip region; drawing here is never clipped further.
        return reinterpret_cast<HGDIOBJ>(intptr_t(SIMPLEREGION));
    default:
        return nullptr;  // palettes go through SelectPalette, DCs cannot be selected
    }
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
    Dc* dc = find_dc(hdc);
    if (!dc) return nullptr;
    switch (type) {
    case OBJ_BITMAP:
        return dc->bitmap;
    case OBJ_PAL:
        return dc->palette;
    case OBJ_BRUSH:
        return dc->brush;
    default:
        return nullptr;
    }
}

BOOL DeleteObject(HGDIOBJ ho) {
    Object* o = find(ho);
    if (!o) return FALSE;
    if (o->stock) return TRUE;
    switch (o->kind) {
    case Kind::dc:
        return FALSE;
    case Kind::bitmap:
        if (static_cast<Bitmap*>(o)->selected_in) return FALSE;
        break;
    case Kind::palette:
        if (static_cast<Palette*>(o)->selected_count > 0) return FALSE;
        break;
    case Kind::brush:
        if (static_cast<Brush*>(o)->selected_count > 0) return FALSE;
        break;
    default:
        break;
    }
    remove(ho);
    return TRUE;
}

int GetObjectA(HANDLE h, int c, LPVOID pv) {
    Object* o = find(h);
    if (!o || c < 0) return 0;
    switch (o->kind) {
    case Kind::bitmap: {
        auto* b = static_cast<Bitmap*>(o);
        if (!pv) return b->dib && c >= int(sizeof(DIBSECTION)) ? int(sizeof(DIBSECTION)) : int(sizeof(BITMAP));
        if (c < int(sizeof(BITMAP))) return 0;
        BITMAP bm{};
        bm.bmType = 0;
        bm.bmWidth = b->width;
        bm.bmHeight = b->height;
        // DIB sections report their real row stride (padded to 4 bytes); device bitmaps
        // report rows padded to 2 bytes, as Win32 does.
        bm.bmWidthBytes = b->dib ? LONG(b->stride) : LONG(((int64_t(b->width) * b->bpp + 15) / 16) * 2);
        bm.bmPlanes = 1;
        bm.bmBitsPixel = WORD(b->bpp);
        bm.bmBits = b->dib ? b->bits : nullptr;
        if (b->dib && c >= int(sizeof(DIBSECTION))) {
            DIBSECTION ds{};
            ds.dsBm = bm;
            ds.dsBmih = b->header;
            std::memcpy(ds.dsBitfields, b->masks, sizeof(ds.dsBitfields));
            ds.dshSection = nullptr;
            ds.dsOffset = 0;
            std::memcpy(pv, &ds, sizeof(ds));
            return int(sizeof(DIBSECTION));
        }
        std::memcpy(pv, &bm, sizeof(bm));
        return int(sizeof(BITMAP));
    }
    case Kind::palette: {
        if (!pv) return int(sizeof(WORD));
        if (c < int(sizeof(WORD))) return 0;
        const WORD n = WORD(static_cast<Palette*>(o)->entries.size());
        std::memcpy(pv, &n, sizeof(n));
        return int(sizeof(WORD));
    }
    default:
        return 0;
    }
}

DWORD GetObjectType(HGDIOBJ h) {
    Object* o = find(h);
    if (!o) return 0;
    switch (o->kind) {
    case Kind::dc:
        return static_cast<Dc*>(o)->memory ? OBJ_MEMDC : OBJ_DC;
    case Kind::bitmap:
        return OBJ_BITMAP;
    case Kind::palette:
        return OBJ_PAL;
    case Kind::region:
        return OBJ_REGION;
    case Kind::brush:
        return OBJ_BRUSH;
    case Kind::pen:
        return OBJ_PEN;
    }
    return 0;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto b = std::make_unique<Brush>();
    b->color = color & 0x00FFFFFF;
    return static_cast<HBRUSH>(add(std::move(b)));
}

// ---- device contexts ----------------------------------------------------------------------

HDC CreateCompatibleDC(HDC hdc) {
    if (hdc && !find_dc(hdc)) return nullptr;
    HDC handle = nullptr;
    new_dc(true, nullptr, &handle);
    return handle;
}

BOOL DeleteDC(HDC hdc) {
    Dc* dc = find_dc(hdc);
    if (!dc || !dc->memory) return FALSE;  // window DCs go back through ReleaseDC
    release_selection(dc);
    remove(hdc);
    return TRUE;
}

BOOL GdiFlush(void) { return TRUE; }

DWORD GetGuiResources(HANDLE, DWORD uiFlags) {
    if (uiFlags != GR_GDIOBJECTS) return 0;
    stock();  // stock objects exist from the first call on and are never counted
    return table().live;
}

// ---- palettes -----------------------------------------------------------------------------

HPALETTE CreatePalette(const LOGPALETTE* plpal) {
    if (!plpal || plpal->palVersion != 0x300 || plpal->palNumEntries == 0) return nullptr;
    auto p = std::make_unique<Palette>();
    try {
        p->entries.assign(plpal->palPalEntry, plpal->palPalEntry + plpal->palNumEntries);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return static_cast<HPALETTE>(add(std::move(p)));
}

HPALETTE CreateHalftonePalette(HDC) {
    auto p = std::make_unique<Palette>();
    p->entries = halftone_entries();
    return static_cast<HPALETTE>(add(std::move(p)));
}

HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL) {
    Dc* dc = find_dc(hdc);
    Palette* p = find_palette(hPal);
    if (!dc || !p) return nullptr;
    HPALETTE previous = dc->palette;
    if (Palette* old = find_palette(previous); old && old->selected_count > 0) --old->selected_count;
    ++p->selected_count;
    dc->palette = hPal;
    return previous;
}

UINT RealizePalette(HDC hdc) {
    Dc* dc = find_dc(hdc);
    if (!dc) return UINT(GDI_ERROR);
    // A true-colour display maps every entry without changing the system palette.
    Palette* p = find_palette(dc->palette);
    return p ? UINT(p->entries.size()) : 0;
}

UINT GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, PALETTEENTRY* pPalEntries) {
    Palette* p = find_palette(hpal);
    if (!p) return 0;
    const UINT n = UINT(p->entries.size());
    if (!pPalEntries) return n;
    if (iStart >= n) return 0;
    const UINT count = cEntries < n - iStart ? cEntries : n - iStart;
    std::memcpy(pPalEntries, p->entries.data() + iStart, count * sizeof(PALETTEENTRY));
    return count;
}

// ---- calls from user -----------------------------------------------------------------------

namespace win32::internal {

HDC create_window_dc(HWND window) {
    HDC handle = nullptr;
    new_dc(false, window, &handle);
    return handle;
}

void delete_window_dc(HDC dc) {
    Dc* d = find_dc(dc);
    if (!d || d->memory) return;
    release_selection(d);
    remove(dc);
}

HWND window_of_dc(HDC dc) {
    Dc* d = find_dc(dc);
    return d && !d->memory ? d->window : nullptr;
}

}  // namespace win32::internal
