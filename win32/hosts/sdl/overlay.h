// Child windows on the desktop: their pixels laid over the GL frame of their top-level
// window just before it is shown.
#pragma once

#include <vector>

#include "win32/host.h"

namespace win32::sdl {

// Lays the overlays over the current GL frame (the current context must be on the window
// whose drawable is drawable_w x drawable_h). (offset_x, offset_y) is where the client
// area's top-left corner sits in the drawable. Every piece of GL state touched is restored.
void draw_overlays(int drawable_w, int drawable_h, int offset_x, int offset_y,
                   const std::vector<Overlay>& overlays);

}  // namespace win32::sdl
