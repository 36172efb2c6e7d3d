// Writes BMP files for tests: any of the depths LoadImageA takes, either row order, with a
// colour table or bit masks, rows given top row first as the picture is seen. A picture of
// colours can be written at any depth, its colour table made from the colours it has. And
// files whose headers promise more than the file holds, for the loaders to refuse.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace bmp_test {

struct BmpSpec {
    int width = 0;
    int height = 0;
    int bit_count = 24;
    bool top_down = false;
    uint32_t compression = 0;        // 0 BI_RGB, 3 BI_BITFIELDS
    uint32_t masks[3] = {0, 0, 0};   // red, green, blue (BI_BITFIELDS)
    uint32_t header_size = 40;       // 40, 52, 56, 108 or 124 (12: BITMAPCOREHEADER)
    std::vector<uint8_t> palette;    // B, G, R, 0 per entry (B, G, R for the core header)
    uint32_t colors_used = 0;
    // Pixel values per row, top row first: palette index, 16-bit or 32-bit word, or for 24
    // bits 0x00RRGGBB.
    std::vector<std::vector<uint32_t>> rows;
};

inline void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
inline void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// The padded row as stored in the file.
inline std::vector<uint8_t> encode_row(const BmpSpec& s, const std::vector<uint32_t>& row) {
    const size_t stride = ((size_t(s.width) * s.bit_count + 31) / 32) * 4;
    std::vector<uint8_t> out(stride, 0);
    for (int x = 0; x < s.width; ++x) {
        const uint32_t v = row[size_t(x)];
        switch (s.bit_count) {
        case 1: out[size_t(x) / 8] |= uint8_t((v & 1) << (7 - x % 8)); break;
        case 4: out[size_t(x) / 2] |= uint8_t((v & 15) << (x % 2 ? 0 : 4)); break;
        case 8: out[size_t(x)] = uint8_t(v); break;
        case 16:
            out[size_t(x) * 2] = uint8_t(v);
            out[size_t(x) * 2 + 1] = uint8_t(v >> 8);
            break;
        case 24:
            out[size_t(x) * 3] = uint8_t(v);
            out[size_t(x) * 3 + 1] = uint8_t(v >> 8);
            out[size_t(x) * 3 + 2] = uint8_t(v >> 16);
            break;
        case 32:
            for (int i = 0; i < 4; ++i) out[size_t(x) * 4 + size_t(i)] = uint8_t(v >> (8 * i));
            break;
        }
    }
    return out;
}

inline std::vector<uint8_t> encode(const BmpSpec& s) {
    std::vector<uint8_t> header;
    const bool core = s.header_size == 12;
    put32(header, s.header_size);
    if (core) {
        put16(header, uint32_t(s.width));
        put16(header, uint32_t(s.height));
        put16(header, 1);
        put16(header, uint32_t(s.bit_count));
    } else {
        put32(header, uint32_t(s.width));
        put32(header, uint32_t(s.top_down ? -s.height : s.height));
        put16(header, 1);
        put16(header, uint32_t(s.bit_count));
        put32(header, s.compression);
        put32(header, 0);  // image size
        put32(header, 2835);
        put32(header, 2835);
        put32(header, s.colors_used);
        put32(header, 0);
        if (s.header_size >= 52) {
            for (uint32_t m : s.masks) put32(header, m);
        }
        while (header.size() < s.header_size) header.push_back(0);
    }
    std::vector<uint8_t> extra;
    if (s.compression == 3 && s.header_size == 40) {
        for (uint32_t m : s.masks) put32(extra, m);
    }
    extra.insert(extra.end(), s.palette.begin(), s.palette.end());

    std::vector<uint8_t> pixels;
    for (int y = 0; y < s.height; ++y) {
        const auto& row = s.rows[size_t(s.top_down ? y : s.height - 1 - y)];
        const auto bytes = encode_row(s, row);
        pixels.insert(pixels.end(), bytes.begin(), bytes.end());
    }

    std::vector<uint8_t> file;
    const uint32_t offset = uint32_t(14 + header.size() + extra.size());
    file.push_back('B');
    file.push_back('M');
    put32(file, uint32_t(offset + pixels.size()));
    put32(file, 0);
    put32(file, offset);
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), extra.begin(), extra.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

inline bool write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// A picture as colours, top row first.
struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
    Rgb& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    const Rgb& at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};
inline Picture filled(int w, int h, Rgb c) { return Picture{w, h, std::vector<Rgb>(size_t(w) * size_t(h), c)}; }

// The file of a picture at 1, 4, 8, 16 (5-5-5), 24 or 32 bits. Up to 8 bits the colour table
// is the picture's distinct colours in order of first appearance; empty when the picture has
// more colours than the depth holds.
inline std::vector<uint8_t> encode(const Picture& p, int bpp, bool top_down = false) {
    BmpSpec s;
    s.width = p.width;
    s.height = p.height;
    s.bit_count = bpp;
    s.top_down = top_down;
    std::vector<Rgb> table;
    for (int y = 0; y < p.height; ++y) {
        std::vector<uint32_t> row;
        for (int x = 0; x < p.width; ++x) {
            const Rgb& c = p.at(x, y);
            if (bpp <= 8) {
                size_t k = 0;
                while (k < table.size() && !(table[k] == c)) ++k;
                if (k == table.size()) table.push_back(c);
                row.push_back(uint32_t(k));
            } else if (bpp == 16) {
                row.push_back(uint32_t((c.r >> 3) << 10 | (c.g >> 3) << 5 | (c.b >> 3)));
            } else {
                row.push_back(uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b);
            }
        }
        s.rows.push_back(row);
    }
    if (bpp <= 8) {
        if (table.size() > (size_t(1) << bpp)) return {};
        for (const Rgb& c : table) s.palette.insert(s.palette.end(), {c.b, c.g, c.r, 0});
        s.colors_used = uint32_t(table.size());
    }
    return encode(s);
}

