#include "noise.hpp"

#include <algorithm>
#include <cmath>

namespace painter {

namespace {

std::int64_t wrap(std::int64_t v, int period) {
    const std::int64_t m = v % period;
    return m < 0 ? m + period : m;
}

double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

// Dot product of the pseudo-random unit gradient at a lattice point with the
// offset from that point.
double gradient_dot(std::int64_t ix, std::int64_t iy, std::uint32_t seed, double dx, double dy) {
    const std::uint32_t h = lattice_hash(ix, iy, seed);
    const double angle = (h & 0xFFFF) * (6.283185307179586 / 65536.0);
    return std::cos(angle) * dx + std::sin(angle) * dy;
}

}  // namespace

std::uint32_t lattice_hash(std::int64_t x, std::int64_t y, std::uint32_t seed) {
    std::uint64_t h = static_cast<std::uint64_t>(x) * 0x8DA6B343ull ^
                      static_cast<std::uint64_t>(y) * 0xD8163841ull ^
                      static_cast<std::uint64_t>(seed) * 0xCB1AB31Full;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return static_cast<std::uint32_t>(h);
}

double periodic_noise(double s, double t, int cells, std::uint32_t seed) {
    return periodic_noise(s, t, cells, cells, seed);
}

double periodic_noise(double s, double t, int cells_s, int cells_t, std::uint32_t seed) {
    const double x = s * cells_s, y = t * cells_t;
    const double fx = std::floor(x), fy = std::floor(y);
    const double dx = x - fx, dy = y - fy;
    const auto x0 = static_cast<std::int64_t>(fx), y0 = static_cast<std::int64_t>(fy);
    const std::int64_t xa = wrap(x0, cells_s), xb = wrap(x0 + 1, cells_s);
    const std::int64_t ya = wrap(y0, cells_t), yb = wrap(y0 + 1, cells_t);
    const double n00 = gradient_dot(xa, ya, seed, dx, dy);
    const double n10 = gradient_dot(xb, ya, seed, dx - 1, dy);
    const double n01 = gradient_dot(xa, yb, seed, dx, dy - 1);
    const double n11 = gradient_dot(xb, yb, seed, dx - 1, dy - 1);
    const double u = fade(dx), v = fade(dy);
    const double a = n00 + (n10 - n00) * u;
    const double b = n01 + (n11 - n01) * u;
    return (a + (b - a) * v) * 1.41421356;  // scale the +-0.707 range to about +-1
}

double periodic_fbm(double s, double t, int cells, int octaves, double gain, std::uint32_t seed) {
    double sum = 0, amp = 1, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * periodic_noise(s, t, cells << o, seed + 977u * static_cast<std::uint32_t>(o));
        norm += amp;
        amp *= gain;
    }
    return sum / norm;
}

double periodic_ridged(double s, double t, int cells, int octaves, std::uint32_t seed) {
    double sum = 0, amp = 1, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        const double n = periodic_noise(s, t, cells << o, seed + 613u * static_cast<std::uint32_t>(o));
        const double r = 1.0 - std::min(1.0, std::fabs(n));
        sum += amp * r * r;
        norm += amp;
        amp *= 0.5;
    }
    return sum / norm;
}

CellDistances periodic_cells(double s, double t, int cells, std::uint32_t seed) {
    const double x = s * cells, y = t * cells;
    const auto cx = static_cast<std::int64_t>(std::floor(x));
    const auto cy = static_cast<std::int64_t>(std::floor(y));
    CellDistances d{1e9, 1e9};
    for (std::int64_t j = -1; j <= 1; ++j) {
        for (std::int64_t i = -1; i <= 1; ++i) {
            const std::uint32_t h = lattice_hash(wrap(cx + i, cells), wrap(cy + j, cells), seed);
            const double px = static_cast<double>(cx + i) + 0.1 + 0.8 * ((h & 0xFFFF) / 65535.0);
            const double py = static_cast<double>(cy + j) + 0.1 + 0.8 * ((h >> 16) / 65535.0);
            const double dist = std::hypot(px - x, py - y);
            if (dist < d.f1) {
                d.f2 = d.f1;
                d.f1 = dist;
            } else if (dist < d.f2) {
                d.f2 = dist;
            }
        }
    }
    return d;
}

}  // namespace painter
