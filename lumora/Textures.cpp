// Textures: the texture loaders that turn TGA files (read by the TGA reader, TgaReader.cpp)
// and bitmap files into OpenGL textures, and the numbered texture table.
#include "lumora/BmpCheck.h"
#include "lumora/Lumora.h"
#include "lumora/TextureSize.h"
#include "lumora/TgaReader.h"

#include <cstdint>
#include <cstdlib>
#include <string>
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
// context is current (glGetIntegerv then does nothing). TEXTUREFITS asks it only of images
// wider or taller than 1024.
LONGWORD largest_texture_side() {
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return side > 0 ? static_cast<LONGWORD>(side) : 0;
}

// The row alignment OpenGL will read the next upload with: what the program (or the last
// TEXTURELOAD) left in GL_UNPACK_ALIGNMENT, 4 (OpenGL's initial value) when no context is
// current. A query is not compiled into a display list, so asking it changes nothing that a
// list records.
size_t unpack_alignment() {
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    return alignment == 1 || alignment == 2 || alignment == 8 ? static_cast<size_t>(alignment) : 4;
}

bool valid_slot(LONGINT num) { return num >= 0 && num <= MAXTEXTURESLOT; }

// Whether a file of that name exists; directories do not count, so they are skipped as
// silently as missing files. FIFOs and devices do count: the reader then refuses them with
// the box of a file it cannot open.
bool file_exists(const std::string& name) {
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// ---- one upload for both loaders -------------------------------------------------------

// An image ready for glTexImage2D: rows bottom to top as OpenGL takes them, each filled up
// to the unpack alignment the upload is read with.
struct TextureImage {
    GLint components;  // 3 or 4, given as the internal format
    GLsizei width, height;
    GLenum format;  // GL_RGB or GL_RGBA
    const void* pixels;
};

// The order in which a loader issues its calls. A TGA upload is read with the unpack state
// the program left (its rows are filled to the alignment in force) and sets its parameters
// after the image; a bitmap's rows are filled to 4 bytes as GDI lays them out, so its upload
// sets the unpack state to match and its parameters before the image.
enum class UploadOrder { image_then_parameters, unpack_state_and_parameters_then_image };

// Enables 2D texturing and makes a new texture of `image`, left bound: one level, linear
// filtering, repeat wrapping. Returns its name.
GLuint make_texture(const TextureImage& image, UploadOrder order) {
    auto parameters = [](GLenum first_filter, GLenum second_filter) {
        glTexParameteri(GL_TEXTURE_2D, first_filter, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, second_filter, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    };
    auto upload = [&] {
        glTexImage2D(GL_TEXTURE_2D, 0, image.components, image.width, image.height, 0, image.format,
                     GL_UNSIGNED_BYTE, image.pixels);
    };
    GLuint name = 0;
    glEnable(GL_TEXTURE_2D);
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    if (order == UploadOrder::image_then_parameters) {
        upload();
        parameters(GL_TEXTURE_MAG_FILTER, GL_TEXTURE_MIN_FILTER);
    } else {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        parameters(GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER);
        upload();
    }
    return name;
}

// ---- each file once in a display list ----------------------------------------------------

// A texture a load made while a display list was being compiled. glTexImage2D compiled into
// a list keeps a copy of the pixels in the list, and the list fills the texture from it every
// time it runs; a list that loads the same file again (BUGGYL loads "buggy.bmp" three times)
// would keep a copy per load and fill a texture per load each run. So a later load of the
// same file by the same loader, into the same list, binds the texture the first load made:
// the list holds one copy of each file and fills one texture from it. The list records the
// same picture either way. Outside list compilation every load makes a new texture.
//
// Which list is being compiled is asked of OpenGL (GL_LIST_INDEX; a query, which no list
// records), so the loads are known by list name and context: a load in another list, or
// outside any, forgets them. A list compiled afresh under the same name with no load in
// between would still find its old loads (lists and textures live as long as the context, so
// their textures are still there).
struct ListLoad {
    bool bitmap;  // TEXTURELOAD's load, else a TGA load
    std::string file;
    TGATEXTURE record;  // what the load left in its record (IMAGEDATA released); TEXID for a bitmap
};

struct ListLoads {
    HGLRC context = nullptr;
    GLint list = 0;  // the list being compiled; 0: none
    std::vector<ListLoad> loads;
};

ListLoads list_loads;

// The list being compiled in the current context (0: none), keeping the loads of that list
// and forgetting those of any other.
GLint list_being_compiled() {
    GLint list = 0;
    glGetIntegerv(GL_LIST_INDEX, &list);
    const HGLRC context = wglGetCurrentContext();
    if (list != list_loads.list || context != list_loads.context) {
        list_loads.loads.clear();
        list_loads.context = context;
        list_loads.list = list;
    }
    return list;
}

// The load of `file` earlier in the list being compiled, if any.
const ListLoad* earlier_load(bool bitmap, const std::string& file) {
    if (list_being_compiled() == 0) return nullptr;
    for (const ListLoad& load : list_loads.loads) {
        if (load.bitmap == bitmap && load.file == file) return &load;
    }
    return nullptr;
}

// Notes a load just made, if a list is being compiled.
void remember_load(bool bitmap, const std::string& file, const TGATEXTURE& record) {
    if (list_loads.list == 0) return;
    TGATEXTURE kept = record;
    kept.IMAGEDATA = nullptr;
    list_loads.loads.push_back(ListLoad{bitmap, file, kept});
}

// What a load of a file the list already holds issues: texturing on and its texture bound.
void bind_again(GLuint name) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, name);
}

