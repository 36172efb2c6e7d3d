#include "frame_probe.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/Viewer.h"
#include "lumora/Lumora.h"

namespace vh = win32::virtual_host;

namespace probe {

Image from_frame(const vh::Frame& frame) {
    Image image{frame.width, frame.height, {}};
    image.pixels.resize(static_cast<size_t>(frame.width) * frame.height);
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x) image.pixels[static_cast<size_t>(y) * frame.width + x] = frame.pixel(x, y);
    return image;
}

void scene_setup() {
    OPENGL_INIT(100.0, 0.0, SKYR, SKYG, SKYB);
    glTranslatef(0, -8, -80);
    PUTGLPOINTLIGHT(GL_LIGHT0, 5, 0, 124, 0, 0.1f);
    SETGLNEWMAT(0.85f, 0.85f, 0.85f, 0, 0, 0, 0.425f, 0.425f, 0.425f, 0, 0, 0, 50);
    glPushMatrix();
    SETGLMOUSEMOVE(GL_M0, 2);
}

Image read_gl(int width, int height) {
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    Image image{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &rgba[(static_cast<size_t>(height - 1 - y) * width + x) * 4];
            image.pixels[static_cast<size_t>(y) * width + x] = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
        }
    }
    return image;
}

Box not_sky(const Image& image, int tolerance) { return picture::extent_not(image, SKY, tolerance); }

ScreenPoint project_eye(double x, double y, double z, int client_height, int width, int height) {
    const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
    const double aspect = static_cast<double>(width) / height;
    const double ndc_x = f / aspect * x / -z;
    const double ndc_y = f * y / -z;
    const double from_bottom = (ndc_y + 1) / 2 * height;
    return {(ndc_x + 1) / 2 * width, client_height - from_bottom};
}

ScreenPoint project_body(double x, double y, double z, int client_height) {
    return project_eye(0.25 * x, 0.25 * z - 8, -0.25 * y - 80, client_height);
}

double eye_z(float depth) {
    const double n = 0.1, f = 100.0;
    const double ndc = 2.0 * depth - 1.0;
    return -(2.0 * f * n) / ((f + n) - ndc * (f - n));
}

int run(int answer, const std::function<bool(uint64_t)>& on_frame) {
    vh::push_message_box_answer(answer);
    bool escaped = false;
    vh::set_frame_callback([&](uint64_t index) {
        if (escaped) return;
        if (!on_frame(index)) {
            escaped = true;
            vh::key_press(VK_ESCAPE);
        }
    });
    const int code = VIEWER_MAIN();
    vh::set_frame_callback({});
    return code;
}

}  // namespace probe
