// Names that exist but are not files on disk (a FIFO, a directory, a device), and a guard
// that turns a load which blocks on one of them into a test failure instead of a hang.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <utility>

namespace tga_test {

// Makes a FIFO at `path`; false if the file system cannot hold one.
inline bool make_fifo(const std::string& path) { return mkfifo(path.c_str(), 0644) == 0; }

// Gives a FIFO a writer that comes and goes at once: an open blocked for want of a writer
// gets its partner, and a read then sees the end of the data.
inline void release_fifo(const std::string& path) {
    const int writer = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (writer >= 0) close(writer);
}

// Runs `load` on a thread of its own and waits up to 10 seconds for its result. A load
// still running by then has blocked: that is a failure, and `unblock` must then set it free
// (see release_fifo) so the test ends either way.
template <typename Load>
auto finishes_promptly(const std::string& what, Load load, const std::function<void()>& unblock)
    -> decltype(load()) {
    auto result = std::async(std::launch::async, std::move(load));
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "loading " << what << " blocked";
        unblock();
    }
    return result.get();
}

}  // namespace tga_test
