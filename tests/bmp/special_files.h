// Files that are not regular files, named like image files: a FIFO that nobody writes, a
// directory and a device that never ends (/dev/zero). Every reader of image or cursor
// files must take each for a file that cannot be read, and must not wait on it.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace special_files {

class Files {
public:
    Files() {
        char tmpl[] = "/tmp/lumora-special-XXXXXX";
        if (mkdtemp(tmpl) == nullptr) return;
        dir_ = tmpl;
        fifo_ = dir_ + "/pipe.bmp";
        folder_ = dir_ + "/folder.bmp";
        if (mkfifo(fifo_.c_str(), 0600) != 0 || mkdir(folder_.c_str(), 0700) != 0) dir_.clear();
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
    // The FIFO, the directory and /dev/zero.
    std::vector<std::string> all() const { return {fifo_, folder_, "/dev/zero"}; }

    // Runs call on a thread of its own and gives its result, or nothing when it is still
    // running after a few seconds: a reader stuck on the FIFO. That reader is then let go
    // (the FIFO is opened for writing and closed again, which ends a wait in open or read)
    // so that the test goes on instead of hanging.
    template <class Call>
    auto within_seconds(Call call) const -> std::optional<decltype(call())> {
        using Result = decltype(call());
        auto promise = std::make_shared<std::promise<Result>>();
        std::future<Result> result = promise->get_future();
        std::thread([promise, call]() mutable { promise->set_value(call()); }).detach();
        if (result.wait_for(std::chrono::seconds(5)) == std::future_status::ready) return result.get();
        for (int i = 0; i < 100 && result.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready; ++i) {
            const int fd = open(fifo_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) close(fd);
        }
        return std::nullopt;
    }

private:
    std::string dir_, fifo_, folder_;
};

}  // namespace special_files
