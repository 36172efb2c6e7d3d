// Lumora's window host under the headless host: window creation, the window procedure, the
// message pump and the mouse arithmetic that turns drags into the model transform.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lumora/Lumora.h"
#include "win32/hosts/virtual/virtual_host.h"

namespace vh = win32::virtual_host;

namespace {

// Death tests end the program; its message boxes are printed so the parent can read them.
void print_boxes_at_exit() {
    vh::message_box_log();  // made before the handler is registered, so it outlives it
    std::atexit([] {
        for (const auto& box : vh::message_box_log())
            std::fprintf(stderr, "box [%s] [%s] flags=%u\n", box.caption.c_str(), box.text.c_str(), box.flags);
    });
}

// Each test runs in a process of its own (CTest), so the one window of the unit is made once
// per test; running the whole binary at once shares it between tests.
class WindowHost : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        vh::reset();
        OGLWINDOWSETTING(ARROW, const_cast<PCHAR>(""), GENERIC, const_cast<PCHAR>(""));
        CREATEOGLWINDOW("Lumora test", 800, 600, 32, false);
    }
    void SetUp() override {
        drain_queue();
        LEFTMOUSEDOWN = RIGHTMOUSEDOWN = MOUSEFREE = false;
        XROT = YROT = XROT2 = YROT2 = DEPTH = DEPTH2 = 0;
        XCOORD = YCOORD = ZCOORD = 0;
        std::memset(SETKEY, 0, sizeof SETKEY);
        MSPEED = 2;
        ACTIVE = true;
    }
    static void drain_queue() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    // Pumps until the injected input has become messages and all of them are handled.
    static void pump_all() {
        for (int i = 0; i < 100; ++i) SETGLMSG();
    }
    static POINT client_to_screen(int x, int y) {
        POINT p{x, y};
        ClientToScreen(HWINDOW, &p);
        return p;
    }
};

TEST_F(WindowHost, WindowedWindowIsOuterSizeAtTopLeftWithASmallerClient) {
    RECT outer, client;
    ASSERT_TRUE(GetWindowRect(HWINDOW, &outer));
    ASSERT_TRUE(GetClientRect(HWINDOW, &client));
    EXPECT_EQ(outer.left, 0);
    EXPECT_EQ(outer.top, 0);
    EXPECT_EQ(outer.right - outer.left, 800);
    EXPECT_EQ(outer.bottom - outer.top, 600);
    EXPECT_LT(client.right, 800);
    EXPECT_LT(client.bottom, 600);
    EXPECT_EQ(WIDTH, 800);
    EXPECT_EQ(HEIGHT, 600);
    EXPECT_NE(DCWINDOW, nullptr);
    EXPECT_NE(RCWINDOW, nullptr);
    EXPECT_EQ(HSTATUS, nullptr);  // no status bar with the default settings
}

TEST_F(WindowHost, EscapeEndsTheLoopButKeepsTheWindowAndTheKeyArray) {
    const LRESULT result = SendMessageA(HWINDOW, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(ACTIVE);
    EXPECT_EQ(SETKEY[VK_ESCAPE], 0);
    EXPECT_TRUE(IsWindow(HWINDOW));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.hwnd, nullptr);
}

TEST_F(WindowHost, KeysAreHeldUntilReleasedAndAutoRepeatKeepsThemDown) {
    vh::key('A', true);
    pump_all();
    EXPECT_EQ(SETKEY['A'], LONGBOOL_TRUE);
    vh::key('A', true, true);
    vh::key('A', true, true);
    pump_all();
    EXPECT_EQ(SETKEY['A'], LONGBOOL_TRUE);
    MOUSEFREE = true;
    vh::key('A', false);
    pump_all();
    EXPECT_EQ(SETKEY['A'], 0);
    EXPECT_FALSE(MOUSEFREE);  // any key release ends free-mouse mode
}

