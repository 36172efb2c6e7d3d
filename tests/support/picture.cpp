#include "picture.h"

#include <png.h>

#include <cstdlib>

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
