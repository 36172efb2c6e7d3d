// TGA file reader: uncompressed (type 2) and run-length encoded (type 10) true-colour images
// of 24 or 32 bits, turned into R, G, B (, A) pixel buffers for glTexImage2D.
//
// The bytes come from a byte source (ByteSource.h): a file on disk, read through the reader's
// one fixed read buffer (pixel data of uncompressed files is read straight into the image
// buffer), or a block of memory. Both are decoded by the same code. Every failure is reported
// in a message box and returns false with nothing left allocated. The image buffer handed to
// the caller is allocated with calloc and released with free.
//
// Memory: an image that does not fit a texture (TextureSize.h) is refused as an allocation
// failure before anything is allocated, and rows are written straight to where the upload
// reads them, so a load holds the image buffer (with any fill bytes at the row ends) and a
// few bytes besides; the read buffer is the reader's own, not on the heap.
//
// The reader makes no OpenGL call: the largest texture side is the caller's to tell.
#include "lumora/TgaReader.h"

#include "lumora/ByteSource.h"

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

// The read buffer of the open file: one file is read at a time.
unsigned char read_buffer[kReadBufferSize];

// The source being read, file or memory.
TBYTESOURCE FTGA;

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

// The common start of both pixel readers up to the image size. An image that cannot be had
// fails here as its allocation would: one beyond 32 bits of bytes, or wider or taller than
// any texture the caller can make (it could not be uploaded, and a small run-length encoded
// file can declare gigabytes of such pixels). The readers then check that the rest of the
// source can hold the pixel data before they allocate the image buffer.
bool common_start(TGATEXTURE& TEXTURE, const ReadOptions& options) {
    if (SOURCEREAD(FTGA, TGA.HEADER, 6) < 6) {
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
    if (size > UINT32_MAX || !TEXTUREFITS(TGA.WIDTH, TGA.HEIGH, options.largest_side)) {
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
        if (SOURCEREAD(FTGA, &header, 1) < 1) return RleResult::no_header;
        if (header < 128) {
            for (unsigned n = 0; n < header + 1u; ++n) {
                if (SOURCESKIP(FTGA, bpp) < bpp) return RleResult::short_raw_pixel;
                if (current == pixel_count) return RleResult::too_many_pixels;
                ++current;
            }
        } else {
            if (SOURCESKIP(FTGA, bpp) < bpp) return RleResult::short_run_pixel;
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
        if (!SOURCEENSURE(FTGA, 1)) return RleResult::no_header;
        const unsigned header = FTGA.DATA[FTGA.POS];
        FTGA.POS += 1;
        if (header < 128) {
            const unsigned count = header + 1;
            const size_t bytes = size_t{count} * bpp;
            if (current + count <= pixel_count && SOURCEENSURE(FTGA, bytes)) {
                // The whole packet is at hand: stored straight from the source's bytes.
                const GLubyte* in = FTGA.DATA + FTGA.POS;
                for (uint64_t left = count; left > 0;) {
                    const uint64_t n = std::min(left, left_in_row);
                    store_pixels(out, in, n, bpp);
                    in += n * bpp;
                    left -= n;
                    stored(n);
                }
                FTGA.POS += bytes;
            } else {
                // Near the end of the buffer or of the image: one pixel at a time.
                for (unsigned n = 0; n < count; ++n) {
                    if (SOURCEREAD(FTGA, color, bpp) < bpp) return RleResult::short_raw_pixel;
                    if (current == pixel_count) return RleResult::too_many_pixels;
                    store_pixels(out, color, 1, bpp);
                    stored(1);
                }
            }
        } else {
            if (SOURCEREAD(FTGA, color, bpp) < bpp) return RleResult::short_run_pixel;
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
    if (SOURCEREMAINING(FTGA) < TGA.IMAGESIZE) {
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
        if (SOURCEREAD(FTGA, at, length) < length) {
            report("Could not read image data");
            release_image(TEXTURE);
            return false;
        }
        swap_red_blue(at, pixels, TGA.BYTESPERPIXEL);
    }
    SOURCECLOSE(FTGA);
    return true;
}

// LOADCOMPRESSEDTGA with the read's options.
bool read_compressed(TGATEXTURE& TEXTURE, const ReadOptions& options) {
    if (!common_start(TEXTURE, options)) return false;
    const uint64_t pixel_count = uint64_t{TGA.HEIGH} * TGA.WIDTH;
    const LONGWORD bpp = TGA.BYTESPERPIXEL;
    // Every packet covers at most 128 pixels and takes a header byte and at least one pixel.
    const uint64_t smallest_stream = (pixel_count + 127) / 128 * (1 + bpp);
    if (SOURCEREMAINING(FTGA) < smallest_stream) {
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
    SOURCECLOSE(FTGA);
    return true;
}

// LOADTGA from the source just opened in FTGA: the file header, then the pixel reader of
// its type. The source is closed when this returns.
bool read_tga(TGATEXTURE& TEXTURE, const ReadOptions& options) {
    if (SOURCEREAD(FTGA, TGAHEADER.HEADER, sizeof TGAHEADER.HEADER) < sizeof TGAHEADER.HEADER) {
        report("Could not read file header");
        SOURCECLOSE(FTGA);
        return false;
    }
    bool result;
    if (std::memcmp(TGAHEADER.HEADER, UTGACOMPARE, sizeof UTGACOMPARE) == 0) {
        result = read_uncompressed(TEXTURE, options);
        if (!result) SOURCECLOSE(FTGA);
    } else if (std::memcmp(TGAHEADER.HEADER, CTGACOMPARE, sizeof CTGACOMPARE) == 0) {
        result = read_compressed(TEXTURE, options);
        if (!result) SOURCECLOSE(FTGA);
    } else {
        MessageBoxA(nullptr, "TGA file be type 2 or type 10", "Invalid Image", MB_OK);
        SOURCECLOSE(FTGA);
        result = false;
    }
    return result;
}

}  // namespace

bool LOADTGAFROMFILE(TGATEXTURE& TEXTURE, const std::string& FILENAME, size_t ROWALIGNMENT, TGASIDEQUERY LARGESTSIDE) {
    const std::string name = FILENAME.substr(0, kMaxFileNameLength);
    if (!SOURCEOPENFILE(FTGA, name.c_str(), read_buffer, sizeof read_buffer)) {
        report("Could not open texture file");
        return false;
    }
    return read_tga(TEXTURE, ReadOptions{ROWALIGNMENT != 0 ? ROWALIGNMENT : 1, LARGESTSIDE});
}

bool LOADTGAFROMMEMORY(TGATEXTURE& TEXTURE, const unsigned char* DATA, size_t SIZE, size_t ROWALIGNMENT,
                       TGASIDEQUERY LARGESTSIDE) {
    SOURCEOPENMEMORY(FTGA, DATA, SIZE);
    return read_tga(TEXTURE, ReadOptions{ROWALIGNMENT != 0 ? ROWALIGNMENT : 1, LARGESTSIDE});
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
