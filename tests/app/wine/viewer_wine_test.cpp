// The Windows build of the viewer under Wine, used as a user would: answer the question,
// look at the window, drag, press Escape; and its full-screen frame against the one our own
// Win32 subset draws headless (buggy-snapshot), which must be the same picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "tests/support/desktop.h"
#include "wine_run.h"

using namespace std::chrono_literals;

namespace {

const std::string kTitle = "Esempio di TextureAutoMap e FX_Refract";
constexpr uint32_t kSky = 0x659FD9;  // (119/300, 187/300, 0.85) in 8-bit channels

// The same limits as the golden pictures: a pixel differs when a channel differs by more than
// 12 levels; at most 0.3% of the pixels may differ.
constexpr int kTolerance = 12;
constexpr double kMaxDifferent = 0.003;

// Fraction of the middle half (in both directions) of a picture that is not sky. The buggy
// covers about a quarter of it in the first frame.
double middle_not_sky(const picture::Image& image) {
    return picture::fraction_not(picture::crop(image, image.width / 4, image.height / 4, image.width / 2, image.height / 2),
                             kSky, 6);
}

// A drawn frame: mostly sky (a window that GL has not drawn into yet shows no sky at all), and
// the buggy in the middle.
bool shows_buggy(const picture::Image& image) {
    return picture::fraction_not(image, kSky, 6) < 0.5 && middle_not_sky(image) > 0.10;
}

// Where the picture is not sky.
picture::Extent buggy_extent(const picture::Image& image) { return picture::extent_not(image, kSky, 6); }

// The viewer started under Wine with the question answered by a key ("n" or "y"), up to
// its main window. Polls for error boxes all along.
struct Viewer {
    std::unique_ptr<wine::Program> program;
    wine::ErrorBoxes errors;
    unsigned long window = 0;  // the top-level window
    unsigned long client = 0;  // its client area, known once first_frame() has returned

    explicit Viewer(const std::string& answer) {
        const wine::Folder bin = wine::windows_bin("buggy.exe");
        if (!bin.problem.empty()) {
            ADD_FAILURE() << bin.problem;
            return;
        }
        auto start = std::chrono::steady_clock::now();
        unsigned long box = 0;
        // Now and then Wine cannot load its display driver at a program's start ("no driver
        // could be loaded"), and the program ends at once without a window: it is started
        // again, once, as a user would.
        for (int run = 1; run <= 2 && !box; ++run) {
            program.reset();
            program = std::make_unique<wine::Program>(bin.path, "buggy.exe");
            if (!program->started()) {
                ADD_FAILURE() << program->problem();
                return;
            }
            start = std::chrono::steady_clock::now();
            box = program->find_window("Video!", 60s);
            if (box || !program->wait_exit(0ms)) break;
            std::printf("buggy.exe ended before its question box (run %d)\n%s\n", run, program->log().c_str());
        }
        if (!box) {
            ADD_FAILURE() << program->why_no_window("Video!");
            return;
        }
        std::printf("question box after %.1f s\n", wine::seconds_since(start));
        // Wine's message box takes the key as the mnemonic of its button (&Yes, &No) once it
        // has the keyboard focus; a key that comes before it is ready is pressed again.
        for (int attempt = 0; attempt < 5 && !window; ++attempt) {
            if (attempt) std::printf("the answer is given again (attempt %d)\n", attempt + 1);
            if (desktop::find_window("Video!", 0ms)) desktop::key(box, answer);
            const auto until = std::chrono::steady_clock::now() + 5s;
            while (!window && std::chrono::steady_clock::now() < until && !program->wait_exit(0ms)) {
                errors.poll();
                window = desktop::find_window(kTitle, 100ms);
            }
        }
        if (!window) {
            ADD_FAILURE() << program->why_no_window(kTitle);
            return;
        }
        std::printf("main window after %.1f s\n", wine::seconds_since(start));
    }

