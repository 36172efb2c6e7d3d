// The real viewer and the display it shows on. A display that cannot be opened ends it as
// having no display does; SDL's offscreen driver is used only when asked for. Every case
// runs on an Xvfb of its own (the launcher is xvfb.sh).
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/desktop.h"

using namespace std::chrono_literals;

namespace {

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