TEST_F(WindowHost, SystemKeysAreNotRecorded) {
    vh::key(VK_MENU, true);
    vh::key('X', true);
    vh::key(VK_F10, true);
    pump_all();
    EXPECT_EQ(SETKEY['X'], 0);
    EXPECT_EQ(SETKEY[VK_F10], 0);
    vh::key(VK_F10, false);
    vh::key('X', false);
    vh::key(VK_MENU, false);
    pump_all();
}

TEST_F(WindowHost, KeyCodesBeyondTheKeyArrayAreIgnored) {
    LONGBOOL before[MAXKEY + 1];
    std::memcpy(before, SETKEY, sizeof before);
    SendMessageA(HWINDOW, WM_KEYDOWN, 501, 0);
    SendMessageA(HWINDOW, WM_KEYDOWN, 70000, 0);
    SendMessageA(HWINDOW, WM_KEYUP, 100000, 0);
    EXPECT_EQ(std::memcmp(before, SETKEY, sizeof before), 0);
    EXPECT_TRUE(ACTIVE);
}

int command_calls = 0;
LRESULT count_command(HWND, UINT, WPARAM, LPARAM) {
    ++command_calls;
    return 1234;
}

TEST_F(WindowHost, CommandReturnsZeroWithAndWithoutACallback) {
    EXPECT_EQ(SendMessageA(HWINDOW, WM_COMMAND, 7, 0), 0);
    SHOWMENUBAR = true;
    GETINPUTCOMMAND = count_command;
    EXPECT_EQ(SendMessageA(HWINDOW, WM_COMMAND, 7, 0), 0);
    EXPECT_EQ(command_calls, 1);
    SHOWMENUBAR = false;
    EXPECT_EQ(SendMessageA(HWINDOW, WM_COMMAND, 7, 0), 0);
    EXPECT_EQ(command_calls, 1);
    GETINPUTCOMMAND = nullptr;
}

TEST_F(WindowHost, ButtonReleasesResetTheLeftAnchorsButKeepTheRightOne) {
    const POINT p = client_to_screen(100, 120);
    vh::mouse_button_at(win32::MouseButton::left, true, p.x, p.y);
    pump_all();
    EXPECT_TRUE(LEFTMOUSEDOWN);
    EXPECT_TRUE(LEFTMOUSEDOWN2);
    EXPECT_EQ(XCOORD, 100);
    EXPECT_EQ(YCOORD, 120);
    EXPECT_EQ(SETMX, 100);
    EXPECT_EQ(SETMY, 120);
    vh::mouse_button(win32::MouseButton::left, false);
    pump_all();
    EXPECT_FALSE(LEFTMOUSEDOWN);
    EXPECT_EQ(XCOORD, 0);
    EXPECT_EQ(YCOORD, 0);
    EXPECT_EQ(SETMX, 0);
    EXPECT_EQ(SETMY, 0);

    vh::mouse_button_at(win32::MouseButton::right, true, p.x, p.y);
    pump_all();
    EXPECT_TRUE(RIGHTMOUSEDOWN);
    EXPECT_EQ(ZCOORD, 120);
    vh::mouse_button(win32::MouseButton::right, false);
    pump_all();
    EXPECT_FALSE(RIGHTMOUSEDOWN);
    EXPECT_FALSE(RIGHTMOUSEDOWN2);
    EXPECT_EQ(ZCOORD, 120);
}

TEST_F(WindowHost, DragsThroughTheQueueTurnAndMoveTheModel) {
    const POINT p = client_to_screen(200, 200);
    vh::mouse_button_at(win32::MouseButton::left, true, p.x, p.y);
    vh::mouse_move(p.x + 10, p.y + 5);
    vh::mouse_button(win32::MouseButton::left, false);
    pump_all();
    EXPECT_FLOAT_EQ(YROT, 10.0f);
    EXPECT_FLOAT_EQ(XROT, 5.0f);
    EXPECT_EQ(SETOMX, 210);
    EXPECT_EQ(SETOMY, 205);

    // A drag that leaves the window keeps arriving while the button holds the capture.
    vh::mouse_button_at(win32::MouseButton::right, true, p.x, p.y);
    vh::mouse_move(p.x, p.y + 10);
    vh::mouse_button(win32::MouseButton::right, false);
    pump_all();
    EXPECT_FLOAT_EQ(DEPTH, -2.0f);
}

