// The real buttons-demo on an X server, used as a user would: hover a button, click the
// three of them, press Escape or close the window.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "tests/support/desktop.h"

using namespace std::chrono_literals;

namespace {

const std::string kTitle = "Lumora - bottoni sagomati";
constexpr uint32_t kNightBlue = 0x1A1F4C;  // the first background (0.10, 0.12, 0.30)
constexpr uint32_t kBrickRed = 0x8C1A1A;   // the second one (0.55, 0.10, 0.10)

// A button picture; magenta (tolerance 1) is its transparent key.
struct Picture : picture::Image {
    bool keyed(int x, int y) const {
        const uint32_t p = at(x, y);
        return (p >> 16) == 0xFF && ((p >> 8) & 0xFF) <= 1 && (p & 0xFF) == 0xFF;
    }
};

Picture read_bmp24(const std::string& path) {
    Picture pic;
    if (!picture::read_bmp24(path, pic)) pic = Picture{};
    return pic;
}

struct Demo {
    desktop::Process process;
    unsigned long window = 0;
    desktop::Geometry g;

    Demo() {
        process = desktop::start({"./lumora-buttons-demo"});
        window = desktop::find_window(kTitle, 20s);
        EXPECT_NE(window, 0u) << "the demo window did not appear";
        if (window) g = desktop::window_geometry(window);
        std::this_thread::sleep_for(800ms);  // first frames and button paints
    }
    ~Demo() { desktop::kill_process(process); }

    picture::Image shot() const { return desktop::screenshot(window); }
    void move(int x, int y) const {  // client coordinates
        desktop::mouse_move(g.x + x, g.y + y);
        std::this_thread::sleep_for(300ms);
    }
    void click(int x, int y) const {
        move(x, y);
        desktop::mouse_down(1);
        std::this_thread::sleep_for(100ms);
        desktop::mouse_up(1);
        std::this_thread::sleep_for(400ms);
    }
};

// The buttons' client positions in the demo.
struct Placed {
    const char* prefix;
    int x, y;
};
constexpr Placed kStella{"stella", 24, 24}, kGoccia{"goccia", 24, 200}, kFreccia{"freccia", 24, 376};

// An opaque pixel of a button picture, as near its middle as possible.
struct Spot {
    int x, y;
};
Spot inside(const Picture& p) {
    for (int r = 0; r < p.width; ++r)
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx) {
                const int x = p.width / 2 + dx, y = p.height / 2 + dy;
                if (x >= 0 && y >= 0 && x < p.width && y < p.height && !p.keyed(x, y)) return Spot{x, y};
            }
    return Spot{-1, -1};
}

// Fraction of pixels of the star area (right of the buttons) that differ from a colour.
double star_coverage(const picture::Image& img, uint32_t background) {
    picture::Image right;
    right.width = img.width - 160;
    right.height = img.height;
    for (int y = 0; y < img.height; ++y)
        for (int x = 160; x < img.width; ++x) right.pixels.push_back(img.at(x, y));
    return picture::fraction_not(right, background, 12);
}

