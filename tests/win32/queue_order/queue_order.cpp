// Prints the order in which the thread's message queue hands out what was queued while the
// program did not look: a sent message, posted messages, injected mouse and keyboard input,
// a paint request, a timer and the quit message. The same source runs on our subset and on
// Windows (Wine), and the two printed lists are compared line by line.
//
// The window is a popup at (100, 100), 200 x 200 on a 1024 x 768 screen; it has no frame, so
// client coordinates are screen coordinates less 100. An absolute mouse coordinate v (0..65535)
// is pixel floor(v * screen size / 65536); the moves use values for which that division is
// exact, so every move lands on the pixel meant, however a system rounds.
//
// With the argument --all the program also prints what it leaves out of the list (the
// system's own messages, and what the queue held before the sequence started).
#ifdef _WIN32
#include <windows.h>
#else
#include "win32/windows.h"
#endif

#include <cstdio>
#include <cstring>

namespace {

HWND popup = nullptr;
bool print_all = false;
constexpr UINT_PTR kTimer = 7;

const char* window_name(HWND hwnd) {
    if (!hwnd) return "none";
    return hwnd == popup ? "popup" : "other";
}

// The messages of the sequence; everything else the queue hands out is the system's own.
const char* sequence_name(UINT message) {
    switch (message) {
    case WM_MOUSEMOVE: return "WM_MOUSEMOVE";
    case WM_LBUTTONDOWN: return "WM_LBUTTONDOWN";
    case WM_LBUTTONUP: return "WM_LBUTTONUP";
    case WM_LBUTTONDBLCLK: return "WM_LBUTTONDBLCLK";
    case WM_KEYDOWN: return "WM_KEYDOWN";
    case WM_KEYUP: return "WM_KEYUP";
    case WM_PAINT: return "WM_PAINT";
    case WM_TIMER: return "WM_TIMER";
    case WM_QUIT: return "WM_QUIT";
    default: break;
    }
    if (message >= WM_USER && message < WM_USER + 100) {
        static char name[16];
        std::snprintf(name, sizeof name, "WM_USER+%u", message - WM_USER);
        return name;
    }
    return nullptr;
}

bool is_mouse(UINT message) { return message >= WM_MOUSEMOVE && message <= WM_LBUTTONDBLCLK; }

void print_message(const char* what, const MSG& msg) {
    const char* name = sequence_name(msg.message);
    if (!name && !print_all) return;
    char other[16];
    if (!name) {
        std::snprintf(other, sizeof other, "(0x%04x)", msg.message);
        name = other;
    }
    std::printf("%s %s %s wParam=0x%llx", what, name, window_name(msg.hwnd),
                static_cast<unsigned long long>(msg.wParam));
    if (is_mouse(msg.message))
        std::printf(" client=%d,%d", static_cast<int>(static_cast<short>(LOWORD(msg.lParam))),
                    static_cast<int>(static_cast<short>(HIWORD(msg.lParam))));
    // A key's lParam is 32 bits of flags: taken unsigned, so a 32-bit build prints the same
    // number as a 64-bit one.
    if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP)
        std::printf(" lParam=0x%llx", static_cast<unsigned long long>(static_cast<ULONG_PTR>(msg.lParam)));
    std::printf(" pt=%ld,%ld\n", static_cast<long>(msg.pt.x), static_cast<long>(msg.pt.y));
}

LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_USER:
        std::printf("sent WM_USER %s wParam=0x%llx\n", window_name(hwnd), static_cast<unsigned long long>(wparam));
        return 0;
    case WM_LBUTTONDOWN:
        SetCapture(hwnd);
        return 0;
    case WM_LBUTTONUP:
        ReleaseCapture();
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(hwnd, &paint);
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_TIMER:
        KillTimer(hwnd, wparam);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
}

// Takes what the queue holds until it has stayed empty for a while: showing and activating a
// window brings messages that the system queues a little later.
void drain() {
    int quiet = 0;
    while (quiet < 30) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (print_all) print_message("drain", msg);
            DispatchMessageA(&msg);
            quiet = 0;
        } else {
            Sleep(10);
            ++quiet;
        }
    }
}

