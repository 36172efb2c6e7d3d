// A read() that can be told to fail with EIO after a number of bytes, standing in for the C
// library's in this test program, so the reader meets real operating-system read errors.
#include <cerrno>
#include <cstdint>

#include <sys/syscall.h>
#include <unistd.h>

#include "tests/lumora/tga/tga_test_support.h"

namespace {
size_t g_limit = SIZE_MAX;
size_t g_delivered = 0;
}  // namespace

void tga_test::fail_reads_after(size_t bytes) {
    g_limit = bytes;
    g_delivered = 0;
}

extern "C" ssize_t read(int fd, void* buf, size_t count) {
    if (g_limit != SIZE_MAX) {
        if (g_delivered >= g_limit) {
            errno = EIO;
            return -1;
        }
        if (count > g_limit - g_delivered) count = g_limit - g_delivered;
    }
    const long r = syscall(SYS_read, fd, buf, count);
    if (r > 0 && g_limit != SIZE_MAX) g_delivered += static_cast<size_t>(r);
    return r;
}
