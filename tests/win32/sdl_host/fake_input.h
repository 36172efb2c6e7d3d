// A recording stand-in for the Win32 layer's input calls, so the desktop host can be
// driven and observed on its own.
#pragma once

#include <string>
#include <vector>

#include "win32/host.h"

namespace fake_input {

struct Call {
    enum Kind { move, press, key, close, destroyed } kind = move;
    win32::NativeSurface* surface = nullptr;
    int x = 0, y = 0;                                  // move, button (screen coordinates)
    win32::MouseButton button = win32::MouseButton::left;
    bool down = false;                                 // button, key
    unsigned vk = 0;                                   // key
    bool repeat = false, alt = false;                  // key
};

std::vector<Call>& calls();
void clear();
std::string describe(const Call& call);

}  // namespace fake_input