inline bool write(const std::string& path, const Picture& p, int bpp, bool top_down = false) {
    const std::vector<uint8_t> bytes = encode(p, bpp, top_down);
    return !bytes.empty() && write_file(path, bytes);
}


// ---- files whose headers promise more than the file holds ------------------------------

struct NamedFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

// Two 64 x 64 pictures, the size of the viewer's smaller textures: one at 24 bits, and one at
// 8 bits with a full colour table of 256 entries (B = i, G = 255 - i, R = 99), each row
// running through a quarter of it: pixel (x, y) is (64 y + x) mod 256, y from the top.
inline std::vector<NamedFile> whole_files() {
    BmpSpec rgb;
    rgb.width = rgb.height = 64;
    for (int y = 0; y < 64; ++y) {
        std::vector<uint32_t> row;
        for (int x = 0; x < 64; ++x) row.push_back(uint32_t(x * 4) << 16 | uint32_t(y * 4) << 8 | uint32_t(x ^ y));
        rgb.rows.push_back(row);
    }
    BmpSpec indexed;
    indexed.width = indexed.height = 64;
    indexed.bit_count = 8;
    for (int i = 0; i < 256; ++i) indexed.palette.insert(indexed.palette.end(), {uint8_t(i), uint8_t(255 - i), 99, 0});
    for (int y = 0; y < 64; ++y) {
        std::vector<uint32_t> row;
        for (int x = 0; x < 64; ++x) row.push_back(uint32_t(y * 64 + x) % 256);
        indexed.rows.push_back(row);
    }
    return {{"rgb.bmp", encode(rgb)}, {"indexed.bmp", encode(indexed)}};
}

inline void set32(std::vector<uint8_t>& file, size_t offset, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) file[offset + i] = uint8_t(v >> (8 * i));
}

// The whole files cut short or patched so that a header, the colour table or the pixel
// array lies (partly) beyond the end of the file, or its size overflows 32 or 64 bits.
inline std::vector<NamedFile> overrunning_files() {
    const std::vector<NamedFile> whole = whole_files();
    const std::vector<uint8_t>& rgb = whole[0].bytes;
    const std::vector<uint8_t>& indexed = whole[1].bytes;
    std::vector<NamedFile> out;
    auto add = [&](const char* name, std::vector<uint8_t> bytes) { out.push_back({name, std::move(bytes)}); };
    add("headers-only.bmp", {rgb.begin(), rgb.begin() + 54});
    add("half.bmp", {rgb.begin(), rgb.begin() + long(rgb.size() / 2)});
    add("short-table.bmp", {indexed.begin(), indexed.begin() + 14 + 40 + 512});
    std::vector<uint8_t> b = rgb;
    set32(b, 10, 0x7FFFFFFF);  // bfOffBits far beyond the end
    add("far-pixels.bmp", b);
    b = rgb;
    set32(b, 10, 0xFFFFFFFF);  // bfOffBits + the pixel array wraps around in 32 bits
    add("wrapping-offset.bmp", b);
    b = rgb;
    set32(b, 14, 0xFFFFFFF2);  // 14 + biSize is 2^32: an info header of 4 GiB
    add("huge-header.bmp", b);
    b = indexed;
    set32(b, 14 + 32, 0xFFFFFFFF);  // biClrUsed: a colour table of 16 GiB
    add("huge-table.bmp", b);
    b = rgb;
    set32(b, 22, 0x80000000);  // a height with no positive twin
    add("lowest-height.bmp", b);
    b = rgb;
    // 1925585868 x 2097156 pixels of 36544 bits: rows of 8796076245024 bytes, 2^64 + 128
    // bytes in all, which is 128 bytes in 64 bits.
    set32(b, 18, 1925585868);
    set32(b, 22, 2097156);
    b[28] = uint8_t(36544 & 0xFF);
    b[29] = uint8_t(36544 >> 8);
    add("wrapping-pixels.bmp", b);
    // An OS/2 bitmap of 154 bytes: a core header declaring 65535 x 65535 pixels of 1 bit,
    // two colours, 122 bytes of the 512 MiB of pixels.
    b = {'B', 'M'};
    put32(b, 154);
    put32(b, 0);
    put32(b, 14 + 12 + 6);
    put32(b, 12);
    put16(b, 65535);
    put16(b, 65535);
    put16(b, 1);
    put16(b, 1);
    b.insert(b.end(), {0, 0, 0, 255, 255, 255});
    b.resize(154, 0x55);
    add("os2-huge.bmp", b);
    return out;
}

}  // namespace bmp_test
