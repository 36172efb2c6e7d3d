// The real viewer and the buttons demo as native Wayland clients (SDL's wayland driver, no
// X display to fall back on) of a real compositor: Weston, nested in the test's Xvfb,
// driven through its seat with xdotool. The question is asked and answered with the
// keyboard; No gives an 800 x 600 window dressed by libdecor with the buggy in it, which a
// left drag turns, also by the whole distance of a drag that leaves the window, and its
// title bar's close ends the viewer with 0; Yes gives a window covering the output, which
// Escape ends with 0; an error box during the start-up leaves the viewer's GL context
// drawing; the demo's buttons take clicks inside their shapes only.
#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "tests/support/desktop.h"
#include "tests/support/weston.h"

using namespace std::chrono_literals;

namespace {

constexpr uint32_t kSky = 0x659FD9;
constexpr uint32_t kBoxBand = 0xF0F0F0;   // the grey band that holds a box's buttons
constexpr int kBoxBandHeight = 50;
constexpr uint32_t kBoxFocus = 0x0078D7;  // the focused button's outline
// The client area of the 800 x 600 window (the Win32 frame: 3-pixel borders, a 19-pixel
// caption); on Wayland the frame around it is libdecor's.
constexpr int kClientWidth = 794, kClientHeight = 578;

using desktop::Weston;

bool eventually(std::chrono::milliseconds timeout, const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(50ms);
    }
}

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    int right() const { return x + w; }
    int cx() const { return x + w / 2; }
    int cy() const { return y + h / 2; }
};

Rect rect_of(const picture::Extent& e) { return e.empty() ? Rect{} : Rect{e.left, e.top, e.width(), e.height()}; }

picture::Image crop(const picture::Image& image, const Rect& r) { return picture::crop(image, r.x, r.y, r.w, r.h); }

class OnWayland : public testing::Test {
protected:
    static void SetUpTestSuite() { weston_ = std::make_unique<Weston>(1024, 768); }
    static void TearDownTestSuite() { weston_.reset(); }
    void SetUp() override {
        ASSERT_EQ(desktop::run_status("command -v weston > /dev/null"), 0) << "weston is not installed";
        ASSERT_TRUE(weston_->ready()) << "Weston did not start\n" << weston_->log();
    }
    static std::unique_ptr<Weston> weston_;
};
std::unique_ptr<Weston> OnWayland::weston_;

// A message box's button band on the output: the rows with a good many pixels of its grey
// (more than the text's or the pointer's edges have), when they are as many as the band's.
Rect box_band(const picture::Image& shot) {
    Rect band;
    for (int y = 0; y < shot.height; ++y) {
        int count = 0, left = shot.width, right = -1;
        for (int x = 0; x < shot.width; ++x) {
            if (!picture::alike(shot.at(x, y), kBoxBand, 1)) continue;
            ++count;
            left = std::min(left, x);
            right = std::max(right, x);
        }
        if (count < 40) continue;
        if (band.h == 0) band = Rect{left, y, right - left + 1, 0};
        if (y != band.y + band.h) return Rect{};  // two bands
        ++band.h;
    }
    return band.h == kBoxBandHeight && band.w >= 240 ? band : Rect{};
}

// The viewer on Weston, up to its question box.
struct Viewer {
    const Weston& weston;
    desktop::Process process;
    Rect band;  // the box's button band on the output

    explicit Viewer(const Weston& w, const std::string& directory = "") : weston(w) {
        process = weston.start_client({directory.empty() ? "./buggy" : directory + "/buggy"}, directory);
        eventually(20s, [&] { return (band = box_band(weston.screenshot())).w > 0; });
    }
    ~Viewer() { desktop::kill_process(process); }

    bool box_shown() const { return band.w > 0; }
    std::string said() const { return desktop::read_stderr(process); }

