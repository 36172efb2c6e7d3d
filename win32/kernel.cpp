// The few kernel calls the programs make: the module handle and the program's file name, the
// tick count, the current-process pseudo handle and the thread's last error; and the host's
// failures passed on to a person and to the last error.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "win32/host.h"
#include "win32/internal.h"

namespace {
// The image base a Win32 program's module handle usually has; any non-zero value will do.
HMODULE const kModule = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x00400000));

// Each thread has its own last error, as on Win32: a failure in one thread never shows up in
// another thread's GetLastError.
thread_local DWORD last_error = ERROR_SUCCESS;

// The full path of the running program, or an empty string if the system cannot tell.
std::string program_path() {
    std::string path(256, '\0');
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
        if (n < 0) return {};
        if (static_cast<size_t>(n) < path.size()) {
            path.resize(static_cast<size_t>(n));
            return path;
        }
        path.resize(path.size() * 2);  // readlink cut it short: try again with more room
    }
}
}  // namespace

DWORD GetLastError(void) { return last_error; }

void SetLastError(DWORD dwErrCode) { last_error = dwErrCode; }

namespace win32::internal {
void report_host_failure(const char* api, DWORD error) {
    const Failure failure = host().failure();
    if (failure) {
        std::fprintf(stderr, "win32: %s: %s failed: %s\n", api, failure.call.c_str(), failure.reason.c_str());
    } else if (error != ERROR_SUCCESS) {
        std::fprintf(stderr, "win32: %s: the host gave no reason\n", api);
    }
    std::fflush(stderr);
    if (error != ERROR_SUCCESS) SetLastError(error);
}
}  // namespace win32::internal

HMODULE GetModuleHandleA(LPCSTR name) {
    // Only the program's own module is known.
    if (name) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return kModule;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR filename, DWORD size) {
    if (module && module != kModule) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    const std::string path = program_path();
    if (path.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    // A name that does not fit is cut to size - 1 characters and terminated; the call then
    // returns size and reports the short buffer.
    if (path.size() >= size) {
        if (size > 0) {
            std::memcpy(filename, path.data(), size - 1);
            filename[size - 1] = '\0';
        }
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(filename, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

DWORD GetTickCount(void) { return win32::host().tick_count(); }

// The thread waits on the host's clock, so a run on a virtual clock sleeps without waiting.
// A clock that does not move (a fixed tick count) ends the wait after as many idle calls as
// milliseconds were asked for.
void Sleep(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (DWORD i = 0; i <= milliseconds; ++i) {
        const DWORD passed = GetTickCount() - start;
        if (passed >= milliseconds) break;
        win32::host().idle(milliseconds - passed);
    }
}

HANDLE GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }
