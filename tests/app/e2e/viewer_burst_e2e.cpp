// The real viewer full screen on a large screen, where a frame takes tens of milliseconds on
// a software renderer, and a fast drag: hundreds of motion events in a few milliseconds. As
// on Win32, consecutive mouse moves waiting in the queue are one WM_MOUSEMOVE, so the viewer,
// which handles one message a frame, takes the whole drag in a frame or two: the buggy stops
// turning as soon as the hand stops, and Escape ends it at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "tests/support/desktop.h"

using namespace std::chrono_literals;

namespace {

const std::string kTitle = "Esempio di TextureAutoMap e FX_Refract";
constexpr uint32_t kSky = 0x659FD9;  // (119/300, 187/300, 0.85) in 8-bit channels
constexpr int kMoves = 400;          // one-pixel moves to the right: 200 turns of the mouse speed

// The limits of the golden pictures: a pixel differs when a channel differs by more than 12
// levels; at most 0.3% of the pixels may differ.
constexpr int kTolerance = 12;
constexpr double kMaxDifferent = 0.003;

double seconds_since(desktop::Settling::Clock::time_point start) {
    return std::chrono::duration<double>(desktop::Settling::Clock::now() - start).count();
}

}  // namespace

TEST(ViewerBurst, AFastDragOnAFullScreenSettlesAtOnceAndEscapeEndsTheViewer) {
    const desktop::Geometry screen = desktop::screen_geometry();
    ASSERT_GE(screen.width, 2560) << "this test wants a large screen (xvfb.sh --screen 2560x1600)";
    ASSERT_GE(screen.height, 1600) << "this test wants a large screen (xvfb.sh --screen 2560x1600)";

    // Where the whole drag takes the buggy, drawn by our subset headless.
    const std::string size = std::to_string(screen.width) + "x" + std::to_string(screen.height);
    ASSERT_EQ(std::system(("./buggy-snapshot --fullscreen --screen " + size + " --left-drag " + std::to_string(kMoves) +
                           ",0 --output burst-expected.png >/dev/null")
                              .c_str()),
              0)
        << "buggy-snapshot failed (the test runs from the build's bin folder)";
    picture::Image whole_drag;
    ASSERT_TRUE(picture::read_png("burst-expected.png", whole_drag));

    desktop::Process process = desktop::start({"./buggy"});
    struct Ender {
        desktop::Process& process;
        ~Ender() { desktop::kill_process(process); }
    } ender{process};
    const unsigned long box = desktop::find_window("Video!", 20s);
    ASSERT_NE(box, 0u) << "the question box \"Video!\" did not appear";
    unsigned long window = 0;
    for (int attempt = 0; attempt < 5 && !window; ++attempt) {
        if (desktop::window_exists(box)) desktop::key(box, "y");
        window = desktop::find_window(kTitle, 4s);
    }
    ASSERT_NE(window, 0u) << "the viewer window did not appear";
    const desktop::Geometry g = desktop::window_geometry(window);
    ASSERT_EQ(g.width, screen.width);
    ASSERT_EQ(g.height, screen.height);

    std::optional<int> code;
    auto shown = [&] {
        if (!code) code = desktop::wait_exit(process, 0ms);
        return !code && desktop::window_viewable(window);
    };

    // The middle half of the screen, where the buggy is whichever way it faces.
    const desktop::Geometry area{g.x + g.width / 4, g.y + g.height / 4, g.width / 2, g.height / 2};

    // The first frames, once every texture is loaded: the buggy standing still.
    desktop::Settling start_up(area, 0, desktop::Settling::Clock::now());
    const auto until = desktop::Settling::Clock::now() + 30s;
    while (desktop::Settling::Clock::now() < until && start_up.look(shown) &&
           (start_up.unchanged_for() < 1.0 || picture::fraction_not(start_up.latest(), kSky, 6) < 0.10))
        std::this_thread::sleep_for(20ms);
    const picture::Image before = start_up.latest();
    ASSERT_GE(start_up.unchanged_for(), 1.0) << "the first frames did not stand still";
    ASSERT_GT(picture::fraction_not(before, kSky, 6), 0.10) << "no buggy in the middle of the screen";
    std::printf("first frames: %d screenshots of %d x %d\n", start_up.looks(), area.width, area.height);

    // A left drag from the centre: the press, the burst, the release.
    const desktop::Point centre{g.x + g.width / 2, g.y + g.height / 2};
    desktop::mouse_move(centre.x, centre.y);
    desktop::mouse_down(1);
    const std::chrono::milliseconds burst = desktop::move_burst(kMoves, 1, 0);
    const desktop::Point reached = desktop::pointer_position();
    desktop::mouse_up(1);
    const auto released = desktop::Settling::Clock::now();
    std::printf("%d moves sent in %lld ms\n", kMoves, static_cast<long long>(burst.count()));
    EXPECT_LT(burst, 250ms) << "the moves did not come as a burst";
    EXPECT_EQ(reached, (desktop::Point{centre.x + kMoves, centre.y})) << "the pointer did not make the whole drag";

    // Screenshots until the picture has stood still for a second. If it still changes after
    // the bound, Escape is pressed then, as an impatient user would, and the picture is
    // followed until the viewer ends.
    desktop::Settling settling(area, 0, released);
    std::optional<desktop::Settling::Clock::time_point> escaped;
    while (seconds_since(released) < 60 && settling.look(shown)) {
        std::this_thread::sleep_for(20ms);  // leaves the viewer the processor's time
        if (!escaped && (settling.unchanged_for() >= 1.0 || settling.last_change() > 2.0)) {
            escaped = desktop::Settling::Clock::now();
            desktop::key(window, "Escape");
        }
        if (escaped && settling.unchanged_for() >= 1.0) break;
    }
    const bool still = settling.unchanged_for() >= 1.0;
    std::printf("settled %.2f s after the release%s (%d screenshots, %d changes)\n", settling.last_change(),
                still ? "" : "; it was still turning when the viewer ended", settling.looks(), settling.changes());
    EXPECT_LE(settling.last_change(), 2.0) << "the buggy went on turning after the hand stopped";

    if (!escaped) {
        escaped = desktop::Settling::Clock::now();
        desktop::key(window, "Escape");
    }
    if (!code) code = desktop::wait_exit(process, 60s);
    const double escape = std::chrono::duration<double>(desktop::Settling::Clock::now() - *escaped).count();
    ASSERT_TRUE(code.has_value()) << "Escape did not end the viewer within 60 s";
    std::printf("ended %.2f s after Escape\n", escape);
    EXPECT_LE(escape, 2.0) << "Escape took too long to end the viewer";
    EXPECT_EQ(*code, 0);

    // Settled where the whole drag takes the buggy: turned, as our subset draws it headless.
    picture::write_png(settling.latest(), "burst-settled.png");
    if (!still) return;
    EXPECT_GT(picture::fraction_changed(before, settling.latest(), kTolerance), 0.03)
        << "the drag did not turn the buggy (burst-settled.png)";
    // The picture is of the client area, inside the window's border.
    ASSERT_LE(whole_drag.width, g.width);
    ASSERT_LE(whole_drag.height, g.height);
    double different = 1;
    for (int border_y = 0; border_y <= g.height - whole_drag.height; ++border_y)
        for (int border_x = 0; border_x <= g.width - whole_drag.width; ++border_x) {
            const picture::Image expected = picture::crop(whole_drag, area.x - g.x - border_x, area.y - g.y - border_y,
                                                          area.width, area.height);
            different = std::min(different, picture::fraction_changed(settling.latest(), expected, kTolerance));
        }
    std::printf("settled picture: %.4f%% of the pixels differ from the whole drag's\n", different * 100);
    EXPECT_LE(different, kMaxDifferent) << "the buggy did not settle where the whole drag takes it (burst-settled.png "
                                           "against the middle of burst-expected.png)";
}
