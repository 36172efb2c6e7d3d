// Textures: the texture loaders that turn TGA files (read by the TGA reader, TgaReader.cpp)
// and bitmap files into OpenGL textures, and the numbered texture table.
#include "lumora/Lumora.h"
#include "lumora/TgaReader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

// ---------------------------------------------------------------------------------------
// Texture loading and selection: TGA files into the unit texture or the numbered table,
// bitmap files through the platform's image loader. Every texture is a one-level
// GL_TEXTURE_2D with linear filtering and repeat wrapping, uploaded at the image's own size.
// ---------------------------------------------------------------------------------------
TGATEXTURE TEXTURETGA{};
TGATEXTURE TEXTURETGA2[MAXTEXTURESLOT + 1]{};
LONGWORD TEXTUREID = 0;

namespace {

// The largest width and height a texture can have in the current OpenGL context; 0 when no
// context is current (glGetIntegerv then does nothing). The reader asks it only of images
// wider or taller than 1024.
LONGWORD largest_texture_side() {
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return side > 0 ? static_cast<LONGWORD>(side) : 0;
}

// Whether a bitmap of this size can become a texture in the current context. Sides up to
// 1024 fit every context and are not asked about; larger ones are held against the context's
// largest texture (16384 when no context is current). A bitmap that cannot be uploaded is
// not converted either: its converted copy could be many times the size of its file.
bool fits_a_texture(LONGINT width, LONGINT height) {
    const LONGINT side = width > height ? width : height;
    if (side <= 1024) return true;
    const LONGWORD largest = largest_texture_side();
    return side <= static_cast<LONGINT>(largest != 0 ? largest : 16384);
}

bool valid_slot(LONGINT num) { return num >= 0 && num <= MAXTEXTURESLOT; }

// Whether a file of that name exists; directories do not count, so they are skipped as
// silently as missing files. FIFOs and devices do count: the reader then refuses them with
// the box of a file it cannot open.
bool file_exists(const std::string& name) {
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// OpenGL reads the rows of an upload at the unpack alignment in force: 4 bytes, OpenGL's
// initial value and the one TEXTURELOAD sets. So the reader is asked for rows filled up to
// 4 bytes (it differs from the gap-free rows only for 24-bit images of a width that is not
// a multiple of 4); with gap-free rows OpenGL would read such a picture skewed and run past
// the end of the buffer. The rows are filled while they are read: no second copy.
constexpr size_t kUnpackAlignment = 4;

// Reads a TGA file into `texture` and makes its texture; the new texture is left bound.
// Returns false, with `texture.TEXID` untouched, when the file is missing or rejected.
bool load_tga_texture(TGATEXTURE& texture, const std::string& file) {
    if (!file_exists(file)) return false;
    if (!LOADTGAFROMFILE(texture, file, kUnpackAlignment, largest_texture_side)) return false;
    glEnable(GL_TEXTURE_2D);
    glGenTextures(1, &texture.TEXID);
    glBindTexture(GL_TEXTURE_2D, texture.TEXID);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(texture.BPP / 8), static_cast<GLsizei>(texture.WIDTH),
                 static_cast<GLsizei>(texture.HEIGHT), 0, texture.TYP, GL_UNSIGNED_BYTE, texture.IMAGEDATA);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    std::free(texture.IMAGEDATA);  // OpenGL holds its own copy
    texture.IMAGEDATA = nullptr;
    return true;
}

// ---- bitmaps of any depth as R, G, B rows ---------------------------------------------

struct ChannelMask {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;  // the mask's value range after the shift

    explicit ChannelMask(uint32_t m) : mask(m) {
        if (m == 0) return;
        while (((m >> shift) & 1u) == 0) ++shift;
        max = m >> shift;
    }
    uint8_t expand(uint32_t pixel) const {
        if (max == 0) return 0;
        const uint64_t v = (pixel & mask) >> shift;
        return static_cast<uint8_t>((v * 255 + max / 2) / max);
    }
};

// The colour table of a DIB section of 8 bits or less (missing entries stay black).
std::vector<RGBQUAD> color_table(HBITMAP bitmap, int bits_per_pixel) {
    std::vector<RGBQUAD> table(size_t{1} << bits_per_pixel, RGBQUAD{0, 0, 0, 0});
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) return table;
    HGDIOBJ old = SelectObject(dc, bitmap);
    GetDIBColorTable(dc, 0, static_cast<UINT>(table.size()), table.data());
    SelectObject(dc, old);
    DeleteDC(dc);
    return table;
}

