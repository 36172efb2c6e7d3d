// The pictures of the viewer's image files, painted procedurally.
//
// Every function is deterministic: it uses fixed seeds and no global state,
// so the painter writes the same bytes on every run.
#pragma once

#include <string>
#include <vector>

#include "canvas.hpp"
#include "image_files.hpp"

namespace painter {

// --- Textures of the model (re-specified every frame from display lists) ---

// "buggy.bmp": the body livery.  The upper half is the upper body seen from
// above; the lower half holds the lower body, the dashboard and filler.
Canvas paint_body_livery();
// "Metal1-00.bmp": brushed steel, tileable.
Canvas paint_brushed_metal();
// "giger.bmp": dark biomechanical engine pattern, tileable.
Canvas paint_biomech();
// "water3.bmp": water caustics for the seats, tileable.
Canvas paint_water();
// "pneumatico.tga": tyre tread, tileable.
Canvas paint_tread();

// --- Sphere maps of the reflection passes (uploaded once at start) ---

// The reflection pass colours each fragment 1.5 - lit colour - texel (signed
// add of the two complements) and then multiplies the screen by twice that.
// The viewer's material lit by its one light gives this colour wherever no
// specular highlight falls (global ambient 0.2 x 0.85 + light ambient
// 0.5 x 0.85, no diffuse term).
inline constexpr double kReflectionLitColour = 0.595;
// Texel value that makes the pass multiply the screen by 2 x `modulation`:
// 0.5 leaves the picture as it is.
inline double reflection_texel(double modulation) { return 1.5 - kReflectionLitColour - modulation; }

// "riflesso.tga": sky over a desert horizon.
Canvas paint_sky_reflection();
// "sun.tga": neutral except for a sun glare.
Canvas paint_sun_reflection();
// "riflesso2.tga": studio chrome (soft boxes over a dark floor).
Canvas paint_studio_reflection();

// --- Image buttons ---

inline constexpr Rgb kButtonKey{1.0, 0.0, 1.0};  // magenta: outside the button

enum class ButtonShape { Star, Drop, Arrow };
enum class ButtonState { Normal, Hover, Pressed };
// A button picture: magenta (exactly 255, 0, 255) outside the shape, the
// same shape in all three states.
Canvas paint_button(ButtonShape shape, ButtonState state);

// --- The whole set ---

struct PaintedFile {
    std::string name;
    Bytes bytes;
};
// Every file the viewer directory needs, in a fixed order.
std::vector<PaintedFile> paint_all();

}  // namespace painter
