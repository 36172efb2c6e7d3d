#include "image_files.hpp"

#include <cstring>
#include <stdexcept>

namespace painter {

namespace {

void put16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void put32(Bytes& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void check_size(int width, int height, int limit) {
    if (width <= 0 || height <= 0 || width > limit || height > limit)
        throw std::invalid_argument("image size out of range");
}

// Appends one row of pixels as TGA run-length packets.  Packets never cross
// a row boundary (the format's recommendation, and what other readers
// expect): a run packet repeats one pixel 2..128 times, a raw packet carries
// 1..128 literal pixels.
void encode_rle_row(Bytes& out, const std::uint8_t* row, int width, int bpp) {
    auto same = [&](int a, int b) { return std::memcmp(row + a * bpp, row + b * bpp, bpp) == 0; };
    int x = 0;
    while (x < width) {
        int run = 1;
        while (x + run < width && run < 128 && same(x, x + run)) ++run;
        if (run >= 2) {
            out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
            out.insert(out.end(), row + x * bpp, row + (x + 1) * bpp);
            x += run;
            continue;
        }
        // Literal stretch: up to the next pair of equal pixels.
        int count = 1;
        while (x + count < width && count < 128 && !(x + count + 1 < width && same(x + count, x + count + 1)))
            ++count;
        out.push_back(static_cast<std::uint8_t>(count - 1));
        out.insert(out.end(), row + x * bpp, row + (x + count) * bpp);
        x += count;
    }
}

}  // namespace

Bytes encode_bmp24(const Canvas& canvas) {
    check_size(canvas.width, canvas.height, 1 << 15);
    const std::uint32_t stride = (static_cast<std::uint32_t>(canvas.width) * 3 + 3) & ~3u;
    const std::uint32_t image_size = stride * static_cast<std::uint32_t>(canvas.height);
    const std::uint32_t offset = 14 + 40;
    Bytes out;
    out.reserve(offset + image_size);
    // BITMAPFILEHEADER
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + image_size);
    put16(out, 0);
    put16(out, 0);
    put32(out, offset);
    // BITMAPINFOHEADER
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(canvas.width));
    put32(out, static_cast<std::uint32_t>(canvas.height));  // positive: bottom-up rows
    put16(out, 1);                                           // planes
    put16(out, 24);                                          // bits per pixel
    put32(out, 0);                                           // BI_RGB
    put32(out, image_size);
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, 0);  // colours used
    put32(out, 0);  // colours important
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const Rgb& p = canvas.at(x, y);
            out.push_back(to_byte(p.b));
            out.push_back(to_byte(p.g));
            out.push_back(to_byte(p.r));
        }
        for (std::uint32_t pad = static_cast<std::uint32_t>(canvas.width) * 3; pad < stride; ++pad)
            out.push_back(0);
    }
    return out;
}

Bytes encode_tga_pixels(int width, int height, int bytes_per_pixel, TgaKind kind,
                        const std::vector<std::uint8_t>& pixels) {
    check_size(width, height, 0xFFFF);
    if (bytes_per_pixel != 3 && bytes_per_pixel != 4)
        throw std::invalid_argument("TGA pixels must be 24 or 32 bits");
    const std::size_t row_bytes = static_cast<std::size_t>(width) * bytes_per_pixel;
    if (pixels.size() != row_bytes * static_cast<std::size_t>(height))
        throw std::invalid_argument("pixel buffer does not match the image size");

    Bytes out;
    // The 12 bytes the reader compares: ID length, colour map type, image
    // type, colour map specification (5 bytes) and x/y origin, all zero
    // except the image type.
    const std::uint8_t fixed[12] = {0, 0, static_cast<std::uint8_t>(kind), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    out.insert(out.end(), fixed, fixed + 12);
    put16(out, static_cast<std::uint32_t>(width));
    put16(out, static_cast<std::uint32_t>(height));
    out.push_back(static_cast<std::uint8_t>(bytes_per_pixel * 8));
    // Image descriptor: bottom-left origin; number of attribute (alpha) bits.
    out.push_back(bytes_per_pixel == 4 ? 8 : 0);

    if (kind == TgaKind::Uncompressed) {
        out.insert(out.end(), pixels.begin(), pixels.end());
    } else {
        for (int y = 0; y < height; ++y)
            encode_rle_row(out, pixels.data() + row_bytes * static_cast<std::size_t>(y), width, bytes_per_pixel);
    }
    return out;
}

Bytes encode_tga(const Canvas& canvas, TgaKind kind, int bits_per_pixel) {
    const int bpp = bits_per_pixel / 8;
    if (bits_per_pixel != 24 && bits_per_pixel != 32)
        throw std::invalid_argument("TGA pictures are 24 or 32 bits");
    std::vector<std::uint8_t> pixels;
    pixels.reserve(canvas.pixels.size() * static_cast<std::size_t>(bpp));
    for (std::size_t i = 0; i < canvas.pixels.size(); ++i) {
        const Rgb& p = canvas.pixels[i];
        pixels.push_back(to_byte(p.b));
        pixels.push_back(to_byte(p.g));
        pixels.push_back(to_byte(p.r));
        if (bpp == 4) pixels.push_back(canvas.alpha.empty() ? 255 : to_byte(canvas.alpha[i]));
    }
    return encode_tga_pixels(canvas.width, canvas.height, bpp, kind, pixels);
}

}  // namespace painter
