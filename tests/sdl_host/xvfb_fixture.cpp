#include "xvfb_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace xvfb {

bool Server::start(std::string* error) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        if (error) *error = "pipe failed";
        return false;
    }
    const pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        if (error) *error = "fork failed";
        return false;
    }
    if (pid == 0) {
        // The server goes away with the test process, even when that one is killed.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(1);
        int out = dup(fds[1]);  // without close-on-exec: the server writes its number here
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        std::string fd = std::to_string(out);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    pid_ = pid;

    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (text.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        int r = poll(&p, 1, 100);
        if (r < 0 && errno != EINTR) break;
        if (r > 0) {
            char buf[32];
            ssize_t n = read(fds[0], buf, sizeof buf);
            if (n <= 0) break;  // the server exited without a number
            text.append(buf, static_cast<size_t>(n));
        }
    }
    close(fds[0]);
    size_t end = text.find('\n');
    if (end == std::string::npos || end == 0) {
        stop();
        if (error) *error = "Xvfb did not start (is it installed?)";
        return false;
    }
    number_ = std::atoi(text.substr(0, end).c_str());
    std::string display = ":" + std::to_string(number_);
    setenv("DISPLAY", display.c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    return true;
}

void Server::stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

void Environment::SetUp() {
    std::string error;
    if (!server_.start(&error)) GTEST_FAIL() << error;
}

// The program's X connections (SDL's, the GL driver's) stay open until exit, so the server
// is left running until then: it receives SIGTERM when this process ends.
void Environment::TearDown() {}

}  // namespace xvfb
