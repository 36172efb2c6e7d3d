#include "wine_run.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

namespace wine {

Folder windows_bin(const std::string& program) {
    Folder folder;
    const char* path = std::getenv("LUMORA_WINDOWS_BIN");
    if (!path || !*path) {
        folder.problem = "LUMORA_WINDOWS_BIN is not set: it must name the folder of the Windows build's programs "
                         "(build-win/bin)";
        return folder;
    }
    folder.path = path;
    if (!std::filesystem::is_regular_file(std::filesystem::path(path) / program))
        folder.problem = "LUMORA_WINDOWS_BIN=" + folder.path + " holds no " + program;
    return folder;
}

namespace {

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Whether a desktop process (explorer.exe /desktop) of the prefix still runs. Wine starts one
// for the first program that shows a window and ends it about a second after the last such
// program; a program started meanwhile joins that desktop, with that desktop's display. One
// left from the prefix's set-up (run without a display) gives the program no display at all:
// it cannot make a window, and exits. One left from the previous test has that test's X
// server, which is gone.
bool desktop_running(const std::string& prefix) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string command = read_file(entry.path() / "cmdline");
        if (command.find("explorer.exe") == std::string::npos || command.find("/desktop") == std::string::npos)
            continue;
        const std::string environment = '\0' + read_file(entry.path() / "environ");
        if (environment.find('\0' + std::string("WINEPREFIX=") + prefix + '\0') != std::string::npos) return true;
    }
    return false;
}

// Waits up to 10 s for the prefix's desktop process to end; false if it still runs.
bool wait_for_no_desktop(const std::string& prefix) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (desktop_running(prefix)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

}  // namespace

Program::Program(const std::string& folder, const std::string& exe) {
    const char* prefix = std::getenv("WINEPREFIX");
    if (!prefix || !*prefix) {
        problem_ = "WINEPREFIX is not set: the test runner prepares a Wine prefix and names it there";
        return;
    }
    prefix_ = prefix;
    if (!wait_for_no_desktop(prefix_)) {
        problem_ = "the Wine desktop process (explorer.exe /desktop) of " + prefix_ + " did not end within 10 s";
        return;
    }
    // Wine's own messages off, and no prompt to install .NET or Gecko into the prefix.
    setenv("WINEDEBUG", "-all", 1);
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);

    char path[] = "/tmp/wine-e2e-log-XXXXXX";
    const int fd = mkstemp(path);
    log_path_ = path;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fd, 1);
    posix_spawn_file_actions_adddup2(&actions, fd, 2);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    const std::string program = folder + "/" + exe;
    std::vector<char*> argv{const_cast<char*>("wine"), const_cast<char*>(program.c_str()), nullptr};
    if (posix_spawnp(&pid_, "wine", &actions, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
        problem_ = "could not start wine";
    }
    posix_spawn_file_actions_destroy(&actions);
    close(fd);
}

Program::~Program() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    // Nothing of Wine's stays on the test's X server once the test ends.
    if (!prefix_.empty()) wait_for_no_desktop(prefix_);
    if (!log_path_.empty()) std::remove(log_path_.c_str());
}

std::optional<int> Program::wait_exit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (pid_ > 0) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return exit_code_;
}

unsigned long Program::find_window(const std::string& title, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (unsigned long window = desktop::find_window(title, std::chrono::milliseconds(0))) return window;
        if (wait_exit(std::chrono::milliseconds(0)) || std::chrono::steady_clock::now() > deadline) return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::string Program::why_no_window(const std::string& title) {
    std::string text = "the window \"" + title + "\" did not appear";
    if (const auto code = wait_exit(std::chrono::milliseconds(0)))
        text += ": the program ended with exit code " + std::to_string(*code);
    const std::string output = log();
    if (!output.empty()) text += "\nits output:\n" + output;
    return text;
}

std::string Program::log() const {
    std::ifstream in(log_path_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void ErrorBoxes::poll() {
    for (const char* caption : {"ERROR", "Invalid Image", "Error"})
        if (desktop::find_window(caption, std::chrono::milliseconds(0))) seen_.insert(caption);
}

void ErrorBoxes::pause(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    do {
        poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < end);
}

std::string ErrorBoxes::list() const {
    std::string text;
    for (const auto& caption : seen_) text += (text.empty() ? "\"" : ", \"") + caption + "\"";
    return text;
}

namespace {

Display* display() {
    static Display* d = XOpenDisplay(nullptr);
    return d;
}

}  // namespace

unsigned long client_window(unsigned long top_level) {
    Display* d = display();
    if (!d || !top_level) return top_level;
    XSync(d, False);
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, top_level, &root, &parent, &children, &count)) return top_level;
    Window best = top_level;
    long best_area = 1;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable) continue;
        const long area = long(a.width) * a.height;
        if (area > best_area) {
            best = children[i];
            best_area = area;
        }
    }
    if (children) XFree(children);
    return best;
}

picture::Image difference_picture(const picture::Image& a, const picture::Image& b, int tolerance) {
    picture::Image out;
    if (a.width != b.width || a.height != b.height) return out;
    out = a;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        bool differs = false;
        for (int shift : {0, 8, 16})
            differs |= std::abs(int((a.pixels[i] >> shift) & 255) - int((b.pixels[i] >> shift) & 255)) > tolerance;
        const uint32_t p = a.pixels[i];
        const uint32_t grey = (((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255)) / 6;
        out.pixels[i] = differs ? 0xFF0000 : grey << 16 | grey << 8 | grey;
    }
    return out;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace wine