    // Waits (up to 20 s) for a frame with the buggy in the middle, as drawn once the start-up
    // has loaded every texture, and returns it.
    picture::Image first_frame() {
        picture::Image frame;
        const auto until = std::chrono::steady_clock::now() + 20s;
        do {
            errors.pause(200ms);
            // Wine makes the GL surface's X window when the pixel format is set, after the
            // window itself.
            client = wine::client_window(window);
            frame = desktop::screenshot(client);
        } while (!shows_buggy(frame) && std::chrono::steady_clock::now() < until);
        // Any box the start-up shows comes before the first frame; a little more time lets one
        // that is slow to map be seen.
        errors.pause(500ms);
        return desktop::screenshot(client);
    }

    void escape_ends_with_zero() {
        const auto pressed = std::chrono::steady_clock::now();
        desktop::key(window, "Escape");
        const auto code = program->wait_exit(10s);
        ASSERT_TRUE(code.has_value()) << "Escape did not end the viewer within 10 s";
        EXPECT_EQ(*code, 0);
        std::printf("ended %.1f s after Escape\n", wine::seconds_since(pressed));
    }
};

void describe(const char* what, unsigned long window) {
    const desktop::Geometry g = desktop::window_geometry(window);
    std::printf("%s: %d x %d at (%d, %d)\n", what, g.width, g.height, g.x, g.y);
}

}  // namespace

TEST(WineViewer, WindowedRunShowsTheBuggyTurnsOnALeftDragAndEndsOnEscape) {
    const auto start = std::chrono::steady_clock::now();
    Viewer viewer("n");
    ASSERT_NE(viewer.window, 0u);
    const picture::Image first = viewer.first_frame();
    describe("window", viewer.window);
    describe("client area", viewer.client);
    const desktop::Geometry screen = desktop::screen_geometry();
    const desktop::Geometry client = desktop::window_geometry(viewer.client);
    EXPECT_LT(client.width, screen.width) << "No asks for a window, not the full screen";
    picture::write_png(first, "wine-windowed.png");
    EXPECT_LT(picture::fraction_not(first, kSky, 6), 0.5) << "the frame is not drawn: no sky (wine-windowed.png)";
    EXPECT_GT(middle_not_sky(first), 0.10) << "the buggy is not in the middle of the frame (wine-windowed.png)";
    EXPECT_TRUE(viewer.errors.seen().empty()) << "error boxes: " << viewer.errors.list();

    // Without input the picture stands still, so what changes next is the drag's doing.
    viewer.errors.pause(500ms);
    const picture::Image still = desktop::screenshot(viewer.client);
    EXPECT_LT(picture::fraction_changed(first, still, kTolerance), 0.002) << "the picture changes by itself";

    // A left drag 90 pixels to the right turns the buggy a quarter round: seen end-on it is
    // much narrower and about as tall.
    const int cx = client.x + client.width / 2, cy = client.y + client.height / 2;
    desktop::drag(1, cx, cy, cx + 90, cy);
    viewer.errors.pause(600ms);
    const picture::Image turned = desktop::screenshot(viewer.client);
    picture::write_png(turned, "wine-turned.png");
    const double changed = picture::fraction_changed(first, turned, kTolerance);
    std::printf("the drag changed %.2f%% of the pixels\n", changed * 100);
    EXPECT_GT(changed, 0.03) << "the left drag did not turn the buggy (wine-turned.png)";
    const picture::Extent side = buggy_extent(first), end_on = buggy_extent(turned);
    EXPECT_LT(end_on.width(), side.width() * 0.8);
    EXPECT_GT(end_on.height(), side.height() * 0.7);
    EXPECT_LT(end_on.height(), side.height() * 1.5);

    viewer.errors.poll();
    EXPECT_TRUE(viewer.errors.seen().empty()) << "error boxes: " << viewer.errors.list();
    viewer.escape_ends_with_zero();
    std::printf("took %.1f s\n", wine::seconds_since(start));
}

