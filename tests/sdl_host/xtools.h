// Looking at the X server from the outside, as a user or a window manager would: finding
// windows by title, their geometry and focus, screen pixels, closing windows, and running
// xdotool. Each call opens its own connection, so any thread may use them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace xtools {

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;  // position relative to the root window
};

// The id of a viewable top-level window whose title (UTF-8) is exactly `title`; 0 when
// none shows up within timeout_ms.
unsigned long find_window(const std::string& title, int timeout_ms = 10000);
// Waits until the window has the keyboard focus.
bool wait_focus(unsigned long window, int timeout_ms = 10000);
unsigned long focused_window();
// _NET_WM_NAME (UTF-8) of a window, or WM_NAME when it has none.
std::string title(unsigned long window);
Geometry geometry(unsigned long window);
// Asks the window to close the way a window manager does (WM_DELETE_WINDOW).
bool close_window(unsigned long window);
// What a window tells a window manager: the values of a 32-bit property (empty when the
// window has none), the names of the atoms in an ATOM[] property, and the minimum and
// maximum sizes of WM_NORMAL_HINTS (0 where not given).
std::vector<unsigned long> property(unsigned long window, const std::string& name);
std::vector<std::string> atom_names(unsigned long window, const std::string& name);
struct SizeHints {
    int min_width = 0, min_height = 0, max_width = 0, max_height = 0;
};
SizeHints size_hints(unsigned long window);
// The colour of a screen pixel as 0xRRGGBB.
uint32_t screen_pixel(int x, int y);
// Runs a shell command; returns its exit status (-1 when it did not exit normally).
int run(const std::string& command);

}  // namespace xtools
