// Sphere maps for the blended reflection passes.
//
// Each map is painted as the picture a mirror ball would show: a pixel at
// texture coordinates (s, t) is the ball's point with normal
// (2s - 1, 2t - 1, nz) seen by a viewer looking down -z, and it holds what
// is reflected in the direction R = 2 nz n - (0, 0, 1).  Up in the picture
// (t = 1) is up in eye space.  Everything outside the ball's disc is the
// colour of the direction behind the ball, so the rim stays seamless.
//
// What is painted first is the modulation M the pass should apply: the
// screen ends up multiplied by 2 M, so 0.5 changes nothing, a bright sky
// brightens and a dark ground darkens.  The texel stored is what the pass's
// combiner turns into M (see reflection_texel): the stored pictures look
// like dim negatives, the reflections on screen do not.

#include <cmath>
#include <functional>

#include "noise.hpp"
#include "pictures.hpp"

namespace painter {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Dir {
    double x, y, z;
};

// Paints a sphere map of `size` x `size` from the modulation of a reflected
// direction, 4 x 4 samples per pixel (the ball's rim squeezes a whole
// hemisphere into a thin ring).  The alpha channel gets the fraction of the
// pixel inside the ball.
Canvas sphere_map(int size, const std::function<Rgb(const Dir&)>& modulation, const Rgb& behind) {
    Canvas img(size, size);
    img.alpha.assign(img.pixels.size(), 0.0);
    constexpr int kSub = 4;
    for (int j = 0; j < size; ++j) {
        for (int i = 0; i < size; ++i) {
            Rgb sum{};
            int inside = 0;
            for (int sj = 0; sj < kSub; ++sj) {
                for (int si = 0; si < kSub; ++si) {
                    const double nx = 2.0 * (i + (si + 0.5) / kSub) / size - 1.0;
                    const double ny = 2.0 * (j + (sj + 0.5) / kSub) / size - 1.0;
                    const double r2 = nx * nx + ny * ny;
                    if (r2 >= 1.0) {
                        sum = sum + behind;
                        continue;
                    }
                    ++inside;
                    const double nz = std::sqrt(1.0 - r2);
                    sum = sum + modulation(Dir{2.0 * nz * nx, 2.0 * nz * ny, 2.0 * nz * nz - 1.0});
                }
            }
            const Rgb m = sum * (1.0 / (kSub * kSub));
            img.at(i, j) = Rgb{reflection_texel(m.r), reflection_texel(m.g), reflection_texel(m.b)};
            img.alpha[static_cast<std::size_t>(j) * size + i] = static_cast<double>(inside) / (kSub * kSub);
        }
    }
    return img;
}

// Height of the dune line above the horizon (as the sine of the elevation)
// for an azimuth, periodic around the circle.
double dune_line(double azimuth) {
    const double a = azimuth / (2.0 * kPi) + 0.5;
    return 0.035 + 0.045 * (0.5 + 0.5 * periodic_fbm(a, 0.37, 5, 3, 0.45, 71));
}

const Rgb kHaze{0.66, 0.65, 0.62};
const Rgb kZenith{0.55, 0.58, 0.66};
const Rgb kSandNear{0.44, 0.41, 0.36};
const Rgb kSandFar{0.39, 0.37, 0.34};

Rgb sky_and_desert(const Dir& r) {
    const double azimuth = std::atan2(r.x, r.z);
    const double horizon = dune_line(azimuth);
    if (r.y > horizon) {
        const double k = std::sqrt(std::min(1.0, (r.y - horizon) / (1.0 - horizon)));
        Rgb c = mix(kHaze, kZenith, k);
        // A bright band of haze right on the dunes.
        c = c + grey(0.05 * std::exp(-(r.y - horizon) / 0.03));
        // Clouds on a plane overhead.
        const double lift = r.y + 0.12;
        const double cx = 0.5 + 0.11 * r.x / lift, cz = 0.5 + 0.11 * r.z / lift;
        const double cloud = smoothstep(0.05, 0.55, periodic_fbm(cx, cz, 6, 4, 0.55, 72));
        const double fade = smoothstep(0.04, 0.3, r.y);
        return c + Rgb{0.07, 0.07, 0.06} * (cloud * fade);
    }
    // Desert: lighter near the horizon, ripples on the ground plane.
    const double below = r.y - horizon;
    Rgb c = mix(kSandNear, kSandFar, smoothstep(0.0, -0.5, below));
    const double drop = std::max(0.06, -r.y + 0.06);
    const double gx = 0.5 + 0.06 * r.x / drop, gz = 0.5 + 0.06 * r.z / drop;
    const double ripple = std::sin(2.0 * kPi * (gz * 9.0 + 0.8 * periodic_fbm(gx, gz, 4, 2, 0.5, 73)));
    c = c * (1.0 + 0.03 * ripple * smoothstep(0.0, -0.15, below) * smoothstep(-0.6, -0.2, r.z));
    // Dark rim of the dune crest against the sky.
    return c * (1.0 - 0.08 * std::exp(below / 0.01));
}

Rgb studio(const Dir& r) {
    const Rgb tint{0.98, 1.0, 1.03};
    // Walls, a slightly darker floor, a soft join between them.
    double m = mix(0.41, 0.49 + 0.04 * std::max(0.0, r.y), smoothstep(-0.12, 0.02, r.y));
    // Large soft box overhead, a little towards the viewer.
    {
        const double dx = std::fabs(r.x) - 0.42, dz = std::fabs(r.z - 0.15) - 0.28;
        const double d = std::hypot(std::max(dx, 0.0), std::max(dz, 0.0)) + std::min(std::max(dx, dz), 0.0) - 0.08;
        const double on = smoothstep(0.03, -0.03, d) * smoothstep(0.45, 0.6, r.y);
        m = mix(m, 0.93 - 0.05 * std::fabs(r.x), on);
    }
    // Two tall strip lights, one at each side.
    const double azimuth = std::atan2(r.x, r.z);
    for (double centre : {-1.7, 1.75}) {
        const double off = std::fabs(std::remainder(azimuth - centre, 2.0 * kPi)) - 0.14;
        const double on = smoothstep(0.03, -0.03, off) * smoothstep(-0.10, -0.04, r.y) * smoothstep(0.5, 0.42, r.y);
        m = mix(m, 0.86, on);
    }
    return tint * m;
}

}  // namespace