// A captured drag that leaves the client area through any edge and comes back changes the
// angles and the depth by the true pixel distance: positions left of or above the client
// area are negative, not 65,5xx.
TEST_F(WindowHost, DragsOutThroughEveryEdgeAndBackMoveByTheTrueDistance) {
    RECT client{};
    GetClientRect(HWINDOW, &client);
    const POINT start = client_to_screen(100, 100);
    const int outside = 40;  // pixels beyond the edge
    struct Edge {
        const char* name;
        int x, y;  // a client position beyond the edge
    };
    const Edge edges[] = {{"left", -outside, 100},
                          {"top", 100, -outside},
                          {"right", client.right + outside, 100},
                          {"bottom", 100, client.bottom + outside}};
    for (const Edge& edge : edges) {
        SCOPED_TRACE(edge.name);
        const POINT beyond = client_to_screen(edge.x, edge.y);
        XROT = YROT = DEPTH = 0;
        vh::mouse_button_at(win32::MouseButton::left, true, start.x, start.y);
        pump_all();  // the press takes the capture
        vh::mouse_move(beyond.x, beyond.y);
        pump_all();
        EXPECT_FLOAT_EQ(YROT, float(edge.x - 100));  // a degree per pixel
        EXPECT_FLOAT_EQ(XROT, float(edge.y - 100));
        vh::mouse_move(start.x, start.y);
        vh::mouse_button(win32::MouseButton::left, false);
        pump_all();
        EXPECT_NEAR(YROT, 0.0f, 1e-4);
        EXPECT_NEAR(XROT, 0.0f, 1e-4);

        vh::mouse_button_at(win32::MouseButton::right, true, start.x, start.y);
        pump_all();  // the press takes the capture
        vh::mouse_move(beyond.x, beyond.y);
        pump_all();
        EXPECT_FLOAT_EQ(DEPTH, -float(edge.y - 100) / 5);
        vh::mouse_move(start.x, start.y);
        vh::mouse_button(win32::MouseButton::right, false);
        pump_all();
        EXPECT_NEAR(DEPTH, 0.0f, 1e-4);
    }
}

TEST_F(WindowHost, ThePumpHandlesExactlyOneMessagePerCall) {
    PostMessageA(HWINDOW, WM_KEYDOWN, 'B', 0);
    PostMessageA(HWINDOW, WM_KEYDOWN, 'C', 0);
    SETGLMSG();
    EXPECT_EQ(SETKEY['B'], LONGBOOL_TRUE);
    EXPECT_EQ(SETKEY['C'], 0);
    SETGLMSG();
    EXPECT_EQ(SETKEY['C'], LONGBOOL_TRUE);
    // An empty queue: the call returns and changes nothing.
    MSG before = MSG_;
    SETGLMSG();
    EXPECT_EQ(MSG_.message, before.message);
}

TEST_F(WindowHost, TheQuitMessageIsTakenLikeAnyOtherAndGoesNowhere) {
    PostQuitMessage(0);
    SETGLMSG();
    EXPECT_EQ(MSG_.message, static_cast<UINT>(WM_QUIT));
    EXPECT_TRUE(IsWindow(HWINDOW));
    EXPECT_TRUE(ACTIVE);
}

// ---- the mouse arithmetic -------------------------------------------------------------------

