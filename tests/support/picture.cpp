#include "picture.h"

#include <png.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace picture {

bool read_png(const std::string& path, Image& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr)) {
        png_image_free(&png);
        return false;
    }
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
    for (size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = (uint32_t(rgb[i * 3]) << 16) | (uint32_t(rgb[i * 3 + 1]) << 8) | rgb[i * 3 + 2];
    return true;
}

bool write_png(const Image& image, const std::string& path) {
    std::vector<uint8_t> rgb(image.pixels.size() * 3);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        rgb[i * 3] = (image.pixels[i] >> 16) & 0xFF;
        rgb[i * 3 + 1] = (image.pixels[i] >> 8) & 0xFF;
        rgb[i * 3 + 2] = image.pixels[i] & 0xFF;
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&png, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

bool read_bmp24(const std::string& path, Image& image) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto u32 = [&](size_t o) { return uint32_t(d[o]) | uint32_t(d[o + 1]) << 8 | uint32_t(d[o + 2]) << 16 | uint32_t(d[o + 3]) << 24; };
    if (d.size() < 54 || d[0] != 'B' || d[1] != 'M' || (d[28] | d[29] << 8) != 24 || u32(30) != 0) return false;
    const uint32_t offset = u32(10);
    const int w = int32_t(u32(18)), h = int32_t(u32(22));
    const int rows = h < 0 ? -h : h;
    const size_t stride = (size_t(w) * 3 + 3) / 4 * 4;
    if (w <= 0 || rows <= 0 || w > 4096 || rows > 4096 || offset + stride * size_t(rows) > d.size()) return false;
    image.width = w;
    image.height = rows;
    image.pixels.resize(size_t(w) * size_t(rows));
    for (int y = 0; y < rows; ++y) {
        const uint8_t* r = d.data() + offset + stride * size_t(h < 0 ? y : rows - 1 - y);
        for (int x = 0; x < w; ++x)
            image.pixels[size_t(y) * size_t(w) + size_t(x)] = uint32_t(r[3 * x + 2]) << 16 | uint32_t(r[3 * x + 1]) << 8 | r[3 * x];
    }
    return true;
}

bool alike(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift <= 16; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
    return true;
}

double fraction_not(const Image& image, uint32_t colour, int tolerance) {
    if (image.pixels.empty()) return 0;
    size_t differing = 0;
    for (uint32_t p : image.pixels)
        if (!alike(p, colour, tolerance)) ++differing;
    return static_cast<double>(differing) / image.pixels.size();
}

double fraction_changed(const Image& a, const Image& b, int tolerance, const std::function<bool(int, int)>& where) {
    if (a.width != b.width || a.height != b.height || a.pixels.empty()) return 1.0;
    size_t counted = 0, changed = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            if (where && !where(x, y)) continue;
            ++counted;
            if (!alike(a.at(x, y), b.at(x, y), tolerance)) ++changed;
        }
    }
    return counted ? static_cast<double>(changed) / counted : 0.0;
}

Image crop(const Image& image, int x, int y, int width, int height) {
    Image out;
    out.width = width;
    out.height = height;
    out.pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int row = y; row < y + height; ++row)
        for (int column = x; column < x + width; ++column) out.pixels.push_back(image.at(column, row));
    return out;
}

Extent extent_not(const Image& image, uint32_t colour, int tolerance) {
    Extent e;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (alike(image.at(x, y), colour, tolerance)) continue;
            if (x < e.left) e.left = x;
            if (x > e.right) e.right = x;
            if (y < e.top) e.top = y;
            if (y > e.bottom) e.bottom = y;
        }
    }
    return e;
}

}  // namespace picture
