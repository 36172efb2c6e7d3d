// Runs the Windows build of our programs under Wine on an X server, as a user on Windows would
// start them: from the folder that holds them and their image files. Also what the tests need
// to look at Wine's windows: the client area on screen and PNG files from the Linux tools.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <set>
#include <string>

#include "tests/support/desktop.h"

namespace wine {

// The folder of the Windows programs (LUMORA_WINDOWS_BIN), or an explanation of why it is
// not usable, for the test to fail with.
struct Folder {
    std::string path;
    std::string problem;  // empty when the folder holds `program`
};
Folder windows_bin(const std::string& program);

// A Windows program under Wine; its output (Wine's included) goes to a log file, never to
// the test's own output, so that nothing Wine leaves behind holds the test runner's pipes.
class Program {
public:
    // Starts `folder`/`exe` with `folder` as working directory, once the prefix's desktop
    // process left by an earlier program has ended. WINEPREFIX must be set.
    Program(const std::string& folder, const std::string& exe);
    // Kills the program if it still runs and waits for Wine's desktop process to end.
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool started() const { return pid_ > 0; }
    const std::string& problem() const { return problem_; }
    // The exit code once the program has ended, or nullopt if it still runs after the timeout.
    std::optional<int> wait_exit(std::chrono::milliseconds timeout);
    // The first mapped window with this title; 0 after the timeout or as soon as the program
    // has ended.
    unsigned long find_window(const std::string& title, std::chrono::milliseconds timeout);
    // Says why find_window found nothing: whether the program ended, and what it printed.
    std::string why_no_window(const std::string& title);
    std::string log() const;

private:
    pid_t pid_ = -1;
    std::optional<int> exit_code_;
    std::string prefix_;
    std::string log_path_;
    std::string problem_;
};

// Remembers every message box the library shows when something goes wrong ("ERROR" and
// "Invalid Image" from the image readers, "Error" from the window set-up) that was on screen
// whenever it was polled; pause() polls while it waits.
class ErrorBoxes {
public:
    void poll();
    void pause(std::chrono::milliseconds duration);
    const std::set<std::string>& seen() const { return seen_; }
    std::string list() const;

private:
    std::set<std::string> seen_;
};

// Where a Wine window's client area is on screen. Wine draws GL into a child X window that
// covers exactly the client area; a window without one is taken as its client area itself.
// Returns the X window of the client area.
unsigned long client_window(unsigned long top_level);

// A picture of the differences: pixels that differ by more than the tolerance in red over a
// dimmed grey copy of `a`.
picture::Image difference_picture(const picture::Image& a, const picture::Image& b, int tolerance);

// Seconds since `start`, for the timings the tests print.
double seconds_since(std::chrono::steady_clock::time_point start);

}  // namespace wine
