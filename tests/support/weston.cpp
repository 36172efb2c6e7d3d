#include "tests/support/weston.h"

#include <signal.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

namespace desktop {

using namespace std::chrono_literals;

Weston::Weston(int width, int height) {
    char folder[] = "/tmp/weston-e2e-XXXXXX";  // mkdtemp makes it 0700, as a runtime folder must be
    if (!mkdtemp(folder)) return;
    runtime_ = folder;
    socket_ = "wayland-e2e";
    {
        std::ofstream ini(runtime_ + "/weston.ini");
        ini << "[core]\nidle-time=0\n"
               "[shell]\nbackground-color=0xff"
            << std::hex << kBackground
            << "\npanel-position=bottom\nclock-format=none\nlocking=false\nanimation=none\nclose-animation=none\n"
               "startup-animation=none\nfocus-animation=none\n";
    }
    process_ = start({"/usr/bin/env", "XDG_RUNTIME_DIR=" + runtime_, "weston", "--backend=x11-backend.so",
                      "--use-pixman", "--config=" + runtime_ + "/weston.ini", "--socket=" + socket_,
                      "--width=" + std::to_string(width), "--height=" + std::to_string(height)});
    for (int i = 0; i < 200 && !std::filesystem::exists(runtime_ + "/" + socket_); ++i) {
        if (wait_exit(process_, 0ms)) return;
        std::this_thread::sleep_for(50ms);
    }
    if (!std::filesystem::exists(runtime_ + "/" + socket_)) return;
    output_ = find_window("Weston Compositor - screen0", 10s);
    if (!output_) return;
    geometry_ = window_geometry(output_);
    // The X keyboard focus on the output for good, before any client: moving it there later
    // (key() does) makes Weston take the keyboard from its focused window and, when the X
    // focus events come close together, not give it back.
    run("xdotool windowfocus --sync " + std::to_string(output_) + " 2>/dev/null");
    // The shell's background is drawn by a client of Weston's own: the output is ready once
    // it shows (above the panel).
    for (int i = 0; i < 100; ++i) {
        const picture::Image shot = screenshot();
        if (shot.width > 0 && picture::fraction_not(picture::crop(shot, 0, 0, shot.width, shot.height / 2),
                                                    kBackground, 2) < 0.01)
            return;
        std::this_thread::sleep_for(50ms);
    }
    output_ = 0;
}

Weston::~Weston() {
    terminate();
    if (!wait_exit(process_, 5s)) kill_process(process_);
    if (!runtime_.empty()) std::filesystem::remove_all(runtime_);
}

std::string Weston::log() const { return read_stderr(process_); }

Process Weston::start_client(const std::vector<std::string>& argv, const std::string& directory) const {
    std::vector<std::string> command = {"/usr/bin/env",           "-u",
                                        "DISPLAY",                "SDL_VIDEODRIVER=wayland",
                                        "XDG_RUNTIME_DIR=" + runtime_, "WAYLAND_DISPLAY=" + socket_};
    command.insert(command.end(), argv.begin(), argv.end());
    return start(command, directory);
}

picture::Image Weston::screenshot() const { return desktop::screenshot(geometry_); }

void Weston::key(const std::string& keysym) const { desktop::key(output_, keysym); }

// xdotool's --sync waits for the pointer to move, which it never does when it is there
// already.
void Weston::mouse_move(int x, int y) const {
    const Point to{geometry_.x + x, geometry_.y + y};
    if (pointer_position() != to) desktop::mouse_move(to.x, to.y);
}

void Weston::drag(int button, int x0, int y0, int x1, int y1, int steps) const {
    // Weston's pointer can stray from the X server's (it follows the X pointer's motion, and
    // stops at its output's edges): both meet again in the output's corner. Then to the
    // start as a hand comes, not in one jump, so that the client under it has seen the
    // pointer there (a frame's title bar starts a move from where it saw it).
    mouse_move(0, 0);
    std::this_thread::sleep_for(50ms);
    mouse_move(x0 - 4, y0);
    std::this_thread::sleep_for(50ms);
    mouse_move(x0, y0);
    std::this_thread::sleep_for(100ms);
    mouse_down(button);
    for (int i = 1; i <= steps; ++i) {
        mouse_move(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
        std::this_thread::sleep_for(30ms);
    }
    mouse_up(button);
}

void Weston::park_pointer() const { mouse_move(geometry_.width - 2, 1); }

void Weston::click(int x, int y) const {
    mouse_move(0, 0);  // see drag()
    std::this_thread::sleep_for(50ms);
    mouse_move(x, y);
    std::this_thread::sleep_for(100ms);
    mouse_down(1);
    std::this_thread::sleep_for(80ms);
    mouse_up(1);
}

bool Weston::terminate() {
    if (process_.pid <= 1) return false;
    if (wait_exit(process_, 0ms)) return false;
    return kill(process_.pid, SIGTERM) == 0;
}

picture::Extent extent_of(const picture::Image& image, uint32_t colour, int tolerance) {
    picture::Extent e;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            if (!picture::alike(image.at(x, y), colour, tolerance)) continue;
            if (e.empty()) {
                e.left = e.right = x;
                e.top = e.bottom = y;
            } else {
                e.left = std::min(e.left, x);
                e.right = std::max(e.right, x);
                e.top = std::min(e.top, y);
                e.bottom = std::max(e.bottom, y);
            }
        }
    return e;
}

}  // namespace desktop
