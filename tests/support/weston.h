// A Wayland compositor for end-to-end tests: Weston with its X11 back end and the pixman
// renderer, nested in the test's own X server (xvfb.sh), with a runtime folder and a
// configuration of its own (a plain background of one colour, the shell's panel at the
// bottom without a clock, no animations, no locking). Its output is an X window on that server, so screenshots of it show what
// Weston shows and xdotool on it drives Weston's seat, whose keyboard and pointer reach
// the Wayland clients. (Weston's headless back end has no seat, and SDL 2.26 crashes on a
// compositor without one.)
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/support/desktop.h"
#include "tests/support/picture.h"

namespace desktop {

class Weston {
public:
    // The background Weston's shell draws where no window is.
    static constexpr uint32_t kBackground = 0x503050;

    // Starts Weston on the X server DISPLAY names with an output of this size and waits
    // until it takes clients and shows its output; ready() says whether it did.
    explicit Weston(int width = 1024, int height = 768);
    // Ends Weston and removes its runtime folder.
    ~Weston();
    Weston(const Weston&) = delete;
    Weston& operator=(const Weston&) = delete;

    bool ready() const { return output_ != 0; }
    // What Weston said, for a failure's message.
    std::string log() const;
    // The socket's name, as WAYLAND_DISPLAY gives it.
    const std::string& socket() const { return socket_; }
    // Its runtime folder, as XDG_RUNTIME_DIR gives it.
    const std::string& runtime() const { return runtime_; }

    // Starts a program as a client of this compositor alone: SDL_VIDEODRIVER=wayland,
    // WAYLAND_DISPLAY and XDG_RUNTIME_DIR set, DISPLAY unset; `directory`, if given, is its
    // working directory.
    Process start_client(const std::vector<std::string>& argv, const std::string& directory = "") const;

    // The X window showing the output, its place on the X screen, and its pixels.
    unsigned long output() const { return output_; }
    Geometry output_geometry() const { return geometry_; }
    picture::Image screenshot() const;

    // Input through Weston's seat, at points of the output.
    void key(const std::string& keysym) const;
    void mouse_move(int x, int y) const;
    void drag(int button, int x0, int y0, int x1, int y1, int steps = 10) const;
    void click(int x, int y) const;
    // Moves the pointer to the output's top right corner, out of the pictures of windows
    // elsewhere.
    void park_pointer() const;

    // Ends Weston as a session does (SIGTERM); false when it was not running.
    bool terminate();

private:
    Process process_;
    std::string runtime_, socket_;
    unsigned long output_ = 0;
    Geometry geometry_;
};

// Where the pixels alike `colour` lie in a picture (empty when none are).
picture::Extent extent_of(const picture::Image& image, uint32_t colour, int tolerance);

}  // namespace desktop
