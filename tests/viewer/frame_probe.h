// Helpers for looking at the viewer's frames: where a point of the scene lands on screen,
// which pixels are not sky, PNG files, and the viewer run frame by frame.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "win32/hosts/virtual/virtual_host.h"

namespace probe {

constexpr uint32_t SKY = 0x659FD9;  // (119/300, 187/300, 0.85) in 8-bit channels

struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Image from_frame(const win32::virtual_host::Frame& frame);
// The current GL read buffer, top row first.
Image read_gl(int width, int height);
bool read_png(const std::string& path, Image& image);
bool write_png(const Image& image, const std::string& path);

bool alike(uint32_t a, uint32_t b, int tolerance);
// Fraction of pixels (of those where `where` is true, or all) that differ by more than the
// tolerance in some channel.
double fraction_changed(const Image& a, const Image& b, int tolerance,
                        const std::function<bool(int x, int y)>& where = {});

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive pixel bounds
    bool empty() const { return right < left; }
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};
// Bounding box of the pixels that are not sky.
Box not_sky(const Image& image, int tolerance = 6);

// Where an eye-space point lands in the window's client area (pixel column and row from
// the top), under the viewer's projection: 45 degrees, viewport 800 x 600 anchored at the
// bottom-left of a client `client_height` rows high.
struct ScreenPoint {
    double x, y;
};
ScreenPoint project_eye(double x, double y, double z, int client_height, int width = 800, int height = 600);
// The eye-space point of a body point before any mouse input: (0.25x, 0.25z - 8, -0.25y - 80).
ScreenPoint project_body(double x, double y, double z, int client_height);
// Eye-space depth from a depth-buffer value under the viewer's projection (near 0.1, far 100).
double eye_z(float depth);

// Runs the viewer's own start-up and frame loop on the headless host, answering the
// question with `answer`; `on_frame` is called after every swap with the frame index and
// returns false to press Escape. Returns VIEWER_MAIN's result.
int run(int answer, const std::function<bool(uint64_t frame)>& on_frame);

}  // namespace probe
