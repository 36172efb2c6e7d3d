// Textures of the buggy model.
//
// Sizes.  These five images are recorded in the body and wheel display lists,
// so every frame uploads them again: "buggy.bmp" three times, "Metal1-00.bmp"
// five times (body once, each wheel once), "pneumatico.tga" four times,
// "giger.bmp" and "water3.bmp" once.  They are therefore kept as small as
// their on-screen size allows:
//  - buggy.bmp 256 x 128: the body (about 33 units long, some 300 pixels on an
//    800 x 600 window) covers 235 texels along its length, about one texel per
//    pixel; 128 would blur the livery.  Across the body (t) half as many texels
//    are enough: the body is less than half as wide as long, and seen mostly
//    from the side.  The livery is painted at 256 x 256 and halved in height,
//    which keeps the dials and stripes round and smooth.
//  - giger.bmp 128 x 128: the engine shows 0.8 x 1.4 repeats over roughly
//    60 x 40 pixels.
//  - Metal1-00.bmp, water3.bmp, pneumatico.tga 64 x 64: they repeat every
//    2.5 units (about 22 pixels) on the metal parts, ten times along a seat,
//    eight times around a tyre; more texels would only shimmer (no mipmaps)
//    and cost upload time.
// Per frame that is 3 x 96 KiB + 5 x 12 KiB + 48 KiB + 12 KiB + 4 x 12 KiB,
// about 0.45 MiB of pixel data.
//
// The lit colour the textured passes modulate with is about 0.6 (ambient
// only), so the pictures are painted bright and saturated.

#include <cmath>

#include "noise.hpp"
#include "pictures.hpp"