// Reads a TGA file into `texture` and makes its texture; the new texture is left bound.
// Returns false, with `texture.TEXID` untouched, when the file is missing or rejected.
//
// OpenGL reads the rows of an upload at the unpack alignment in force, so the reader is
// asked for rows filled up to that alignment (they differ from gap-free rows only where a
// row's bytes are not a multiple of it); with other rows OpenGL would read the picture
// skewed and run past the end of the buffer. The rows are filled while they are read: no
// second copy.
bool load_tga_texture(TGATEXTURE& texture, const std::string& file) {
    if (!file_exists(file)) return false;
    if (const ListLoad* earlier = earlier_load(false, file)) {
        texture = earlier->record;
        bind_again(texture.TEXID);
        return true;
    }
    if (!LOADTGAFROMFILE(texture, file, unpack_alignment(), largest_texture_side)) return false;
    const TextureImage image{static_cast<GLint>(texture.BPP / 8), static_cast<GLsizei>(texture.WIDTH),
                             static_cast<GLsizei>(texture.HEIGHT), static_cast<GLenum>(texture.TYP),
                             texture.IMAGEDATA};
    texture.TEXID = make_texture(image, UploadOrder::image_then_parameters);
    std::free(texture.IMAGEDATA);  // OpenGL (or the list being compiled) holds its own copy
    texture.IMAGEDATA = nullptr;
    remember_load(false, file, texture);
    return true;
}

// ---- bitmaps of any depth as R, G, B rows ---------------------------------------------

// A copy of the bitmap as a 24-bit bottom-up DIB section, made by GDI: BitBlt converts any
// depth (colour tables, bit fields) and row order on the way, with the platform's own rule.
// The copy belongs to the caller; `bits` points at its rows.
HBITMAP copy_as_24_bit(HBITMAP bitmap, LONGINT width, LONGINT height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: bottom row first, as the upload reads
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    HBITMAP copy = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
    if (copy == nullptr) return nullptr;
    HDC from = CreateCompatibleDC(nullptr);
    HDC to = CreateCompatibleDC(nullptr);
    const bool copied = from && to;
    if (copied) {
        HGDIOBJ old_from = SelectObject(from, bitmap);
        HGDIOBJ old_to = SelectObject(to, copy);
        BitBlt(to, 0, 0, width, height, from, 0, 0, SRCCOPY);
        SelectObject(to, old_to);
        SelectObject(from, old_from);
        GdiFlush();  // the rows are read directly next
    }
    if (from) DeleteDC(from);
    if (to) DeleteDC(to);
    if (!copied) {
        DeleteObject(copy);
        return nullptr;
    }
    return copy;
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
    // A file whose headers promise more than it holds is unreadable like a missing one; the
    // platform's loader would read past its end.
    if (!BMPFILEFITS(BMPFILE)) return;
    if (const ListLoad* earlier = earlier_load(true, BMPFILE)) {
        TEXTUREID = earlier->record.TEXID;
        bind_again(TEXTUREID);
        return;
    }
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
    // A bitmap that cannot be uploaded is not converted either: its converted copy could be
    // many times the size of its file.
    if (!TEXTUREFITS(static_cast<LONGWORD>(width), static_cast<LONGWORD>(height), largest_texture_side)) {
        DeleteObject(bitmap);  // no texture, silently, like an unreadable file
        return;
    }
    // A 24-bit bottom-up bitmap is uploaded from its own memory; any other is copied to one,
    // and the file's bitmap goes as soon as it is copied: the upload then has one picture in
    // memory besides what OpenGL makes of it.
    uint8_t* rows = static_cast<uint8_t*>(ds.dsBm.bmBits);
    LONGINT stride = ds.dsBm.bmWidthBytes;
    if (ds.dsBm.bmBitsPixel != 24 || ds.dsBmih.biHeight < 0) {
        void* bits = nullptr;
        HBITMAP copy = copy_as_24_bit(bitmap, width, height, &bits);
        DeleteObject(bitmap);
        if (copy == nullptr) return;
        bitmap = copy;
        rows = static_cast<uint8_t*>(bits);
        stride = (width * 3 + 3) & ~3;
    }
    // B, G, R to R, G, B, row by row so that the fill bytes at the end of each row are skipped.
    if (stride == int64_t{width} * 3 && int64_t{width} * height <= INT32_MAX) {
        SWAPRGB(rows, width * height);
    } else {
        for (LONGINT y = 0; y < height; ++y) SWAPRGB(rows + int64_t{y} * stride, width);
    }
    TEXTUREID = make_texture(TextureImage{3, width, height, GL_RGB, rows},
                             UploadOrder::unpack_state_and_parameters_then_image);
    glBindTexture(GL_TEXTURE_2D, TEXTUREID);
    // The texture (or the display list being compiled) holds its own copy of the pixels.
    DeleteObject(bitmap);
    TGATEXTURE record{};
    record.TEXID = TEXTUREID;
    remember_load(true, BMPFILE, record);
}

void SWAPRGB(void* DATA, LONGINT SIZE_) {
    auto* p = static_cast<uint8_t*>(DATA);
    for (LONGINT i = 0; i < SIZE_; ++i, p += 3) {
        const uint8_t b = p[0];
        p[0] = p[2];
        p[2] = b;
    }
}
