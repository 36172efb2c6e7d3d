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

// xdotool input.
void key(unsigned long window, const std::string& keysym);
void mouse_move(int x, int y);
void mouse_down(int button);
void mouse_up(int button);
// Drags from (x0, y0) to (x1, y1) in small steps with the given button (1 left, 3 right).
void drag(int button, int x0, int y0, int x1, int y1, int steps = 10);

// Fraction of pixels differing from a colour by more than the tolerance per channel.
double fraction_not(const Image& image, uint32_t colour, int tolerance);
// Fraction of pixels that differ between two same-sized images by more than the tolerance.
double fraction_changed(const Image& a, const Image& b, int tolerance);

}  // namespace e2e
