// Input from the host: mouse targets, button flags, capture, keys and close requests.
#include <gtest/gtest.h>

#include "test_support.h"

using namespace win32_test;
namespace vh = win32::virtual_host;

namespace {

class Input : public ::testing::Test {
protected:
    void SetUp() override {
        fresh_start();
        ensure_class("RecWindow");
        // Outer corner (100, 50); client origin on screen (103, 69), client 194 x 178.
        window = CreateWindowExA(0, "RecWindow", "", WS_POPUP | WS_CAPTION | WS_VISIBLE, 100, 50, 200, 200, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        drain_queue();
        received().clear();
    }
    void TearDown() override {
        ReleaseCapture();
        DestroyWindow(window);
        drain_queue();
    }
    HWND window = nullptr;
};

TEST_F(Input, InjectedInputWaitsForThePump) {
    vh::mouse_move(110, 80);
    EXPECT_EQ(vh::pending_input(), 1u);
    EXPECT_TRUE(received().empty());
    const auto msgs = take_queued();
    EXPECT_EQ(vh::pending_input(), 0u);
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(msgs[0].hwnd, window);
    EXPECT_EQ(GET_X_LPARAM(msgs[0].lParam), 7);
    EXPECT_EQ(GET_Y_LPARAM(msgs[0].lParam), 11);
    POINT p;
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 110);
    EXPECT_EQ(p.y, 80);
}

TEST_F(Input, ButtonsCarryMouseKeyFlags) {
    vh::mouse_button_at(win32::MouseButton::left, true, 120, 90);
    vh::mouse_move(125, 95);
    vh::mouse_button(win32::MouseButton::right, true);
    vh::mouse_button(win32::MouseButton::left, false);
    vh::mouse_button(win32::MouseButton::right, false);
    const auto msgs = take_queued();
    ASSERT_EQ(msgs.size(), 5u);
    EXPECT_EQ(msgs[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(msgs[0].wParam, static_cast<WPARAM>(MK_LBUTTON));
    EXPECT_EQ(msgs[1].message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(msgs[1].wParam, static_cast<WPARAM>(MK_LBUTTON));
    EXPECT_EQ(msgs[2].message, static_cast<UINT>(WM_RBUTTONDOWN));
    EXPECT_EQ(msgs[2].wParam, static_cast<WPARAM>(MK_LBUTTON | MK_RBUTTON));
    EXPECT_EQ(GET_X_LPARAM(msgs[2].lParam), 22);
    EXPECT_EQ(GET_Y_LPARAM(msgs[2].lParam), 26);
    EXPECT_EQ(msgs[3].message, static_cast<UINT>(WM_LBUTTONUP));
    EXPECT_EQ(msgs[3].wParam, static_cast<WPARAM>(MK_RBUTTON));
    EXPECT_EQ(msgs[4].message, static_cast<UINT>(WM_RBUTTONUP));
    EXPECT_EQ(msgs[4].wParam, 0u);
}

TEST_F(Input, MovesOutsideReachOnlyTheCapturingWindowAsSixteenBitValues) {
    vh::mouse_move(20, 10);  // left of and above the window: nobody gets it
    EXPECT_TRUE(take_queued().empty());
    vh::mouse_move(101, 55);  // on the caption: not the client area
    EXPECT_TRUE(take_queued().empty());

    SetCapture(window);
    EXPECT_EQ(GetCapture(), window);
    EXPECT_TRUE(vh::mouse_captured());
    vh::mouse_move(20, 10);
    auto msgs = take_queued();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].hwnd, window);
    // x = 20 - 103 = -83, y = 10 - 69 = -59, each packed as an unsigned 16-bit value.
    EXPECT_EQ(msgs[0].lParam & 0xFFFF, 65536 - 83);
    EXPECT_EQ((msgs[0].lParam >> 16) & 0xFFFF, 65536 - 59);
    EXPECT_EQ(GET_X_LPARAM(msgs[0].lParam), -83);

    ReleaseCapture();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(vh::mouse_captured());
    vh::mouse_move(20, 10);
    EXPECT_TRUE(take_queued().empty());
}

TEST_F(Input, CaptureChangeIsAnnounced) {
    SetCapture(window);
    received().clear();
    ReleaseCapture();
    EXPECT_EQ(of_kind(WM_CAPTURECHANGED).size(), 1u);
}

TEST_F(Input, KeysGoToTheFocusWithWin32KeyData) {
    vh::key(VK_ESCAPE, true);
    vh::key(VK_ESCAPE, true, true);
    vh::key(VK_ESCAPE, false);
    auto msgs = take_queued();
    ASSERT_EQ(msgs.size(), 3u);
    EXPECT_EQ(msgs[0].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(msgs[0].hwnd, window);
    EXPECT_EQ(msgs[0].wParam, static_cast<WPARAM>(VK_ESCAPE));
    EXPECT_EQ(msgs[0].lParam & 0xFFFF, 1);
    EXPECT_EQ((msgs[0].lParam >> 30) & 3, 0);
    EXPECT_EQ(msgs[1].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ((msgs[1].lParam >> 30) & 3, 1);  // previously down
    EXPECT_EQ(msgs[2].message, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ((msgs[2].lParam >> 30) & 3, 3);
}

TEST_F(Input, AltAndF10MakeSystemKeys) {
    vh::key_press(VK_F10);
    vh::key(VK_MENU, true);
    vh::key_press('X');
    vh::key(VK_MENU, false);
    vh::key_press('X');
    auto msgs = take_queued();
    std::vector<UINT> kinds;
    for (const auto& m : msgs) kinds.push_back(m.message);
    const std::vector<UINT> expected = {WM_SYSKEYDOWN, WM_SYSKEYUP, WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP,
                                        WM_SYSKEYUP,   WM_KEYDOWN,  WM_KEYUP};
    EXPECT_EQ(kinds, expected);
    ASSERT_EQ(msgs.size(), expected.size());
    EXPECT_TRUE(msgs[3].lParam & (1 << 29));  // Alt held
    EXPECT_FALSE(msgs[6].lParam & (1 << 29));
}

TEST_F(Input, AltF4ClosesThroughDefaultProcessing) {
    vh::key(VK_MENU, true);
    vh::key(0x73 /* VK_F4 */, true);
    dispatch_all();
    EXPECT_FALSE(IsWindow(window));
    // Let go of both keys, so that the next test starts with no key held.
    vh::key(0x73, false);
    vh::key(VK_MENU, false);
    drain_queue();
}

TEST_F(Input, CloseRequestPostsClose) {
    vh::close_request(window);
    auto msgs = take_queued();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].message, static_cast<UINT>(WM_CLOSE));
    EXPECT_EQ(msgs[0].hwnd, window);
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(Input, ALostSurfaceDestroysItsWindowOnceThePumpHasReturned) {
    HWND child = CreateWindowExA(0, "RecWindow", "", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, window, nullptr, nullptr,
                                 nullptr);
    ASSERT_NE(child, nullptr);
    received().clear();
    vh::surface_lost(window);
    EXPECT_TRUE(IsWindow(window));
    MSG m;
    PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);  // the window goes in this call
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(IsWindow(child));
    // Told as DestroyWindow tells it: WM_DESTROY to the window, then to its child.
    const auto destroys = of_kind(WM_DESTROY);
    ASSERT_EQ(destroys.size(), 2u);
    EXPECT_EQ(destroys[0].hwnd, window);
    EXPECT_EQ(destroys[1].hwnd, child);
    for (const auto& s : vh::surfaces()) EXPECT_NE(s.window, window);
    // Lost again, or after the window is gone: nothing more happens.
    vh::surface_lost(window);
    drain_queue();
    EXPECT_EQ(of_kind(WM_DESTROY).size(), 2u);
}

TEST_F(Input, ClassCursorIsShownOverTheWindow) {
    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    ensure_class("WaitCursorWindow", wait);
    HWND w = CreateWindowExA(0, "WaitCursorWindow", "", WS_POPUP | WS_VISIBLE, 500, 500, 50, 50, nullptr, nullptr,
                             nullptr, nullptr);
    vh::mouse_move(510, 510);
    take_queued();
    EXPECT_EQ(vh::current_cursor(), wait);
    DestroyWindow(w);
}

}  // namespace

namespace {

LRESULT CALLBACK plain_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

TEST_F(Input, DoubleClicksOnlyForClassesThatAskForThem) {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = plain_proc;
    wc.lpszClassName = "DoubleClicker";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND dbl = CreateWindowExA(0, "DoubleClicker", "", WS_POPUP | WS_VISIBLE, 600, 400, 50, 50, nullptr, nullptr,
                               nullptr, nullptr);
    ASSERT_NE(dbl, nullptr);
    vh::set_tick_count(1000);
    auto click = [](int x, int y) {
        vh::mouse_button_at(win32::MouseButton::left, true, x, y);
        vh::mouse_button_at(win32::MouseButton::left, false, x, y);
    };
    auto downs = [&]() {
        std::vector<UINT> kinds;
        for (const MSG& m : take_queued())
            if (m.message != WM_LBUTTONUP) kinds.push_back(m.message);
        return kinds;
    };
    click(610, 410);
    click(611, 410);
    EXPECT_EQ(downs(), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}));
    // Too late, or too far, is a new click.
    // (Input is timed when the pump delivers it.)
    click(610, 410);
    EXPECT_EQ(downs(), (std::vector<UINT>{WM_LBUTTONDOWN}));
    vh::set_tick_count(1600);
    click(610, 410);
    click(630, 430);
    EXPECT_EQ(downs(), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDOWN}));
    // A class without CS_DBLCLKS gets two plain presses.
    click(120, 90);
    click(120, 90);
    EXPECT_EQ(downs(), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDOWN}));
    DestroyWindow(dbl);
}

TEST_F(Input, ClickingAnotherWindowBringsItToTheForeground) {
    HWND other = CreateWindowExA(0, "RecWindow", "", WS_POPUP | WS_VISIBLE, 600, 400, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_EQ(GetForegroundWindow(), other);
    vh::mouse_button_at(win32::MouseButton::left, true, 150, 100);
    take_queued();
    EXPECT_EQ(GetForegroundWindow(), window);
    EXPECT_EQ(GetFocus(), window);
    EXPECT_EQ(vh::focused_window(), window);
    vh::mouse_button(win32::MouseButton::left, false);
    take_queued();
    DestroyWindow(other);
}

TEST_F(Input, WindowManagerActivationMovesTheForeground) {
    vh::activation(window, false);
    take_queued();
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
    vh::activation(window, true);
    take_queued();
    EXPECT_EQ(GetForegroundWindow(), window);
    EXPECT_EQ(GetFocus(), window);
}

TEST_F(Input, FocusChangesAreAnnounced) {
    ASSERT_EQ(GetForegroundWindow(), window);
    received().clear();
    SetFocus(nullptr);
    EXPECT_EQ(of_kind(WM_KILLFOCUS).size(), 1u);
    EXPECT_EQ(GetFocus(), nullptr);
    SetFocus(window);
    EXPECT_EQ(of_kind(WM_SETFOCUS).size(), 1u);
}

}  // namespace

