// Pictures of the shaped image buttons: a star, a drop and an arrow, each in
// a normal, a hover and a pressed state.
//
// The button window takes its shape from the normal picture's non-magenta
// pixels and draws the hover and pressed pictures inside that same shape, so
// all three states share one exact mask: a pixel is inside when its centre
// lies inside the shape.  The edge is anti-aliased against a dark outline
// inside the shape, never against the magenta key, so no pixel comes near
// the key colour (the region builder keys out red 255, green 0..1,
// blue 255).

#include <cmath>

#include "pictures.hpp"

namespace painter {

namespace {

constexpr int kButtonSize = 96;
constexpr double kPi = 3.14159265358979323846;

// Outlines in picture coordinates: x to the right, y up, origin at the
// bottom-left corner of the picture.
std::vector<Point> star_outline() {
    std::vector<Point> p;
    for (int k = 0; k < 10; ++k) {
        const double radius = (k % 2 == 0) ? 42.0 : 17.5;
        const double a = kPi / 2.0 + k * kPi / 5.0;
        p.push_back({48.0 + radius * std::cos(a), 46.0 + radius * std::sin(a)});
    }
    return p;
}

std::vector<Point> drop_outline() {
    // Teardrop curve x = sin u sin^m(u/2), y = cos u, tip at the top.
    std::vector<Point> p;
    for (int k = 0; k < 240; ++k) {
        const double u = 2.0 * kPi * k / 240.0;
        const double x = std::sin(u) * std::pow(std::sin(u / 2.0), 1.6);
        p.push_back({48.0 + 40.0 * x, 46.0 + 42.0 * std::cos(u)});
    }
    return p;
}

std::vector<Point> arrow_outline() {
    return {{9, 35}, {50, 35}, {50, 12}, {87, 48}, {50, 84}, {50, 61}, {9, 61}};
}

struct Look {
    Rgb top, bottom;  // fill gradient
    double rounding;  // corner rounding in pixels (the outline grows by it)
};

double shape_distance(ButtonShape shape, double x, double y) {
    static const std::vector<Point> star = star_outline();
    static const std::vector<Point> drop = drop_outline();
    static const std::vector<Point> arrow = arrow_outline();
    switch (shape) {
        case ButtonShape::Star: return polygon_distance(x, y, star) - 2.0;
        case ButtonShape::Drop: return polygon_distance(x, y, drop);
        case ButtonShape::Arrow: return polygon_distance(x, y, arrow) - 3.0;
    }
    return 1.0;
}

Look look_of(ButtonShape shape) {
    switch (shape) {
        case ButtonShape::Star: return {rgb8(255, 212, 60), rgb8(232, 126, 10), 2.0};
        case ButtonShape::Drop: return {rgb8(96, 176, 255), rgb8(18, 74, 200), 0.0};
        case ButtonShape::Arrow: return {rgb8(120, 226, 96), rgb8(24, 136, 44), 3.0};
    }
    return {};
}

}  // namespace

Canvas paint_button(ButtonShape shape, ButtonState state) {
    Canvas img(kButtonSize, kButtonSize);
    const Look look = look_of(shape);
    const bool hover = state == ButtonState::Hover;
    const bool pressed = state == ButtonState::Pressed;
    // The pressed picture is drawn 2 pixels right and down, lit from below,
    // as if pushed into the panel.
    const double shift_x = pressed ? 2.0 : 0.0, shift_y = pressed ? -2.0 : 0.0;
    const double light_x = pressed ? 0.55 : -0.55, light_y = pressed ? -0.65 : 0.65;

    for (int j = 0; j < kButtonSize; ++j) {
        for (int i = 0; i < kButtonSize; ++i) {
            const double x = i + 0.5, y = j + 0.5;
            if (shape_distance(shape, x, y) >= 0.0) {
                img.at(i, j) = kButtonKey;
                continue;
            }
            const double sx = x - shift_x, sy = y - shift_y;
            const double d = shape_distance(shape, sx, sy);
            const double inner = -d;  // depth inside the (shifted) shape, pixels
            // Outward gradient of the distance, for the bevel.
            const double gx = (shape_distance(shape, sx + 1, sy) - shape_distance(shape, sx - 1, sy)) * 0.5;
            const double gy = (shape_distance(shape, sx, sy + 1) - shape_distance(shape, sx, sy - 1)) * 0.5;

            Rgb fill = mix(look.bottom, look.top, clamp01((sy - 8.0) / 80.0));
            if (hover) fill = mix(fill, Rgb{1, 1, 1}, 0.28);
            if (pressed) fill = fill * 0.68;

            // Bevel: the rim slopes towards the edge and catches the light.
            const double slope = 1.0 - smoothstep(1.5, 9.0, inner);
            const double lit = (gx * light_x + gy * light_y) * slope;
            Rgb c = fill * (1.0 - 0.45 * std::max(0.0, -lit)) + grey(0.35) * std::max(0.0, lit);

            // Gloss on the upper part of the face.
            if (!pressed) {
                const double gloss = smoothstep(6.0, 12.0, inner) * smoothstep(50.0, 70.0, sy) * 0.32;
                c = screen(c, grey(gloss));
            }
            // Hover glow: a warm light running round the inside of the rim.
            if (hover) c = screen(c, rgb8(255, 246, 180) * (0.85 * std::exp(-std::max(0.0, inner - 2.0) / 5.0)));

            // Dark outline, anti-aliased against the fill; in the pressed
            // state the strip uncovered by the shift is shadow.
            const Rgb outline = look.bottom * (pressed ? 0.18 : 0.3);
            c = mix(outline, c, smoothstep(1.4, 2.9, inner));

            // Never near the key colour (cannot happen with these palettes,
            // kept so a palette change cannot punch holes in a button).
            if (c.r > 0.97 && c.b > 0.97 && c.g < 0.05) c.g = 0.2;
            img.at(i, j) = c;
        }
    }
    return img;
}

}  // namespace painter
