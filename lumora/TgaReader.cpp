// TGA file reader: uncompressed (type 2) and run-length encoded (type 10) true-colour images
// of 24 or 32 bits, turned into R, G, B (, A) pixel buffers for glTexImage2D.
//
// The bytes come from a source: a file on disk, read through one fixed read buffer (large
// blocks, never one system call per byte; pixel data of uncompressed files is read straight
// into the image buffer), or a block of memory. Both are decoded by the same code. Every
// failure is reported in a message box and returns false with nothing left allocated.
// The image buffer handed to the caller is allocated with calloc and released with free.
//
// Memory: an image wider or taller than the largest texture the caller can make is refused
// as an allocation failure before anything is allocated, and rows are written straight to
// where the upload reads them, so a load holds the image buffer (with any fill bytes at the
// row ends) and a few bytes besides; the read buffer is the reader's own, not on the heap.
//
// The reader makes no OpenGL call: the largest texture side is the caller's to tell.
#include "lumora/TgaReader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

TTGAHEADER TGAHEADER;
TTGA TGA;
const GLubyte UTGACOMPARE[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const GLubyte CTGACOMPARE[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

namespace {

constexpr size_t kReadBufferSize = 64 * 1024;
constexpr size_t kMaxFileNameLength = 255;

// Image sides up to this are taken without asking the caller: every OpenGL implementation
// the library runs on holds them (OpenGL 3.0 and later must, and Windows' own software
// OpenGL 1.1 does), and such an image takes at most 4 MiB. Only larger images make the
// reader ask, so loads of ordinary images make exactly the GL calls they always made.
constexpr LONGWORD kSideEveryContextHolds = 1024;
// The largest side when the caller cannot tell (no OpenGL context is current, or the image
// is not meant for one): 16384 is what OpenGL 4.1 asks at least, what Mesa's software
// renderers and most desktop GPUs hold, so an image read before a context exists will
// still fit one later on most machines; at 32 bits such an image takes at most 1 GiB.
constexpr LONGWORD kSideWithoutContext = 16384;

// ---- the source of the bytes ------------------------------------------------------------

// Where the reader takes its bytes from. The bytes at hand are data[pos, len): for a block
// of memory the whole block, for a file the read buffer, refilled from the file when it runs
// dry. A source that is closed, or a block read to its end, has no more bytes.
struct TgaSource {
    const unsigned char* data = nullptr;
    size_t pos = 0;
    size_t len = 0;
    HANDLE file = INVALID_HANDLE_VALUE;  // the file behind the read buffer; none for memory
    bool ended = true;                   // nothing beyond data[len) to be had
    bool size_known = true;              // a file's size could be asked (memory: always)
    uint64_t file_size = 0;
    uint64_t consumed_from_file = 0;     // bytes of the file already in the read buffer or given out
};

// The read buffer of the open file: one file is read at a time.
unsigned char read_buffer[kReadBufferSize];

// The source being read, file or memory.
TgaSource FTGA;

void source_close(TgaSource& source) {
    if (source.file != INVALID_HANDLE_VALUE) CloseHandle(source.file);
    source = TgaSource{};
}

// Opens an existing file on disk for reading; directories and missing files fail. So do
// pipes, FIFOs and devices: their reads would wait for a writer or never end, so they are
// closed at once and count as files that cannot be opened. The bytes come as they are in
// the file (a Win32 file handle has no text mode).
bool source_open_file(TgaSource& source, const std::string& name) {
    source_close(source);
    HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return false;
    }
    LARGE_INTEGER size{};
    source.size_known = GetFileSizeEx(file, &size) && size.QuadPart >= 0;
    source.file_size = source.size_known ? static_cast<uint64_t>(size.QuadPart) : 0;
    source.file = file;
    source.data = read_buffer;
    source.ended = false;
    return true;
}

// The SIZE bytes at DATA, all at hand from the start; a null DATA is an empty block.
void source_open_memory(TgaSource& source, const unsigned char* data, size_t size) {
    source_close(source);
    source.data = data;
    source.len = data != nullptr ? size : 0;
}

// Reads up to n bytes of the file straight to dst. An operating-system read error ends the
// file's data just like its end does: the caller sees a short read.
size_t read_file(TgaSource& source, unsigned char* dst, size_t n) {
    if (source.file == INVALID_HANDLE_VALUE || source.ended) return 0;
    DWORD got = 0;
    const DWORD want = n > 0x7FFFFFFFu ? 0x7FFFFFFFu : static_cast<DWORD>(n);
    if (!ReadFile(source.file, dst, want, &got, nullptr) || got == 0) {
        source.ended = true;  // end of file or a read error: either way the data stops here
        return 0;
    }
    source.consumed_from_file += got;
    return got;
}

// Tops the read buffer up from the file; false when no more bytes came (always, for memory).
bool source_refill(TgaSource& source) {
    if (source.ended) return false;
    // Keep what is left at the front so a value split across two blocks stays whole.
    const size_t left = source.len - source.pos;
    if (left != 0) std::memmove(read_buffer, read_buffer + source.pos, left);
    source.pos = 0;
    source.len = left;
    const size_t r = read_file(source, read_buffer + left, kReadBufferSize - left);
    source.len += r;
    return r != 0;
}

size_t take_at_hand(TgaSource& source, unsigned char* out, size_t n) {
    const size_t step = std::min(n, source.len - source.pos);
    if (step != 0) std::memcpy(out, source.data + source.pos, step);
    source.pos += step;
    return step;
}

// Copies up to n bytes to dst; returns how many arrived.
size_t source_read(TgaSource& source, void* dst, size_t n) {
    auto* out = static_cast<unsigned char*>(dst);
    size_t got = take_at_hand(source, out, n);
    while (got < n && !source.ended) {
        const size_t want = n - got;
        if (want >= kReadBufferSize) {
            const size_t r = read_file(source, out + got, want);
            if (r == 0) break;
            got += r;
        } else {
            if (!source_refill(source)) break;
            got += take_at_hand(source, out + got, want);
        }
    }
    return got;
}

// Skips up to n bytes; returns how many were there.
size_t source_skip(TgaSource& source, size_t n) {
    size_t got = 0;
    while (got < n) {
        if (source.pos == source.len && !source_refill(source)) break;
        const size_t step = std::min(n - got, source.len - source.pos);
        source.pos += step;
        got += step;
    }
    return got;
}

// Bytes not yet handed out, when the source's size is known; otherwise UINT64_MAX.
uint64_t source_remaining(const TgaSource& source) {
    if (!source.size_known) return UINT64_MAX;
    const uint64_t in_file =
        source.file_size > source.consumed_from_file ? source.file_size - source.consumed_from_file : 0;
    return in_file + (source.len - source.pos);
}

// Makes at least n bytes (n no more than the read buffer) at hand if the source has them.
bool source_ensure(TgaSource& source, size_t n) {
    while (source.len - source.pos < n) {
        if (!source_refill(source)) return false;
    }
    return true;
}

// ---- the reader ---------------------------------------------------------------------------

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

// How a read lays out and bounds the image: rows filled up to `alignment` bytes, sides
// bounded by what `largest_side` tells.
struct ReadOptions {
    size_t alignment;
    TGASIDEQUERY largest_side;
};

// Whether a texture of this size can be made (see kSideEveryContextHolds).
bool fits_a_texture(LONGWORD width, LONGWORD height, TGASIDEQUERY largest_side) {
    const LONGWORD side = std::max(width, height);
    if (side <= kSideEveryContextHolds) return true;
    const LONGWORD told = largest_side != nullptr ? largest_side() : 0;
    return side <= (told > 0 ? told : kSideWithoutContext);
}

// The common start of both pixel readers up to the image size. An image that cannot be had
// fails here as its allocation would: one beyond 32 bits of bytes, or wider or taller than
// any texture the caller can make (it could not be uploaded, and a small run-length encoded
// file can declare gigabytes of such pixels). The readers then check that the rest of the
// source can hold the pixel data before they allocate the image buffer.
bool common_start(TGATEXTURE& TEXTURE, const ReadOptions& options) {
    if (source_read(FTGA, TGA.HEADER, 6) < 6) {
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
    if (size > UINT32_MAX || !fits_a_texture(TGA.WIDTH, TGA.HEIGH, options.largest_side)) {
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

// Runs through the packets without storing anything, to learn how a source whose rest is
// too small for the image fails. Only used when that rest is smaller than any complete
// packet stream could be, so it never gets through and reads at most that small rest.
RleResult dry_run_packets(uint64_t pixel_count, LONGWORD bpp) {
    uint64_t current = 0;
    while (current < pixel_count) {
        unsigned char header;
        if (source_read(FTGA, &header, 1) < 1) return RleResult::no_header;
        if (header < 128) {
            for (unsigned n = 0; n < header + 1u; ++n) {
                if (source_skip(FTGA, bpp) < bpp) return RleResult::short_raw_pixel;
                if (current == pixel_count) return RleResult::too_many_pixels;
                ++current;
            }
        } else {
            if (source_skip(FTGA, bpp) < bpp) return RleResult::short_run_pixel;
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
        if (!source_ensure(FTGA, 1)) return RleResult::no_header;
        const unsigned header = FTGA.data[FTGA.pos];
        FTGA.pos += 1;
        if (header < 128) {
            const unsigned count = header + 1;
            const size_t bytes = size_t{count} * bpp;
            if (current + count <= pixel_count && source_ensure(FTGA, bytes)) {
                // The whole packet is at hand: stored straight from the source's bytes.
                const GLubyte* in = FTGA.data + FTGA.pos;
                for (uint64_t left = count; left > 0;) {
                    const uint64_t n = std::min(left, left_in_row);
                    store_pixels(out, in, n, bpp);
                    in += n * bpp;
                    left -= n;
                    stored(n);
                }
                FTGA.pos += bytes;
            } else {
                // Near the end of the buffer or of the image: one pixel at a time.
                for (unsigned n = 0; n < count; ++n) {
                    if (source_read(FTGA, color, bpp) < bpp) return RleResult::short_raw_pixel;
                    if (current == pixel_count) return RleResult::too_many_pixels;
                    store_pixels(out, color, 1, bpp);
                    stored(1);
                }
            }
        } else {
            if (source_read(FTGA, color, bpp) < bpp) return RleResult::short_run_pixel;
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

// LOADUNCOMPRESSEDTGA with the read's options.
bool read_uncompressed(TGATEXTURE& TEXTURE, const ReadOptions& options) {
    if (!common_start(TEXTURE, options)) return false;
    if (source_remaining(FTGA) < TGA.IMAGESIZE) {
        // The source cannot hold the pixels: the read below would come up short.
        report("Could not read image data");
        return false;
    }
    const RowLayout rows = row_layout(options.alignment);
    if (!allocate_image(TEXTURE, rows)) return false;
    // Rows without fill bytes lie as in the file and come in one read; otherwise each row is
    // read straight to its place.
    const bool one_piece = rows.stride == rows.bytes;
    const size_t pieces = one_piece ? 1 : TGA.HEIGH;
    const size_t length = one_piece ? TGA.IMAGESIZE : rows.bytes;
    const uint64_t pixels = one_piece ? uint64_t{TGA.WIDTH} * TGA.HEIGH : TGA.WIDTH;
    for (size_t i = 0; i < pieces; ++i) {
        GLubyte* at = TEXTURE.IMAGEDATA + i * rows.stride;
        if (source_read(FTGA, at, length) < length) {
            report("Could not read image data");
            release_image(TEXTURE);
            return false;
        }
        swap_red_blue(at, pixels, TGA.BYTESPERPIXEL);
    }
    source_close(FTGA);
    return true;
}

// LOADCOMPRESSEDTGA with the read's options.
bool read_compressed(TGATEXTURE& TEXTURE, const ReadOptions& options) {
    if (!common_start(TEXTURE, options)) return false;
    const uint64_t pixel_count = uint64_t{TGA.HEIGH} * TGA.WIDTH;
    const LONGWORD bpp = TGA.BYTESPERPIXEL;
    // Every packet covers at most 128 pixels and takes a header byte and at least one pixel.
    const uint64_t smallest_stream = (pixel_count + 127) / 128 * (1 + bpp);
    if (source_remaining(FTGA) < smallest_stream) {
        report(rle_message(dry_run_packets(pixel_count, bpp)));
        return false;
    }
    const RowLayout rows = row_layout(options.alignment);
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
    source_close(FTGA);
    return true;
}

// LOADTGA from the source just opened in FTGA: the file header, then the pixel reader of
// its type. The source is closed when this returns.
bool read_tga(TGATEXTURE& TEXTURE, const ReadOptions& options) {
    if (source_read(FTGA, TGAHEADER.HEADER, sizeof TGAHEADER.HEADER) < sizeof TGAHEADER.HEADER) {
        report("Could not read file header");
        source_close(FTGA);
        return false;
    }
    bool result;
    if (std::memcmp(TGAHEADER.HEADER, UTGACOMPARE, sizeof UTGACOMPARE) == 0) {
        result = read_uncompressed(TEXTURE, options);
        if (!result) source_close(FTGA);
    } else if (std::memcmp(TGAHEADER.HEADER, CTGACOMPARE, sizeof CTGACOMPARE) == 0) {
        result = read_compressed(TEXTURE, options);
        if (!result) source_close(FTGA);
    } else {
        MessageBoxA(nullptr, "TGA file be type 2 or type 10", "Invalid Image", MB_OK);
        source_close(FTGA);
        result = false;
    }
    return result;
}

}  // namespace

bool LOADTGAFROMFILE(TGATEXTURE& TEXTURE, const std::string& FILENAME, size_t ROWALIGNMENT, TGASIDEQUERY LARGESTSIDE) {
    const std::string name = FILENAME.substr(0, kMaxFileNameLength);
    if (!source_open_file(FTGA, name)) {
        report("Could not open texture file");
        return false;
    }
    return read_tga(TEXTURE, ReadOptions{ROWALIGNMENT, LARGESTSIDE});
}

bool LOADTGAFROMMEMORY(TGATEXTURE& TEXTURE, const unsigned char* DATA, size_t SIZE, size_t ROWALIGNMENT,
                       TGASIDEQUERY LARGESTSIDE) {
    source_open_memory(FTGA, DATA, SIZE);
    return read_tga(TEXTURE, ReadOptions{ROWALIGNMENT, LARGESTSIDE});
}

// The pixel readers of the source LOADTGA has open, with gap-free rows.
bool LOADUNCOMPRESSEDTGA(TGATEXTURE& TEXTURE, const std::string& FILENAME) {
    (void)FILENAME;  // the file is already open
    return read_uncompressed(TEXTURE, ReadOptions{1, nullptr});
}

bool LOADCOMPRESSEDTGA(TGATEXTURE& TEXTURE, const std::string& FILENAME) {
    (void)FILENAME;  // the file is already open
    return read_compressed(TEXTURE, ReadOptions{1, nullptr});
}
