// The real viewer and the display it shows on. A display that cannot be opened ends it as
// having no display does. A display lost while it runs (the X server ending, the viewer's
// client killed off the server, its window destroyed by another client; the Wayland
// compositor ending) ends it as closing its window does: exit code 0, and nothing on
// standard error but one line saying why. Every case runs on an Xvfb of its own (the
// launcher is xvfb.sh), as some of them end it; the Wayland case runs Weston on it.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/desktop.h"
#include "tests/support/weston.h"

using namespace std::chrono_literals;

namespace {

const std::string kTitle = "Esempio di TextureAutoMap e FX_Refract";
const std::string kNoWindow = "Error: Impossibile creare la finestra per la rispettiva applicazione!";
const std::string kVideoFailure = "win32: CreateWindowExA: SDL_InitSubSystem failed: ";

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string quoted(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += "  | " + line + "\n";
    return text;
}

bool starts_with(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

// A display number no X server has taken (no lock file): DISPLAY naming it names nothing.
std::string display_without_server() {
    for (int n = 250; n < 1000; ++n) {
        const std::string number = std::to_string(n);
        if (access(("/tmp/.X" + number + "-lock").c_str(), F_OK) != 0 &&
            access(("/tmp/.X11-unix/X" + number).c_str(), F_OK) != 0)
            return ":" + number;
    }
    return ":999";
}

struct Outcome {
    std::optional<int> code;  // nullopt: still running when the time was up (then killed)
    std::chrono::milliseconds took{0};
    std::vector<std::string> lines;  // standard error
};

// Runs the viewer with these changes to the environment (env's arguments) until it ends,
// for at most `timeout`.
Outcome run_viewer(const std::vector<std::string>& environment, std::chrono::milliseconds timeout) {
    std::vector<std::string> argv = {"/usr/bin/env"};
    argv.insert(argv.end(), environment.begin(), environment.end());
    argv.push_back("./buggy");
    const auto start = std::chrono::steady_clock::now();
    desktop::Process process = desktop::start(argv);
    Outcome run;
    run.code = desktop::wait_exit(process, timeout);
    run.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    desktop::kill_process(process);
    run.lines = lines_of(desktop::read_stderr(process));
    return run;
}

// The viewer on the test's X server, windowed, with its window shown and drawing.
struct Viewer {
    desktop::Process process;
    unsigned long window = 0;

    Viewer() {
        process = desktop::start({"./buggy"});
        const unsigned long box = desktop::find_window("Video!", 20s);
        EXPECT_NE(box, 0u) << "the question box \"Video!\" did not appear";
        if (!box) return;
        // A key that reaches the box before it is ready to read keys is pressed again, as a
        // user would.
        for (int attempt = 0; attempt < 5 && !window; ++attempt) {
            if (desktop::window_exists(box)) desktop::key(box, "n");
            window = desktop::find_window(kTitle, 4s);
        }
        EXPECT_NE(window, 0u) << "the viewer window did not appear";
        std::this_thread::sleep_for(1s);  // a good many frames drawn and swapped
    }
    ~Viewer() { desktop::kill_process(process); }

    // Waits for the viewer to end: its exit code, nullopt if it runs on.
    std::optional<int> wait(std::chrono::milliseconds timeout) { return desktop::wait_exit(process, timeout); }
    std::vector<std::string> lines() const { return lines_of(desktop::read_stderr(process)); }
};

// The line the viewer prints when its X server has closed the connection.
void expect_only_the_display_lost(const std::vector<std::string>& lines) {
    const std::string display = std::getenv("DISPLAY");
    ASSERT_EQ(lines.size(), 1u) << quoted(lines);
    EXPECT_TRUE(starts_with(lines[0], "win32: display " + display + " lost: ")) << lines[0];
}

}  // namespace

TEST(ViewerDisplay, ANamedDisplayWithoutAServerEndsAsNoDisplayDoes) {
    const Outcome none = run_viewer({"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "SDL_VIDEODRIVER"}, 10s);
    ASSERT_EQ(none.code, std::optional<int>(0)) << quoted(none.lines);
    ASSERT_FALSE(none.lines.empty());
    EXPECT_EQ(none.lines.back(), kNoWindow) << quoted(none.lines);

    const std::string display = display_without_server();
    const Outcome absent = run_viewer({"-u", "WAYLAND_DISPLAY", "-u", "SDL_VIDEODRIVER", "DISPLAY=" + display}, 10s);
    ASSERT_TRUE(absent.code.has_value()) << "still running after 10 s with DISPLAY=" << display << "\n"
                                         << quoted(absent.lines);
    EXPECT_EQ(*absent.code, 0);
    EXPECT_LT(absent.took, 5s);
    // The same lines; only the reason SDL gives differs, and names the display.
    ASSERT_EQ(absent.lines.size(), none.lines.size()) << "no display:\n"
                                                      << quoted(none.lines) << "DISPLAY=" << display << ":\n"
                                                      << quoted(absent.lines);
    int reasons = 0;
    for (size_t i = 0; i < none.lines.size(); ++i) {
        if (starts_with(none.lines[i], kVideoFailure)) {
            ++reasons;
            EXPECT_TRUE(starts_with(absent.lines[i], kVideoFailure)) << absent.lines[i];
            EXPECT_NE(absent.lines[i].find("DISPLAY=" + display), std::string::npos) << absent.lines[i];
        } else {
            EXPECT_EQ(absent.lines[i], none.lines[i]);
        }
    }
    EXPECT_EQ(reasons, 1) << quoted(none.lines);
}

TEST(ViewerDisplay, SdlsOffscreenDriverIsUsedWhenAskedFor) {
    // No display to open, but the offscreen driver asked for: the viewer gets its window and
    // runs (unseen), answering the question on standard error.
    const Outcome offscreen =
        run_viewer({"-u", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER=offscreen", "DISPLAY=" + display_without_server()}, 3s);
    EXPECT_FALSE(offscreen.code.has_value()) << "ended with " << offscreen.code.value_or(-1) << "\n"
                                             << quoted(offscreen.lines);
    EXPECT_EQ(offscreen.lines, std::vector<std::string>{"Video!: Settare lo schermo intero?  "})
        << quoted(offscreen.lines);
}

TEST(ViewerDisplay, TheXServerEndingEndsTheViewerWithZeroAndOneLine) {
    Viewer viewer;
    ASSERT_NE(viewer.window, 0u);
    ASSERT_TRUE(desktop::end_x_server()) << "no X server found for DISPLAY=" << std::getenv("DISPLAY");
    const auto code = viewer.wait(10s);
    ASSERT_TRUE(code.has_value()) << "the viewer runs on without its X server\n" << quoted(viewer.lines());
    EXPECT_EQ(*code, 0);
    expect_only_the_display_lost(viewer.lines());
}

TEST(ViewerDisplay, TheViewersClientKilledOffTheServerEndsItWithZeroAndOneLine) {
    Viewer viewer;
    ASSERT_NE(viewer.window, 0u);
    desktop::kill_client(viewer.window);
    const auto code = viewer.wait(10s);
    ASSERT_TRUE(code.has_value()) << "the viewer runs on without its connection\n" << quoted(viewer.lines());
    EXPECT_EQ(*code, 0);
    expect_only_the_display_lost(viewer.lines());
}

TEST(ViewerDisplay, ItsWindowDestroyedByAnotherClientEndsTheViewerWithZeroAndOneLine) {
    Viewer viewer;
    ASSERT_NE(viewer.window, 0u);
    desktop::destroy_window(viewer.window);
    const auto code = viewer.wait(10s);
    ASSERT_TRUE(code.has_value()) << "the viewer runs on without its window\n" << quoted(viewer.lines());
    EXPECT_EQ(*code, 0);
    EXPECT_EQ(viewer.lines(), std::vector<std::string>{"win32: the window \"" + kTitle +
                                                       "\" was destroyed by another program"})
        << quoted(viewer.lines());
}

TEST(ViewerDisplay, TheXServerEndingWhileTheQuestionIsAskedEndsTheViewerWithZero) {
    desktop::Process process = desktop::start({"./buggy"});
    ASSERT_NE(desktop::find_window("Video!", 20s), 0u);
    ASSERT_TRUE(desktop::end_x_server()) << "no X server found for DISPLAY=" << std::getenv("DISPLAY");
    const auto code = desktop::wait_exit(process, 10s);
    const std::vector<std::string> lines = lines_of(desktop::read_stderr(process));
    desktop::kill_process(process);
    ASSERT_TRUE(code.has_value()) << "the viewer waits on a question nobody can see\n" << quoted(lines);
    EXPECT_EQ(*code, 0);
    // The loss first; then the viewer cannot make its window and says so, as without a display.
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(starts_with(lines.front(), "win32: display " + std::string(std::getenv("DISPLAY")) + " lost: "))
        << quoted(lines);
    EXPECT_EQ(lines.back(), kNoWindow) << quoted(lines);
}

TEST(ViewerDisplay, TheWaylandCompositorEndingEndsTheViewerWithZeroAndOneLine) {
    // Weston on the test's X server (its output an X window), with a runtime folder of its
    // own; the viewer on it alone, with no X display to fall back on.
    ASSERT_EQ(desktop::run_status("command -v weston > /dev/null"), 0) << "weston is not installed";
    desktop::Weston weston;
    ASSERT_TRUE(weston.ready()) << "Weston did not start\n" << weston.log();
    // The host's own choice of driver: only WAYLAND_DISPLAY names a display.
    desktop::Process viewer = weston.start_client({"/usr/bin/env", "-u", "SDL_VIDEODRIVER", "./buggy"});
    // The question on Weston, answered with Yes; then shown and drawing: the sky fills the
    // output.
    bool asked = false, drawn = false;
    picture::Extent box;
    for (int i = 0; i < 100 && !asked; ++i) {
        std::this_thread::sleep_for(200ms);
        box = desktop::extent_of(weston.screenshot(), 0xF0F0F0, 1);
        asked = box.width() >= 240;
    }
    for (int attempt = 0; attempt < 5 && asked && !drawn; ++attempt) {
        // Clicked first, beside its buttons, as a user does: focusing Weston's X window for
        // the key can take the keyboard from the box, and a click gives it back.
        weston.click(box.left + 4, box.top + 4);
        std::this_thread::sleep_for(200ms);
        weston.key("y");
        for (int i = 0; i < 20 && !drawn; ++i) {
            std::this_thread::sleep_for(200ms);
            drawn = picture::fraction_not(weston.screenshot(), 0x659FD9, 6) < 0.7;
        }
    }
    const size_t before = lines_of(desktop::read_stderr(viewer)).size();
    const bool ended = weston.terminate();
    const auto code = desktop::wait_exit(viewer, 10s);
    const std::vector<std::string> lines = lines_of(desktop::read_stderr(viewer));
    desktop::kill_process(viewer);

    EXPECT_TRUE(asked) << "the question never showed on Weston\n" << quoted(lines);
    EXPECT_TRUE(drawn) << "the viewer's frames never showed on Weston\n" << quoted(lines) << "Weston:\n" << weston.log();
    ASSERT_TRUE(ended);
    ASSERT_TRUE(code.has_value()) << "the viewer runs on without its compositor\n" << quoted(lines);
    EXPECT_EQ(*code, 0);
    // What it said on starting is its own business; once Weston is gone, one line.
    ASSERT_EQ(lines.size(), before + 1) << quoted(lines);
    EXPECT_TRUE(starts_with(lines.back(), "win32: display " + weston.socket() + " lost: ")) << lines.back();
}
