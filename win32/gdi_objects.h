// The GDI object table shared by the gdi sources: device contexts, bitmaps, palettes,
// regions, brushes and pens. A handle is an opaque number made by the table, never a
// pointer into it, so a stale or foreign handle is simply not found.
#pragma once

#include <pixman.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "win32/windows.h"

namespace win32::gdi {

enum class Kind { dc, bitmap, palette, region, brush, pen };

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Kind kind;
    bool stock = false;  // stock objects are never deleted and never counted
};

struct Bitmap : Object {
    Bitmap() : Object(Kind::bitmap) {}
    ~Bitmap() override;
    int width = 0;
    int height = 0;             // always positive
    int bpp = 0;                // 1, 4, 8, 16, 24 or 32
    bool dib = false;           // a DIB section (bits visible to the program)
    bool top_down = false;      // row 0 in memory is the top row
    bool monochrome = false;    // a 1-bit device bitmap: 0 black, 1 white
    size_t stride = 0;          // bytes per row in memory (multiple of 4)
    uint8_t* bits = nullptr;    // from allocate_bits, freed with the bitmap
    size_t bytes = 0;           // size of the pixel memory
    uint32_t masks[3] = {0, 0, 0};  // red, green, blue masks for 16 and 32 bits
    std::vector<RGBQUAD> colors;    // colour table for <= 8 bits
    BITMAPINFOHEADER header{};      // as reported in DIBSECTION
    HDC selected_in = nullptr;      // the memory DC holding it, if any

    uint8_t* row(int y) const {  // y counts from the top row of the picture
        const size_t r = top_down ? size_t(y) : size_t(height - 1 - y);
        return bits + r * stride;
    }
};

struct Palette : Object {
    Palette() : Object(Kind::palette) {}
    std::vector<PALETTEENTRY> entries;
    int selected_count = 0;  // number of DCs it is selected into
};

struct Region : Object {
    Region() : Object(Kind::region) { pixman_region32_init(&region); }
    ~Region() override { pixman_region32_fini(&region); }
    pixman_region32_t region;
};

struct Brush : Object {
    Brush() : Object(Kind::brush) {}
    COLORREF color = 0;
    bool hollow = false;
    int selected_count = 0;
};

struct Pen : Object {
    Pen() : Object(Kind::pen) {}
    COLORREF color = 0;
    bool null_pen = false;
};

struct Dc : Object {
    Dc() : Object(Kind::dc) {}
    bool memory = false;
    HWND window = nullptr;  // window DCs: the window (nullptr: the screen)
    HBITMAP bitmap = nullptr;
    HPALETTE palette = nullptr;
    HBRUSH brush = nullptr;
};

// Adds an object to the table and returns its new handle (nullptr if out of memory).
void* add(std::unique_ptr<Object> object);
// The object a handle names, or nullptr.
Object* find(const void* handle);
// Removes and destroys an object.
void remove(const void* handle);

template <class T>
T* find_as(const void* handle, Kind kind) {
    Object* o = find(handle);
    return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
}
inline Region* find_region(const void* h) { return find_as<Region>(h, Kind::region); }
inline Bitmap* find_bitmap(const void* h) { return find_as<Bitmap>(h, Kind::bitmap); }
inline Dc* find_dc(const void* h) { return find_as<Dc>(h, Kind::dc); }
inline Palette* find_palette(const void* h) { return find_as<Palette>(h, Kind::palette); }

// Pixel memory for bitmaps (nullptr if there is none to be had) and its release. Memory is
// zeroed unless the caller is about to write every byte of it anyway.
enum class Fill { zeroed, overwritten };
uint8_t* allocate_bits(size_t bytes, Fill fill = Fill::zeroed);
void release_bits(uint8_t* bits, size_t bytes);

// CreateDIBSection (no section, DIB_RGB_COLORS) for a caller that fills every byte of the
// pixel memory at once, as the image loader does with a file's pixel array: the memory is
// not cleared first, so it holds leftovers until the caller has written it.
HBITMAP create_dib_section_to_fill(const BITMAPINFO* info, void** bits);

// Stock objects and the halftone palette's colours.
HPALETTE default_palette();
HBITMAP stock_bitmap();
std::vector<PALETTEENTRY> halftone_entries();

}  // namespace win32::gdi