// ---- the input queue's own rules ---------------------------------------------------------------

namespace {

TEST_F(Input, WaitingMovesAreOneMoveUntilAPressOrKeyComesBetween) {
    vh::set_tick_count(5000);
    vh::mouse_move(110, 80);
    vh::mouse_move(120, 85);
    vh::mouse_move(130, 90);
    vh::key_press('A');
    vh::mouse_move(140, 95);
    vh::mouse_button(win32::MouseButton::left, true);
    vh::mouse_move(150, 100);  // the button is held: new flags, never merged across the press
    vh::mouse_move(160, 105);
    vh::mouse_move(160, 105);  // where the cursor already is: no move
    std::vector<UINT> kinds;
    std::vector<int> xs;
    for (const MSG& m : take_queued()) {
        kinds.push_back(m.message);
        if (m.message == WM_MOUSEMOVE) xs.push_back(GET_X_LPARAM(m.lParam));
    }
    EXPECT_EQ(kinds, (std::vector<UINT>{WM_MOUSEMOVE, WM_KEYDOWN, WM_KEYUP, WM_MOUSEMOVE, WM_LBUTTONDOWN,
                                        WM_MOUSEMOVE}));
    // The merged moves carry the latest position (client x = screen x - 103).
    EXPECT_EQ(xs, (std::vector<int>{27, 37, 57}));
    vh::mouse_button(win32::MouseButton::left, false);
    take_queued();
}

TEST_F(Input, AMessageHasItsEventsTimeAndPointAndItsWindowIsDecidedWhenTaken) {
    HWND other = CreateWindowExA(0, "RecWindow", "", WS_POPUP | WS_VISIBLE, 600, 400, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    drain_queue();
    vh::set_display_rate(60);  // the virtual clock: time moves only when the thread waits
    const uint32_t t0 = GetTickCount();
    vh::mouse_move(130, 90, t0 + 20);
    MSG m{};
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE)) << "the move has not happened yet";
    Sleep(25);  // the clock reaches the move, which waits in the queue
    EXPECT_EQ(GetTickCount(), t0 + 25);
    SetCapture(other);  // taken now, it goes to the capture, in the capture's coordinates
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(m.hwnd, other);
    EXPECT_EQ(GET_X_LPARAM(m.lParam), 130 - 600);
    EXPECT_EQ(m.time, t0 + 20);
    EXPECT_EQ(m.pt.x, 130);
    EXPECT_EQ(m.pt.y, 90);
    ReleaseCapture();
    // Input outside every window with nothing captured belongs to another program: it never
    // joins the queue, even if a capture comes before it would have been taken.
    vh::mouse_move(20, 10);
    vh::pending_input();
    PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
    SetCapture(window);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
    ReleaseCapture();
    DestroyWindow(other);
}

TEST_F(Input, PostedMessagesThenQuitThenInputThenPaintThenTimers) {
    vh::set_display_rate(60);
    ASSERT_EQ(SetTimer(window, 7, 10, nullptr), 7u);
    InvalidateRect(window, nullptr, FALSE);
    vh::key_press('B');
    PostQuitMessage(4);
    PostMessageA(window, WM_USER + 1, 0, 0);
    Sleep(15);
    std::vector<UINT> kinds;
    MSG m;
    while (kinds.size() < 10 && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        kinds.push_back(m.message);
        if (m.message == WM_PAINT) ValidateRect(window, nullptr);
        if (m.message == WM_TIMER) {
            EXPECT_EQ(m.wParam, 7u);
        }
    }
    EXPECT_EQ(kinds, (std::vector<UINT>{WM_USER + 1, WM_QUIT, WM_KEYDOWN, WM_KEYUP, WM_PAINT, WM_TIMER}));
    // Taking the timer's message starts its period again; a killed timer makes no more.
    EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    Sleep(10);
    EXPECT_TRUE(PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    EXPECT_TRUE(KillTimer(window, 7));
    EXPECT_FALSE(KillTimer(window, 7));
    EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
}

TEST_F(Input, SendInputMovesPressesAndTypesAsTheDevicesWould) {
    // Absolute coordinates run 0..65535 over the 1024 x 768 screen.
    INPUT in[3] = {};
    in[0].type = INPUT_MOUSE;
    in[0].mi.dx = 120 * 64;
    in[0].mi.dy = 90 * 65536 / 768 + 1;
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN;
    in[1].type = INPUT_MOUSE;
    in[1].mi.dx = 5;
    in[1].mi.dy = -3;
    in[1].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP;
    in[2].type = INPUT_KEYBOARD;
    in[2].ki.wVk = VK_ESCAPE;
    EXPECT_EQ(SendInput(3, in, sizeof(INPUT)), 3u);
    EXPECT_EQ(SendInput(1, in, sizeof(INPUT) - 1), 0u);
    POINT p;
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 125);
    EXPECT_EQ(p.y, 87);
    std::vector<UINT> kinds;
    for (const MSG& m : take_queued()) kinds.push_back(m.message);
    EXPECT_EQ(kinds, (std::vector<UINT>{WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP, WM_KEYDOWN}));
}

}  // namespace
