// Files: CreateFileA, ReadFile and their companions, for programs that open existing files to
// read them; the opening and reading itself is file_io's. Bytes pass through unchanged (Win32 file handles have no
// text mode). As on Win32, a directory cannot be opened as a file, and a read at the end of
// a file succeeds with 0 bytes.
#include <cerrno>
#include <memory>
#include <unordered_set>

#include <sys/stat.h>

#include "win32/file_io.h"
#include "win32/windows.h"

namespace {

using win32::file_io::Accept;
using win32::file_io::ReadFileHandle;

// A file handle is an open file; the live ones are kept in a table, so a stale or foreign
// handle is refused instead of being followed.
std::unordered_set<ReadFileHandle*>& open_files() {
    static std::unordered_set<ReadFileHandle*> files;
    return files;
}

ReadFileHandle* file_object(HANDLE handle) {
    auto* object = static_cast<ReadFileHandle*>(handle);
    return open_files().count(object) ? object : nullptr;
}

}  // namespace

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD /*dwShareMode*/,
                   LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, DWORD dwCreationDisposition,
                   DWORD /*dwFlagsAndAttributes*/, HANDLE /*hTemplateFile*/) {
    if (lpFileName == nullptr || dwDesiredAccess != GENERIC_READ || dwCreationDisposition != OPEN_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    // Anything but a directory opens, FIFOs and devices too, as on Win32.
    auto opened = std::make_unique<ReadFileHandle>(lpFileName, Accept::not_directory);
    if (!opened->ok()) {
        SetLastError(opened->error());
        return INVALID_HANDLE_VALUE;
    }
    ReadFileHandle* file = opened.release();
    open_files().insert(file);
    return file;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED /*lpOverlapped*/) {
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    ReadFileHandle* file = file_object(hFile);
    if (file == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const ptrdiff_t r = file->read_some(lpBuffer, nNumberOfBytesToRead);
    if (r < 0) {
        SetLastError(ERROR_READ_FAULT);
        return FALSE;
    }
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = static_cast<DWORD>(r);
    return TRUE;
}

DWORD GetFileType(HANDLE hFile) {
    ReadFileHandle* file = file_object(hFile);
    struct stat st {};
    if (file == nullptr || fstat(file->fd(), &st) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FILE_TYPE_UNKNOWN;
    }
    if (S_ISREG(st.st_mode)) return FILE_TYPE_DISK;
    if (S_ISCHR(st.st_mode)) return FILE_TYPE_CHAR;
    if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return FILE_TYPE_PIPE;
    return FILE_TYPE_UNKNOWN;
}

BOOL GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize) {
    ReadFileHandle* file = file_object(hFile);
    struct stat st {};
    if (file == nullptr || lpFileSize == nullptr || fstat(file->fd(), &st) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    lpFileSize->QuadPart = S_ISREG(st.st_mode) ? static_cast<LONGLONG>(st.st_size) : 0;
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR lpFileName) {
    struct stat st {};
    if (lpFileName == nullptr || stat(lpFileName, &st) != 0) {
        SetLastError(lpFileName ? win32::file_io::error_from_errno(errno) : ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    return S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

BOOL CloseHandle(HANDLE hObject) {
    if (hObject == GetCurrentProcess()) return TRUE;  // the pseudo handle needs no closing
    ReadFileHandle* file = file_object(hObject);
    if (file == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    open_files().erase(file);
    delete file;
    return TRUE;
}
