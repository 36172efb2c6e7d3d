// Opening and reading files for the Win32 layer (see file_io.h), over POSIX descriptors.
#include "win32/file_io.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win32::file_io {

DWORD error_from_errno(int error) {
    switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    default: return ERROR_INVALID_PARAMETER;
    }
}

ReadFileHandle::ReadFileHandle(const char* path, Accept accept) {
    int fd;
    do {
        fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error_ = error_from_errno(errno);
        return;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        error_ = error_from_errno(errno);
        ::close(fd);
        return;
    }
    // Win32 refuses to open a directory as a file with "access denied".
    const bool regular = S_ISREG(st.st_mode);
    if (S_ISDIR(st.st_mode) || (accept == Accept::regular && !regular)) {
        error_ = S_ISDIR(st.st_mode) ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
        ::close(fd);
        return;
    }
    if (regular) {
        size_ = static_cast<uint64_t>(st.st_size);
        const int flags = fcntl(fd, F_GETFL);
        if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    fd_ = fd;
}

ReadFileHandle::~ReadFileHandle() {
    if (fd_ >= 0) ::close(fd_);
}

ptrdiff_t ReadFileHandle::read_some(void* dst, size_t n) const {
    ssize_t r;
    do {
        r = ::read(fd_, dst, n);
    } while (r < 0 && errno == EINTR);
    return r;
}

size_t ReadFileHandle::read_at(uint64_t offset, void* dst, size_t n) const {
    auto* out = static_cast<uint8_t*>(dst);
    size_t have = 0;
    while (have < n) {
        const ssize_t r = ::pread(fd_, out + have, n - have, static_cast<off_t>(offset + have));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        have += static_cast<size_t>(r);
    }
    return have;
}

}  // namespace win32::file_io
