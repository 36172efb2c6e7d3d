// The "IMAGEBUTTON" window driven by injected mouse input on the headless host: its states
// and images, its click notification, its shape, its placement and its resources.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "lumora/Lumora.h"
#include "tests/support/bmp_writer.h"
#include "win32/hosts/virtual/virtual_host.h"
#include "win32/internal.h"

namespace vh = win32::virtual_host;
using win32::MouseButton;

namespace {

constexpr int BUTTON_ID = 4242;
constexpr uint32_t NORMAL_COLOUR = 0x0000C8, HOVER_COLOUR = 0x00C800, PRESS_COLOUR = 0xC80000;
// Inside the button picture: an opaque spot and two magenta ones (the left strip and a hole).
constexpr POINT OPAQUE_SPOT{15, 5}, MAGENTA_STRIP{5, 5}, MAGENTA_HOLE{22, 12};

struct Command {
    WPARAM wparam;
    LPARAM lparam;
};
std::vector<Command> g_commands;
int g_parent_moves = 0;

LRESULT CALLBACK parent_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_COMMAND) {
        g_commands.push_back({wparam, lparam});
        return 0;
    }
    if (msg == WM_MOUSEMOVE) ++g_parent_moves;
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

bmp_test::Picture picture(bmp_test::Rgb colour) {
    bmp_test::Picture p = bmp_test::filled(40, 30, colour);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            if (x < 10 || (x >= 20 && x < 25 && y >= 10 && y < 15)) p.at(x, y) = bmp_test::Rgb{255, 0, 255};
    return p;
}

void pump() {
    MSG m;
    for (int i = 0; i < 10000; ++i) {
        if (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        } else if (vh::pending_input() == 0) {
            return;
        }
    }
    FAIL() << "the message queue never ran dry";
}

class Button : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char tmpl[] = "/tmp/lumora-button-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        ASSERT_TRUE(bmp_test::write(dir_ + "/tN.BMP", picture({0, 0, 200}), 24));
        ASSERT_TRUE(bmp_test::write(dir_ + "/tH.BMP", picture({0, 200, 0}), 8));
        ASSERT_TRUE(bmp_test::write(dir_ + "/tP.BMP", picture({200, 0, 0}), 32));
        WINDOWREGISTER();  // registers "IMAGEBUTTON" as the library does
        WNDCLASSEXA known{};
        library_registered_ = GetClassInfoExA(nullptr, "IMAGEBUTTON", &known) != FALSE;
        if (!library_registered_) {
            // Go on with the same class registered here, so that the button itself is tested.
            WNDCLASSEXA wcx{};
            wcx.cbSize = sizeof(wcx);
            wcx.lpfnWndProc = HOVERBUTTONHANDLER;
            wcx.hInstance = GetModuleHandleA(nullptr);
            wcx.hCursor = LoadCursorA(nullptr, IDC_ARROW);
            wcx.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
            wcx.lpszClassName = "IMAGEBUTTON";
            ASSERT_NE(RegisterClassExA(&wcx), 0);
        }
        WNDCLASSA wc{};
        wc.lpfnWndProc = parent_proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ButtonTestParent";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    static void TearDownTestSuite() {
        for (const char* f : {"/tN.BMP", "/tH.BMP", "/tP.BMP"}) unlink((dir_ + f).c_str());
        rmdir(dir_.c_str());
    }

    void SetUp() override {
        vh::reset();
        BMPTYPE = dir_ + "/t";
        g_commands.clear();
        g_parent_moves = 0;
        parent_ = CreateWindowExA(0, "ButtonTestParent", "parent", WS_POPUP | WS_VISIBLE | WS_CAPTION, 100, 100, 300,
                                  200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
        button_ = make_button(parent_, 50, 40);
        ASSERT_NE(button_, nullptr);
        pump();
        // Park the mouse on the parent, away from the button.
        vh::mouse_move(origin().x + 150, origin().y + 100);
        pump();
    }
    void TearDown() override {
        if (IsWindow(parent_)) DestroyWindow(parent_);
        pump();
        BMPTYPE.clear();
    }

    static HWND make_button(HWND parent, int x, int y, int w = 10, int h = 10) {
        return CreateWindowExA(0, "IMAGEBUTTON", "", WS_CHILD | WS_VISIBLE, x, y, w, h, parent,
                               reinterpret_cast<HMENU>(intptr_t(BUTTON_ID)), GetModuleHandleA(nullptr), nullptr);
    }
    // The button's top-left corner on the screen.
    POINT origin() const {
        RECT r;
        GetWindowRect(button_, &r);
        return POINT{r.left, r.top};
    }
    void move_to(POINT p) {
        vh::mouse_move(origin().x + p.x, origin().y + p.y);
        pump();
    }
    void left(bool down) {
        vh::mouse_button(MouseButton::left, down);
        pump();
    }
    intptr_t state() const { return reinterpret_cast<intptr_t>(GetPropA(button_, "HOVERMODEBYTE")); }
    uint32_t shown() const {
        win32::internal::WindowPixels px = win32::internal::window_pixels(button_);
        if (!px.pixels || px.width <= OPAQUE_SPOT.x || px.height <= OPAQUE_SPOT.y) return 0xFFFFFFFF;
        return px.pixels[OPAQUE_SPOT.y * px.width + OPAQUE_SPOT.x] & 0x00FFFFFF;
    }

    static std::string dir_;
    static bool library_registered_;
    HWND parent_ = nullptr;
    HWND button_ = nullptr;
};
std::string Button::dir_;
bool Button::library_registered_ = false;

