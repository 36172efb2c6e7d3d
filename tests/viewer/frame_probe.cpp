#include "frame_probe.h"

#include <png.h>

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

bool read_png(const std::string& path, Image& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr)) return false;
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

double fraction_changed(const Image& a, const Image& b, int tolerance, const std::function<bool(int, int)>& where) {
    if (a.width != b.width || a.height != b.height) return 1.0;
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

Box not_sky(const Image& image, int tolerance) {
    Box box;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (alike(image.at(x, y), SKY, tolerance)) continue;
            if (x < box.left) box.left = x;
            if (x > box.right) box.right = x;
            if (y < box.top) box.top = y;
            if (y > box.bottom) box.bottom = y;
        }
    }
    return box;
}

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
