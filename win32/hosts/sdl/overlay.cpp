// Drawn with glWindowPos + glDrawPixels (no matrices, no texture objects), with the window
// region as an alpha mask; every piece of state the drawing depends on is saved and
// restored, so the application's GL state is the same after the swap as before.
#include "win32/hosts/sdl/overlay.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstddef>
#include <limits>

namespace win32::sdl {

namespace {
// Pixels of one overlay as GL_BGRA/GL_UNSIGNED_INT_8_8_8_8_REV, bottom row first, alpha
// 255 where the mask covers and 0 elsewhere. False for overlays with no usable pixels.
bool overlay_rows(const Overlay& overlay, std::vector<uint32_t>& out) {
    if (!overlay.pixels || overlay.width <= 0 || overlay.height <= 0) return false;
    const auto w = static_cast<size_t>(overlay.width);
    const auto h = static_cast<size_t>(overlay.height);
    if (w > std::numeric_limits<size_t>::max() / h / sizeof(uint32_t)) return false;
    out.resize(w * h);
    for (size_t row = 0; row < h; ++row) {
        const uint32_t* src = overlay.pixels + row * w;
        const uint8_t* mask = overlay.mask ? overlay.mask + row * w : nullptr;
        uint32_t* dst = out.data() + (h - 1 - row) * w;
        for (size_t col = 0; col < w; ++col) {
            uint32_t alpha = (!mask || mask[col]) ? 0xFF000000u : 0u;
            dst[col] = (src[col] & 0x00FFFFFFu) | alpha;
        }
    }
    return true;
}
}  // namespace

void draw_overlays(int drawable_w, int drawable_h, int offset_x, int offset_y,
                   const std::vector<Overlay>& overlays) {
    (void)drawable_w;
    if (overlays.empty()) return;

    GLint active_texture = GL_TEXTURE0;
    GLint texture_units = 1;
    GLint unpack_buffer = 0;
    GLint program = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active_texture);
    glGetIntegerv(GL_MAX_TEXTURE_UNITS, &texture_units);
    glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &unpack_buffer);
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);

    if (unpack_buffer) glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    if (program) glUseProgram(0);

    // Fragment operations: write the pixels as they are, where the mask says.
    glDrawBuffer(GL_BACK);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    for (GLenum cap : {GL_LIGHTING, GL_FOG, GL_DEPTH_TEST, GL_STENCIL_TEST, GL_SCISSOR_TEST, GL_BLEND,
                       GL_COLOR_LOGIC_OP, GL_DITHER, GL_COLOR_SUM, GL_MULTISAMPLE}) {
        glDisable(cap);
    }
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    // Pixel rectangles are textured like any fragment: switch texturing off on every unit.
    for (GLint unit = 0; unit < texture_units; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glDisable(GL_TEXTURE_1D);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_TEXTURE_3D);
        glDisable(GL_TEXTURE_CUBE_MAP);
    }
    glActiveTexture(GL_TEXTURE0);

    // Pixel transfer and unpacking: plain, tightly packed rows.
    for (GLenum scale : {GL_RED_SCALE, GL_GREEN_SCALE, GL_BLUE_SCALE, GL_ALPHA_SCALE}) glPixelTransferf(scale, 1.0f);
    for (GLenum bias : {GL_RED_BIAS, GL_GREEN_BIAS, GL_BLUE_BIAS, GL_ALPHA_BIAS}) glPixelTransferf(bias, 0.0f);
    glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
    glPixelZoom(1.0f, 1.0f);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SKIP_IMAGES, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);

    std::vector<uint32_t> rows;
    for (const Overlay& overlay : overlays) {
        if (!overlay_rows(overlay, rows)) continue;
        // glWindowPos counts rows from the bottom of the drawable.
        const long long left = static_cast<long long>(offset_x) + overlay.x;
        const long long bottom =
            static_cast<long long>(drawable_h) - offset_y - overlay.y - overlay.height;
        if (left < std::numeric_limits<GLint>::min() || left > std::numeric_limits<GLint>::max() ||
            bottom < std::numeric_limits<GLint>::min() || bottom > std::numeric_limits<GLint>::max()) {
            continue;
        }
        glWindowPos2i(static_cast<GLint>(left), static_cast<GLint>(bottom));
        glDrawPixels(overlay.width, overlay.height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
    }

    glPopClientAttrib();
    glPopAttrib();
    if (program) glUseProgram(static_cast<GLuint>(program));
    if (unpack_buffer) glBindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(unpack_buffer));
    glActiveTexture(static_cast<GLenum>(active_texture));
}

}  // namespace win32::sdl