TEST_F(WindowHost, LeftDragTurnsOneDegreePerPixelAtSpeedTwo) {
    LEFTMOUSEDOWN = true;
    XCOORD = 50;
    YCOORD = 60;
    GLMOUSEUPDATE(60, 65);
    EXPECT_FLOAT_EQ(YROT, 10.0f);
    EXPECT_FLOAT_EQ(XROT, 5.0f);
    EXPECT_FLOAT_EQ(YROT2, 10.0f);
    EXPECT_FLOAT_EQ(XROT2, 5.0f);
    EXPECT_EQ(XCOORD, 60);
    EXPECT_EQ(YCOORD, 65);
    // Odd pixel counts keep their half degree: the division is not an integer one.
    GLMOUSEUPDATE(61, 65);
    EXPECT_FLOAT_EQ(YROT, 11.0f);
    MSPEED = 1;
    GLMOUSEUPDATE(62, 65);
    EXPECT_FLOAT_EQ(YROT, 11.5f);
}

TEST_F(WindowHost, RightDragMovesAFifthPerPixelAndBothButtonsDoBoth) {
    RIGHTMOUSEDOWN = true;
    ZCOORD = 100;
    GLMOUSEUPDATE(0, 110);
    EXPECT_FLOAT_EQ(DEPTH, -2.0f);
    EXPECT_FLOAT_EQ(DEPTH2, -2.0f);
    GLMOUSEUPDATE(0, 100);
    EXPECT_FLOAT_EQ(DEPTH, 0.0f);
    LEFTMOUSEDOWN = true;
    XCOORD = 0;
    YCOORD = 100;
    GLMOUSEUPDATE(4, 110);
    EXPECT_FLOAT_EQ(DEPTH, -2.0f);
    EXPECT_FLOAT_EQ(XROT, 10.0f);
    EXPECT_FLOAT_EQ(YROT, 4.0f);
}

TEST_F(WindowHost, BeforeTheFirstFrameMovesOnlyMoveTheAnchors) {
    MSPEED = 0;
    LEFTMOUSEDOWN = RIGHTMOUSEDOWN = true;
    GLMOUSEUPDATE(30, 40);
    EXPECT_EQ(XROT, 0.0f);
    EXPECT_EQ(YROT, 0.0f);
    EXPECT_EQ(DEPTH, 0.0f);
    EXPECT_EQ(XCOORD, 30);
    EXPECT_EQ(ZCOORD, 40);
}

TEST_F(WindowHost, FreeMouseFollowsTheCursorOnlyInTheForegroundAndClampsTheTilt) {
    MOUSEFREE = true;
    RIGHTMOUSEDOWN = true;
    ZCOORD = 0;
    ASSERT_EQ(GetForegroundWindow(), HWINDOW);
    SetCursorPos(WIDTH / 2 + 300, HEIGHT / 2 - 20000);
    GLMOUSEUPDATE(0, 50);
    EXPECT_EQ(DEPTH, 0.0f);                // no depth change in free-mouse mode
    EXPECT_FLOAT_EQ(XROT, 6.0f);           // 300 / 100 * 2
    EXPECT_FLOAT_EQ(YROT, -60.0f);         // far past the clamp
    EXPECT_FLOAT_EQ(YROT2, -60.0f);
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, WIDTH / 2);
    EXPECT_EQ(cursor.y, HEIGHT / 2);

    // The left drag runs first in the same move, then the clamp applies to its result too.
    LEFTMOUSEDOWN = true;
    XCOORD = 0;
    YCOORD = 0;
    SetCursorPos(WIDTH / 2, HEIGHT / 2);
    GLMOUSEUPDATE(400, 0);
    EXPECT_FLOAT_EQ(YROT, 60.0f);
}

TEST_F(WindowHost, FreeMouseOutsideTheForegroundChangesNothing) {
    MOUSEFREE = true;
    HWND other = CreateWindowExA(0, "GLWindow", "other", WS_POPUP | WS_VISIBLE, 900, 10, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    SetForegroundWindow(other);
    ASSERT_NE(GetForegroundWindow(), HWINDOW);
    SetCursorPos(5, 5);
    GLMOUSEUPDATE(0, 0);
    EXPECT_EQ(XROT, 0.0f);
    EXPECT_EQ(YROT, 0.0f);
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 5);
    EXPECT_EQ(cursor.y, 5);
    DestroyWindow(other);
    ACTIVE = true;
    SetForegroundWindow(HWINDOW);
}

