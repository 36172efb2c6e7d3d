// Files: CreateFileA, ReadFile and their companions over POSIX descriptors, for programs that
// open existing files to read them. Bytes pass through unchanged (Win32 file handles have no
// text mode). As on Win32, a directory cannot be opened as a file, and a read at the end of
// a file succeeds with 0 bytes.
#include <cerrno>
#include <cstdint>
#include <unordered_set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "win32/windows.h"

namespace {

// A file handle is an open descriptor in a small object; the live ones are kept in a table,
// so a stale or foreign handle is refused instead of being followed.
struct FileObject {
    int fd;
};
std::unordered_set<FileObject*>& open_files() {
    static std::unordered_set<FileObject*> files;
    return files;
}

FileObject* file_object(HANDLE handle) {
    auto* object = static_cast<FileObject*>(handle);
    return open_files().count(object) ? object : nullptr;
}

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

}  // namespace

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD /*dwShareMode*/,
                   LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, DWORD dwCreationDisposition,
                   DWORD /*dwFlagsAndAttributes*/, HANDLE /*hTemplateFile*/) {
    if (lpFileName == nullptr || dwDesiredAccess != GENERIC_READ || dwCreationDisposition != OPEN_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    // Opened without waiting, so a FIFO with no writer cannot hold the caller up; regular
    // files go back to ordinary blocking reads.
    int fd;
    do {
        fd = ::open(lpFileName, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        SetLastError(error_from_errno(errno));
        return INVALID_HANDLE_VALUE;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (S_ISREG(st.st_mode)) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    auto* file = new FileObject{fd};
    open_files().insert(file);
    return file;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED /*lpOverlapped*/) {
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    FileObject* file = file_object(hFile);
    if (file == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ssize_t r;
    do {
        r = ::read(file->fd, lpBuffer, nNumberOfBytesToRead);
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
        SetLastError(ERROR_READ_FAULT);
        return FALSE;
    }
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = static_cast<DWORD>(r);
    return TRUE;
}

DWORD GetFileType(HANDLE hFile) {
    FileObject* file = file_object(hFile);
    struct stat st {};
    if (file == nullptr || fstat(file->fd, &st) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FILE_TYPE_UNKNOWN;
    }
    if (S_ISREG(st.st_mode)) return FILE_TYPE_DISK;
    if (S_ISCHR(st.st_mode)) return FILE_TYPE_CHAR;
    if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return FILE_TYPE_PIPE;
    return FILE_TYPE_UNKNOWN;
}

BOOL GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize) {
    FileObject* file = file_object(hFile);
    struct stat st {};
    if (file == nullptr || lpFileSize == nullptr || fstat(file->fd, &st) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    lpFileSize->QuadPart = S_ISREG(st.st_mode) ? static_cast<LONGLONG>(st.st_size) : 0;
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR lpFileName) {
    struct stat st {};
    if (lpFileName == nullptr || stat(lpFileName, &st) != 0) {
        SetLastError(error_from_errno(lpFileName ? errno : EINVAL));
        return INVALID_FILE_ATTRIBUTES;
    }
    return S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

BOOL CloseHandle(HANDLE hObject) {
    if (hObject == GetCurrentProcess()) return TRUE;  // the pseudo handle needs no closing
    FileObject* file = file_object(hObject);
    if (file == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ::close(file->fd);
    open_files().erase(file);
    delete file;
    return TRUE;
}