    // Answers the box and waits for the sky to show in a rectangle of this size: the
    // window's client area on the output.
    Rect answer(const std::string& key, int width, int height) {
        Rect client;
        // A key that reaches the box before it is ready to read keys is pressed again, as a
        // user would.
        for (int attempt = 0; attempt < 5 && client.w == 0; ++attempt) {
            // Clicked first (beside its buttons), as a user does: the compositor gives the
            // keyboard to the window clicked.
            weston.click(band.x + 4, band.y + 4);
            std::this_thread::sleep_for(200ms);
            weston.key(key);
            eventually(6s, [&] {
                const picture::Image shot = weston.screenshot();
                const Rect sky = rect_of(desktop::extent_of(shot, kSky, 6));
                if (sky.w != width || sky.h != height) return false;
                if (box_band(shot).w > 0) return false;
                client = sky;
                return true;
            });
        }
        if (client.w == 0) picture::write_png(weston.screenshot(), "wayland-unanswered.png");
        std::this_thread::sleep_for(300ms);
        return client;
    }

    // The client area's pixels once the picture has settled after some input, without the
    // pointer.
    picture::Image settled(const Rect& client) const {
        weston.park_pointer();
        std::this_thread::sleep_for(400ms);
        return crop(weston.screenshot(), client);
    }

    std::optional<int> escape() {
        weston.key("Escape");
        return desktop::wait_exit(process, 5s);
    }
};

picture::Extent buggy_extent(const picture::Image& client) { return picture::extent_not(client, kSky, 6); }

}  // namespace

TEST_F(OnWayland, TheQuestionIsAskedNoGivesADecoratedWindowDragsTurnTheBuggyItsCloseEnds) {
    Viewer viewer(*weston_);
    // The box drawn by the viewer itself: its button band, a focused button.
    ASSERT_TRUE(viewer.box_shown()) << "no question box on Weston\n" << viewer.said();
    std::this_thread::sleep_for(200ms);
    const picture::Image box = weston_->screenshot();
    picture::write_png(box, "wayland-box.png");
    // Its two buttons in the band, the default one (Yes) with the focus outline.
    const picture::Extent focus = desktop::extent_of(crop(box, viewer.band), kBoxFocus, 8);
    EXPECT_EQ(focus.width(), 88);
    EXPECT_EQ(focus.height(), 26);
    EXPECT_LT(focus.right, viewer.band.w / 2) << "the focus is not on the left button";

    Rect client = viewer.answer("n", kClientWidth, kClientHeight);
    ASSERT_EQ(client.w, kClientWidth) << "no 800 x 600 window after No\n" << viewer.said();
    // The compositor put it where it liked. Should that leave little room on its right for a
    // drag out of it, it is dragged by its title bar towards the output's left edge.
    const int output_width = weston_->output_geometry().width;
    ASSERT_GE(client.y, 24) << "the window's title bar is off the output";
    for (int attempt = 0; attempt < 3 && output_width - client.right() < 50; ++attempt) {
        weston_->drag(1, client.x + 60, client.y - 12, 100, client.y - 12);
        std::this_thread::sleep_for(300ms);
        client = rect_of(desktop::extent_of(weston_->screenshot(), kSky, 6));
    }
    const int room = output_width - client.right();
    ASSERT_GE(room, 50) << "no room right of the window, which could not be moved";
    ASSERT_GE(client.y, 24) << "the window's title bar is off the output";
    ASSERT_EQ(client.w, kClientWidth);
    ASSERT_EQ(client.h, kClientHeight);
    const picture::Image shown = weston_->screenshot();
    picture::write_png(shown, "wayland-window.png");
    // libdecor's title bar above the client area, not Weston's background.
    int title = 0;
    for (int y = client.y - 20; y < client.y; ++y) title += !picture::alike(shown.at(client.cx(), y), Weston::kBackground, 2);
    EXPECT_EQ(title, 20) << "no title bar above the window";
    // The buggy in the window, the output beyond it Weston's.
    const picture::Image first = viewer.settled(client);
    EXPECT_GT(picture::fraction_not(first, kSky, 6), 0.03) << "the buggy is not in the window";
    EXPECT_GT(1 - picture::fraction_not(shown, Weston::kBackground, 2), 0.2) << "Weston's background hardly shows";
    const picture::Extent side = buggy_extent(first);

    // A left drag 90 pixels to the right turns the buggy a quarter round: seen end-on it is
    // much narrower.
    weston_->drag(1, client.cx(), client.cy(), client.cx() + 90, client.cy());
    const picture::Image turned = viewer.settled(client);
    picture::write_png(turned, "wayland-turned.png");
    const picture::Extent end_on = buggy_extent(turned);
    EXPECT_LT(end_on.width(), side.width() * 0.8);

    // A drag that leaves the window 5 pixels after its start and goes on for 45 to 80 more
    // (as far as the output has room) turns it by its whole length, half a quarter round or
    // more: much wider again. (Kept to the window's edge, it would turn by 5.)
    const int beyond = std::min(80, room - 5);
    weston_->drag(1, client.right() - 5, client.cy(), client.right() + beyond, client.cy(), 9);
    const picture::Image back = viewer.settled(client);
    picture::write_png(back, "wayland-turned-outside.png");
    const picture::Extent side_again = buggy_extent(back);
    EXPECT_GT(side_again.width(), end_on.width() * 1.25) << "the drag out of the window turned by less than its length";
    if (beyond == 80) EXPECT_GT(side_again.width(), side.width() * 0.85) << "a quarter round: side-on again";

    // The close button at the title bar's right end: the compositor's close ends the viewer.
    weston_->click(client.right() - 16, client.y - 12);
    const auto code = desktop::wait_exit(viewer.process, 5s);
    ASSERT_TRUE(code.has_value()) << "the title bar's close button did not end the viewer within 5 s";
    EXPECT_EQ(*code, 0);
}

