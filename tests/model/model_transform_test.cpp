// Where the body and wheel lists land: the lists are built in a headless context and drawn
// in GL feedback mode under an orthographic projection, which hands back every transformed
// vertex. A body point (x, y, z) must land at (0.25x, 0.25z, -0.25y); a wheel with all angles
// 0 faces +z with its outer face at +0.875 and its inner face at -2.125, with RY = 180 it
// faces -z; the draw procedures leave the caller's matrices and texture state as they were.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "lumora/Lumora.h"
#include "model/Buggy.h"
#include "model/BuggyRuota.h"
#include "tests/model/model_images.h"
#include "tests/support/gl_window.h"

namespace {

struct Point {
    double x, y, z;
};
using Polygon = std::vector<Point>;

constexpr double HALF = 100.0;  // the orthographic box is -HALF .. HALF on every axis
constexpr int VIEW = 200;

class ModelTransforms : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        images_ = new model_test::ImageFolder();
        ASSERT_TRUE(images_->entered());
        window_ = new render_test::GlWindow(VIEW, VIEW);
        ASSERT_TRUE(window_->ready());
        BUGGY_();
        BUGGYRUOTA_();
    }
    static void TearDownTestSuite() {
        delete window_;
        delete images_;
    }

    void SetUp() override {
        glViewport(0, 0, VIEW, VIEW);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-HALF, HALF, -HALF, HALF, -HALF, HALF);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_CULL_FACE);
    }

    // Every polygon the drawing produced, in eye coordinates.
    template <typename F>
    static std::vector<Polygon> Feedback(F draw) {
        std::vector<GLfloat> buf(1 << 21);
        glFeedbackBuffer(static_cast<GLsizei>(buf.size()), GL_3D, buf.data());
        glRenderMode(GL_FEEDBACK);
        draw();
        const GLint n = glRenderMode(GL_RENDER);
        std::vector<Polygon> out;
        EXPECT_GE(n, 0) << "feedback buffer overflow";
        for (GLint i = 0; i < n;) {
            const int token = static_cast<int>(buf[i++]);
            if (token != GL_POLYGON_TOKEN) {
                ADD_FAILURE() << "unexpected feedback token " << token;
                break;
            }
            const int count = static_cast<int>(buf[i++]);
            Polygon p;
            for (int k = 0; k < count; ++k, i += 3)
                p.push_back({buf[i] - VIEW / 2.0, buf[i + 1] - VIEW / 2.0, HALF - 2.0 * HALF * buf[i + 2]});
            out.push_back(p);
        }
        return out;
    }

    static void Extent(const std::vector<Polygon>& ps, Point& lo, Point& hi) {
        lo = {1e9, 1e9, 1e9};
        hi = {-1e9, -1e9, -1e9};
        for (const auto& p : ps)
            for (const auto& v : p) {
                lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
                hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
            }
    }

    // Polygons lying flat in the plane z = z0.
    static size_t InPlane(const std::vector<Polygon>& ps, double z0) {
        return std::count_if(ps.begin(), ps.end(), [&](const Polygon& p) {
            return std::all_of(p.begin(), p.end(), [&](const Point& v) { return std::fabs(v.z - z0) < 2e-3; });
        });
    }

    static inline model_test::ImageFolder* images_ = nullptr;
    static inline render_test::GlWindow* window_ = nullptr;
};

TEST_F(ModelTransforms, BodyPointLandsAtQuarterScaleTurnedAboutX) {
    const auto polys = Feedback([] { BUGGYMASK2(); });
    const TMESHPART& up = BUGGYBODYPARTS[CORPOSUP];
    ASSERT_GE(polys.size(), static_cast<size_t>(up.TRIANGLES));
    for (int t = 0; t < up.TRIANGLES; ++t) {
        ASSERT_EQ(polys[t].size(), 3u);
        for (int k = 0; k < 3; ++k) {
            const TMESHCORNER& c = up.CORNERS[3 * t + k];
            EXPECT_NEAR(polys[t][k].x, 0.25 * c.X, 2e-3) << "triangle " << t;
            EXPECT_NEAR(polys[t][k].y, 0.25 * c.Z, 2e-3) << "triangle " << t;
            EXPECT_NEAR(polys[t][k].z, -0.25 * c.Y, 2e-3) << "triangle " << t;
        }
    }
}