namespace painter {

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------------------
// Livery helpers (body model units: x forward, y to the left)

const Rgb kOrangeDeep = rgb8(226, 78, 6);
const Rgb kOrangeBright = rgb8(255, 142, 22);
const Rgb kStripeWhite = rgb8(250, 246, 236);
const Rgb kNavy = rgb8(16, 28, 64);
const Rgb kBlack = rgb8(14, 14, 18);
const Rgb kChrome = rgb8(222, 226, 232);

// Coverage of a band |v - centre| < half, anti-aliased over `px` model units.
double band(double v, double centre, double half, double px) {
    return coverage((std::fabs(v - centre) - half) / px);
}

// Signed distance to the number seven, in units of the roundel radius.
double seven_distance(double u, double v) {
    const double bar = segment_distance(u, v, -0.42, 0.50, 0.40, 0.50);
    const double leg = segment_distance(u, v, 0.40, 0.50, -0.12, -0.58);
    return std::min(bar, leg) - 0.15;
}

// Paint of the upper body seen from above, at model point (x, y).  `px` is
// the size of one texel in model units, used for anti-aliasing.
Rgb upper_body(double x, double y, double px) {
    const double ay = std::fabs(y);
    // Base coat: brighter along the crown of the body, deeper towards the
    // flanks, with a faint cloudiness and metallic flake.
    const double crown = 1.0 - std::pow(std::min(ay / 36.0, 1.0), 2.0);
    Rgb c = mix(kOrangeDeep, kOrangeBright, 0.25 + 0.75 * crown);
    const double s = x / 140.0 + 0.6, t = y / 150.0 + 0.75;
    c = c * (1.0 + 0.05 * periodic_fbm(s, t, 4, 3, 0.5, 11) + 0.025 * periodic_noise(s, t, 128, 12));

    // Twin racing stripes along the whole length, edged in navy.
    for (double side : {-1.0, 1.0}) {
        const double centre = side * 7.0;
        c = mix(c, kNavy, band(y, centre, 4.4, px));
        c = mix(c, kStripeWhite, band(y, centre, 3.4, px));
    }
    // Navy pinstripe along each flank.
    c = mix(c, kNavy, band(ay, 31.5, 0.55, px));

    // Checkered band across the rear deck.
    if (x > -82.0 && x < -73.0 && ay < 22.0) {
        const double cell = 3.0;
        const bool dark = (static_cast<int>(std::floor((x + 82.0) / cell)) +
                           static_cast<int>(std::floor((y + 24.0) / cell))) % 2 == 0;
        const double inside = coverage((std::fabs(x + 77.5) - 4.5) / px) * coverage((ay - 22.0) / px);
        c = mix(c, dark ? kBlack : kStripeWhite, inside);
    }

    // Engraved panel seams: a dark line with a light lip beside it.
    auto seam = [&](double distance) {
        c = c * (1.0 - 0.55 * coverage((distance - 0.35) / px));
        c = c * (1.0 + 0.18 * coverage((std::fabs(distance - 0.9) - 0.3) / px));
    };
    seam(std::fabs(x - 4.0));                        // bonnet
    seam(std::fabs(x + 46.0));                       // rear deck
    if (x > -46.0 && x < 4.0) seam(std::fabs(ay - 26.5));  // cockpit sides

    // Bonnet pins and a row of fasteners along the rear deck seam.
    auto fastener = [&](double fx, double fy, double radius) {
        const double d = std::hypot(x - fx, y - fy);
        c = mix(c, kBlack, coverage((d - radius) / px));
        c = mix(c, kChrome * (1.0 - 0.25 * (y - fy) / radius), coverage((d - radius * 0.7) / px));
    };
    for (double side : {-1.0, 1.0}) fastener(40.0, side * 17.0, 1.7);
    for (double fy = -30.0; fy <= 30.0; fy += 10.0) fastener(-48.5, fy, 0.9);

    // Number roundel on the bonnet, over the stripes.
    {
        const double cx = 24.0, r = 11.5;
        const double d = std::hypot(x - cx, y) - r;
        c = mix(c, kBlack, coverage(d / px));
        c = mix(c, kStripeWhite, coverage((d + 1.4) / px));
        const double digit = seven_distance((x - cx) / r, y / r) * r;
        c = mix(c, kBlack, coverage(digit / px));
    }

    // Chrome housings around the sockets the headlights take their colour
    // from (both sides, so the body stays symmetric).
    for (double hx : {-5.2, 5.5}) {
        for (double side : {-1.0, 1.0}) {
            const double dx = std::fabs(x - hx) - 2.3, dy = std::fabs(y - side * 19.3) - 1.9;
            const double d = std::hypot(std::max(dx, 0.0), std::max(dy, 0.0)) + std::min(std::max(dx, dy), 0.0) - 0.8;
            c = mix(c, kBlack, coverage(d / px));
            c = mix(c, kChrome * (0.92 + 0.08 * (y - side * 19.3) / 2.7), coverage((d + 0.6) / px));
        }
    }
    return c;
}

// Lower body, in its own model coordinates: a deeper orange with a navy
// pinstripe.
Rgb lower_body(double x, double y, double px) {
    const double ay = std::fabs(y);
    Rgb c = mix(rgb8(196, 62, 8), rgb8(236, 104, 18), 1.0 - std::min(ay / 34.0, 1.0));
    c = c * (1.0 + 0.05 * periodic_fbm(x / 120.0, y / 80.0, 4, 3, 0.5, 21));
    c = mix(c, kNavy, band(ay, 25.0, 0.8, px));
    c = c * (1.0 - 0.5 * coverage((std::fabs(x - 4.0) - 0.5) / px));
    return c;
}

// Carbon-fibre twill in texel units, used for the dashboard and for the
// parts of the sheet no surface uses.
Rgb carbon(double i, double j) {
    const double period = 8.0;
    const double u = std::fmod(i + 1000 * period, period) / period;
    const double v = std::fmod(j + 1000 * period, period) / period;
    const bool warp = std::fmod(std::floor(i / period) + std::floor(j / period), 2.0) == 0.0;
    const double along = warp ? u : v;
    const double across = warp ? v : u;
    const double sheen = 0.5 + 0.5 * std::sin(across * kPi);
    const double tow = 0.75 + 0.25 * std::sin(along * kPi * 2.0 + (warp ? 0.0 : 1.3));
    return grey(0.10 + 0.09 * sheen * tow) * Rgb{0.95, 0.97, 1.05};
}

// A round gauge centred at (ci, cj) texels, radius r texels.
void gauge(Rgb& c, double i, double j, double ci, double cj, double r, double needle_angle) {
    const double dx = i - ci, dy = (j - cj) * 1.25;
    const double d = std::hypot(dx, dy);
    c = mix(c, kChrome, coverage(d - r));
    c = mix(c, rgb8(20, 22, 26), coverage(d - r + 1.5));
    // Tick marks around the dial.
    const double angle = std::atan2(dy, dx);
    const double tick = std::fabs(std::remainder(angle, kPi / 6.0)) * d;
    if (d < r - 2.5 && d > r - 5.5) c = mix(c, grey(0.9), coverage(tick - 0.6));
    // Orange needle from the centre.
    const double nx = std::cos(needle_angle), ny = std::sin(needle_angle);
    const double along = dx * nx + dy * ny;
    const double off = std::fabs(-dx * ny + dy * nx);
    if (along > -1.0 && along < r - 3.0) c = mix(c, kOrangeBright, coverage(off - 0.8));
    c = mix(c, grey(0.75), coverage(d - 1.6));
}

}  // namespace

