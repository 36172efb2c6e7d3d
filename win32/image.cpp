// The platform's image loader: LoadImageA for bitmap files. A BMP file of 1, 4, 8, 16, 24
// or 32 bits per pixel (BI_RGB, or BI_BITFIELDS at 16 and 32 bits; rows bottom-up or
// top-down) becomes a DIB section of the same depth, rows bottom-up and padded to 4 bytes
// as on Win32, made as CreateDIBSection makes them so the colour table and masks go in
// with it. A file that is missing, cut short, malformed or not a regular file gives 0;
// nothing is read past its end, and nothing is allocated for pixels the file does not hold.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "win32/file_io.h"
#include "win32/gdi_objects.h"
#include "win32/windows.h"

namespace {

// The largest pixel array accepted: beyond this a file is treated as malformed. The pixel
// array must also lie wholly in the file, so what is allocated for it never exceeds the
// file's own size; this ceiling only stops a genuine but enormous file, at half of what
// CreateDIBSection allows, which leaves room for a 32-bit working copy of a 24-bit picture.
constexpr uint64_t kMaxPixelBytes = uint64_t{1} << 30;
constexpr uint32_t kFileHeaderSize = 14;    // BITMAPFILEHEADER
constexpr uint32_t kCoreHeaderSize = 12;    // BITMAPCOREHEADER (OS/2 1.x)
constexpr uint32_t kMaxHeaderSize = 1024;   // room for every Windows header version and more
// Everything before the pixel array that the loader looks at (file header, info header,
// three masks, a full colour table) lies in the first kHeadBytes of a file: one read gets it.
constexpr uint32_t kHeadBytes = kFileHeaderSize + kMaxHeaderSize + 12 + 256 * 4;

using win32::file_io::le16;
using win32::file_io::le32;
using File = win32::file_io::ReadFileHandle;

// Reads exactly n bytes at offset, or fails.
bool read_exactly(const File& file, uint64_t offset, void* dst, size_t n) {
    return file.read_at(offset, dst, n) == n;
}

// Everything LoadImageA needs to know about a bitmap file before it makes the DIB section.
struct BmpLayout {
    int32_t width = 0;
    int32_t height = 0;  // positive
    bool top_down = false;
    uint16_t bit_count = 0;
    uint32_t compression = BI_RGB;
    uint32_t masks[3] = {0, 0, 0};
    uint32_t color_count = 0;
    RGBQUAD colors[256] = {};
    uint64_t pixel_offset = 0;
    uint64_t stride = 0;
};

// Reads the headers and colour table from the start of the file and checks that the whole
// pixel array they describe lies in the file.
bool read_layout(const File& file, BmpLayout& out) {
    uint8_t head[kHeadBytes];
    const size_t head_size = static_cast<size_t>(file.size() < kHeadBytes ? file.size() : kHeadBytes);
    if (head_size < kFileHeaderSize + 4 || !read_exactly(file, 0, head, head_size)) return false;
    // The bytes [offset, offset + n) of the file, or nullptr when the file ends before them.
    auto at = [&](uint64_t offset, uint64_t n) -> const uint8_t* {
        return offset + n <= head_size ? head + offset : nullptr;
    };

    if (head[0] != 'B' || head[1] != 'M') return false;
    out.pixel_offset = le32(head + 10);
    const uint32_t header_size = le32(head + kFileHeaderSize);
    if (header_size != kCoreHeaderSize && (header_size < 40 || header_size > kMaxHeaderSize)) return false;
    const uint8_t* h = at(kFileHeaderSize, header_size);
    if (h == nullptr) return false;

    uint64_t after_header = kFileHeaderSize + uint64_t{header_size};
    uint32_t colors_used = 0;
    uint16_t planes;
    size_t color_entry_size = 4;
    if (header_size == kCoreHeaderSize) {
        out.width = le16(h + 4);
        out.height = le16(h + 6);
        planes = le16(h + 8);
        out.bit_count = le16(h + 10);
        color_entry_size = 3;
        if (out.bit_count > 8) out.bit_count = out.bit_count == 24 ? 24 : 0;
    } else {
        out.width = static_cast<int32_t>(le32(h + 4));
        const int32_t height = static_cast<int32_t>(le32(h + 8));
        if (height == INT32_MIN) return false;
        out.top_down = height < 0;
        out.height = height < 0 ? -height : height;
        planes = le16(h + 12);
        out.bit_count = le16(h + 14);
        out.compression = le32(h + 16);
        colors_used = le32(h + 32);
    }
    if (out.width <= 0 || out.height <= 0 || planes != 1) return false;
    switch (out.bit_count) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
    }

