// Pictures for tests: one pixel layout (0x00RRGGBB, top row first), PNG files, and the
// comparisons the tests make (how much of a picture differs from a colour or from another
// picture, and where).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace picture {

struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

bool read_png(const std::string& path, Image& image);
bool write_png(const Image& image, const std::string& path);
// An uncompressed 24-bit BMP file, either row order (the painter's button pictures); false
// for anything else.
bool read_bmp24(const std::string& path, Image& image);

// Whether two colours differ by at most the tolerance in every channel.
bool alike(uint32_t a, uint32_t b, int tolerance);

// Fraction of pixels differing from a colour by more than the tolerance in some channel.
double fraction_not(const Image& image, uint32_t colour, int tolerance);
// Fraction of pixels (of those where `where` is true, or all) that differ between two
// pictures of one size by more than the tolerance; 1 when the sizes differ or there are no
// pixels.
double fraction_changed(const Image& a, const Image& b, int tolerance,
                        const std::function<bool(int x, int y)>& where = {});

// The pixels of a picture inside a rectangle, which must lie within it.
Image crop(const Image& image, int x, int y, int width, int height);

// Inclusive pixel bounds; empty (right < left) when nothing was found.
struct Extent {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool empty() const { return right < left; }
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};
// The bounds of the pixels that differ from a colour by more than the tolerance.
Extent extent_not(const Image& image, uint32_t colour, int tolerance);

}  // namespace picture