Canvas paint_body_livery() {
    Canvas img(256, 256);
    const double texel = 1.0 / img.width;
    for (int j = 0; j < img.height; ++j) {
        for (int i = 0; i < img.width; ++i) {
            const double s = (i + 0.5) / img.width, t = (j + 0.5) / img.height;
            Rgb c = carbon(i, j);
            if (t >= 0.508) {
                // Upper body: s = 0.6 + x * 0.3/43, t = 0.75 + y * 0.28/43.
                const double x = (s - 0.6) * 43.0 / 0.3, y = (t - 0.75) * 43.0 / 0.28;
                c = upper_body(x, y, texel * 43.0 / 0.3);
            } else if (s >= 0.69 && t >= 0.24) {
                // Lower body: s = 0.9 + x * 0.1/43, t = 1.38 + y * 0.16/43 (wrapped).
                const double x = (s - 0.9) * 43.0 / 0.1, y = (t + 1.0 - 1.38) * 43.0 / 0.16;
                c = lower_body(x, y, texel * 43.0 / 0.1);
            } else if (s < 0.41 && t > 0.17 && t < 0.35) {
                // Dashboard, laid sideways: s = 0.2 - 0.0088 y, t = 0.344 + 0.03 x.
                c = grey(0.16) * (0.85 + 0.15 * t / 0.35) + carbon(i, j) * 0.3;
                gauge(c, i, j, 0.094 * 256, 0.262 * 256, 13.0, 2.3);
                gauge(c, i, j, 0.306 * 256, 0.262 * 256, 13.0, 0.9);
                // Warning lamps in the middle of the panel.
                for (int k = 0; k < 3; ++k) {
                    const Rgb lamp = k == 0 ? rgb8(40, 220, 60) : k == 1 ? rgb8(255, 190, 20) : rgb8(240, 40, 30);
                    const double d = std::hypot(i - (0.17 + 0.03 * k) * 256, (j - 0.262 * 256) * 1.25) - 3.2;
                    c = mix(c, lamp, coverage(d));
                }
            }
            // Headlight glass: flat at x = 40.54 with s = x and t = y, so it
            // shows the column at s = 0.5402, repeated along its height.
            // A pale glass tint there reads as a lens; on the body it is a
            // thin cream pinstripe just ahead of the seats.
            const double lens_column = std::fabs(s - 0.5402) * img.width;
            c = mix(c, rgb8(250, 244, 220) * (0.94 + 0.06 * std::sin(t * kPi * 16)), coverage(lens_column - 1.1));
            img.at(i, j) = c;
        }
    }
    // Halve the height: each row of the result is the mean of two painted rows.
    Canvas half(img.width, img.height / 2);
    for (int j = 0; j < half.height; ++j)
        for (int i = 0; i < half.width; ++i) half.at(i, j) = (img.at(i, 2 * j) + img.at(i, 2 * j + 1)) * 0.5;
    return half;
}

Canvas paint_brushed_metal() {
    Canvas img(64, 64);
    img.fill([](double s, double t) {
        // Brushing marks run along s: long in s, fine in t.
        const double streaks = 0.55 * periodic_noise(s, t, 2, 48, 31) + 0.30 * periodic_noise(s, t, 4, 32, 32) +
                               0.15 * periodic_noise(s, t, 1, 16, 33);
        const double cloud = periodic_fbm(s, t, 2, 2, 0.5, 34);
        const double sheen = std::cos(2.0 * kPi * (t + 0.15 * std::sin(2.0 * kPi * s)));
        const double v = 0.80 + 0.065 * streaks + 0.03 * cloud + 0.035 * sheen;
        return Rgb{v * 0.97, v * 0.99, v * 1.03};
    });
    return img;
}

