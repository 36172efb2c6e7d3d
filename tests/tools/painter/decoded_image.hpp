// Independent readers for the files the painter writes, strict about every
// header byte the viewer's own readers depend on.  They fail (return
// nullopt) rather than guess.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace painter_test {

struct Decoded {
    int width = 0, height = 0, bytes_per_pixel = 0;
    int tga_type = 0;                  // 2 or 10 for TGA files, 0 for bitmaps
    std::vector<std::uint8_t> pixels;  // rows bottom-up, R, G, B (, A) per pixel
    std::uint8_t r(int x, int y) const { return pixels[(static_cast<std::size_t>(y) * width + x) * bytes_per_pixel]; }
    std::uint8_t g(int x, int y) const { return pixels[(static_cast<std::size_t>(y) * width + x) * bytes_per_pixel + 1]; }
    std::uint8_t b(int x, int y) const { return pixels[(static_cast<std::size_t>(y) * width + x) * bytes_per_pixel + 2]; }
};

inline std::uint32_t le16(const std::vector<std::uint8_t>& d, std::size_t at) { return d[at] | (d[at + 1] << 8); }
inline std::uint32_t le32(const std::vector<std::uint8_t>& d, std::size_t at) { return le16(d, at) | (le16(d, at + 2) << 16); }

// TGA as the viewer reads it: the first 12 bytes must be exactly the
// uncompressed or the run-length pattern; 6 info bytes; 24 or 32 bits.
// Run-length packets must not cross a row and must end exactly at the end of
// the file.
inline std::optional<Decoded> decode_tga(const std::vector<std::uint8_t>& d) {
    if (d.size() < 18) return std::nullopt;
    static const std::uint8_t kUncompressed[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    static const std::uint8_t kRunLength[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Decoded out;
    if (std::memcmp(d.data(), kUncompressed, 12) == 0) out.tga_type = 2;
    else if (std::memcmp(d.data(), kRunLength, 12) == 0) out.tga_type = 10;
    else return std::nullopt;
    out.width = static_cast<int>(le16(d, 12));
    out.height = static_cast<int>(le16(d, 14));
    if (out.width == 0 || out.height == 0 || (d[16] != 24 && d[16] != 32)) return std::nullopt;
    const int bpp = out.bytes_per_pixel = d[16] / 8;
    const std::size_t count = static_cast<std::size_t>(out.width) * out.height;
    std::vector<std::uint8_t> raw;
    std::size_t p = 18;
    if (out.tga_type == 2) {
        if (d.size() != 18 + count * bpp) return std::nullopt;
        raw.assign(d.begin() + 18, d.end());
    } else {
        for (int y = 0; y < out.height; ++y) {
            int x = 0;
            while (x < out.width) {
                if (p >= d.size()) return std::nullopt;
                const std::uint8_t header = d[p++];
                const int n = (header & 0x7F) + 1;
                if (x + n > out.width) return std::nullopt;  // crosses the row
                const std::size_t need = (header & 0x80) ? bpp : static_cast<std::size_t>(n) * bpp;
                if (p + need > d.size()) return std::nullopt;
                for (int k = 0; k < n; ++k) {
                    const std::size_t src = (header & 0x80) ? p : p + static_cast<std::size_t>(k) * bpp;
                    raw.insert(raw.end(), d.begin() + static_cast<std::ptrdiff_t>(src),
                               d.begin() + static_cast<std::ptrdiff_t>(src + bpp));
                }
                p += need;
                x += n;
            }
        }
        if (p != d.size()) return std::nullopt;
    }
    out.pixels = raw;
    for (std::size_t i = 0; i < count; ++i) std::swap(out.pixels[i * bpp], out.pixels[i * bpp + 2]);
    return out;
}

// 24-bit BI_RGB bottom-up bitmap with the plain 40-byte info header.
inline std::optional<Decoded> decode_bmp(const std::vector<std::uint8_t>& d) {
    if (d.size() < 54 || d[0] != 'B' || d[1] != 'M') return std::nullopt;
    if (le32(d, 2) != d.size() || le32(d, 10) != 54 || le32(d, 14) != 40) return std::nullopt;
    const auto w = static_cast<std::int32_t>(le32(d, 18)), h = static_cast<std::int32_t>(le32(d, 22));
    if (w <= 0 || h <= 0 || le16(d, 26) != 1 || le16(d, 28) != 24 || le32(d, 30) != 0) return std::nullopt;
    const std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
    if (d.size() != 54 + stride * h || le32(d, 34) != stride * h) return std::nullopt;
    Decoded out;
    out.width = w;
    out.height = h;
    out.bytes_per_pixel = 3;
    for (int y = 0; y < h; ++y) {
        const std::size_t row = 54 + stride * y;
        for (int x = 0; x < w; ++x) {
            out.pixels.push_back(d[row + x * 3 + 2]);
            out.pixels.push_back(d[row + x * 3 + 1]);
            out.pixels.push_back(d[row + x * 3]);
        }
        for (std::size_t pad = static_cast<std::size_t>(w) * 3; pad < stride; ++pad)
            if (d[row + pad] != 0) return std::nullopt;
    }
    return out;
}

}  // namespace painter_test
