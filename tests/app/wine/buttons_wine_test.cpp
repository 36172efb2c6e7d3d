// The Windows build of the buttons demo under Wine: its star button has the shape of its
// picture and takes clicks inside that shape only. Under Wine a child window over a GL window
// shows flat grey instead of its picture, so this test looks at the shape and the click, not at
// the picture.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

#include "tests/support/desktop.h"
#include "wine_run.h"

using namespace std::chrono_literals;

namespace {

const std::string kTitle = "Lumora - bottoni sagomati";
constexpr uint32_t kNightBlue = 0x1A1F4C;  // the first background (0.10, 0.12, 0.30)
constexpr uint32_t kBrickRed = 0x8C1A1A;   // the second one (0.55, 0.10, 0.10)
// The star button is created at (24, 24) in the client area and must stay there whatever the
// frame metrics (Wine's caption is 3 pixels taller than ours). The test looks for its shape
// around that place, so a button that lands elsewhere is reported with where it went.
constexpr int kStarX = 24, kStarY = 24, kSearch = 16;

// A button picture: only whether a pixel is magenta (blue and red 255, green at most 1), the
// transparent key, is kept.
struct Mask {
    int width = 0, height = 0;
    std::vector<bool> keyed;
    bool transparent(int x, int y) const { return keyed[size_t(y) * size_t(width) + size_t(x)]; }
};

Mask read_mask(const std::string& path) {
    Mask mask;
    picture::Image image;
    if (!picture::read_bmp24(path, image)) return mask;
    mask.width = image.width;
    mask.height = image.height;
    for (uint32_t p : image.pixels) mask.keyed.push_back((p >> 16) == 0xFF && ((p >> 8) & 0xFF) <= 1 && (p & 0xFF) == 0xFF);
    return mask;
}

// Whether the pixels around (x, y), 3 either way, are all transparent or all opaque: a spot
// well away from the outline, which a click hits without doubt.
bool deep(const Mask& m, int x, int y, bool transparent) {
    for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx) {
            const int px = x + dx, py = y + dy;
            if (px < 0 || py < 0 || px >= m.width || py >= m.height || m.transparent(px, py) != transparent) return false;
        }
    return true;
}

struct Spot {
    int x = -1, y = -1;
};
// The deep opaque spot nearest the middle, and the deep transparent spot nearest the top-left
// corner (on the diagonal).
Spot inside(const Mask& m) {
    for (int r = 0; r < m.width; ++r)
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx)
                if (deep(m, m.width / 2 + dx, m.height / 2 + dy, false)) return {m.width / 2 + dx, m.height / 2 + dy};
    return {};
}
Spot corner(const Mask& m) {
    for (int d = 3; d < m.width / 2; ++d)
        if (deep(m, d, d, true)) return {d, d};
    return {};
}

bool close_to(uint32_t a, uint32_t b, int tolerance) {
    for (int s : {0, 8, 16})
        if (std::abs(int((a >> s) & 255) - int((b >> s) & 255)) > tolerance) return false;
    return true;
}

// Where on the screenshot the button with this shape lies: of the places within kSearch pixels
// of (x, y), the one where the most pixels agree with the shape (opaque where the screen is not
// the background, transparent where it is). Returns that place and the agreeing fraction.
struct Found {
    int x = 0, y = 0;
    double agreement = 0;
};
Found find_shape(const picture::Image& shot, const Mask& m, int x, int y, uint32_t background) {
    Found best;
    for (int dy = -kSearch; dy <= kSearch; ++dy)
        for (int dx = -kSearch; dx <= kSearch; ++dx) {
            const int ox = x + dx, oy = y + dy;
            if (ox < 0 || oy < 0 || ox + m.width > shot.width || oy + m.height > shot.height) continue;
            int agree = 0;
            for (int py = 0; py < m.height; ++py)
                for (int px = 0; px < m.width; ++px)
                    agree += m.transparent(px, py) == close_to(shot.at(ox + px, oy + py), background, 8);
            const double fraction = double(agree) / (m.width * m.height);
            if (fraction > best.agreement) best = {ox, oy, fraction};
        }
    return best;
}

}  // namespace

