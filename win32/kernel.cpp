// The few kernel calls the programs make: the module handle, the tick count and the
// current-process pseudo handle.
#include <cstdint>

#include "win32/host.h"

namespace {
// The image base a Win32 program's module handle usually has; any non-zero value will do.
HMODULE const kModule = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x00400000));
}  // namespace

HMODULE GetModuleHandleA(LPCSTR name) {
    // Only the program's own module is known.
    return name ? nullptr : kModule;
}

DWORD GetTickCount(void) { return win32::host().tick_count(); }

HANDLE GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }
