// Message boxes on Windows: a computer-based-training hook on the test's thread sees every
// dialog as it is activated, records the caption and the text of a message box and answers
// it with OK, so the code under test goes on as if a user had pressed the button.
#include "message_boxes.h"

#include <windows.h>

namespace {

std::vector<platform_test::Box> g_boxes;
HHOOK g_hook = nullptr;

std::string window_text(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The box's message is the text of its static controls (the icon's static has none).
BOOL CALLBACK collect_static_text(HWND child, LPARAM found) {
    char kind[32] = {};
    GetClassNameA(child, kind, sizeof kind);
    const std::string text = window_text(child);
    auto* message = reinterpret_cast<std::string*>(found);
    if (lstrcmpiA(kind, "Static") == 0 && !text.empty() && message->empty()) *message = text;
    return TRUE;
}

LRESULT CALLBACK watch(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE) {
        HWND dialog = reinterpret_cast<HWND>(wparam);
        char kind[32] = {};
        GetClassNameA(dialog, kind, sizeof kind);
        if (std::string(kind) == "#32770") {
            platform_test::Box box;
            box.caption = window_text(dialog);
            EnumChildWindows(dialog, collect_static_text, reinterpret_cast<LPARAM>(&box.text));
            g_boxes.push_back(box);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(g_hook, code, wparam, lparam);
}

}  // namespace

void platform_test::watch_message_boxes() {
    if (!g_hook) g_hook = SetWindowsHookExA(WH_CBT, watch, nullptr, GetCurrentThreadId());
    g_boxes.clear();
}

std::vector<platform_test::Box> platform_test::take_message_boxes() {
    std::vector<Box> boxes;
    boxes.swap(g_boxes);
    return boxes;
}
