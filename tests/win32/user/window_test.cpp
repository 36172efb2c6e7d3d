// Window classes, creation, frame metrics and destruction.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <thread>

#include "test_support.h"

using namespace win32_test;

namespace {

class Windows : public ::testing::Test {
protected:
    void SetUp() override {
        fresh_start();
        ensure_class("RecWindow");
    }
};

TEST_F(Windows, ClassRegistersOnceWhateverTheCaseOfItsName) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = recording_proc;
    wc.lpszClassName = "TwiceClass";
    const ATOM first = RegisterClassA(&wc);
    EXPECT_NE(first, 0);
    EXPECT_EQ(RegisterClassA(&wc), 0);
    wc.lpszClassName = "TWICECLASS";
    EXPECT_EQ(RegisterClassA(&wc), 0);

    WNDCLASSEXA ex{};
    ex.cbSize = sizeof(ex);
    ex.lpfnWndProc = recording_proc;
    ex.lpszClassName = "twiceclass";
    EXPECT_EQ(RegisterClassExA(&ex), 0);

    WNDCLASSEXA info{};
    EXPECT_TRUE(GetClassInfoExA(nullptr, "twiceCLASS", &info));
    EXPECT_EQ(info.lpfnWndProc, &recording_proc);
    EXPECT_STREQ(info.lpszClassName, "TwiceClass");
    EXPECT_FALSE(GetClassInfoExA(nullptr, "NeverRegistered", &info));
}

TEST_F(Windows, ClassRecordsWithoutNameOrProcedureAreRefused) {
    WNDCLASSA wc{};
    wc.lpszClassName = "NoProc";
    EXPECT_EQ(RegisterClassA(&wc), 0);
    wc.lpfnWndProc = recording_proc;
    wc.lpszClassName = nullptr;
    EXPECT_EQ(RegisterClassA(&wc), 0);
    EXPECT_EQ(RegisterClassA(nullptr), 0);
    WNDCLASSEXA ex{};
    ex.cbSize = 12;  // wrong record size
    ex.lpfnWndProc = recording_proc;
    ex.lpszClassName = "BadSize";
    EXPECT_EQ(RegisterClassExA(&ex), 0);
}

TEST_F(Windows, ClassRefusalsReportTheirReasonInTheLastError) {
    // 48 is the record's size in a 32-bit program; a 64-bit Windows refuses it.
    static_assert(sizeof(WNDCLASSEXA) != 48);
    WNDCLASSEXA ex{};
    ex.cbSize = 48;
    ex.lpfnWndProc = recording_proc;
    ex.lpszClassName = "RecordOf32BitProgram";
    SetLastError(0);
    EXPECT_EQ(RegisterClassExA(&ex), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

    // Nothing was registered: the class is unknown, and so is a window of it.
    WNDCLASSEXA info{};
    SetLastError(0);
    EXPECT_FALSE(GetClassInfoExA(nullptr, "RecordOf32BitProgram", &info));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_DOES_NOT_EXIST));
    SetLastError(0);
    EXPECT_EQ(CreateWindowExA(0, "RecordOf32BitProgram", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr,
                              nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CANNOT_FIND_WND_CLASS));

    ex.cbSize = sizeof(ex);
    const ATOM atom = RegisterClassExA(&ex);
    EXPECT_NE(atom, 0);
    ASSERT_TRUE(GetClassInfoExA(nullptr, "RecordOf32BitProgram", &info));
    EXPECT_EQ(info.lpfnWndProc, &recording_proc);
    SetLastError(0);
    EXPECT_EQ(RegisterClassExA(&ex), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_ALREADY_EXISTS));

    HWND w = CreateWindowExA(0, "RecordOf32BitProgram", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    SetLastError(0);
    EXPECT_FALSE(UnregisterClassA("RecordOf32BitProgram", nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_HAS_WINDOWS));
    DestroyWindow(w);
    EXPECT_TRUE(UnregisterClassA("RecordOf32BitProgram", nullptr));
    SetLastError(0);
    EXPECT_FALSE(UnregisterClassA("RecordOf32BitProgram", nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_DOES_NOT_EXIST));
}

