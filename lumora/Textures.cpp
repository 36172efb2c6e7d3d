// Image files and textures: the TGA reader (uncompressed and run-length encoded true-colour
// images) and the texture loaders that turn TGA and bitmap files into OpenGL textures.
#include "lumora/Lumora.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

// ---------------------------------------------------------------------------------------
// TGA file reader: uncompressed (type 2) and run-length encoded (type 10) true-colour images
// of 24 or 32 bits, turned into R, G, B (, A) pixel buffers for glTexImage2D.
//
// The file is read through one fixed read buffer (large blocks, never one system call per
// byte); pixel data of uncompressed files is read straight into the image buffer. Every
// failure is reported in a message box and returns false with nothing left allocated.
// The image buffer handed to the caller is allocated with calloc and released with free.
//
// Memory: an image wider or taller than the largest texture OpenGL can make is refused as
// an allocation failure before anything is allocated, and rows are written straight to
// where the upload reads them, so a load holds the image buffer (with any fill bytes at the
// row ends) and a few bytes besides; the read buffer lives with the open file, not on the
// heap.
// ---------------------------------------------------------------------------------------
TTGAHEADER TGAHEADER;
TTGA TGA;
const GLubyte UTGACOMPARE[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const GLubyte CTGACOMPARE[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

namespace {

constexpr size_t kReadBufferSize = 64 * 1024;
constexpr size_t kMaxFileNameLength = 255;

// Image sides up to this are taken without asking OpenGL: every implementation the library
// runs on holds them (OpenGL 3.0 and later must, and Windows' own software OpenGL 1.1 does),
// and such an image takes at most 4 MiB. Only larger images make the reader ask, so loads
// of ordinary images make exactly the GL calls they always made.
constexpr LONGWORD kSideEveryContextHolds = 1024;
// The largest side when no OpenGL context is current (glGetIntegerv then does nothing):
// 16384 is what OpenGL 4.1 asks at least, what Mesa's software renderers and most desktop
// GPUs hold, so an image read before a context exists will still fit one later on most
// machines; at 32 bits such an image takes at most 1 GiB.
constexpr LONGWORD kSideWithoutContext = 16384;

// The open TGA file, read as raw bytes through one read buffer. An operating-system read
// error ends the data just like the end of the file does: the caller sees a short read.
class TgaFile {
public:
    // Opens an existing file on disk for reading; directories and missing files fail. So do
    // pipes, FIFOs and devices: their reads would wait for a writer or never end, so they
    // are closed at once and count as files that cannot be opened. The bytes come as they
    // are in the file (a Win32 file handle has no text mode).
    bool open(const std::string& name) {
        close();
        HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        if (GetFileType(file) != FILE_TYPE_DISK) {
            CloseHandle(file);
            return false;
        }
        LARGE_INTEGER size{};
        size_known_ = GetFileSizeEx(file, &size) && size.QuadPart >= 0;
        file_ = file;
        file_size_ = size_known_ ? static_cast<uint64_t>(size.QuadPart) : 0;
        consumed_from_file_ = 0;
        pos_ = len_ = 0;
        ended_ = false;
        return true;
    }

    void close() {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        pos_ = len_ = 0;
    }

    // Copies up to n bytes to dst; returns how many arrived.
    size_t read(void* dst, size_t n) {
        auto* out = static_cast<unsigned char*>(dst);
        size_t got = take_buffered(out, n);
        while (got < n && !ended_) {
            const size_t want = n - got;
            if (want >= kReadBufferSize) {
                const size_t r = system_read(out + got, want);
                if (r == 0) break;
                got += r;
            } else {
                if (!refill()) break;
                got += take_buffered(out + got, want);
            }
        }
        return got;
    }

    // Skips up to n bytes; returns how many were there.
    size_t skip(size_t n) {
        size_t got = 0;
        while (got < n) {
            if (pos_ == len_ && !refill()) break;
            const size_t step = std::min(n - got, len_ - pos_);
            pos_ += step;
            got += step;
        }
        return got;
    }

    // Bytes not yet handed out, when the file's size is known; otherwise UINT64_MAX.
    uint64_t remaining() const {
        if (!size_known_) return UINT64_MAX;
        const uint64_t in_file = file_size_ > consumed_from_file_ ? file_size_ - consumed_from_file_ : 0;
        return in_file + (len_ - pos_);
    }

    // Direct access for the run-length decoder: the buffered bytes, refilled on demand.
    const unsigned char* data() const { return buffer_ + pos_; }
    size_t available() const { return len_ - pos_; }
    void consume(size_t n) { pos_ += n; }
    bool refill_if_empty() { return pos_ < len_ || refill(); }
    // Makes at least n bytes (n no more than the buffer) available if the file has them.
    bool ensure(size_t n) {
        while (len_ - pos_ < n) {
            if (!refill()) return false;
        }
        return true;
    }

private:
    size_t take_buffered(unsigned char* out, size_t n) {
        const size_t step = std::min(n, len_ - pos_);
        if (step != 0) std::memcpy(out, buffer_ + pos_, step);
        pos_ += step;
        return step;
    }

    bool refill() {
        // Keep what is left at the front so a value split across two blocks stays whole.
        const size_t left = len_ - pos_;
        if (left != 0) std::memmove(buffer_, buffer_ + pos_, left);
        pos_ = 0;
        len_ = left;
        const size_t r = system_read(buffer_ + len_, kReadBufferSize - len_);
        len_ += r;
        return r != 0;
    }

    size_t system_read(unsigned char* dst, size_t n) {
        if (file_ == INVALID_HANDLE_VALUE || ended_) return 0;
        DWORD got = 0;
        const DWORD want = n > 0x7FFFFFFFu ? 0x7FFFFFFFu : static_cast<DWORD>(n);
        if (!ReadFile(file_, dst, want, &got, nullptr) || got == 0) {
            ended_ = true;  // end of file or a read error: either way the data stops here
            return 0;
        }
        consumed_from_file_ += got;
        return got;
    }

    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool size_known_ = false;
    bool ended_ = false;
    uint64_t file_size_ = 0;
    uint64_t consumed_from_file_ = 0;
    size_t pos_ = 0;
    size_t len_ = 0;
    unsigned char buffer_[kReadBufferSize];
};

TgaFile FTGA;

void report(const char* message) { MessageBoxA(nullptr, message, "ERROR", MB_OK); }

// Outcome of the pixel data of a run-length encoded image.
enum class RleResult { ok, no_header, short_raw_pixel, short_run_pixel, too_many_pixels };

const char* rle_message(RleResult result) {
    switch (result) {
    case RleResult::no_header: return "Could not read RLE header";
    case RleResult::short_raw_pixel: return "Could not read image data";
    case RleResult::short_run_pixel: return "Could not read from file";
    case RleResult::too_many_pixels: return "Too many pixels read";
    case RleResult::ok: break;
    }
    return "";
}

// The largest width and height a texture can have in the current OpenGL context.
LONGWORD largest_texture_side() {
    GLint side = 0;  // stays 0 when no context is current: the call then does nothing
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return side > 0 ? static_cast<LONGWORD>(side) : kSideWithoutContext;
}

// Whether OpenGL can make a texture of this size (see kSideEveryContextHolds).
bool fits_a_texture(LONGWORD width, LONGWORD height) {
    const LONGWORD side = std::max(width, height);
    return side <= kSideEveryContextHolds || side <= largest_texture_side();
}

// The common start of both pixel readers up to the image size. An image that cannot be had
// fails here as its allocation would: one beyond 32 bits of bytes, or wider or taller than
// any texture the current context can make (it could not be uploaded, and a small
// run-length encoded file can declare gigabytes of such pixels). The readers then check that
// the rest of the file can hold the pixel data before they allocate the image buffer.
bool common_start(TGATEXTURE& TEXTURE) {
    if (FTGA.read(TGA.HEADER, 6) < 6) {
        report("Could not read info header");
        return false;
    }
    TEXTURE.WIDTH = TGA.HEADER[1] * 256u + TGA.HEADER[0];
    TEXTURE.HEIGHT = TGA.HEADER[3] * 256u + TGA.HEADER[2];
    TEXTURE.BPP = TGA.HEADER[4];
    TGA.WIDTH = TEXTURE.WIDTH;
    TGA.HEIGH = TEXTURE.HEIGHT;
    TGA.BPP = TEXTURE.BPP;
    if (TGA.WIDTH == 0 || TGA.HEIGH == 0 || (TGA.BPP != 24 && TGA.BPP != 32)) {
        report("Invalid texture information");
        return false;
    }
    TEXTURE.TYP = TGA.BPP == 24 ? GL_RGB : GL_RGBA;
    TGA.BYTESPERPIXEL = TGA.BPP / 8;
    // Up to 4 * 65535 * 65535 bytes: more than 32 bits can hold, so it is checked.
    const uint64_t size = uint64_t{TGA.BYTESPERPIXEL} * TGA.WIDTH * TGA.HEIGH;
    TGA.IMAGESIZE = size > UINT32_MAX ? 0 : static_cast<LONGWORD>(size);
    if (size > UINT32_MAX || !fits_a_texture(TGA.WIDTH, TGA.HEIGH)) {
        report("Could not allocate memory for image");
        return false;
    }
    return true;
}

// How the rows lie in the image buffer: in file order, each starting `stride` bytes after
// the one before. The stride is the row's pixel bytes filled up to a multiple of the
// alignment asked for; the fill bytes stay 0.
struct RowLayout {
    size_t bytes;
    size_t stride;
};

RowLayout row_layout(size_t alignment) {
    const size_t bytes = size_t{TGA.BYTESPERPIXEL} * TGA.WIDTH;
    return RowLayout{bytes, (bytes + alignment - 1) / alignment * alignment};
}

bool allocate_image(TGATEXTURE& TEXTURE, const RowLayout& rows) {
    const uint64_t size = uint64_t{rows.stride} * TGA.HEIGH;
    TEXTURE.IMAGEDATA = size <= SIZE_MAX ? static_cast<GLubyte*>(std::calloc(static_cast<size_t>(size), 1)) : nullptr;
    if (TEXTURE.IMAGEDATA == nullptr) {
        report("Could not allocate memory for image");
        return false;
    }
    return true;
}

void release_image(TGATEXTURE& TEXTURE) {
    std::free(TEXTURE.IMAGEDATA);
    TEXTURE.IMAGEDATA = nullptr;
}

// Exchanges blue and red of `count` pixels in place.
void swap_red_blue(GLubyte* data, uint64_t count, LONGWORD bytes_per_pixel) {
    if (bytes_per_pixel == 4) {
        for (uint64_t i = 0; i < count; ++i) {
            uint32_t v;
            std::memcpy(&v, data + i * 4, 4);
            v = (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
            std::memcpy(data + i * 4, &v, 4);
        }
    } else {
        for (uint64_t i = 0; i < count; ++i) {
            GLubyte* p = data + i * 3;
            const GLubyte b = p[0];
            p[0] = p[2];
            p[2] = b;
        }
    }
}

// Writes `count` file pixels (B, G, R (, A)) from `in` to `out` as R, G, B (, A).
void store_pixels(GLubyte* out, const GLubyte* in, uint64_t count, LONGWORD bytes_per_pixel) {
    if (bytes_per_pixel == 4) {
        for (uint64_t n = 0; n < count; ++n, out += 4, in += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = in[3];
        }
    } else {
        for (uint64_t n = 0; n < count; ++n, out += 3, in += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
}

// Writes the pixel `px` (already R, G, B (, A)) `count` times from `out` on.
void repeat_pixel(GLubyte* out, const GLubyte* px, uint64_t count, LONGWORD bytes_per_pixel) {
    if (bytes_per_pixel == 4) {
        for (uint64_t n = 0; n < count; ++n, out += 4) std::memcpy(out, px, 4);
    } else {
        for (uint64_t n = 0; n < count; ++n, out += 3) std::memcpy(out, px, 3);
    }
}

// Runs through the packets without storing anything, to learn how a file whose rest is too
// small for the image fails. Only used when that rest is smaller than any complete packet
// stream could be, so it never gets through and reads at most that small rest.
RleResult dry_run_packets(uint64_t pixel_count, LONGWORD bpp) {
    uint64_t current = 0;
    while (current < pixel_count) {
        unsigned char header;
        if (FTGA.read(&header, 1) < 1) return RleResult::no_header;
        if (header < 128) {
            for (unsigned n = 0; n < header + 1u; ++n) {
                if (FTGA.skip(bpp) < bpp) return RleResult::short_raw_pixel;
                if (current == pixel_count) return RleResult::too_many_pixels;
                ++current;
            }
        } else {
            if (FTGA.skip(bpp) < bpp) return RleResult::short_run_pixel;
            const unsigned run = header - 127u;
            if (current + run > pixel_count) return RleResult::too_many_pixels;
            current += run;
        }
    }
    // The file grew while it was being read; treat the mismatch as short pixel data.
    return RleResult::short_raw_pixel;
}

// Decodes the packets into `image`, rows laid out as `rows` says. Packets do not stop at
// the end of a row, so each is stored in pieces that do; rows without fill bytes are stored
// as one long row.
RleResult decode_packets(GLubyte* image, uint64_t pixel_count, LONGWORD bpp, GLubyte* color, const RowLayout& rows) {
    const uint64_t row_pixels = rows.stride == rows.bytes ? pixel_count : TGA.WIDTH;
    const size_t fill = rows.stride - rows.bytes;
    uint64_t current = 0;
    uint64_t left_in_row = row_pixels;
    GLubyte* out = image;
    // Counts `n` pixels just stored in the current row; at its end, steps over the fill.
    auto stored = [&](uint64_t n) {
        out += n * bpp;
        current += n;
        left_in_row -= n;
        if (left_in_row == 0) {
            out += fill;
            left_in_row = row_pixels;
        }
    };
    while (current < pixel_count) {
        if (!FTGA.refill_if_empty()) return RleResult::no_header;
        const unsigned header = *FTGA.data();
        FTGA.consume(1);
        if (header < 128) {
            const unsigned count = header + 1;
            const size_t bytes = size_t{count} * bpp;
            if (current + count <= pixel_count && FTGA.ensure(bytes)) {
                const GLubyte* in = FTGA.data();
                for (uint64_t left = count; left > 0;) {
                    const uint64_t n = std::min(left, left_in_row);
                    store_pixels(out, in, n, bpp);
                    in += n * bpp;
                    left -= n;
                    stored(n);
                }
                FTGA.consume(bytes);
            } else {
                // Near the end of the buffer or of the image: one pixel at a time.
                for (unsigned n = 0; n < count; ++n) {
                    if (FTGA.read(color, bpp) < bpp) return RleResult::short_raw_pixel;
                    if (current == pixel_count) return RleResult::too_many_pixels;
                    store_pixels(out, color, 1, bpp);
                    stored(1);
                }
            }
        } else {
            if (FTGA.read(color, bpp) < bpp) return RleResult::short_run_pixel;
            const uint64_t run = header - 127u;
            const uint64_t room = pixel_count - current;
            const GLubyte px[4] = {color[2], color[1], color[0], bpp == 4 ? color[3] : GLubyte{0}};
            for (uint64_t left = std::min(run, room); left > 0;) {
                const uint64_t n = std::min(left, left_in_row);
                repeat_pixel(out, px, n, bpp);
                left -= n;
                stored(n);
            }
            if (run > room) return RleResult::too_many_pixels;
        }
    }
    return RleResult::ok;
}

// LOADUNCOMPRESSEDTGA with rows filled up to `alignment` bytes.
bool read_uncompressed(TGATEXTURE& TEXTURE, size_t alignment) {
    if (!common_start(TEXTURE)) return false;
    if (FTGA.remaining() < TGA.IMAGESIZE) {
        // The file cannot hold the pixels: the read below would come up short.
        report("Could not read image data");
        return false;
    }
    const RowLayout rows = row_layout(alignment);
    if (!allocate_image(TEXTURE, rows)) return false;
    // Rows without fill bytes lie as in the file and come in one read; otherwise each row is
    // read straight to its place.
    const bool one_piece = rows.stride == rows.bytes;
    const size_t pieces = one_piece ? 1 : TGA.HEIGH;
    const size_t length = one_piece ? TGA.IMAGESIZE : rows.bytes;
    const uint64_t pixels = one_piece ? uint64_t{TGA.WIDTH} * TGA.HEIGH : TGA.WIDTH;
    for (size_t i = 0; i < pieces; ++i) {
        GLubyte* at = TEXTURE.IMAGEDATA + i * rows.stride;
        if (FTGA.read(at, length) < length) {
            report("Could not read image data");
            release_image(TEXTURE);
            return false;
        }
        swap_red_blue(at, pixels, TGA.BYTESPERPIXEL);
    }
    FTGA.close();
    return true;
}

// LOADCOMPRESSEDTGA with rows filled up to `alignment` bytes.
bool read_compressed(TGATEXTURE& TEXTURE, size_t alignment) {
    if (!common_start(TEXTURE)) return false;
    const uint64_t pixel_count = uint64_t{TGA.HEIGH} * TGA.WIDTH;
    const LONGWORD bpp = TGA.BYTESPERPIXEL;
    // Every packet covers at most 128 pixels and takes a header byte and at least one pixel.
    const uint64_t smallest_stream = (pixel_count + 127) / 128 * (1 + bpp);
    if (FTGA.remaining() < smallest_stream) {
        report(rle_message(dry_run_packets(pixel_count, bpp)));
        return false;
    }
    const RowLayout rows = row_layout(alignment);
    if (!allocate_image(TEXTURE, rows)) return false;
    auto* color = static_cast<GLubyte*>(std::calloc(bpp, 1));
    if (color == nullptr) {
        report("Could not allocate memory for color buffer");
        release_image(TEXTURE);
        return false;
    }
    const RleResult result = decode_packets(TEXTURE.IMAGEDATA, pixel_count, bpp, color, rows);
    std::free(color);
    if (result != RleResult::ok) {
        report(rle_message(result));
        release_image(TEXTURE);
        return false;
    }
    FTGA.close();
    return true;
}

// LOADTGA with rows filled up to `alignment` bytes: 1 gives the record's gap-free rows,
// the texture loader asks for the rows OpenGL's upload reads.
bool read_tga(TGATEXTURE& TEXTURE, const std::string& FILENAME, size_t alignment) {
    const std::string name = FILENAME.substr(0, kMaxFileNameLength);
    if (!FTGA.open(name)) {
        report("Could not open texture file");
        return false;
    }
    if (FTGA.read(TGAHEADER.HEADER, sizeof TGAHEADER.HEADER) < sizeof TGAHEADER.HEADER) {
        report("Could not read file header");
        FTGA.close();
        return false;
    }
    bool result;
    if (std::memcmp(TGAHEADER.HEADER, UTGACOMPARE, sizeof UTGACOMPARE) == 0) {
        result = read_uncompressed(TEXTURE, alignment);
        if (!result) FTGA.close();
    } else if (std::memcmp(TGAHEADER.HEADER, CTGACOMPARE, sizeof CTGACOMPARE) == 0) {
        result = read_compressed(TEXTURE, alignment);
        if (!result) FTGA.close();
    } else {
        MessageBoxA(nullptr, "TGA file be type 2 or type 10", "Invalid Image", MB_OK);
        FTGA.close();
        result = false;
    }
    return result;
}

}  // namespace

// The image's rows follow each other without gaps, WIDTH x BPP / 8 bytes each.
bool LOADTGA(TGATEXTURE& TEXTURE, const std::string& FILENAME) { return read_tga(TEXTURE, FILENAME, 1); }

bool LOADUNCOMPRESSEDTGA(TGATEXTURE& TEXTURE, const std::string& FILENAME) {
    (void)FILENAME;  // the file is already open
    return read_uncompressed(TEXTURE, 1);
}

bool LOADCOMPRESSEDTGA(TGATEXTURE& TEXTURE, const std::string& FILENAME) {
    (void)FILENAME;  // the file is already open
    return read_compressed(TEXTURE, 1);
}

// ---------------------------------------------------------------------------------------
// Texture loading and selection: TGA files into the unit texture or the numbered table,
// bitmap files through the platform's image loader. Every texture is a one-level
// GL_TEXTURE_2D with linear filtering and repeat wrapping, uploaded at the image's own size.
// ---------------------------------------------------------------------------------------
TGATEXTURE TEXTURETGA{};
TGATEXTURE TEXTURETGA2[MAXTEXTURESLOT + 1]{};
LONGWORD TEXTUREID = 0;

namespace {

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
    if (!read_tga(texture, file, kUnpackAlignment)) return false;
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
