// Shared helpers of the Win32 layer tests: a window procedure that records what it gets,
// and queue draining between tests.
#pragma once

#include <string>
#include <vector>

#include <algorithm>

#include "win32/hosts/virtual/virtual_host.h"
#include "win32/internal.h"
#include "win32/windows.h"

namespace win32_test {

struct Received {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

// Every message the recording procedure saw, in order.
inline std::vector<Received>& received() {
    static std::vector<Received> r;
    return r;
}

// What the recording procedure answers to WM_CREATE (0, or -1 to refuse creation).
inline LRESULT& create_answer() {
    static LRESULT a = 0;
    return a;
}

inline LRESULT CALLBACK recording_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    received().push_back({hwnd, msg, wparam, lparam});
    if (msg == WM_CREATE) return create_answer();
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

inline std::vector<UINT> messages_for(HWND hwnd) {
    std::vector<UINT> out;
    for (const auto& r : received())
        if (r.hwnd == hwnd) out.push_back(r.message);
    return out;
}

inline std::vector<Received> of_kind(UINT message) {
    std::vector<Received> out;
    for (const auto& r : received())
        if (r.message == message) out.push_back(r);
    return out;
}

// Registers (once per name) a class with the recording procedure.
inline void ensure_class(const char* name, HCURSOR cursor = nullptr) {
    WNDCLASSEXA probe{};
    if (GetClassInfoExA(nullptr, name, &probe)) return;
    WNDCLASSA wc{};
    wc.lpfnWndProc = recording_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = cursor;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

// Takes every waiting message off the queue without dispatching it.
inline void drain_queue() {
    MSG m;
    for (int i = 0; i < 10000 && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE); ++i)
        if (m.message == WM_PAINT) ValidateRect(m.hwnd, nullptr);
}

// Delivers pending input and returns the queued messages in order, not dispatched; paint
// messages are validated and left out.
inline std::vector<MSG> take_queued() {
    std::vector<MSG> out;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_PAINT) {
            ValidateRect(m.hwnd, nullptr);
            continue;
        }
        out.push_back(m);
    }
    return out;
}

// Dispatches every waiting message.
inline int dispatch_all() {
    MSG m;
    int n = 0;
    for (; n < 10000 && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE); ++n) DispatchMessageA(&m);
    return n;
}

inline void fresh_start() {
    win32::virtual_host::reset();
    drain_queue();
    received().clear();
    create_answer() = 0;
}

}  // namespace win32_test