TEST_F(Button, TheLibraryRegistersTheClassWithoutDoubleClicks) {
    EXPECT_TRUE(library_registered_);
    WNDCLASSEXA wcx{};
    ASSERT_TRUE(GetClassInfoExA(nullptr, "IMAGEBUTTON", &wcx));
    EXPECT_EQ(wcx.lpfnWndProc, HOVERBUTTONHANDLER);
    EXPECT_EQ(wcx.style & CS_DBLCLKS, 0u);
    EXPECT_EQ(wcx.hbrBackground, GetStockObject(NULL_BRUSH));
}

TEST_F(Button, HoverShowsItsImageAndLeavingTheShapeRestoresTheNormalOne) {
    EXPECT_EQ(state(), 1);
    EXPECT_EQ(shown(), NORMAL_COLOUR);
    move_to(OPAQUE_SPOT);
    EXPECT_EQ(state(), 2);
    EXPECT_EQ(shown(), HOVER_COLOUR);
    EXPECT_EQ(GetCapture(), button_);
    // With the capture, the first move onto a magenta hole reaches the button and ends hover.
    move_to(MAGENTA_HOLE);
    EXPECT_EQ(state(), 1);
    EXPECT_EQ(shown(), NORMAL_COLOUR);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(g_commands.empty());
}

TEST_F(Button, MagentaPartsDoNotReachTheButtonWithoutTheCapture) {
    const int before = g_parent_moves;
    move_to(MAGENTA_STRIP);
    move_to(MAGENTA_HOLE);
    EXPECT_EQ(state(), 1);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(g_parent_moves, before + 2);  // the parent got them, through the button's holes
    // A click on a hole is the parent's too.
    left(true);
    left(false);
    EXPECT_EQ(state(), 1);
    EXPECT_TRUE(g_commands.empty());
}

TEST_F(Button, ClickPostsOneCommandWithTheControlIdAndNoHandle) {
    move_to(OPAQUE_SPOT);
    left(true);
    EXPECT_EQ(state(), 3);
    EXPECT_EQ(shown(), PRESS_COLOUR);
    EXPECT_EQ(GetCapture(), button_);
    left(false);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0].wparam, WPARAM(BUTTON_ID));
    EXPECT_EQ(g_commands[0].lparam, 0);
    // Back to normal though the mouse is still over it, until the next move.
    EXPECT_EQ(state(), 1);
    EXPECT_EQ(shown(), NORMAL_COLOUR);
    move_to(POINT{OPAQUE_SPOT.x + 1, OPAQUE_SPOT.y});
    EXPECT_EQ(state(), 2);
}

TEST_F(Button, PressDragOutAndReleasePostsNothing) {
    move_to(OPAQUE_SPOT);
    left(true);
    // Left of the button: while captured the position arrives as a large unsigned number.
    vh::mouse_move(origin().x - 20, origin().y + 5);
    pump();
    EXPECT_EQ(state(), 1);
    EXPECT_EQ(shown(), NORMAL_COLOUR);
    left(false);
    EXPECT_TRUE(g_commands.empty());
    EXPECT_EQ(state(), 1);
}

TEST_F(Button, PressOutAndBackInThenReleasePostsOnce) {
    move_to(OPAQUE_SPOT);
    left(true);
    vh::mouse_move(origin().x + 100, origin().y + 5);  // right of the button, over the parent
    pump();
    EXPECT_EQ(state(), 1);
    move_to(OPAQUE_SPOT);
    EXPECT_EQ(state(), 3);
    EXPECT_EQ(shown(), PRESS_COLOUR);
    left(false);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0].wparam, WPARAM(BUTTON_ID));
    EXPECT_EQ(g_commands[0].lparam, 0);
}