TEST(ButtonsDemo, HoverShowsTheHoverImageInsideTheShapeOnlyAndClicksAct) {
    const Picture normal = read_bmp24(std::string(kStella.prefix) + "N.BMP");
    const Picture hover = read_bmp24(std::string(kStella.prefix) + "H.BMP");
    ASSERT_GT(normal.width, 0) << "stellaN.BMP missing beside the program";
    ASSERT_EQ(hover.width, normal.width);
    Demo demo;
    ASSERT_NE(demo.window, 0u);

    const picture::Image before = demo.shot();
    picture::write_png(before, "buttons-demo-start.png");
    EXPECT_TRUE(picture::alike(before.at(400, 8), kNightBlue, 8)) << std::hex << before.at(400, 8);

    const Spot p = inside(normal);
    ASSERT_GE(p.x, 0);
    demo.move(kStella.x + p.x, kStella.y + p.y);
    const picture::Image hovered = demo.shot();
    picture::write_png(hovered, "buttons-demo-hover.png");

    // Inside the normal image's shape the screen shows the hover image; outside it, what
    // was there before (the GL background) stays.
    int in = 0, in_match = 0, out = 0, out_same = 0, normal_before = 0, differ = 0;
    for (int y = 0; y < normal.height; ++y)
        for (int x = 0; x < normal.width; ++x) {
            const uint32_t now = hovered.at(kStella.x + x, kStella.y + y);
            const uint32_t was = before.at(kStella.x + x, kStella.y + y);
            if (normal.keyed(x, y)) {
                ++out;
                out_same += picture::alike(now, was, 8);
            } else {
                ++in;
                in_match += picture::alike(now, hover.at(x, y), 8);
                normal_before += picture::alike(was, normal.at(x, y), 8);
                differ += !picture::alike(normal.at(x, y), hover.at(x, y), 8);
            }
        }
    ASSERT_GT(in, 100);
    ASSERT_GT(out, 100);
    ASSERT_GT(differ, in / 4) << "the hover picture hardly differs from the normal one";
    EXPECT_GT(double(normal_before) / in, 0.97) << "the normal image was not shown at first";
    EXPECT_GT(double(in_match) / in, 0.97) << "the hover image is not shown inside the shape";
    EXPECT_GT(double(out_same) / out, 0.99) << "pixels outside the shape changed";

    // The star button changes the background colour.
    demo.click(kStella.x + p.x, kStella.y + p.y);
    const picture::Image red = demo.shot();
    picture::write_png(red, "buttons-demo-clicked.png");
    EXPECT_TRUE(picture::alike(red.at(400, 8), kBrickRed, 8)) << std::hex << red.at(400, 8);

    // The drop button stops the turning: two frames apart show the same star.
    const Picture drop = read_bmp24(std::string(kGoccia.prefix) + "N.BMP");
    ASSERT_GT(drop.width, 0);
    const Spot q = inside(drop);
    const picture::Image turning_a = demo.shot();
    std::this_thread::sleep_for(300ms);
    const picture::Image turning_b = demo.shot();
    EXPECT_GT(picture::fraction_changed(turning_a, turning_b, 10), 0.001) << "the star does not turn";
    demo.click(kGoccia.x + q.x, kGoccia.y + q.y);
    demo.move(400, 8);  // off the buttons, so that no hover image changes between shots
    const picture::Image still_a = demo.shot();
    std::this_thread::sleep_for(300ms);
    const picture::Image still_b = demo.shot();
    EXPECT_LT(picture::fraction_changed(still_a, still_b, 10), 0.0005) << "the star still turns";

    // The arrow button draws the star as lines: far fewer pixels differ from the background.
    const Picture arrow = read_bmp24(std::string(kFreccia.prefix) + "N.BMP");
    ASSERT_GT(arrow.width, 0);
    const Spot a = inside(arrow);
    const double filled = star_coverage(still_b, kBrickRed);
    demo.click(kFreccia.x + a.x, kFreccia.y + a.y);
    demo.move(400, 8);
    const picture::Image lines = demo.shot();
    picture::write_png(lines, "buttons-demo-wireframe.png");
    const double wire = star_coverage(lines, kBrickRed);
    EXPECT_GT(filled, 0.05);
    EXPECT_LT(wire, filled * 0.5);

    desktop::key(demo.window, "Escape");
    const auto code = desktop::wait_exit(demo.process, 5s);
    ASSERT_TRUE(code.has_value()) << "Escape did not end the demo within 5 s";
    EXPECT_EQ(*code, 0);
}

TEST(ButtonsDemo, ClosingTheWindowEndsWithZero) {
    Demo demo;
    ASSERT_NE(demo.window, 0u);
    desktop::request_close(demo.window);
    const auto code = desktop::wait_exit(demo.process, 5s);
    ASSERT_TRUE(code.has_value()) << "the close request did not end the demo within 5 s";
    EXPECT_EQ(*code, 0);
}

}  // namespace
