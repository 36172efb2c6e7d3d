// The buggy drawn from its display lists in a headless window, lit and placed the way the
// viewer's frame does it, from the side (the first view), the front, above and three
// quarters. Each picture is written to the build directory (model_snapshots/*.png) for a
// person to look at, and probed for what must hold: the wheels stand where the placements
// put them, the body fills its extent and nothing is drawn above the roll frame.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>

#include "lumora/Lumora.h"
#include "model/Buggy.h"
#include "model/BuggyRuota.h"
#include "tests/model/model_images.h"
#include "tests/support/gl_window.h"
#include "win32/hosts/virtual/virtual_host.h"

namespace {

constexpr int W = 800, H = 600;

struct View {
    const char* name;
    float xrot, yrot;  // turn of the model about the view's x axis, then its y axis
};

class ModelSnapshot : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        images_ = new model_test::ImageFolder();
        ASSERT_TRUE(images_->entered());
        window_ = new render_test::GlWindow(W, H);
        ASSERT_TRUE(window_->ready());
        OPENGL_INIT(100.0, 0.0, 119.0 / 300.0, 187.0 / 300.0, 0.85);
        SETGLREFRACTIVE();
        SETGLLIGHT(GL_LIGHT0, 0, 0, 0, 0.1f);
        BUGGY_();
        BUGGYRUOTA_();
    }
    static void TearDownTestSuite() {
        delete window_;
        delete images_;
    }

    // Draws the body and the four wheels as the frame places them, swaps, saves the picture.
    static const win32::virtual_host::Frame* Draw(const View& v) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glTranslatef(0, -8, -80);
        PUTGLPOINTLIGHT(GL_LIGHT0, 5, 0, 124, 0, 0.1f);
        SETGLNEWMAT(0.85f, 0.85f, 0.85f, 0, 0, 0, 0.425f, 0.425f, 0.425f, 0, 0, 0, 50);
        glPushMatrix();
        glRotatef(v.xrot, 1, 0, 0);
        glRotatef(v.yrot, 0, 1, 0);
        BUGGY();
        RUOTA(-14, -3.5f, 8.5f, 0, 0, 0);
        RUOTA(8, -3.5f, 8.5f, 0, 0, 0);
        RUOTA(-14, -3.5f, -8.5f, 0, 180, 0);
        RUOTA(8, -3.5f, -8.5f, 0, 180, 0);
        glGetDoublev(GL_MODELVIEW_MATRIX, model_);
        glGetDoublev(GL_PROJECTION_MATRIX, proj_);
        glGetIntegerv(GL_VIEWPORT, view_);
        glPopMatrix();
        SwapBuffers(window_->dc());
        const auto* frame = win32::virtual_host::last_frame();
        if (frame != nullptr)
            win32::virtual_host::write_png(*frame, std::string(SNAPSHOT_DIR) + "/" + v.name + ".png");
        return frame;
    }

    // Frame pixel of a point in the model space of the wheel placements (body units / 4).
    static uint32_t PixelAt(const win32::virtual_host::Frame& f, double x, double y, double z) {
        double wx, wy, wz;
        gluProject(x, y, z, model_, proj_, view_, &wx, &wy, &wz);
        return f.pixel(static_cast<int>(std::lround(wx)), H - 1 - static_cast<int>(std::lround(wy)));
    }

    static bool IsSky(uint32_t rgb) {
        const int r = rgb >> 16 & 255, g = rgb >> 8 & 255, b = rgb & 255;
        return std::abs(r - 101) <= 2 && std::abs(g - 159) <= 2 && std::abs(b - 217) <= 2;
    }

    static inline model_test::ImageFolder* images_ = nullptr;
    static inline render_test::GlWindow* window_ = nullptr;
    static inline GLdouble model_[16], proj_[16];
    static inline GLint view_[4];
};

TEST_F(ModelSnapshot, SideViewAsFirstSeen) {
    const auto* f = Draw({"side", 0, 0});
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(IsSky(f->pixel(5, 5)));
    // The two right wheels' hubs and the body side between them are drawn.
    EXPECT_FALSE(IsSky(PixelAt(*f, -14, -3.5, 9.0)));
    EXPECT_FALSE(IsSky(PixelAt(*f, 8, -3.5, 9.0)));
    EXPECT_FALSE(IsSky(PixelAt(*f, -3, 0.0, 8.0)));  // body x -12, z 0 on the right side
    // Nothing above the roll frame's top (z 29.06 in body units) nor ahead of the bumper.
    EXPECT_TRUE(IsSky(PixelAt(*f, -11, 7.6, 0)));
    EXPECT_TRUE(IsSky(PixelAt(*f, 13, 0, 0)));
    EXPECT_TRUE(IsSky(PixelAt(*f, -23.5, 0, 0)));
}

TEST_F(ModelSnapshot, FrontView) {
    const auto* f = Draw({"front", 0, -90});
    ASSERT_NE(f, nullptr);
    // Both front wheels, left and right of the body, and nothing high above the windscreen.
    EXPECT_FALSE(IsSky(PixelAt(*f, 8, -3.5, 7.9)));
    EXPECT_FALSE(IsSky(PixelAt(*f, 8, -3.5, -7.9)));
    EXPECT_TRUE(IsSky(PixelAt(*f, 8, 10, 0)));
}

TEST_F(ModelSnapshot, ViewFromAbove) {
    const auto* f = Draw({"top", 90, 0});
    ASSERT_NE(f, nullptr);
    // Seats, body and engine fill the middle; the body is narrower than the wheel track.
    EXPECT_FALSE(IsSky(PixelAt(*f, -5, 0, 3)));
    EXPECT_FALSE(IsSky(PixelAt(*f, -19, 0, 0)));
    EXPECT_TRUE(IsSky(PixelAt(*f, -3, 0, 10.5)));
}

TEST_F(ModelSnapshot, ThreeQuarterViews) {
    for (const View& v : {View{"three-quarter", 25, -40}, View{"rear-three-quarter", 20, 140}}) {
        const auto* f = Draw(v);
        ASSERT_NE(f, nullptr);
        int drawn = 0;
        for (int y = 0; y < H; y += 4)
            for (int x = 0; x < W; x += 4) drawn += !IsSky(f->pixel(x, y));
        // The buggy covers a good part of the picture but not all of it.
        EXPECT_GT(drawn, W * H / 16 / 30) << v.name;
        EXPECT_LT(drawn, W * H / 16 / 4) << v.name;
    }
}

}  // namespace
