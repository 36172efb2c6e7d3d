// Drives real programs on an X server the way a user would: starts them, finds their windows
// by title, types and clicks with xdotool, takes screenshots of windows through Xlib.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// A started program; its standard error is collected in a file.
struct Process {
    pid_t pid = -1;
    std::string stderr_path;
};

// Starts a program; `directory`, if given, is its working directory.
Process start(const std::vector<std::string>& argv, const std::string& directory = "");
// Waits for the program to end; nullopt if it is still running after the timeout.
std::optional<int> wait_exit(Process& process, std::chrono::milliseconds timeout);
void kill_process(Process& process);
std::string read_stderr(const Process& process);

// Runs a command to completion and returns its standard output.
std::string run(const std::string& command);

// The first mapped window with exactly this title, or 0 after the timeout.
unsigned long find_window(const std::string& title, std::chrono::milliseconds timeout);
bool window_exists(unsigned long window);

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;  // position relative to the root window
};
Geometry window_geometry(unsigned long window);
Geometry screen_geometry();

// A window's visible pixels, 0x00RRGGBB, top row first.
struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
Image screenshot(unsigned long window);
void write_png(const Image& image, const std::string& path);

// Asks the window to close as a window manager would (WM_DELETE_WINDOW).
void request_close(unsigned long window);

// ---- looking at windows as a window manager or a pager does ------------------------------
bool window_viewable(unsigned long window);
// The names of the atoms in an ATOM[] property (_NET_WM_WINDOW_TYPE, _NET_WM_STATE,
// _NET_WM_ALLOWED_ACTIONS), empty when the window has none.
std::vector<std::string> atom_names(unsigned long window, const std::string& property);
// The values of a 32-bit property of any type (_NET_FRAME_EXTENTS, _MOTIF_WM_HINTS,
// WM_TRANSIENT_FOR, _NET_ACTIVE_WINDOW), empty when the window has none.
std::vector<unsigned long> property_values(unsigned long window, const std::string& property);
// The minimum and maximum client sizes of WM_NORMAL_HINTS (0 where not given).
struct SizeHints {
    int min_width = 0, min_height = 0, max_width = 0, max_height = 0;
};
SizeHints size_hints(unsigned long window);
unsigned long root_window();
// The window's parent: the root for an unmanaged window, a frame for a framed one.
unsigned long parent_window(unsigned long window);
// The running window manager's name (_NET_WM_NAME of its check window), empty without one.
std::string window_manager();
// The window with the X keyboard focus, and the one the window manager calls active.
unsigned long focused_window();
unsigned long active_window();
// Asks the window manager to close the window, as a pager or task bar does (_NET_CLOSE_WINDOW).
void wm_close(unsigned long window);
// Asks the window manager to minimize the window (WM_CHANGE_STATE to IconicState); true
// once the manager has taken it off the screen (unmapped it), false if it has not within
// the timeout.
bool iconify(unsigned long window, std::chrono::milliseconds timeout);

// xdotool input. key() first gives the window the focus; type_key() presses the key for
// whichever window has it, as a keyboard does.
void key(unsigned long window, const std::string& keysym);
void type_key(const std::string& keysym);
void mouse_move(int x, int y);
void mouse_down(int button);
void mouse_up(int button);
// Drags from (x0, y0) to (x1, y1) in small steps with the given button (1 left, 3 right).
void drag(int button, int x0, int y0, int x1, int y1, int steps = 10);

// The bounds of the pixels that differ from a colour by more than the tolerance per channel
// (inclusive; empty, with right < left, when there are none).
struct Extent {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};
Extent extent_not(const Image& image, uint32_t colour, int tolerance);

// Fraction of pixels differing from a colour by more than the tolerance per channel.
double fraction_not(const Image& image, uint32_t colour, int tolerance);
// Fraction of pixels that differ between two same-sized images by more than the tolerance.
double fraction_changed(const Image& a, const Image& b, int tolerance);

}  // namespace e2e