Canvas paint_sky_reflection() {
    const Rgb behind = mix(sky_and_desert(Dir{0, 0.2, -0.98}), sky_and_desert(Dir{0, -0.2, -0.98}), 0.5);
    return sphere_map(256, sky_and_desert, behind);
}

Canvas paint_sun_reflection() {
    Canvas img(256, 256);
    img.alpha.assign(img.pixels.size(), 0.0);
    // The sun stands high and a little to the left, like the scene's light.
    const double sun_s = 0.40, sun_t = 0.79;
    for (int j = 0; j < img.height; ++j) {
        for (int i = 0; i < img.width; ++i) {
            const double s = (i + 0.5) / img.width, t = (j + 0.5) / img.height;
            const double dx = s - sun_s, dy = t - sun_t;
            const double d = std::hypot(dx, dy);
            const double theta = std::atan2(dy, dx);
            const double core = smoothstep(0.036, 0.024, d);
            const double halo = 0.30 * std::exp(-d / 0.05) + 0.08 * std::exp(-d / 0.16);
            const double rays = 0.10 * std::exp(-d / 0.14) * std::pow(std::fabs(std::cos(3.0 * theta + 0.3)), 30.0);
            // A faint lens ghost on the far side of the centre.
            const double gd = std::hypot(s - (1.0 - sun_s) + 0.05, t - (1.0 - sun_t) + 0.1);
            const double ghost = 0.035 * smoothstep(0.045, 0.035, gd) * smoothstep(0.0, 0.04, gd);
            const double glare = std::min(0.5, core * 0.5 + halo + rays + ghost);
            // Warm in the halo, white in the core.
            const Rgb m = Rgb{0.5, 0.5, 0.5} + Rgb{1.0, 0.93, 0.78} * glare + grey(0.06) * core;
            img.at(i, j) = Rgb{reflection_texel(m.r), reflection_texel(m.g), reflection_texel(m.b)};
            img.alpha[static_cast<std::size_t>(j) * img.width + i] = clamp01(glare * 2.0);
        }
    }
    return img;
}

Canvas paint_studio_reflection() {
    return sphere_map(256, studio, studio(Dir{0, 0, -1}));
}

}  // namespace painter