TEST(WineButtons, TheStarButtonTakesClicksInsideItsShapeOnly) {
    const auto start = std::chrono::steady_clock::now();
    const wine::Folder bin = wine::windows_bin("lumora-buttons-demo.exe");
    ASSERT_TRUE(bin.problem.empty()) << bin.problem;
    const Mask star = read_mask(bin.path + "/stellaN.BMP");
    ASSERT_EQ(star.width, 96) << "stellaN.BMP is missing beside lumora-buttons-demo.exe or not a 96 x 96 picture";
    const Spot in = inside(star), out = corner(star);
    ASSERT_GE(in.x, 0) << "the star picture has no opaque part";
    ASSERT_GE(out.x, 0) << "the star picture has no transparent corner";

    wine::Program demo(bin.path, "lumora-buttons-demo.exe");
    ASSERT_TRUE(demo.started()) << demo.problem();
    const unsigned long window = demo.find_window(kTitle, 60s);
    ASSERT_NE(window, 0u) << demo.why_no_window(kTitle);
    std::printf("window after %.1f s\n", wine::seconds_since(start));

    // The background is sampled in the client area's top-right corner, away from the buttons
    // and from the star drawn in the middle of the space right of them. The client area is
    // looked up again each time until the first frame: Wine makes the GL surface's X window
    // when the pixel format is set, after the window itself.
    unsigned long client = window;
    auto background = [&] {
        client = wine::client_window(window);
        const picture::Image shot = desktop::screenshot(client);
        return shot.at(shot.width - 8, 8);
    };
    auto wait_for = [&](uint32_t colour, std::chrono::milliseconds timeout) {
        const auto until = std::chrono::steady_clock::now() + timeout;
        uint32_t now = background();
        while (!close_to(now, colour, 8) && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(100ms);
            now = background();
        }
        return now;
    };

    uint32_t now = wait_for(kNightBlue, 20s);
    ASSERT_TRUE(close_to(now, kNightBlue, 8)) << "the first background is not night blue: " << std::hex << now;
    const desktop::Geometry g = desktop::window_geometry(client);
    std::printf("client area: %d x %d at (%d, %d)\n", g.width, g.height, g.x, g.y);
    auto click = [&](int x, int y) {  // client coordinates
        desktop::mouse_move(g.x + x, g.y + y);
        std::this_thread::sleep_for(200ms);
        desktop::mouse_down(1);
        std::this_thread::sleep_for(100ms);
        desktop::mouse_up(1);
    };

    // The button covers the GL window exactly where its picture is not magenta. A rectangular
    // button, grey over the magenta too, agrees on about 60% at its best placement. The
    // buttons may be shown a moment after the first GL frame: a few looks are allowed.
    picture::Image first;
    Found button;
    for (int look = 0; look < 10 && button.agreement <= 0.995; ++look) {
        if (look) std::this_thread::sleep_for(200ms);
        first = desktop::screenshot(client);
        button = find_shape(first, star, kStarX, kStarY, kNightBlue);
    }
    picture::write_png(first, "wine-buttons-start.png");
    std::printf("star button at (%d, %d) in the client area; %.2f%% of its rectangle agree with its shape\n",
                button.x, button.y, button.agreement * 100);
    // Without the shape the place found is meaningless, and so would be the clicks below.
    ASSERT_GT(button.agreement, 0.995) << "the star button does not have the shape of stellaN.BMP "
                                          "(wine-buttons-start.png)";
    EXPECT_EQ(button.x, kStarX) << "the star button moved from where it was placed";
    EXPECT_EQ(button.y, kStarY) << "the star button moved from where it was placed";

    // A transparent corner of the star button's rectangle belongs to the GL window below it:
    // the click does not press the button.
    click(button.x + out.x, button.y + out.y);
    now = wait_for(kBrickRed, 1500ms);
    picture::write_png(desktop::screenshot(client), "wine-buttons-corner-clicked.png");
    EXPECT_TRUE(close_to(now, kNightBlue, 8)) << "a click on the star's transparent corner (" << out.x << ", " << out.y
                                              << ") pressed the button: " << std::hex << now;

    // Inside the shape it does: the background turns brick red.
    click(button.x + in.x, button.y + in.y);
    now = wait_for(kBrickRed, 3s);
    picture::write_png(desktop::screenshot(client), "wine-buttons-star-clicked.png");
    EXPECT_TRUE(close_to(now, kBrickRed, 8)) << "a click inside the star (" << in.x << ", " << in.y
                                             << ") did not change the background: " << std::hex << now;

    desktop::key(window, "Escape");
    const auto code = demo.wait_exit(10s);
    ASSERT_TRUE(code.has_value()) << "Escape did not end the demo within 10 s";
    EXPECT_EQ(*code, 0);
    std::printf("took %.1f s\n", wine::seconds_since(start));
}
