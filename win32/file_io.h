// The one place in the Win32 layer that opens and reads files: CreateFileA and ReadFile,
// LoadImageA and the cursor files all come through here. Not part of the public API.
#pragma once

#include <cstddef>
#include <cstdint>

#include "win32/windows.h"

namespace win32::file_io {

// What a name must be to be opened.
enum class Accept {
    not_directory,  // anything Win32 opens as a file: regular files, FIFOs, devices
    regular,        // only a regular file (a loader that reads a file's bytes at offsets)
};

// A file opened for reading, closed with the object. The open never waits: a FIFO with no
// writer cannot hold the caller up. A regular file then goes back to ordinary blocking
// reads; anything else stays as it was opened.
class ReadFileHandle {
public:
    ReadFileHandle(const char* path, Accept accept);
    ~ReadFileHandle();
    ReadFileHandle(const ReadFileHandle&) = delete;
    ReadFileHandle& operator=(const ReadFileHandle&) = delete;

    bool ok() const { return fd_ >= 0; }
    // Why it was not opened, as the Win32 error CreateFile reports; ERROR_SUCCESS when it
    // opened, and when only `Accept::regular` refused it (a FIFO or a device, which Win32
    // would open: no Win32 error says why a loader does not read it).
    DWORD error() const { return error_; }
    // The descriptor, for questions about the file (fstat); -1 when not open.
    int fd() const { return fd_; }
    // The size of a regular file when it was opened; 0 for anything else.
    uint64_t size() const { return size_; }

    // One read at the file's position, as read(2) gives it (interrupted reads are retried):
    // the bytes read, 0 at the end, -1 on an error.
    ptrdiff_t read_some(void* dst, size_t n) const;
    // Reads from `offset` until `n` bytes are in or the file ends or fails: how many came.
    size_t read_at(uint64_t offset, void* dst, size_t n) const;

private:
    int fd_ = -1;
    DWORD error_ = ERROR_SUCCESS;
    uint64_t size_ = 0;
};

// An errno from opening or looking up a file, as the Win32 error for it.
DWORD error_from_errno(int error);

// Little-endian integers of file formats, from their bytes.
inline uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t le32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

}  // namespace win32::file_io
