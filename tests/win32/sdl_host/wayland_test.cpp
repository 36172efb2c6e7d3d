// The desktop host as a Wayland client of Weston (nested in the test's Xvfb, which the
// launcher starts): where SDL can tell neither the pointer's screen position nor move the
// pointer, GetCursorPos reads where the host last saw it over its windows, and SetCursorPos
// moves that position only, which then follows the pointer's motion.
#include "fake_input.h"
#include "tests/support/weston.h"
#include "win32/host.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;

namespace {

win32::Host& host() { return win32::host(); }

void pump_for(std::chrono::milliseconds time) {
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        host().pump();
        std::this_thread::sleep_for(10ms);
    }
}

TEST(HostOnWayland, TheCursorPositionIsWhereTheHostSawThePointerAndSetCursorPosMovesItOnly) {
    desktop::Weston weston;
    ASSERT_TRUE(weston.ready()) << weston.log();
    // The host on Weston alone; DISPLAY stays for the test's own screenshots and xdotool.
    setenv("SDL_VIDEODRIVER", "wayland", 1);
    setenv("WAYLAND_DISPLAY", weston.socket().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", weston.runtime().c_str(), 1);

    win32::SurfaceDesc desc;
    desc.outer = {97, 101, 417, 364};
    desc.client = {100, 120, 420, 360};
    desc.title = "Wayland test";
    desc.decorated = true;
    win32::NativeSurface* surface = host().create_surface(desc);
    ASSERT_NE(surface, nullptr) << host().failure().call << ": " << host().failure().reason;
    host().show_surface(surface, true);
    win32::NativeContext* context = host().create_context(surface);
    ASSERT_NE(context, nullptr);
    ASSERT_TRUE(host().make_current(surface, context));
    // Green, to be found on the output.
    picture::Extent shown;
    for (int i = 0; i < 100 && shown.width() != 320; ++i) {
        glClearColor(0, 1, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        host().swap(surface, {});
        pump_for(30ms);
        shown = desktop::extent_of(weston.screenshot(), 0x00FF00, 2);
    }
    ASSERT_EQ(shown.width(), 320);
    ASSERT_EQ(shown.height(), 240);

    // Over the window: its client origin (100, 120) plus where in it the pointer is.
    weston.click(shown.left + 30, shown.top + 40);
    pump_for(300ms);
    POINT p = host().cursor_pos();
    EXPECT_EQ(p.x, 130);
    EXPECT_EQ(p.y, 160);
    weston.mouse_move(shown.left + 50, shown.top + 45);
    pump_for(300ms);
    p = host().cursor_pos();
    EXPECT_EQ(p.x, 150);
    EXPECT_EQ(p.y, 165);

    // Put elsewhere, it reads back as put, and moves on with the pointer.
    host().set_cursor_pos(700, 500);
    p = host().cursor_pos();
    EXPECT_EQ(p.x, 700);
    EXPECT_EQ(p.y, 500);
    desktop::mouse_move(weston.output_geometry().x + shown.left + 60, weston.output_geometry().y + shown.top + 40);
    pump_for(300ms);
    p = host().cursor_pos();
    EXPECT_EQ(p.x, 710);
    EXPECT_EQ(p.y, 495);

    host().make_current(nullptr, nullptr);
    host().delete_context(context);
    host().destroy_surface(surface);
}

}  // namespace
