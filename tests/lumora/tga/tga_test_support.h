// What the TGA tests need besides files: the message boxes the reader showed, and a way to
// make the operating system's read() fail part-way through a file.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace tga_test {

struct Box {
    std::string text;
    std::string caption;
    unsigned flags = 0;
    bool operator==(const Box&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const Box& box) {
    return out << "\"" << box.text << "\" (" << box.caption << ", flags " << box.flags << ")";
}

// The message boxes shown since the last call, oldest first; clears the log.
std::vector<Box> take_boxes();

// From now on read() delivers `bytes` more bytes in total and then fails with EIO.
// SIZE_MAX turns the failure off.
void fail_reads_after(size_t bytes);

}  // namespace tga_test