TEST_F(OnWayland, YesGivesAWindowCoveringTheOutputAndEscapeEnds) {
    Viewer viewer(*weston_);
    ASSERT_TRUE(viewer.box_shown()) << "no question box on Weston\n" << viewer.said();
    const desktop::Geometry output = weston_->output_geometry();
    const Rect client = viewer.answer("y", output.width, output.height);
    ASSERT_EQ(client.w, output.width) << "no window covering the output after Yes\n" << viewer.said();
    EXPECT_EQ(client.x, 0);
    EXPECT_EQ(client.y, 0);
    const picture::Image full = viewer.settled(client);
    picture::write_png(full, "wayland-full-screen.png");
    EXPECT_GT(picture::fraction_not(full, kSky, 6), 0.03) << "the buggy is not in the window";
    const auto code = viewer.escape();
    ASSERT_TRUE(code.has_value()) << "Escape did not end the viewer within 5 s";
    EXPECT_EQ(*code, 0);
}

TEST_F(OnWayland, AnErrorBoxDuringTheStartUpLeavesTheViewersGlContextDrawing) {
    // A broken TGA file: its box comes up while the display lists are being compiled, with
    // the viewer's GL context current; the box draws with a context of its own, and once it
    // is answered the viewer's context draws the frames again.
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("buggy-wayland-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::create_symlink(fs::current_path() / "buggy", folder / "buggy");
    for (const char* file : {"buggy.bmp", "Metal1-00.bmp", "giger.bmp", "water3.bmp", "riflesso.tga", "riflesso2.tga",
                             "pneumatico.tga"})
        fs::create_symlink(fs::current_path() / file, folder / file);
    std::ofstream(folder / "sun.tga", std::ios::binary) << "this is not a TGA file";

    Viewer viewer(*weston_, folder.string());
    ASSERT_TRUE(viewer.box_shown()) << "no question box on Weston\n" << viewer.said();
    weston_->click(viewer.band.x + 4, viewer.band.y + 4);
    std::this_thread::sleep_for(200ms);
    weston_->key("n");
    // The reader's box, another than the question.
    const Rect question = viewer.band;
    const bool shown = eventually(20s, [&] {
        const Rect error = box_band(weston_->screenshot());
        return error.w > 0 && (error.x != question.x || error.y != question.y || error.w != question.w);
    });
    picture::write_png(weston_->screenshot(), "wayland-error-box.png");
    ASSERT_TRUE(shown) << "no error box\n" << viewer.said();
    const Rect client = viewer.answer("Return", kClientWidth, kClientHeight);
    ASSERT_EQ(client.w, kClientWidth) << "the window did not show after the error box\n" << viewer.said();
    const picture::Image frame = viewer.settled(client);
    picture::write_png(frame, "wayland-after-error-box.png");
    EXPECT_GT(picture::fraction_not(frame, kSky, 6), 0.03) << "the viewer draws no buggy after the box";
    // Frames go on: a drag still turns it.
    const picture::Extent before = buggy_extent(frame);
    weston_->drag(1, client.cx(), client.cy(), client.cx() + 90, client.cy());
    EXPECT_LT(buggy_extent(viewer.settled(client)).width(), before.width() * 0.8) << "the frames stopped";
    const auto code = viewer.escape();
    fs::remove_all(folder);
    ASSERT_TRUE(code.has_value()) << "Escape did not end the viewer within 5 s";
    EXPECT_EQ(*code, 0);
}

namespace {

constexpr uint32_t kNightBlue = 0x1A1F4C;  // the demo's first background
constexpr uint32_t kBrickRed = 0x8C1A1A;   // its second

// A button picture; magenta is its transparent key.
bool keyed(const picture::Image& p, int x, int y) {
    const uint32_t c = p.at(x, y);
    return (c >> 16) == 0xFF && ((c >> 8) & 0xFF) <= 1 && (c & 0xFF) == 0xFF;
}

}  // namespace

TEST_F(OnWayland, TheDemosButtonsTakeClicksInsideTheirShapesOnly) {
    picture::Image star;
    ASSERT_TRUE(picture::read_bmp24("stellaN.BMP", star)) << "stellaN.BMP missing beside the program";
    // A transparent pixel inside the button's square and an opaque one, both as near its
    // middle as can be.
    int in_x = -1, in_y = -1, out_x = -1, out_y = -1;
    for (int r = 0; r < star.width / 2 && (in_x < 0 || out_x < 0); ++r)
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx) {
                const int x = star.width / 2 + dx, y = star.height / 2 + dy;
                if (x < 0 || y < 0 || x >= star.width || y >= star.height) continue;
                if (keyed(star, x, y) && out_x < 0) out_x = x, out_y = y;
                if (!keyed(star, x, y) && in_x < 0) in_x = x, in_y = y;
            }
    ASSERT_GE(in_x, 0);
    ASSERT_GE(out_x, 0) << "the star has no transparent pixel";

    desktop::Process demo = weston_->start_client({"./lumora-buttons-demo"});
    Rect client;
    eventually(20s, [&] {
        client = rect_of(desktop::extent_of(weston_->screenshot(), kNightBlue, 8));
        return client.w == kClientWidth && client.h == kClientHeight;
    });
    ASSERT_EQ(client.w, kClientWidth) << "no demo window\n" << desktop::read_stderr(demo);
    std::this_thread::sleep_for(500ms);
    constexpr int kStarX = 24, kStarY = 24;  // the star button's place in the client area
    const auto background = [&] { return weston_->screenshot().at(client.x + 400, client.y + 8); };

    weston_->click(client.x + kStarX + out_x, client.y + kStarY + out_y);
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(picture::alike(background(), kNightBlue, 8)) << "a click beside the star's shape acted";
    weston_->click(client.x + kStarX + in_x, client.y + kStarY + in_y);
    EXPECT_TRUE(eventually(2s, [&] { return picture::alike(background(), kBrickRed, 8); }))
        << "a click on the star's shape did not change the background";
    picture::write_png(weston_->screenshot(), "wayland-buttons.png");

    weston_->key("Escape");
    const auto code = desktop::wait_exit(demo, 5s);
    desktop::kill_process(demo);
    ASSERT_TRUE(code.has_value()) << "Escape did not end the demo within 5 s";
    EXPECT_EQ(*code, 0);
}
