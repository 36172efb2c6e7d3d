// Helpers for looking at the viewer's frames: where a point of the scene lands on screen,
// which pixels are not sky, PNG files, and the viewer run frame by frame.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/picture.h"
#include "win32/hosts/virtual/virtual_host.h"

namespace probe {

constexpr uint32_t SKY = 0x659FD9;  // (119/300, 187/300, 0.85) in 8-bit channels

// Pictures and their comparisons are the tests' common ones.
using picture::alike;
using picture::fraction_changed;
using picture::Image;
using picture::read_png;
using picture::write_png;
using Box = picture::Extent;

Image from_frame(const win32::virtual_host::Frame& frame);
// The current GL read buffer, top row first.
Image read_gl(int width, int height);
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

// The frame's camera, light and material, as OPENGL_DRAW sets them up after its 2D step:
// the perspective projection (OPENGL_INIT with the viewer's sky), the scene 80 units in front
// of the eye, light 0 and its marker point, the material, then a push and the mouse
// transform. The caller draws and pops.
void scene_setup();

// Runs the viewer's own start-up and frame loop on the headless host, answering the
// question with `answer`; `on_frame` is called after every swap with the frame index and
// returns false to press Escape. Returns VIEWER_MAIN's result.
int run(int answer, const std::function<bool(uint64_t frame)>& on_frame);

}  // namespace probe