TEST_F(Button, EnteringWithAButtonHeldShowsThePressedImage) {
    vh::mouse_button(MouseButton::right, true);  // on the parent
    pump();
    move_to(OPAQUE_SPOT);
    EXPECT_EQ(state(), 3);
    EXPECT_EQ(shown(), PRESS_COLOUR);
    vh::mouse_button(MouseButton::right, false);
    pump();
    EXPECT_TRUE(g_commands.empty());  // the right button clicks nothing
    move_to(MAGENTA_HOLE);
    EXPECT_EQ(state(), 1);

    // Pressing the left button outside, moving on and releasing there is a click.
    vh::mouse_move(origin().x + 100, origin().y + 5);
    pump();
    left(true);
    move_to(OPAQUE_SPOT);
    EXPECT_EQ(state(), 3);
    left(false);
    EXPECT_EQ(g_commands.size(), 1u);
}

TEST_F(Button, DoubleClickPostsTwoCommands) {
    move_to(OPAQUE_SPOT);
    left(true);
    left(false);
    left(true);
    left(false);
    ASSERT_EQ(g_commands.size(), 2u);
    EXPECT_EQ(g_commands[1].wparam, WPARAM(BUTTON_ID));
}

TEST_F(Button, TakesTheImageSizeAndStaysWherePlacedUnderAnyFrame) {
    // Under a captioned parent and under a frameless one the button stays where it was placed
    // in the client area: its position does not depend on the parent's frame size.
    HWND plain = CreateWindowExA(0, "ButtonTestParent", "plain", WS_POPUP | WS_VISIBLE, 400, 300, 200, 200, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(plain, nullptr);
    for (HWND parent : {parent_, plain}) {
        HWND b = parent == parent_ ? button_ : make_button(plain, 50, 40);
        RECT r;
        GetWindowRect(b, &r);
        POINT client{0, 0};
        ClientToScreen(parent, &client);
        EXPECT_EQ(r.left - client.x, 50);
        EXPECT_EQ(r.top - client.y, 40);
        EXPECT_EQ(r.right - r.left, 40);
        EXPECT_EQ(r.bottom - r.top, 30);
    }
    DestroyWindow(plain);
}

TEST_F(Button, WithoutItsNormalImageKeepsItsSizeAndStillClicks) {
    BMPTYPE = dir_ + "/missing";
    HWND b = make_button(parent_, 150, 100, 33, 22);
    ASSERT_NE(b, nullptr);
    pump();
    RECT r;
    GetWindowRect(b, &r);
    EXPECT_EQ(r.right - r.left, 33);
    EXPECT_EQ(r.bottom - r.top, 22);
    EXPECT_EQ(GetPropA(b, "HOVERBUTTONREGION"), nullptr);
    vh::mouse_move(r.left + 5, r.top + 5);
    pump();
    EXPECT_EQ(reinterpret_cast<intptr_t>(GetPropA(b, "HOVERMODEBYTE")), 1);  // moves do nothing
    left(true);
    left(false);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0].wparam, WPARAM(BUTTON_ID));
    DestroyWindow(b);
}

TEST_F(Button, APaintWithNoImageChosenStillValidates) {
    SetPropA(button_, "HOVERMODEBYTE", reinterpret_cast<HANDLE>(intptr_t(7)));
    InvalidateRect(button_, nullptr, FALSE);
    int paints = 0;
    MSG m;
    for (int i = 0; i < 50; ++i) {
        if (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) break;
        if (m.message == WM_PAINT && m.hwnd == button_) ++paints;
        DispatchMessageA(&m);
    }
    EXPECT_EQ(paints, 1);
}

TEST_F(Button, ReleasesEveryGdiObjectWhenDestroyed) {
    const DWORD baseline = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 1000; ++i) {
        HWND b = make_button(parent_, 10 + i % 100, 10);
        ASSERT_NE(b, nullptr);
        if (i % 100 == 0) {  // some of them painted and hovered too
            pump();
            RECT r;
            GetWindowRect(b, &r);
            vh::mouse_move(r.left + OPAQUE_SPOT.x, r.top + OPAQUE_SPOT.y);
            pump();
        }
        ASSERT_TRUE(DestroyWindow(b));
    }
    pump();
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), baseline);
}

}  // namespace