    if (out.compression == BI_BITFIELDS) {
        if (out.bit_count != 16 && out.bit_count != 32) return false;
        const uint8_t* m = h + 40;
        if (header_size < 52) {
            // A 40-byte header is followed by the three masks.
            m = at(after_header, 12);
            if (m == nullptr) return false;
            after_header += 12;
        }
        for (int i = 0; i < 3; ++i) out.masks[i] = le32(m + 4 * i);
    } else if (out.compression != BI_RGB) {
        return false;  // run-length encoded and embedded JPEG/PNG bitmaps are not supported
    }

    if (out.bit_count <= 8) {
        const uint32_t max_colors = 1u << out.bit_count;
        out.color_count = colors_used == 0 || colors_used > max_colors ? max_colors : colors_used;
        const uint8_t* table = at(after_header, uint64_t{out.color_count} * color_entry_size);
        if (table == nullptr) return false;
        for (uint32_t i = 0; i < out.color_count; ++i) {
            const uint8_t* e = table + size_t{i} * color_entry_size;
            out.colors[i] = RGBQUAD{e[0], e[1], e[2], 0};
        }
    }

    // Nothing is allocated for the pixels unless all of them are in the file.
    out.stride = ((uint64_t(out.width) * out.bit_count + 31) / 32) * 4;
    const uint64_t pixel_bytes = out.stride * uint64_t(out.height);
    if (pixel_bytes > kMaxPixelBytes) return false;
    if (out.pixel_offset < kFileHeaderSize + uint64_t{header_size} || out.pixel_offset > file.size() ||
        file.size() - out.pixel_offset < pixel_bytes) {
        return false;  // the pixel array is not (all) in the file
    }
    return true;
}

HBITMAP load_bitmap_file(const char* name) {
    if (name == nullptr || *name == '\0') return nullptr;
    // Only a regular file is read (a directory, a FIFO or a device is a file that cannot be).
    File file(name, win32::file_io::Accept::regular);
    if (!file.ok()) {
        if (const DWORD error = file.error()) SetLastError(error);
        return nullptr;
    }
    BmpLayout layout;
    if (!read_layout(file, layout)) return nullptr;

    // BITMAPINFO with room for three masks or a full colour table.
    uint8_t info[sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD)] = {};
    BITMAPINFOHEADER bih{};
    bih.biSize = sizeof bih;
    bih.biWidth = layout.width;
    bih.biHeight = layout.height;  // bottom-up, whatever the file's row order
    bih.biPlanes = 1;
    bih.biBitCount = layout.bit_count;
    bih.biCompression = layout.compression;
    bih.biClrUsed = layout.color_count;
    std::memcpy(info, &bih, sizeof bih);
    if (layout.compression == BI_BITFIELDS) {
        std::memcpy(info + sizeof bih, layout.masks, sizeof layout.masks);
    } else if (layout.color_count != 0) {
        std::memcpy(info + sizeof bih, layout.colors, layout.color_count * sizeof(RGBQUAD));
    }

    // The file's pixel array fills every byte of the DIB section's memory (rows and their
    // fill bytes), so the memory is not cleared first; it is read with one read straight
    // into place.
    void* bits = nullptr;
    HBITMAP bitmap = win32::gdi::create_dib_section_to_fill(reinterpret_cast<const BITMAPINFO*>(info), &bits);
    if (bitmap == nullptr || bits == nullptr) {
        if (bitmap != nullptr) DeleteObject(bitmap);
        return nullptr;
    }
    const size_t stride = static_cast<size_t>(layout.stride);
    const size_t rows = static_cast<size_t>(layout.height);
    auto* pixels = static_cast<uint8_t*>(bits);
    if (!read_exactly(file, layout.pixel_offset, pixels, stride * rows)) {
        DeleteObject(bitmap);
        return nullptr;
    }
    if (layout.top_down) {
        for (size_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom)
            std::swap_ranges(pixels + top * stride, pixels + (top + 1) * stride, pixels + bottom * stride);
    }
    return bitmap;
}

}  // namespace

HANDLE LoadImageA(HINSTANCE hInst, LPCSTR name, UINT type, int cx, int cy, UINT fuLoad) {
    (void)hInst;
    // Only files are supported (no resources), at their own size. LR_LOADTRANSPARENT is
    // accepted and leaves the colours as the file has them.
    if (type != IMAGE_BITMAP || (fuLoad & LR_LOADFROMFILE) == 0 || cx < 0 || cy < 0) return nullptr;
    return load_bitmap_file(name);
}
