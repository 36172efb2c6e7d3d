// Builds TGA files byte by byte for the reader's tests, with the offsets of every part
// recorded so a test can say which read a cut at a given byte starves.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

namespace tga_test {

// What the reader is reading when the data stops at a given offset.
enum class Part { file_header, info_header, pixels, rle_header, raw_pixel, run_pixel };

struct TgaFile {
    std::vector<uint8_t> bytes;
    std::vector<Part> part_at;  // per byte offset: the part that byte belongs to

    void add(Part part, std::initializer_list<uint8_t> values) {
        for (uint8_t v : values) add_byte(part, v);
    }
    void add_byte(Part part, uint8_t v) {
        bytes.push_back(v);
        part_at.push_back(part);
    }
};

// The 18 bytes of header and size/depth for an image of the given type.
inline TgaFile header(uint8_t type, unsigned width, unsigned height, uint8_t bpp, uint8_t descriptor = 0) {
    TgaFile f;
    f.add(Part::file_header, {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    f.add(Part::info_header, {uint8_t(width & 0xFF), uint8_t(width >> 8), uint8_t(height & 0xFF),
                              uint8_t(height >> 8), bpp, descriptor});
    return f;
}

// A file pixel in file byte order (blue, green, red, alpha).
struct FilePixel {
    uint8_t b, g, r, a;
};

inline void add_pixel(TgaFile& f, Part part, const FilePixel& p, unsigned bytes_per_pixel) {
    f.add_byte(part, p.b);
    f.add_byte(part, p.g);
    f.add_byte(part, p.r);
    if (bytes_per_pixel == 4) f.add_byte(part, p.a);
}

inline void add_raw_packet(TgaFile& f, const std::vector<FilePixel>& pixels, unsigned bytes_per_pixel) {
    f.add_byte(Part::rle_header, uint8_t(pixels.size() - 1));
    for (const auto& p : pixels) add_pixel(f, Part::raw_pixel, p, bytes_per_pixel);
}

inline void add_run_packet(TgaFile& f, unsigned count, const FilePixel& p, unsigned bytes_per_pixel) {
    f.add_byte(Part::rle_header, uint8_t(127 + count));
    add_pixel(f, Part::run_pixel, p, bytes_per_pixel);
}

// A scratch directory removed with everything in it when the object goes.
class TempDir {
public:
    TempDir() {
        std::string templ = (std::getenv("TMPDIR") ? std::string(std::getenv("TMPDIR")) : std::string("/tmp")) +
                            "/tga_test_XXXXXX";
        std::vector<char> buf(templ.begin(), templ.end());
        buf.push_back('\0');
        if (mkdtemp(buf.data()) != nullptr) path_ = buf.data();
    }
    ~TempDir() {
        if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    std::string write(const std::string& name, const std::vector<uint8_t>& bytes, size_t length = SIZE_MAX) const {
        const std::string p = file(name);
        if (FILE* out = std::fopen(p.c_str(), "wb")) {
            const size_t n = length < bytes.size() ? length : bytes.size();
            if (n != 0) std::fwrite(bytes.data(), 1, n, out);
            std::fclose(out);
        }
        return p;
    }

private:
    std::string path_;
};

}  // namespace tga_test