// Converts a DIB section that is not 24-bit bottom-up into R, G, B pixels laid out the way
// the upload reads them: bottom row first, each row filled up to a multiple of 4 bytes.
std::vector<uint8_t> to_rgb_rows(HBITMAP bitmap, const DIBSECTION& ds) {
    const int width = ds.dsBm.bmWidth;
    const int height = ds.dsBm.bmHeight;
    const int bpp = ds.dsBm.bmBitsPixel;
    const size_t src_stride = static_cast<size_t>(ds.dsBm.bmWidthBytes);
    const size_t dst_stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    const bool top_down = ds.dsBmih.biHeight < 0;
    const auto* bits = static_cast<const uint8_t*>(ds.dsBm.bmBits);

    uint32_t masks[3] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
    if (bpp == 16) {
        masks[0] = 0x7C00u;
        masks[1] = 0x03E0u;
        masks[2] = 0x001Fu;
    }
    if ((bpp == 16 || bpp == 32) && ds.dsBmih.biCompression == BI_BITFIELDS) {
        std::memcpy(masks, ds.dsBitfields, sizeof masks);
    }
    const ChannelMask red(masks[0]), green(masks[1]), blue(masks[2]);
    std::vector<RGBQUAD> table;
    if (bpp <= 8) table = color_table(bitmap, bpp);

    std::vector<uint8_t> out(dst_stride * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y) {  // y counts rows in upload order, bottom row first
        const uint8_t* src = bits + src_stride * static_cast<size_t>(top_down ? height - 1 - y : y);
        uint8_t* dst = out.data() + dst_stride * static_cast<size_t>(y);
        for (int x = 0; x < width; ++x, dst += 3) {
            switch (bpp) {
            case 1:
            case 4:
            case 8: {
                const int per_byte = 8 / bpp;
                const unsigned shift = static_cast<unsigned>((per_byte - 1 - x % per_byte) * bpp);
                const unsigned index = (src[x / per_byte] >> shift) & ((1u << bpp) - 1);
                dst[0] = table[index].rgbRed;
                dst[1] = table[index].rgbGreen;
                dst[2] = table[index].rgbBlue;
                break;
            }
            case 16: {
                const uint32_t v = src[x * 2] | (uint32_t{src[x * 2 + 1]} << 8);
                dst[0] = red.expand(v);
                dst[1] = green.expand(v);
                dst[2] = blue.expand(v);
                break;
            }
            case 24:
                dst[0] = src[x * 3 + 2];
                dst[1] = src[x * 3 + 1];
                dst[2] = src[x * 3];
                break;
            case 32: {
                uint32_t v;
                std::memcpy(&v, src + x * 4, 4);
                dst[0] = red.expand(v);
                dst[1] = green.expand(v);
                dst[2] = blue.expand(v);
                break;
            }
            default: break;
            }
        }
    }
    return out;
}

}  // namespace

// LOADTGA lives with the texture loaders because it bounds the image by the current
// context's largest texture, which is asked of OpenGL here; the reader makes no GL call.
// The image's rows follow each other without gaps, WIDTH x BPP / 8 bytes each.
bool LOADTGA(TGATEXTURE& TEXTURE, const std::string& FILENAME) {
    return LOADTGAFROMFILE(TEXTURE, FILENAME, 1, largest_texture_side);
}

void TEXTURELOADTGA(const std::string& TGAFILE) {
    if (load_tga_texture(TEXTURETGA, TGAFILE)) glBindTexture(GL_TEXTURE_2D, TEXTURETGA.TEXID);
}

void TEXTURELOADTGAID(const std::string& TGAFILE, LONGINT NUM) {
    if (!valid_slot(NUM)) return;
    load_tga_texture(TEXTURETGA2[NUM], TGAFILE);
}

void TEXTURETGASELECTID(LONGINT NUM) {
    if (!valid_slot(NUM)) return;
    glBindTexture(GL_TEXTURE_2D, TEXTURETGA2[NUM].TEXID);
}

void TEXTURELOAD(const char* BMPFILE) {
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), BMPFILE, IMAGE_BITMAP, 0, 0,
                                                     LR_LOADFROMFILE | LR_LOADTRANSPARENT | LR_CREATEDIBSECTION));
    if (bitmap == nullptr) return;  // unreadable like a missing TGA file: no texture, silently
    DIBSECTION ds{};
    const int described = GetObjectA(bitmap, sizeof ds, &ds);
    if (described < static_cast<int>(sizeof(BITMAP)) || ds.dsBm.bmBits == nullptr || ds.dsBm.bmWidth <= 0 ||
        ds.dsBm.bmHeight <= 0) {
        DeleteObject(bitmap);
        return;
    }
    if (described < static_cast<int>(sizeof ds)) ds.dsBmih = BITMAPINFOHEADER{};  // a plain BITMAP only

    const LONGINT width = ds.dsBm.bmWidth;
    const LONGINT height = ds.dsBm.bmHeight;
    if (!fits_a_texture(width, height)) {
        DeleteObject(bitmap);  // no texture, silently, like an unreadable file
        return;
    }
    const bool bottom_up_24 = ds.dsBm.bmBitsPixel == 24 && ds.dsBmih.biHeight >= 0;
    std::vector<uint8_t> converted;
    const void* pixels = ds.dsBm.bmBits;
    if (bottom_up_24) {
        // B, G, R to R, G, B in the bitmap's own memory, row by row so that the fill bytes at
        // the end of each row are skipped.
        auto* row = static_cast<uint8_t*>(ds.dsBm.bmBits);
        const int64_t pixel_count = int64_t{width} * height;
        if (ds.dsBm.bmWidthBytes == int64_t{width} * 3 && pixel_count <= INT32_MAX) {
            SWAPRGB(row, width * height);
        } else {
            for (LONGINT y = 0; y < height; ++y, row += ds.dsBm.bmWidthBytes) SWAPRGB(row, width);
        }
    } else {
        converted = to_rgb_rows(bitmap, ds);
        pixels = converted.data();
    }

    glEnable(GL_TEXTURE_2D);
    glGenTextures(1, &TEXTUREID);
    glBindTexture(GL_TEXTURE_2D, TEXTUREID);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    glBindTexture(GL_TEXTURE_2D, TEXTUREID);
    // The texture (or the display list being compiled) holds its own copy of the pixels.
    DeleteObject(bitmap);
}

void SWAPRGB(void* DATA, LONGINT SIZE_) {
    auto* p = static_cast<uint8_t*>(DATA);
    for (LONGINT i = 0; i < SIZE_; ++i, p += 3) {
        const uint8_t b = p[0];
        p[0] = p[2];
        p[2] = b;
    }
}
