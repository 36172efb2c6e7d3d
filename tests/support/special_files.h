// Names that exist but are not files on disk, named like image files: a FIFO that nobody
// writes, a directory and a device that never ends (/dev/zero). Every reader of image or
// cursor files must take each for a file that cannot be read, and must not wait on it; the
// guard here turns a reader that waits into a test failure instead of a hang.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace special_files {

// Makes a FIFO at `path`; false if the file system cannot hold one.
inline bool make_fifo(const std::string& path) { return mkfifo(path.c_str(), 0600) == 0; }

// Gives a FIFO a writer that comes and goes at once: an open blocked for want of a writer
// gets its partner, and a read then sees the end of the data.
inline void release_fifo(const std::string& path) {
    const int writer = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (writer >= 0) close(writer);
}

// Runs `call` on a thread of its own and gives its result, or nothing when it is still
// running after five seconds: a reader stuck on a special file. `unblock` is then called
// until the reader is let go (for a few seconds at most), so that the test goes on.
template <class Call>
auto within_seconds(Call call, const std::function<void()>& unblock) -> std::optional<decltype(call())> {
    using Result = decltype(call());
    auto promise = std::make_shared<std::promise<Result>>();
    std::future<Result> result = promise->get_future();
    std::thread([promise, call]() mutable { promise->set_value(call()); }).detach();
    if (result.wait_for(std::chrono::seconds(5)) == std::future_status::ready) return result.get();
    for (int i = 0; i < 100 && result.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready; ++i)
        unblock();
    return std::nullopt;
}

// A FIFO and a directory named pipe<extension> and folder<extension> in a folder of their
// own, removed at the end.
class Files {
public:
    explicit Files(const std::string& extension = ".bmp") {
        char tmpl[] = "/tmp/lumora-special-XXXXXX";
        if (mkdtemp(tmpl) == nullptr) return;
        dir_ = tmpl;
        fifo_ = dir_ + "/pipe" + extension;
        folder_ = dir_ + "/folder" + extension;
        if (!make_fifo(fifo_) || mkdir(folder_.c_str(), 0700) != 0) dir_.clear();
    }
    ~Files() {
        unlink(fifo_.c_str());
        rmdir(folder_.c_str());
        if (!dir_.empty()) rmdir(dir_.c_str());
    }
    Files(const Files&) = delete;
    Files& operator=(const Files&) = delete;

    bool ok() const { return !dir_.empty(); }
    const std::string& fifo() const { return fifo_; }
    const std::string& folder() const { return folder_; }
    // The FIFO, the directory and /dev/zero.
    std::vector<std::string> all() const { return {fifo_, folder_, "/dev/zero"}; }

    // within_seconds, letting a reader stuck on the FIFO go by opening it for writing.
    template <class Call>
    auto within_seconds(Call call) const {
        const std::string fifo = fifo_;
        return special_files::within_seconds(call, [fifo] { release_fifo(fifo); });
    }

private:
    std::string dir_, fifo_, folder_;
};

}  // namespace special_files