// A move to a screen pixel. The screen is 1024 x 768, so x * 65536 / 1024 is exact for every x
// and y * 65536 / 768 for every y that is a multiple of 3.
INPUT mouse(int x, int y) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = x * 65536 / 1024;
    in.mi.dy = y * 65536 / 768;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return in;
}

INPUT button(DWORD flag) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flag;
    return in;
}

INPUT key(WORD virtual_key, bool down) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = virtual_key;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    return in;
}

void send(INPUT in) {
    if (SendInput(1, &in, sizeof in) != 1)
        std::printf("SendInput failed: %lu\n", static_cast<unsigned long>(GetLastError()));
}

}  // namespace

int main(int argc, char** argv) {
    print_all = argc > 1 && std::strcmp(argv[1], "--all") == 0;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    if (GetSystemMetrics(SM_CXSCREEN) != 1024 || GetSystemMetrics(SM_CYSCREEN) != 768) {
        std::printf("the screen is %d x %d, not 1024 x 768\n", GetSystemMetrics(SM_CXSCREEN),
                    GetSystemMetrics(SM_CYSCREEN));
        return 1;
    }
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = window_procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "QueueOrder";
    if (!RegisterClassExA(&wc)) {
        std::printf("RegisterClassExA failed: %lu\n", static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    popup = CreateWindowExA(0, "QueueOrder", "queue order", WS_POPUP | WS_VISIBLE, 100, 100, 200, 200, nullptr,
                            nullptr, wc.hInstance, nullptr);
    if (!popup) {
        std::printf("CreateWindowExA failed: %lu\n", static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    SetForegroundWindow(popup);
    SetFocus(popup);
    // The cursor starts outside the window, where moves are no message of this program's.
    SetCursorPos(50, 51);
    drain();
    if (GetForegroundWindow() != popup || GetFocus() != popup) {
        std::printf("the popup is not the focused foreground window\n");
        return 1;
    }

    // From here nothing is taken from the queue until everything is in it. The window
    // procedure prints the sent message while it is being sent.
    SendMessageA(popup, WM_USER, 0, 0);
    PostMessageA(popup, WM_USER + 1, 1, 0);
    // Moves inside the window, with a posted message and moves outside it in between.
    send(mouse(150, 150));
    send(mouse(160, 153));
    PostMessageA(popup, WM_USER + 2, 2, 0);
    send(mouse(400, 402));
    send(mouse(170, 156));
    send(mouse(410, 405));
    PostMessageA(popup, WM_USER + 3, 3, 0);
    // A key between two moves.
    send(key('A', true));
    send(key('A', false));
    // The left button goes down inside; its window procedure captures the mouse, but only
    // once the button-down is taken, after everything below is queued.
    send(mouse(120, 120));
    send(button(MOUSEEVENTF_LEFTDOWN));
    PostMessageA(popup, WM_USER + 4, 4, 0);
    // A move to where the cursor already is, then a key, so that a move made of it shows.
    send(mouse(120, 120));
    send(key('C', true));
    send(key('C', false));
    // With the button held: a move inside, two out of the window, and the button up outside.
    send(mouse(130, 132));
    send(mouse(350, 351));
    send(mouse(360, 354));
    PostMessageA(popup, WM_USER + 5, 5, 0);
    send(button(MOUSEEVENTF_LEFTUP));
    // A paint request, a timer that is due by the time the queue is read, the quit message
    // between posted messages, and a move and a key after it.
    InvalidateRect(popup, nullptr, FALSE);
    SetTimer(popup, kTimer, 10, nullptr);
    PostMessageA(popup, WM_USER + 6, 6, 0);
    PostQuitMessage(3);
    PostMessageA(popup, WM_USER + 7, 7, 0);
    send(mouse(500, 501));
    send(key('B', true));
    send(key('B', false));
    Sleep(100);

    // Every message is dispatched as it is taken, and WM_QUIT does not end the loop: the queue
    // is read until it is empty.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        print_message("taken", msg);
        DispatchMessageA(&msg);
    }
    POINT cursor{};
    GetCursorPos(&cursor);
    std::printf("end capture=%s cursor=%ld,%ld\n", window_name(GetCapture()), static_cast<long>(cursor.x),
                static_cast<long>(cursor.y));
    return 0;
}