TEST_F(ModelTransforms, WheelWithZeroAnglesFacesPlusZ) {
    const auto all = Feedback([] { RUOTA(0, 0, 0, 0, 0, 0); });
    Point lo, hi;
    Extent(all, lo, hi);
    EXPECT_NEAR(hi.z, 0.875, 2e-3);
    EXPECT_NEAR(lo.z, -2.125, 2e-3);
    EXPECT_NEAR(std::max(hi.y, -lo.y), 4.0, 2e-3);  // tyre radius 16 at quarter scale
    EXPECT_GT(InPlane(all, 0.875), 0u);
    EXPECT_GT(InPlane(all, -2.125), 0u);
    // Seen from +z with back faces culled, the outer face shows and the inner one does not.
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    const auto seen = Feedback([] { RUOTA(0, 0, 0, 0, 0, 0); });
    EXPECT_EQ(InPlane(seen, 0.875), InPlane(all, 0.875));
    EXPECT_EQ(InPlane(seen, -2.125), 0u);
}

TEST_F(ModelTransforms, WheelTurned180AboutYFacesMinusZ) {
    const auto all = Feedback([] { RUOTA(0, 0, 0, 0, 180, 0); });
    Point lo, hi;
    Extent(all, lo, hi);
    EXPECT_NEAR(lo.z, -0.875, 2e-3);
    EXPECT_NEAR(hi.z, 2.125, 2e-3);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    const auto seen = Feedback([] { RUOTA(0, 0, 0, 0, 180, 0); });
    EXPECT_EQ(InPlane(seen, -0.875), 0u);
    EXPECT_EQ(InPlane(seen, 2.125), InPlane(all, 2.125));
}

TEST_F(ModelTransforms, WheelIsCentredOnItsPlacement) {
    // Two of the frame's placements: the rim is centred on (X, Y) whichever way it faces.
    const struct {
        float X, Y, Z, RY;
        double cx, cz;
    } wheels[] = {{-14, -3.5f, 8.5f, 0, -14, 8.5}, {8, -3.5f, -8.5f, 180, 8, -8.5}};
    for (const auto& w : wheels) {
        const auto rim = Feedback([&] { RUOTA2(w.X, w.Y, w.Z, 0, w.RY, 0); });
        Point lo, hi;
        Extent(rim, lo, hi);
        EXPECT_NEAR((lo.x + hi.x) / 2, w.cx, 0.01);
        EXPECT_NEAR((lo.y + hi.y) / 2, -3.5, 0.01);
        EXPECT_NEAR(hi.y - lo.y, 2 * 0.25 * 14.72, 0.01);  // the rim's flange radius
    }
}

TEST_F(ModelTransforms, RuotaTurnsAboutZThenYThenX) {
    // A quarter turn about z first puts the wheel's (body) x axis on the caller's y axis;
    // the following turn about x then tips the axis: check the combined result.
    const auto turned = Feedback([] { RUOTA(0, 0, 0, 90, 0, 90); });
    glPushMatrix();
    glRotatef(90, 1, 0, 0);
    glRotatef(90, 0, 0, 1);
    const auto manual = Feedback([] { BUGGYRUOTA(); });
    glPopMatrix();
    ASSERT_EQ(turned.size(), manual.size());
    for (size_t i = 0; i < turned.size(); ++i)
        for (size_t k = 0; k < turned[i].size(); ++k) {
            EXPECT_NEAR(turned[i][k].x, manual[i][k].x, 1e-3);
            EXPECT_NEAR(turned[i][k].y, manual[i][k].y, 1e-3);
            EXPECT_NEAR(turned[i][k].z, manual[i][k].z, 1e-3);
        }
}

TEST_F(ModelTransforms, DrawingLeavesMatricesAndTextureGenerationAsFound) {
    glTranslatef(1, 2, 3);
    glRotatef(30, 0, 1, 0);
    GLfloat before[16], after[16], texture[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    BUGGY();
    BUGGYMASK();
    BUGGYMASK2();
    RUOTA(1, 2, 3, 10, 20, 30);
    RUOTA2(1, 2, 3, 10, 20, 30);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(after[i], before[i]);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    glGetFloatv(GL_TEXTURE_MATRIX, texture);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(texture[i], (i % 5 == 0) ? 1.0f : 0.0f);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
