// The real viewer on an X server, used as a user would: answer the question, look at the
// window, press Escape or close it.
#include <gtest/gtest.h>

#include <thread>

#include "desktop.h"

using namespace std::chrono_literals;

namespace {

const std::string kTitle = "Esempio di TextureAutoMap e FX_Refract";
constexpr uint32_t kSky = 0x659FD9;  // (119/300, 187/300, 0.85) in 8-bit channels

struct Viewer {
    e2e::Process process;
    unsigned long window = 0;

    // Starts the viewer and answers the full-screen question with the given key.
    explicit Viewer(const std::string& answer) {
        process = e2e::start({"./buggy"});
        unsigned long box = e2e::find_window("Video!", 20s);
        EXPECT_NE(box, 0u) << "the question box \"Video!\" did not appear";
        if (!box) return;
        e2e::key(box, answer);
        window = e2e::find_window(kTitle, 20s);
        EXPECT_NE(window, 0u) << "the viewer window did not appear";
    }
    ~Viewer() { e2e::kill_process(process); }
};

}  // namespace

TEST(ViewerDesktop, WindowedWindowHasTheClientSizeAndEscapeEndsWithZero) {
    Viewer viewer("n");
    ASSERT_NE(viewer.window, 0u);
    const e2e::Geometry g = e2e::window_geometry(viewer.window);
    // An 800 x 600 outer window with 3-pixel borders and the client origin at (3, 19).
    EXPECT_EQ(g.width, 794);
    EXPECT_EQ(g.height, 578);

    std::this_thread::sleep_for(500ms);
    const e2e::Image frame = e2e::screenshot(viewer.window);
    e2e::write_png(frame, "e2e-windowed.png");
    // The frame is drawn: the corners show the sky.
    EXPECT_LT(e2e::fraction_not(e2e::Image{1, 1, {frame.at(2, 2)}}, kSky, 6), 0.5);

    e2e::key(viewer.window, "Escape");
    const auto code = e2e::wait_exit(viewer.process, 5s);
    ASSERT_TRUE(code.has_value()) << "Escape did not end the viewer within 5 s";
    EXPECT_EQ(*code, 0);
}

TEST(ViewerDesktop, WindowManagerCloseEndsWithZero) {
    Viewer viewer("n");
    ASSERT_NE(viewer.window, 0u);
    e2e::request_close(viewer.window);
    const auto code = e2e::wait_exit(viewer.process, 5s);
    ASSERT_TRUE(code.has_value()) << "the close request did not end the viewer within 5 s";
    EXPECT_EQ(*code, 0);
}

TEST(ViewerDesktop, AnsweringYesGivesAWindowTheSizeOfTheScreen) {
    Viewer viewer("y");
    ASSERT_NE(viewer.window, 0u);
    const e2e::Geometry screen = e2e::screen_geometry();
    const e2e::Geometry g = e2e::window_geometry(viewer.window);
    EXPECT_EQ(g.width, screen.width);
    EXPECT_EQ(g.height, screen.height);
    e2e::key(viewer.window, "Escape");
    const auto code = e2e::wait_exit(viewer.process, 5s);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0);
}
