// BMPFILEFITS: a bitmap file's headers, read and held against the file's size before the
// platform's image loader sees the file (see BmpCheck.h).
//
// A BMP file as the loader reads it:
//   file header   14 bytes: "BM", the file's size, two reserved words, and bfOffBits, where
//                 the pixel array starts
//   info header   its own size first: 12 (BITMAPCOREHEADER, OS/2 1.x: 16-bit sides), or 16
//                 and more (BITMAPINFOHEADER and its longer versions; an OS/2 2.x header may
//                 stop before the 40 bytes of BITMAPINFOHEADER, its missing fields being 0)
//   bit masks     three 32-bit masks (four with alpha) after a 40-byte header with bit-field
//                 compression; the longer headers hold them
//   colour table  biClrUsed entries, or 2^depth of them up to 8 bits per pixel; 4 bytes an
//                 entry, 3 after a core header
//   pixel array   at bfOffBits: |height| rows of width x depth bits, each filled up to 4
//                 bytes; run-length, JPEG and PNG pixels take the biSizeImage bytes declared
// The file must hold all of it. The sizes are worked out in 64 bits from 32-bit fields, and
// a pixel array beyond 32 bits of bytes is refused: a DIB cannot record its size.
#include "lumora/BmpCheck.h"

#include <algorithm>
#include <cstdint>

#include "lumora/ByteSource.h"
#include "lumora/Platform.h"

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kShortestInfoHeader = 16;  // size, width, height, planes, depth
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint64_t kLargestPixelArray = UINT32_MAX;

// biCompression values (the platform header names them BI_*; not every platform header has
// the alpha bit fields).
constexpr uint32_t kRle8 = 1, kRle4 = 2, kBitFields = 3, kJpeg = 4, kPng = 5, kAlphaBitFields = 6;

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// The first bytes of the file (the file header and up to 40 bytes of the info header), and
// the file's size.
struct Head {
    uint8_t bytes[kFileHeaderSize + kInfoHeaderSize] = {};
    uint32_t length = 0;  // fewer than sizeof bytes in a shorter file
    uint64_t file_size = 0;
};

// Reads the head of a file on disk. Pipes and devices are refused (the byte source opens
// files on disk only): a read could wait on them, and they have no size to hold the headers
// against.
bool read_head(const char* name, Head& head) {
    unsigned char buffer[sizeof head.bytes];
    TBYTESOURCE source;
    if (!SOURCEOPENFILE(source, name, buffer, sizeof buffer)) return false;
    const bool sized = source.SIZEKNOWN;
    head.file_size = source.FILESIZE;
    head.length = static_cast<uint32_t>(SOURCEREAD(source, head.bytes, sizeof head.bytes));
    SOURCECLOSE(source);
    return sized;
}

// What the headers declare.
struct Declared {
    uint64_t pixel_offset = 0;  // bfOffBits
    uint32_t header_size = 0;
    bool core = false;
    int64_t width = 0;
    int64_t height = 0;  // negative: rows top-down
    uint32_t depth = 0;  // bits per pixel
    uint32_t compression = 0;
    uint32_t image_size = 0;  // biSizeImage
    uint32_t colors_used = 0;
};

// The file header, and the info header if the file holds all of it.
bool read_headers(const Head& head, Declared& out) {
    const uint8_t* b = head.bytes;
    if (head.length < kFileHeaderSize + 4 || b[0] != 'B' || b[1] != 'M') return false;
    out.pixel_offset = le32(b + 10);
    out.header_size = le32(b + kFileHeaderSize);
    if (out.header_size != kCoreHeaderSize && out.header_size < kShortestInfoHeader) return false;
    if (kFileHeaderSize + uint64_t{out.header_size} > head.file_size) return false;
    // The fields are in the bytes read, unless the file shrank since its size was asked.
    const uint32_t fields = std::min(out.header_size, kInfoHeaderSize);
    if (head.length < kFileHeaderSize + fields) return false;
    uint8_t h[kInfoHeaderSize] = {};
    std::copy(b + kFileHeaderSize, b + kFileHeaderSize + fields, h);
    out.core = out.header_size == kCoreHeaderSize;
    if (out.core) {
        out.width = le16(h + 4);
        out.height = le16(h + 6);
        out.depth = le16(h + 10);
        return true;
    }
    out.width = static_cast<int32_t>(le32(h + 4));
    out.height = static_cast<int32_t>(le32(h + 8));
    out.depth = le16(h + 14);
    out.compression = le32(h + 16);
    out.image_size = le32(h + 20);
    out.colors_used = le32(h + 32);
    return true;
}

// The bit masks and colour table that follow the info header lie in the file.
bool tables_fit(const Declared& d, uint64_t file_size) {
    uint64_t end = kFileHeaderSize + uint64_t{d.header_size};
    if (d.header_size == kInfoHeaderSize && d.compression == kBitFields) end += 3 * 4;
    if (d.header_size == kInfoHeaderSize && d.compression == kAlphaBitFields) end += 4 * 4;
    const bool indexed = d.depth >= 1 && d.depth <= 8;
    const uint64_t entries = d.colors_used != 0 ? d.colors_used : indexed ? uint64_t{1} << d.depth : 0;
    end += entries * (d.core ? 3 : 4);
    return end <= file_size;
}

// The bytes of the pixel array; false for sides that make no picture or a pixel array
// (once decoded) beyond 32 bits of bytes.
bool pixel_array_bytes(const Declared& d, uint64_t& bytes) {
    if (d.width <= 0 || d.height == 0 || d.height == INT32_MIN) return false;
    if (d.compression == kJpeg || d.compression == kPng) {
        bytes = d.image_size;  // the sides and depth are the embedded image's
        return bytes != 0;
    }
    const uint64_t rows = static_cast<uint64_t>(d.height < 0 ? -d.height : d.height);
    const uint64_t stride = (static_cast<uint64_t>(d.width) * d.depth + 31) / 32 * 4;  // < 2^47
    if (stride == 0 || stride > kLargestPixelArray / rows) return false;  // rows x stride overflows
    bytes = d.compression == kRle8 || d.compression == kRle4 ? d.image_size : stride * rows;
    return bytes != 0;
}

// The pixel array lies in the file, from bfOffBits on.
bool pixels_fit(const Declared& d, uint64_t file_size) {
    uint64_t bytes = 0;
    return pixel_array_bytes(d, bytes) && d.pixel_offset <= file_size && bytes <= file_size - d.pixel_offset;
}

}  // namespace

bool BMPFILEFITS(const char* FILENAME) {
    if (FILENAME == nullptr || *FILENAME == '\0') return false;
    Head head;
    Declared declared;
    return read_head(FILENAME, head) && read_headers(head, declared) && tables_fit(declared, head.file_size) &&
           pixels_fit(declared, head.file_size);
}