TEST(WineViewer, FullScreenFrameMatchesOurSubsetsSnapshot) {
    const auto start = std::chrono::steady_clock::now();
    const desktop::Geometry screen = desktop::screen_geometry();
    const std::string size = std::to_string(screen.width) + "x" + std::to_string(screen.height);
    ASSERT_EQ(std::system(("./buggy-snapshot --fullscreen --screen " + size +
                           " --output wine-fullscreen-linux.png >/dev/null")
                              .c_str()),
              0)
        << "buggy-snapshot failed (the test runs from the Linux build's bin folder)";
    picture::Image ours;
    ASSERT_TRUE(picture::read_png("wine-fullscreen-linux.png", ours));

    Viewer viewer("y");
    ASSERT_NE(viewer.window, 0u);
    const picture::Image theirs = viewer.first_frame();
    describe("window", viewer.window);
    describe("client area", viewer.client);
    const desktop::Geometry window = desktop::window_geometry(viewer.window);
    EXPECT_EQ(window.width, screen.width);
    EXPECT_EQ(window.height, screen.height);
    picture::write_png(theirs, "wine-fullscreen-windows.png");
    EXPECT_TRUE(viewer.errors.seen().empty()) << "error boxes: " << viewer.errors.list();
    ASSERT_EQ(theirs.width, ours.width) << "client area widths differ";
    ASSERT_EQ(theirs.height, ours.height) << "client area heights differ";
    const double different = picture::fraction_changed(theirs, ours, kTolerance);
    std::printf("full-screen frames: %.4f%% of the pixels differ (limit %.1f%%); %.4f%% differ at all\n",
                different * 100, kMaxDifferent * 100, picture::fraction_changed(theirs, ours, 0) * 100);
    if (different > kMaxDifferent)
        picture::write_png(wine::difference_picture(theirs, ours, kTolerance), "wine-fullscreen-difference.png");
    EXPECT_LE(different, kMaxDifferent) << "the Windows build's frame (wine-fullscreen-windows.png) differs from "
                                           "ours (wine-fullscreen-linux.png); see wine-fullscreen-difference.png";

    viewer.escape_ends_with_zero();
    std::printf("took %.1f s\n", wine::seconds_since(start));
}