TEST_F(Windows, CallsOnAWindowThatIsGoneFailWithInvalidWindowHandle) {
    HWND w = CreateWindowExA(0, "RecWindow", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(DestroyWindow(w));
    received().clear();

    auto fails = [&](const char* call, auto&& failed) {
        SetLastError(0);
        EXPECT_TRUE(failed()) << call;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE)) << call;
    };
    RECT r;
    MSG m{};
    m.hwnd = w;
    m.message = WM_USER;
    fails("DestroyWindow", [&] { return !DestroyWindow(w); });
    fails("SendMessageA", [&] { return SendMessageA(w, WM_USER, 0, 0) == 0; });
    fails("PostMessageA", [&] { return !PostMessageA(w, WM_USER, 0, 0); });
    fails("DispatchMessageA", [&] { return DispatchMessageA(&m) == 0; });
    fails("PeekMessageA", [&] { return !PeekMessageA(&m, w, 0, 0, PM_REMOVE); });
    fails("GetWindowRect", [&] { return !GetWindowRect(w, &r); });
    fails("SetWindowTextA", [&] { return !SetWindowTextA(w, "x"); });
    fails("GetDC", [&] { return GetDC(w) == nullptr; });
    fails("SetFocus", [&] { return SetFocus(w) == nullptr; });
    fails("CreateWindowExA", [&] {
        return CreateWindowExA(0, "RecWindow", "", WS_CHILD, 0, 0, 5, 5, w, nullptr, nullptr, nullptr) == nullptr;
    });
    // A box owned by a window that is gone is not shown.
    win32::virtual_host::clear_message_boxes();
    fails("MessageBoxA", [&] { return MessageBoxA(w, "text", "caption", MB_OK) == 0; });
    EXPECT_TRUE(win32::virtual_host::message_box_log().empty());
    EXPECT_TRUE(received().empty());  // its procedure heard nothing of all this

    SetLastError(0);
    EXPECT_EQ(CreateWindowExA(0, "RecWindow", "", WS_CHILD, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_TLW_WITH_WSCHILD));
}

TEST_F(Windows, HandlesOfTheWrongKindAreRefused) {
    // A memory DC does not go back through ReleaseDC: it stays alive for DeleteDC.
    HDC memory = CreateCompatibleDC(nullptr);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, memory), 0);
    EXPECT_TRUE(DeleteDC(memory));

    // A window region must be a region; the window keeps the one it has.
    HWND w = CreateWindowExA(0, "RecWindow", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    HRGN shape = CreateRectRgn(0, 0, 10, 10);
    ASSERT_EQ(SetWindowRgn(w, shape, FALSE), 1);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    EXPECT_EQ(SetWindowRgn(w, reinterpret_cast<HRGN>(brush), FALSE), 0);
    EXPECT_EQ(GetObjectType(shape), DWORD(OBJ_REGION));
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(w, copy), SIMPLEREGION);
    EXPECT_TRUE(EqualRgn(copy, shape));
    EXPECT_EQ(GetObjectType(brush), DWORD(OBJ_BRUSH));
    DeleteObject(brush);
    DeleteObject(copy);
    DestroyWindow(w);
}

struct CreateSeen {
    bool inside_create = false;
    int cx = 0, cy = 0, x = 0, y = 0;
    std::string name;
    LPVOID param = nullptr;
};
CreateSeen seen;

LRESULT CALLBACK create_probe(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_CREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        seen.inside_create = true;
        seen.cx = cs->cx;
        seen.cy = cs->cy;
        seen.x = cs->x;
        seen.y = cs->y;
        seen.name = cs->lpszName ? cs->lpszName : "";
        seen.param = cs->lpCreateParams;
        // The handle already works during creation.
        RECT r;
        EXPECT_TRUE(GetClientRect(hwnd, &r));
    }
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

TEST_F(Windows, CreateSendsCreationMessagesBeforeReturning) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = create_probe;
    wc.lpszClassName = "CreateProbe";
    ASSERT_NE(RegisterClassA(&wc), 0);
    int token = 0;
    seen = {};
    HWND w = CreateWindowExA(0, "CreateProbe", "Titolo", WS_POPUP | WS_CAPTION, 10, 20, 300, 200, nullptr, nullptr,
                             GetModuleHandleA(nullptr), &token);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(seen.inside_create);
    EXPECT_EQ(seen.cx, 300);
    EXPECT_EQ(seen.cy, 200);
    EXPECT_EQ(seen.x, 10);
    EXPECT_EQ(seen.y, 20);
    EXPECT_EQ(seen.name, "Titolo");
    EXPECT_EQ(seen.param, &token);
    DestroyWindow(w);
}

