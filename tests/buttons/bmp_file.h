// Writes small BMP files for the tests: any of the depths 1, 4, 8, 16 (5-5-5), 24 and 32,
// bottom-up or top-down, from pixels given top row first.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace bmp {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // top row first; for indexed depths the colour of the index
    Rgb& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    const Rgb& at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

inline Picture filled(int w, int h, Rgb c) { return Picture{w, h, std::vector<Rgb>(size_t(w) * size_t(h), c)}; }

inline void put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
inline void put32(std::vector<uint8_t>& v, uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

// The bytes of a BMP file. For 1, 4 and 8 bits the colour table is the picture's distinct
// colours in order of first appearance (the picture must not have more than the depth holds).
inline std::vector<uint8_t> encode(const Picture& p, int bpp, bool top_down = false) {
    std::vector<Rgb> table;
    std::vector<uint32_t> index(p.pixels.size());
    if (bpp <= 8) {
        for (size_t i = 0; i < p.pixels.size(); ++i) {
            size_t k = 0;
            while (k < table.size() && !(table[k] == p.pixels[i])) ++k;
            if (k == table.size()) table.push_back(p.pixels[i]);
            index[i] = uint32_t(k);
        }
        if (table.size() > (size_t(1) << bpp)) return {};
    }
    const size_t stride = ((size_t(p.width) * size_t(bpp) + 31) / 32) * 4;
    const size_t colors = bpp <= 8 ? table.size() : 0;
    const uint32_t offset = uint32_t(14 + 40 + 4 * colors);
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, uint32_t(offset + stride * size_t(p.height)));
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, uint32_t(p.width));
    put32(out, uint32_t(top_down ? -p.height : p.height));
    put16(out, 1);
    put16(out, uint16_t(bpp));
    put32(out, 0);  // BI_RGB
    put32(out, uint32_t(stride * size_t(p.height)));
    put32(out, 2835);
    put32(out, 2835);
    put32(out, uint32_t(colors));
    put32(out, 0);
    for (const Rgb& c : table) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (int row = 0; row < p.height; ++row) {
        const int y = top_down ? row : p.height - 1 - row;
        std::vector<uint8_t> line(stride, 0);
        for (int x = 0; x < p.width; ++x) {
            const size_t i = size_t(y) * size_t(p.width) + size_t(x);
            const Rgb& c = p.pixels[i];
            switch (bpp) {
            case 1:
                line[size_t(x) / 8] |= uint8_t((index[i] & 1) << (7 - x % 8));
                break;
            case 4:
                line[size_t(x) / 2] |= uint8_t((index[i] & 15) << (x % 2 ? 0 : 4));
                break;
            case 8:
                line[size_t(x)] = uint8_t(index[i]);
                break;
            case 16: {
                const uint16_t v = uint16_t((c.r >> 3) << 10 | (c.g >> 3) << 5 | (c.b >> 3));
                line[2 * size_t(x)] = uint8_t(v);
                line[2 * size_t(x) + 1] = uint8_t(v >> 8);
                break;
            }
            case 24:
                line[3 * size_t(x)] = c.b;
                line[3 * size_t(x) + 1] = c.g;
                line[3 * size_t(x) + 2] = c.r;
                break;
            case 32:
                line[4 * size_t(x)] = c.b;
                line[4 * size_t(x) + 1] = c.g;
                line[4 * size_t(x) + 2] = c.r;
                line[4 * size_t(x) + 3] = 0;
                break;
            }
        }
        out.insert(out.end(), line.begin(), line.end());
    }
    return out;
}

inline bool write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline bool write(const std::string& path, const Picture& p, int bpp, bool top_down = false) {
    const std::vector<uint8_t> bytes = encode(p, bpp, top_down);
    return !bytes.empty() && write_bytes(path, bytes);
}

}  // namespace bmp
