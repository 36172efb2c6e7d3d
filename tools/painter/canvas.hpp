// Floating-point drawing surface and the small colour/shape helpers that
// every picture of the texture painter shares.
//
// Convention used throughout the painter: row 0 of a canvas is the BOTTOM
// row of the picture, because both file formats we write (bottom-up BMP and
// bottom-left-origin TGA) store the bottom row first and OpenGL takes the
// first row it is given as texture coordinate t = 0.  So a pixel (i, j) has
// texture coordinates s = (i + 0.5) / width, t = (j + 0.5) / height.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace painter {

struct Rgb {
    double r = 0, g = 0, b = 0;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Rgb operator*(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }
inline Rgb operator*(double k, Rgb a) { return a * k; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }

inline double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }
inline double mix(double a, double b, double k) { return a + (b - a) * k; }
inline Rgb mix(Rgb a, Rgb b, double k) { return a + (b - a) * k; }
inline double smoothstep(double e0, double e1, double x) {
    const double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}
// Coverage of a shape given its signed distance in pixels (negative inside),
// filtered over one pixel: the standard anti-aliased edge.
inline double coverage(double signed_distance_px) { return clamp01(0.5 - signed_distance_px); }
// Screen blend, used to add light without exceeding white.
inline Rgb screen(Rgb a, Rgb b) {
    return {1 - (1 - a.r) * (1 - b.r), 1 - (1 - a.g) * (1 - b.g), 1 - (1 - a.b) * (1 - b.b)};
}
inline Rgb grey(double v) { return {v, v, v}; }
// 8-bit sRGB-ish literal helper, so palettes can be written as 0..255 triples.
inline Rgb rgb8(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }

inline std::uint8_t to_byte(double v) {
    return static_cast<std::uint8_t>(std::lround(clamp01(v) * 255.0));
}

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // row-major, row 0 at the bottom
    std::vector<double> alpha;  // empty unless the picture carries an alpha channel

    Canvas(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h) {}

    Rgb& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    const Rgb& at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }

    // Fills every pixel from f(s, t) with s, t the texture coordinates of the
    // pixel centre.
    template <typename F>
    void fill(F&& f) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                at(x, y) = f((x + 0.5) / width, (y + 0.5) / height);
    }
};

// Signed distance from p to the segment a-b (unsigned; callers subtract a
// half width to get a capsule).
inline double segment_distance(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double len2 = dx * dx + dy * dy;
    double h = len2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0.0;
    h = clamp01(h);
    const double ex = px - ax - dx * h, ey = py - ay - dy * h;
    return std::sqrt(ex * ex + ey * ey);
}

// Signed distance to a closed polygon (negative inside, even-odd rule).
struct Point {
    double x = 0, y = 0;
};
inline double polygon_distance(double px, double py, const std::vector<Point>& poly) {
    double best = 1e300;
    bool inside = false;
    const std::size_t n = poly.size();
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const Point a = poly[j], b = poly[i];
        best = std::min(best, segment_distance(px, py, a.x, a.y, b.x, b.y));
        if ((b.y > py) != (a.y > py) && px < (a.x - b.x) * (py - b.y) / (a.y - b.y) + b.x)
            inside = !inside;
    }
    return inside ? -best : best;
}

}  // namespace painter