TEST_F(Windows, CreateOrderIsNcCreateThenCreateAndRefusalFailsCreation) {
    HWND w = CreateWindowExA(0, "RecWindow", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    const auto msgs = messages_for(w);
    ASSERT_GE(msgs.size(), 2u);
    EXPECT_EQ(msgs[0], static_cast<UINT>(WM_NCCREATE));
    EXPECT_EQ(msgs[1], static_cast<UINT>(WM_CREATE));
    DestroyWindow(w);

    received().clear();
    create_answer() = -1;
    HWND refused = CreateWindowExA(0, "RecWindow", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(refused, nullptr);
    // The half-made window was destroyed: it got its WM_DESTROY and is gone.
    ASSERT_FALSE(received().empty());
    HWND half = received().front().hwnd;
    EXPECT_FALSE(IsWindow(half));
    EXPECT_FALSE(of_kind(WM_DESTROY).empty());
    EXPECT_EQ(received().back().message, static_cast<UINT>(WM_NCDESTROY));

    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr),
              nullptr);
}

TEST_F(Windows, DefaultPositionOfPopupIsScreenCorner) {
    HWND w = CreateWindowExA(0, "RecWindow", "", WS_POPUP | WS_VISIBLE | WS_CAPTION, CW_USEDEFAULT, CW_USEDEFAULT,
                             800, 600, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    RECT r;
    ASSERT_TRUE(GetWindowRect(w, &r));
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 800);
    EXPECT_EQ(r.bottom, 600);
    DestroyWindow(w);
}

struct FrameCase {
    DWORD style;
    int client_w, client_h;
    POINT client_origin;
};