TEST_F(WindowHost, MouseMoveAppliesTheLayoutAndUnknownLayoutsOnlySetTheSpeed) {
    GLfloat before[16], after[16];
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SETGLMOUSEMOVE(GL_M0, 2);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(after[i], i % 5 == 0 ? 1.0f : 0.0f);
    EXPECT_EQ(MY.X, 0.0f);
    EXPECT_EQ(MY.Z, 0.0f);

    DEPTH = 3;
    XROT = 90;
    glLoadIdentity();
    SETGLMOUSEMOVE(GL_M0, 2);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_FLOAT_EQ(MY.Z, -3.0f);
    EXPECT_FLOAT_EQ(after[14], -3.0f);          // translated along z by -DEPTH
    EXPECT_NEAR(after[6], 1.0f, 1e-6);          // turned 90 degrees about x: y goes to z

    glLoadIdentity();
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    const TVERTEX my = MY;
    SETGLMOUSEMOVE(7, 3);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_EQ(std::memcmp(before, after, sizeof before), 0);
    EXPECT_EQ(MSPEED, 3);
    EXPECT_EQ(MY.Z, my.Z);
}

// ---- creation failures end the program with exit code 0 ---------------------------------------

using WindowHostDeathTest = WindowHost;

TEST_F(WindowHostDeathTest, ASecondWindowFailsAtClassRegistration) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            print_boxes_at_exit();
            CREATEOGLWINDOW("again", 800, 600, 32, false);
        },
        ::testing::ExitedWithCode(0), "box \\[Error\\] \\[Errore di registro per la rispettiva applicazione!\\] flags=0");
}

}  // namespace

// Creation paths that need a fresh process: no window exists yet when they start.
TEST(WindowCreationDeathTest, FullScreenTakesTheScreenSize) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            vh::set_screen_size(1280, 720);
            CREATEOGLWINDOW("full", 800, 600, 32, true);
            RECT outer;
            GetWindowRect(HWINDOW, &outer);
            std::fprintf(stderr, "size %d %d outer %ld %ld %ld %ld\n", WIDTH, HEIGHT, (long)outer.left, (long)outer.top,
                         (long)outer.right, (long)outer.bottom);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "size 1280 720 outer 0 0 1280 720");
}

TEST(WindowCreationDeathTest, ADepthBeyondAByteIsAFailedPixelFormat) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            print_boxes_at_exit();
            CREATEOGLWINDOW("deep", 800, 600, 300, false);
        },
        ::testing::ExitedWithCode(0), "box \\[Error\\] \\[la rispettiva applicazione non \xE8 stata inizilizata!\\]");
}

TEST(WindowCreationDeathTest, AWindowThatCannotBeMadeEndsWithItsMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            print_boxes_at_exit();
            vh::fail_next_surface();
            CREATEOGLWINDOW("no window", 800, 600, 32, false);
        },
        ::testing::ExitedWithCode(0),
        "box \\[Error\\] \\[Impossibile creare la finestra per la rispettiva applicazione!\\] flags=0");
}

TEST(WindowCreationDeathTest, AContextThatCannotBeMadeEndsWithItsMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            print_boxes_at_exit();
            vh::fail_next_context();
            CREATEOGLWINDOW("no context", 800, 600, 32, false);
        },
        ::testing::ExitedWithCode(0), "box \\[Error\\] \\[la rispettiva applicazione non \xE8 stata inizilizata!\\]");
}

TEST(WindowCreationDeathTest, AStatusBarTakesAtMostTwentyParts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SHOWSTATUSBAR = true;
            MAXSTATUSITEM = 25;
            for (int i = 1; i <= 20; ++i) STATUSITEM[i] = i * 10;
            CREATEOGLWINDOW("status", 800, 600, 32, false);
            std::fprintf(stderr, "status %d edge20 %d\n", HSTATUS != nullptr, EDGES[20]);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "status 1 edge20 200");
}
