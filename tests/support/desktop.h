// Drives programs on an X server from the outside, as a user or a window manager would:
// starts them, finds their windows by title, reads what a window tells a window manager,
// takes screenshots, and types and clicks with xdotool. Every call opens its own
// connection, so any thread may use them, also beside a program under test in the same
// process.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/picture.h"

namespace desktop {

// ---- programs ------------------------------------------------------------------------------
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

// Runs a shell command to completion: its standard output, or its exit status (-1 when it
// did not exit normally).
std::string run(const std::string& command);
int run_status(const std::string& command);

// ---- windows -------------------------------------------------------------------------------
struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;  // position relative to the root window
};

// The topmost viewable window, at any depth (a window manager's frame holds the client),
// whose title (_NET_WM_NAME in UTF-8, or WM_NAME) is exactly `title`; 0 when none shows up
// within the timeout.
unsigned long find_window(const std::string& title, std::chrono::milliseconds timeout = std::chrono::seconds(10));
bool window_exists(unsigned long window);
bool window_viewable(unsigned long window);
std::string title(unsigned long window);
Geometry window_geometry(unsigned long window);
Geometry screen_geometry();
unsigned long root_window();
// The window's parent: the root for an unmanaged window, a frame for a framed one.
unsigned long parent_window(unsigned long window);

// A window's visible pixels, those of a rectangle of the screen, and one pixel of the screen
// (0xRRGGBB).
picture::Image screenshot(unsigned long window);
picture::Image screenshot(const Geometry& area);
uint32_t screen_pixel(int x, int y);

// Watches a rectangle of the screen after some input until its picture stops changing:
// each look() takes a screenshot and compares it with the one before.
class Settling {
public:
    using Clock = std::chrono::steady_clock;
    // `since` is when the input ended; pixels count as changed when a channel differs by
    // more than `tolerance`.
    Settling(const Geometry& area, int tolerance, Clock::time_point since);
    // Takes a screenshot and keeps it if `shown()` is still true once it is taken (the
    // program and its window are still there, so the picture is the program's); false, and
    // nothing kept, when it is not.
    bool look(const std::function<bool()>& shown);
    // Seconds from `since` to the first screenshot of the latest picture: when the picture
    // last changed, as near as the screenshots tell (0 when it never changed).
    double last_change() const;
    // Seconds the latest picture has been seen unchanged.
    double unchanged_for() const;
    // The screenshots kept, and how many of them differed from the one before.
    int looks() const { return looks_; }
    int changes() const { return changes_; }
    const picture::Image& latest() const { return latest_; }

private:
    Geometry area_;
    int tolerance_;
    Clock::time_point since_, changed_, seen_;
    picture::Image latest_;
    int looks_ = 0, changes_ = 0;
};

// ---- what a window tells a window manager ----------------------------------------------------
// The values of a 32-bit property of any type (_NET_FRAME_EXTENTS, _MOTIF_WM_HINTS,
// WM_TRANSIENT_FOR, _NET_ACTIVE_WINDOW), empty when the window has none.
std::vector<unsigned long> property_values(unsigned long window, const std::string& property);
// The names of the atoms in an ATOM[] property (_NET_WM_WINDOW_TYPE, _NET_WM_STATE,
// _NET_WM_ALLOWED_ACTIONS), empty when the window has none.
std::vector<std::string> atom_names(unsigned long window, const std::string& property);
// The minimum and maximum client sizes of WM_NORMAL_HINTS (0 where not given).
struct SizeHints {
    int min_width = 0, min_height = 0, max_width = 0, max_height = 0;
};
SizeHints size_hints(unsigned long window);

// ---- focus and window management -----------------------------------------------------------
// The window with the X keyboard focus, and the one the window manager calls active.
unsigned long focused_window();
unsigned long active_window();
// Waits until the window has the keyboard focus.
bool wait_focus(unsigned long window, std::chrono::milliseconds timeout = std::chrono::seconds(10));
// The running window manager's name (_NET_WM_NAME of its check window), empty without one.
std::string window_manager();
// Asks the window to close as a window manager does (WM_DELETE_WINDOW).
bool request_close(unsigned long window);
// Asks the window manager to close the window, as a pager or task bar does (_NET_CLOSE_WINDOW).
void wm_close(unsigned long window);
// Destroys the window as another client can (XDestroyWindow): its program is not asked.
void destroy_window(unsigned long window);
// Disconnects the program that made the window from the X server, as xkill does
// (XKillClient): the server closes that program's connection.
void kill_client(unsigned long window);
// Ends the X server DISPLAY names, as when it is shut down: SIGTERM to its process (the peer
// of a connection to its socket). False, and nothing sent, when that process is not found.
bool end_x_server();
// Asks the window manager to minimize the window (WM_CHANGE_STATE to IconicState); true
// once the manager has taken it off the screen (unmapped it), false if it has not within
// the timeout.
bool iconify(unsigned long window, std::chrono::milliseconds timeout);

// ---- input (xdotool) -----------------------------------------------------------------------
// key() first gives the window the focus; type_key() presses the key for whichever window
// has it, as a keyboard does.
void key(unsigned long window, const std::string& keysym);
void type_key(const std::string& keysym);
void mouse_move(int x, int y);
void mouse_down(int button);
void mouse_up(int button);
// Drags from (x0, y0) to (x1, y1) in small steps with the given button (1 left, 3 right).
void drag(int button, int x0, int y0, int x1, int y1, int steps = 10);
// Moves the pointer `count` times by (dx, dy) back to back, all in one xdotool call, as a
// fast hand on a mouse does: as many motion events, with nothing between them. Returns how
// long the call took.
std::chrono::milliseconds move_burst(int count, int dx, int dy);

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};
// Where the pointer is on the screen.
Point pointer_position();

}  // namespace desktop