// A fast drag on the full screen of a large screen, where a frame takes tens of milliseconds:
// Windows merges the mouse moves waiting in the queue, so the buggy stops turning as soon as
// the hand stops, where the whole drag takes it, and Escape ends the viewer at once.
TEST(WineViewer, AFastDragOnAFullScreenSettlesAtOnceAndEscapeEndsTheViewer) {
    constexpr int kMoves = 400;  // one-pixel moves to the right
    const desktop::Geometry screen = desktop::screen_geometry();
    ASSERT_GE(screen.width, 2560) << "this test wants a large screen (xvfb.sh --screen 2560x1600)";
    ASSERT_GE(screen.height, 1600) << "this test wants a large screen (xvfb.sh --screen 2560x1600)";
    const std::string size = std::to_string(screen.width) + "x" + std::to_string(screen.height);
    ASSERT_EQ(std::system(("./buggy-snapshot --fullscreen --screen " + size + " --left-drag " + std::to_string(kMoves) +
                           ",0 --output wine-burst-expected.png >/dev/null")
                              .c_str()),
              0)
        << "buggy-snapshot failed (the test runs from the Linux build's bin folder)";
    picture::Image whole_drag;
    ASSERT_TRUE(picture::read_png("wine-burst-expected.png", whole_drag));

    Viewer viewer("y");
    ASSERT_NE(viewer.window, 0u);
    const picture::Image first = viewer.first_frame();
    ASSERT_TRUE(shows_buggy(first)) << "no first frame with the buggy";
    const desktop::Geometry g = desktop::window_geometry(viewer.client);
    describe("client area", viewer.client);
    const desktop::Geometry window = desktop::window_geometry(viewer.window);
    ASSERT_TRUE(window.width == screen.width && window.height == screen.height)
        << "the full-screen window is " << window.width << " x " << window.height << ", the screen " << size
        << ": Wine keeps the screen size of the X server its server's first program met, so start the server "
           "on a screen of this size (as scripts/test-windows.sh does)";
    auto shown = [&] { return !viewer.program->wait_exit(0ms) && desktop::window_viewable(viewer.client); };

    // The middle half of the client area, where the buggy is whichever way it faces.
    const desktop::Geometry area{g.x + g.width / 4, g.y + g.height / 4, g.width / 2, g.height / 2};
    desktop::Settling start_up(area, 0, desktop::Settling::Clock::now());
    const auto until = desktop::Settling::Clock::now() + 20s;
    while (desktop::Settling::Clock::now() < until && start_up.look(shown) && start_up.unchanged_for() < 1.0)
        std::this_thread::sleep_for(20ms);
    const picture::Image before = start_up.latest();
    ASSERT_GE(start_up.unchanged_for(), 1.0) << "the first frames did not stand still";

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

    // Screenshots until the picture has stood still for a second; Escape then, or as soon as
    // it still changes after the bound, and the picture followed until the viewer ends.
    desktop::Settling settling(area, 0, released);
    std::optional<desktop::Settling::Clock::time_point> escaped;
    while (wine::seconds_since(released) < 60 && settling.look(shown)) {
        std::this_thread::sleep_for(20ms);  // leaves the viewer the processor's time
        if (!escaped && (settling.unchanged_for() >= 1.0 || settling.last_change() > 2.0)) {
            escaped = desktop::Settling::Clock::now();
            desktop::key(viewer.window, "Escape");
        }
        if (escaped && settling.unchanged_for() >= 1.0) break;
    }
    const bool still = settling.unchanged_for() >= 1.0;
    std::printf("settled %.2f s after the release%s (%d screenshots, %d changes)\n", settling.last_change(),
                still ? "" : "; it was still turning when the viewer ended", settling.looks(), settling.changes());
    EXPECT_LE(settling.last_change(), 2.0) << "the buggy went on turning after the hand stopped";

    if (!escaped) {
        escaped = desktop::Settling::Clock::now();
        desktop::key(viewer.window, "Escape");
    }
    // Wine keeps the window on the screen until the process has ended, about two seconds
    // after the viewer has taken the Escape even with nothing left in its queue: the bound
    // is the other Wine tests' one.
    while (desktop::window_viewable(viewer.client) && wine::seconds_since(*escaped) < 60)
        std::this_thread::sleep_for(10ms);
    const double gone = wine::seconds_since(*escaped);
    const auto code = viewer.program->wait_exit(60s);
    ASSERT_TRUE(code.has_value()) << "Escape did not end the viewer within 60 s";
    const double ended = wine::seconds_since(*escaped);
    std::printf("the window went %.2f s after Escape, the program ended %.2f s after it\n", gone, ended);
    EXPECT_LE(ended, 10.0) << "Escape took too long to end the viewer";
    EXPECT_EQ(*code, 0);

    picture::write_png(settling.latest(), "wine-burst-settled.png");
    if (!still) return;
    EXPECT_GT(picture::fraction_changed(before, settling.latest(), kTolerance), 0.03)
        << "the drag did not turn the buggy (wine-burst-settled.png)";
    ASSERT_EQ(whole_drag.width, g.width) << "client area widths differ";
    ASSERT_EQ(whole_drag.height, g.height) << "client area heights differ";
    const picture::Image expected = picture::crop(whole_drag, area.x - g.x, area.y - g.y, area.width, area.height);
    const double different = picture::fraction_changed(settling.latest(), expected, kTolerance);
    std::printf("settled picture: %.4f%% of the pixels differ from the whole drag's\n", different * 100);
    EXPECT_LE(different, kMaxDifferent) << "the buggy did not settle where the whole drag takes it (wine-burst-settled.png "
                                           "against the middle of wine-burst-expected.png)";
}