TEST_F(Windows, OuterSizeIncludesFrameOfEachStyle) {
    const FrameCase cases[] = {
        {WS_POPUP | WS_CAPTION | WS_SYSMENU, 794, 578, {3, 19}},  // the viewer's windowed style
        {0x96CA0000, 794, 578, {3, 19}},
        {WS_POPUP | WS_BORDER, 798, 598, {1, 1}},
        {0x96880000, 798, 598, {1, 1}},  // the viewer's full-screen style
        {WS_POPUP, 800, 600, {0, 0}},
    };
    for (const auto& c : cases) {
        HWND w = CreateWindowExA(0, "RecWindow", "", c.style, 40, 30, 800, 600, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(w, nullptr);
        RECT client;
        ASSERT_TRUE(GetClientRect(w, &client));
        EXPECT_EQ(client.right, c.client_w) << std::hex << c.style;
        EXPECT_EQ(client.bottom, c.client_h) << std::hex << c.style;
        POINT origin{0, 0};
        ClientToScreen(w, &origin);
        EXPECT_EQ(origin.x, 40 + c.client_origin.x);
        EXPECT_EQ(origin.y, 30 + c.client_origin.y);
        RECT outer;
        GetWindowRect(w, &outer);
        EXPECT_EQ(outer.right - outer.left, 800);
        EXPECT_EQ(outer.bottom - outer.top, 600);
        DestroyWindow(w);
    }
}

TEST_F(Windows, HostSurfaceFollowsTheWindow) {
    HWND w = CreateWindowExA(0, "RecWindow", "Esempio", 0x96CA0000, CW_USEDEFAULT, CW_USEDEFAULT, 800, 600, nullptr,
                             nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    bool found = false;
    for (const auto& s : win32::virtual_host::surfaces()) {
        if (s.window != w) continue;
        found = true;
        EXPECT_TRUE(s.visible);
        EXPECT_TRUE(s.decorated);
        EXPECT_EQ(s.title, "Esempio");
        EXPECT_EQ(s.client.left, 3);
        EXPECT_EQ(s.client.top, 19);
        EXPECT_EQ(s.client.right - s.client.left, 794);
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(GetForegroundWindow(), w);
    EXPECT_EQ(GetFocus(), w);
    DestroyWindow(w);
    for (const auto& s : win32::virtual_host::surfaces()) EXPECT_NE(s.window, w);
    EXPECT_EQ(GetForegroundWindow(), nullptr);
}

TEST_F(Windows, DestroySendsDestroyThenNcDestroyAndChildrenGoToo) {
    HWND parent = CreateWindowExA(0, "RecWindow", "", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr,
                                  nullptr, nullptr);
    HWND child = CreateWindowExA(0, "RecWindow", "", WS_CHILD | WS_VISIBLE, 5, 5, 20, 20, parent,
                                 reinterpret_cast<HMENU>(7), nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    SetCapture(child);
    SetFocus(child);
    PostMessageA(parent, WM_USER + 1, 0, 0);
    PostMessageA(child, WM_USER + 2, 0, 0);
    received().clear();
    EXPECT_TRUE(DestroyWindow(parent));
    EXPECT_FALSE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);

    const auto pm = messages_for(parent);
    const auto cm = messages_for(child);
    ASSERT_FALSE(pm.empty());
    ASSERT_FALSE(cm.empty());
    EXPECT_EQ(pm.back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_EQ(cm.back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_NE(std::find(pm.begin(), pm.end(), static_cast<UINT>(WM_DESTROY)), pm.end());
    EXPECT_NE(std::find(cm.begin(), cm.end(), static_cast<UINT>(WM_DESTROY)), cm.end());
    // The child is gone before its parent's last message.
    size_t child_nc = 0, parent_nc = 0;
    for (size_t i = 0; i < received().size(); ++i) {
        if (received()[i].message != WM_NCDESTROY) continue;
        if (received()[i].hwnd == child) child_nc = i;
        if (received()[i].hwnd == parent) parent_nc = i;
    }
    EXPECT_LT(child_nc, parent_nc);

    // Their queued messages went with them.
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        EXPECT_NE(m.hwnd, parent);
        EXPECT_NE(m.hwnd, child);
    }
    EXPECT_FALSE(DestroyWindow(parent));
}

TEST_F(Windows, CloseByDefaultProcessingDestroysTheWindow) {
    HWND w = CreateWindowExA(0, "RecWindow", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                             nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(DefWindowProcA(w, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(of_kind(WM_DESTROY).empty());
}

TEST_F(Windows, ChildGeometryPropsAndControlIds) {
    HWND parent = CreateWindowExA(0, "RecWindow", "", WS_POPUP | WS_CAPTION | WS_VISIBLE, 100, 50, 400, 300, nullptr,
                                  nullptr, nullptr, nullptr);
    HWND child = CreateWindowExA(0, "RecWindow", "", WS_CHILD | WS_VISIBLE, 10, 20, 30, 40, parent,
                                 reinterpret_cast<HMENU>(1234), nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), parent);
    EXPECT_EQ(GetDlgCtrlID(child), 1234);
    EXPECT_EQ(GetDlgItem(parent, 1234), child);
    EXPECT_EQ(GetDlgItem(parent, 99), nullptr);

    RECT r;
    GetWindowRect(child, &r);
    EXPECT_EQ(r.left, 100 + 3 + 10);
    EXPECT_EQ(r.top, 50 + 19 + 20);
    EXPECT_EQ(r.right - r.left, 30);
    POINT p{r.left + 1, r.top + 2};
    ScreenToClient(child, &p);
    EXPECT_EQ(p.x, 1);
    EXPECT_EQ(p.y, 2);

    // The image button's placement rule: offsets from the parent's outer corner less (3, 19)
    // keep it where it was.
    RECT pr;
    GetWindowRect(parent, &pr);
    ASSERT_TRUE(MoveWindow(child, r.left - pr.left - 3, r.top - pr.top - 19, 64, 32, FALSE));
    RECT moved;
    GetWindowRect(child, &moved);
    EXPECT_EQ(moved.left, r.left);
    EXPECT_EQ(moved.top, r.top);
    EXPECT_EQ(moved.right - moved.left, 64);
    const auto px = win32::internal::window_pixels(child);
    EXPECT_EQ(px.width, 64);
    EXPECT_EQ(px.height, 32);
    EXPECT_NE(px.pixels, nullptr);
    EXPECT_EQ(win32::internal::window_pixels(parent).pixels, nullptr);

    int a = 1, b = 2;
    EXPECT_TRUE(SetPropA(child, "NORMALBITMAP", &a));
    EXPECT_TRUE(SetPropA(child, "HOVERMODEBYTE", reinterpret_cast<HANDLE>(1)));
    EXPECT_EQ(GetPropA(child, "normalbitmap"), &a);
    EXPECT_TRUE(SetPropA(child, "NORMALBITMAP", &b));
    EXPECT_EQ(GetPropA(child, "NORMALBITMAP"), &b);
    EXPECT_EQ(RemovePropA(child, "NORMALBITMAP"), &b);
    EXPECT_EQ(GetPropA(child, "NORMALBITMAP"), nullptr);
    EXPECT_EQ(RemovePropA(child, "NORMALBITMAP"), nullptr);
    EXPECT_EQ(GetPropA(parent, "HOVERMODEBYTE"), nullptr);
    DestroyWindow(parent);
    EXPECT_EQ(GetPropA(child, "HOVERMODEBYTE"), nullptr);
    EXPECT_EQ(GetDlgCtrlID(child), 0);
}

TEST_F(Windows, ChildWithoutParentIsRefused) {
    EXPECT_EQ(CreateWindowExA(0, "RecWindow", "", WS_CHILD, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(Windows, KernelAndMetrics) {
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(GetCurrentProcess(), nullptr);
    win32::virtual_host::set_screen_size(1280, 720);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 720);
    win32::virtual_host::set_tick_count(4242);
    EXPECT_EQ(GetTickCount(), 4242u);
    win32::virtual_host::reset();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);

    RECT r;
    SetRect(&r, 1, 2, 5, 6);
    EXPECT_TRUE(PtInRect(&r, POINT{1, 2}));
    EXPECT_FALSE(PtInRect(&r, POINT{5, 2}));
    EXPECT_FALSE(PtInRect(&r, POINT{4, 6}));
    EXPECT_NE(GetSysColorBrush(COLOR_BTNFACE), nullptr);
    EXPECT_EQ(GetSysColorBrush(999), nullptr);
}

TEST(Kernel, LastErrorBelongsToEachThread) {
    SetLastError(1234);
    DWORD other_at_start = 1, other_after = 0;
    std::thread other([&] {
        other_at_start = GetLastError();
        WNDCLASSEXA ex{};
        ex.cbSize = 48;
        ex.lpfnWndProc = recording_proc;
        ex.lpszClassName = "FromAnotherThread";
        RegisterClassExA(&ex);
        other_after = GetLastError();
    });
    other.join();
    EXPECT_EQ(other_at_start, DWORD(ERROR_SUCCESS));
    EXPECT_EQ(other_after, DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(GetLastError(), 1234u);
}

TEST(Kernel, ModuleFileNameIsTheRunningProgramCutToTheBuffer) {
    const std::string program = std::filesystem::canonical(program_invocation_name).string();
    const DWORD length = DWORD(program.size());
    ASSERT_GT(length, 1u);

    char path[MAX_PATH * 4];
    ASSERT_LT(length, sizeof(path));
    EXPECT_EQ(GetModuleFileNameA(nullptr, path, sizeof(path)), length);
    EXPECT_EQ(std::string(path), program);
    std::fill(std::begin(path), std::end(path), '#');
    EXPECT_EQ(GetModuleFileNameA(GetModuleHandleA(nullptr), path, length + 1), length);
    EXPECT_EQ(std::string(path), program);

    // One character short: all but the last character, terminated, and the buffer size back.
    std::fill(std::begin(path), std::end(path), '#');
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, path, length), length);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::string(path), program.substr(0, length - 1));
    EXPECT_EQ(path[length], '#');  // nothing written past the buffer

    std::fill(std::begin(path), std::end(path), '#');
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, path, 0), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(path[0], '#');

    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(0x7000), path, sizeof(path)), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
}

TEST_F(Windows, FullScreenStyleWindowCoversTheScreen) {
    win32::virtual_host::set_screen_size(1280, 1024);
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HWND win = CreateWindowExA(0, "RecWindow", "", 0x96880000, CW_USEDEFAULT, CW_USEDEFAULT, w, h, nullptr, nullptr,
                               nullptr, nullptr);
    ASSERT_NE(win, nullptr);
    RECT r;
    GetWindowRect(win, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 1280);
    EXPECT_EQ(r.bottom, 1024);
    DestroyWindow(win);
}

}  // namespace
