// A private X server for tests that need a display: Xvfb 1024x768x24 on a display number
// the server picks itself (so parallel test runs never collide), DISPLAY pointing at it for
// the life of the process, stopped (or killed with the test process) at the end.
#pragma once

#include <sys/types.h>

#include <string>

#include <gtest/gtest.h>

namespace xvfb {

class Server {
public:
    Server() = default;
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    ~Server() { stop(); }

    // Starts the server and sets DISPLAY (WAYLAND_DISPLAY is removed). False with a reason
    // in *error when Xvfb is missing or does not come up within a few seconds.
    bool start(std::string* error);
    void stop();
    int display_number() const { return number_; }

private:
    pid_t pid_ = -1;
    int number_ = -1;
};

// Installs one server for the whole test program (::testing::AddGlobalTestEnvironment);
// it stops when the program ends.
class Environment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;

private:
    Server server_;
};

}  // namespace xvfb
