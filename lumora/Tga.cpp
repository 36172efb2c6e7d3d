// TGA file reader: uncompressed (type 2) and run-length encoded (type 10) true-colour images
// of 24 or 32 bits, turned into R, G, B (, A) pixel buffers for glTexImage2D.
//
// The file is read through one fixed read buffer (large blocks, never one system call per
// byte); pixel data of uncompressed files is read straight into the image buffer. Every
// failure is reported in a message box and returns false with nothing left allocated.
// The image buffer handed to the caller is allocated with calloc and released with free.
#include "lumora/Lumora.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TTGAHEADER TGAHEADER;
TTGA TGA;
const GLubyte UTGACOMPARE[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const GLubyte CTGACOMPARE[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

namespace {

constexpr size_t kReadBufferSize = 64 * 1024;
constexpr size_t kMaxFileNameLength = 255;

// The open TGA file, read as raw bytes through one read buffer. An operating-system read
// error ends the data just like the end of the file does: the caller sees a short read.
class TgaFile {
public:
    bool open(const std::string& name) {
        close();
        int fd;
        do {
            fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) return false;
        struct stat st {};
        if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
            ::close(fd);
            return false;
        }
        fd_ = fd;
        size_known_ = S_ISREG(st.st_mode) && st.st_size >= 0;
        file_size_ = size_known_ ? static_cast<uint64_t>(st.st_size) : 0;
        consumed_from_file_ = 0;
        pos_ = len_ = 0;
        ended_ = false;
        return true;
    }

    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
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
        if (fd_ < 0 || ended_) return 0;
        ssize_t r;
        do {
            r = ::read(fd_, dst, n);
        } while (r < 0 && errno == EINTR);
        if (r <= 0) {  // end of file or a read error: either way the data stops here
            ended_ = true;
            return 0;
        }
        consumed_from_file_ += static_cast<uint64_t>(r);
        return static_cast<size_t>(r);
    }

    int fd_ = -1;
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

// The common start of both pixel readers up to the image size; the readers then check that
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
    if (size > UINT32_MAX) {
        TGA.IMAGESIZE = 0;
        report("Could not allocate memory for image");
        return false;
    }
    TGA.IMAGESIZE = static_cast<LONGWORD>(size);
    return true;
}

bool allocate_image(TGATEXTURE& TEXTURE) {
    TEXTURE.IMAGEDATA = static_cast<GLubyte*>(std::calloc(TGA.IMAGESIZE, 1));
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

// Decodes the packets into TEXTURE.IMAGEDATA.
RleResult decode_packets(GLubyte* image, uint64_t pixel_count, LONGWORD bpp, GLubyte* color) {
    uint64_t current = 0;
    GLubyte* out = image;
    auto store = [&](const GLubyte* px) {
        out[0] = px[2];
        out[1] = px[1];
        out[2] = px[0];
        if (bpp == 4) out[3] = px[3];
        out += bpp;
        ++current;
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
                for (unsigned n = 0; n < count; ++n, in += bpp) store(in);
                FTGA.consume(bytes);
            } else {
                // Near the end of the buffer or of the image: one pixel at a time.
                for (unsigned n = 0; n < count; ++n) {
                    if (FTGA.read(color, bpp) < bpp) return RleResult::short_raw_pixel;
                    if (current == pixel_count) return RleResult::too_many_pixels;
                    store(color);
                }
            }
        } else {
            if (FTGA.read(color, bpp) < bpp) return RleResult::short_run_pixel;
            const uint64_t run = header - 127u;
            const uint64_t room = pixel_count - current;
            const uint64_t stored = run < room ? run : room;
            GLubyte px[4] = {color[2], color[1], color[0], bpp == 4 ? color[3] : GLubyte{0}};
            if (bpp == 4) {
                for (uint64_t n = 0; n < stored; ++n, out += 4) std::memcpy(out, px, 4);
            } else {
                for (uint64_t n = 0; n < stored; ++n, out += 3) std::memcpy(out, px, 3);
            }
            current += stored;
            if (run > room) return RleResult::too_many_pixels;
        }
    }
    return RleResult::ok;
}

}  // namespace

bool LOADTGA(TGATEXTURE& TEXTURE, const std::string& FILENAME) {
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
        result = LOADUNCOMPRESSEDTGA(TEXTURE, FILENAME);
        if (!result) FTGA.close();
    } else if (std::memcmp(TGAHEADER.HEADER, CTGACOMPARE, sizeof CTGACOMPARE) == 0) {
        result = LOADCOMPRESSEDTGA(TEXTURE, FILENAME);
        if (!result) FTGA.close();
    } else {
        MessageBoxA(nullptr, "TGA file be type 2 or type 10", "Invalid Image", MB_OK);
        FTGA.close();
        result = false;
    }
    return result;
}

bool LOADUNCOMPRESSEDTGA(TGATEXTURE& TEXTURE, const std::string& FILENAME) {
    (void)FILENAME;  // the file is already open
    if (!common_start(TEXTURE)) return false;
    if (FTGA.remaining() < TGA.IMAGESIZE) {
        // The file cannot hold the pixels: the read below would come up short.
        report("Could not read image data");
        return false;
    }
    if (!allocate_image(TEXTURE)) return false;
    if (FTGA.read(TEXTURE.IMAGEDATA, TGA.IMAGESIZE) < TGA.IMAGESIZE) {
        report("Could not read image data");
        release_image(TEXTURE);
        return false;
    }
    swap_red_blue(TEXTURE.IMAGEDATA, uint64_t{TGA.WIDTH} * TGA.HEIGH, TGA.BYTESPERPIXEL);
    FTGA.close();
    return true;
}

bool LOADCOMPRESSEDTGA(TGATEXTURE& TEXTURE, const std::string& FILENAME) {
    (void)FILENAME;  // the file is already open
    if (!common_start(TEXTURE)) return false;
    const uint64_t pixel_count = uint64_t{TGA.HEIGH} * TGA.WIDTH;
    const LONGWORD bpp = TGA.BYTESPERPIXEL;
    // Every packet covers at most 128 pixels and takes a header byte and at least one pixel.
    const uint64_t smallest_stream = (pixel_count + 127) / 128 * (1 + bpp);
    if (FTGA.remaining() < smallest_stream) {
        report(rle_message(dry_run_packets(pixel_count, bpp)));
        return false;
    }
    if (!allocate_image(TEXTURE)) return false;
    auto* color = static_cast<GLubyte*>(std::calloc(bpp, 1));
    if (color == nullptr) {
        report("Could not allocate memory for color buffer");
        release_image(TEXTURE);
        return false;
    }
    const RleResult result = decode_packets(TEXTURE.IMAGEDATA, pixel_count, bpp, color);
    std::free(color);
    if (result != RleResult::ok) {
        report(rle_message(result));
        release_image(TEXTURE);
        return false;
    }
    FTGA.close();
    return true;
}