Canvas paint_biomech() {
    Canvas img(128, 128);
    // Height field: ribbed vertebrae along t, woven with ridged tubes bent by
    // a slow warp.  All terms tile on the unit square.
    auto height = [](double s, double t) {
        const double ws = s + 0.05 * periodic_fbm(s, t, 2, 2, 0.5, 41);
        const double wt = t + 0.05 * periodic_fbm(s, t, 2, 2, 0.5, 42);
        const double tubes = periodic_ridged(ws, wt, 3, 3, 43);
        const double rib_phase = wt * 8.0 + 0.6 * std::sin(2.0 * kPi * ws);
        const double ribs = std::pow(std::fabs(std::sin(kPi * rib_phase)), 0.6);
        // Two segmented spines running along t: a chain of rounded
        // vertebrae, eight per tile, each with a knob in the middle.
        double spine = 0.0;
        for (double centre : {0.25, 0.75}) {
            const double across = std::fabs(std::remainder(ws - centre, 1.0)) / 0.085;
            const double seg = std::remainder(wt * 8.0 + 0.5, 1.0);  // -0.5 .. 0.5 within a vertebra
            const double body = std::sqrt(std::max(0.0, 1.0 - across * across)) * (1.0 - 1.6 * seg * seg);
            const double knob = 0.35 * std::exp(-(across * across * 4.0 + seg * seg * 60.0));
            spine = std::max(spine, body + knob);
        }
        const double flesh = 0.55 * tubes + 0.45 * ribs;
        return std::max(flesh * 0.8, spine);
    };
    const double e = 1.0 / img.width;
    for (int j = 0; j < img.height; ++j) {
        for (int i = 0; i < img.width; ++i) {
            const double s = (i + 0.5) * e, t = (j + 0.5) * e;
            const double h = height(s, t);
            const double hx = (height(s + e, t) - height(s - e, t)) * img.width * 0.06;
            const double hy = (height(s, t + e) - height(s, t - e)) * img.width * 0.06;
            // Normal of the embossed surface, lit from the upper left.
            const double len = std::sqrt(hx * hx + hy * hy + 1.0);
            const double nx = -hx / len, ny = -hy / len, nz = 1.0 / len;
            const double lx = -0.5, ly = 0.6, lz = 0.62;
            const double diffuse = std::max(0.0, nx * lx + ny * ly + nz * lz);
            const double hz = nz + lz;  // half vector with the viewer straight above
            const double hn = (nx * lx + ny * ly + nz * hz) / std::sqrt(lx * lx + ly * ly + hz * hz);
            const double spec = std::pow(std::max(0.0, hn), 24.0);
            const double cavity = smoothstep(0.15, 0.6, h);
            Rgb c = mix(rgb8(6, 8, 8), rgb8(62, 72, 66), diffuse * cavity);
            c = c + rgb8(150, 165, 150) * (spec * cavity * 0.8);
            c = c * (0.9 + 0.1 * periodic_noise(s, t, 32, 44));
            img.at(i, j) = c;
        }
    }
    return img;
}

Canvas paint_water() {
    Canvas img(64, 64);
    img.fill([](double s, double t) {
        const double ws = s + 0.05 * periodic_fbm(s, t, 2, 2, 0.5, 51);
        const double wt = t + 0.05 * periodic_fbm(s, t, 2, 2, 0.5, 52);
        const CellDistances a = periodic_cells(ws, wt, 4, 53);
        const CellDistances b = periodic_cells(ws + 0.37, wt + 0.21, 3, 54);
        const double caustic = 1.0 - smoothstep(0.0, 0.22, a.f2 - a.f1);
        const double caustic2 = 1.0 - smoothstep(0.0, 0.30, b.f2 - b.f1);
        const double depth = 0.5 + 0.5 * periodic_fbm(s, t, 2, 3, 0.5, 55);
        Rgb c = mix(rgb8(8, 70, 120), rgb8(20, 130, 170), depth);
        c = screen(c, rgb8(150, 235, 250) * (0.75 * caustic + 0.35 * caustic2));
        return c;
    });
    return img;
}

Canvas paint_tread() {
    Canvas img(64, 64);
    // One tile: s across the tread (three tiles side by side), t along the
    // rolling direction.  A chevron paddle per tile, raised above the groove.
    img.fill([](double s, double t) {
        const double px = 1.0 / 64.0;
        const double vee = 0.28 + 0.42 * std::fabs(s - 0.5);
        // Distance along t to the paddle's centre line, wrapped to the tile.
        const double dt = std::remainder(t - vee, 1.0);
        const double block = coverage((std::fabs(dt) - 0.17) / px * 0.5);
        // Raised block: lit leading edge, shadowed trailing edge.
        const double edge = smoothstep(0.17, 0.10, std::fabs(dt));
        const double light = dt > 0 ? 1.0 - 0.35 * (1.0 - edge) : 1.0 + 0.25 * (1.0 - edge);
        const double grain = 0.06 * periodic_noise(s, t, 16, 61) + 0.04 * periodic_noise(s, t, 32, 62);
        const double top = (0.27 + grain) * light * (0.9 + 0.2 * t);
        const double groove = 0.075 + grain * 0.5;
        // Thin sipes cut into each paddle.
        const double sipe = coverage((std::fabs(std::remainder(s * 4.0, 1.0)) * 16.0 - 0.6));
        const double v = mix(groove, top * (1.0 - 0.45 * sipe * block), block);
        return Rgb{v, v, v * 1.05};
    });
    return img;
}

}  // namespace painter
