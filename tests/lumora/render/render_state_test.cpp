// GL state after each render-state procedure, read back with glGet* in a real headless
// context, plus the reflection overlay's blending checked on rendered pixels.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "lumora/Lumora.h"
#include "tests/support/gl_window.h"

using render_test::GlWindow;

namespace {

std::array<GLfloat, 16> matrix(GLenum which) {
    std::array<GLfloat, 16> m{};
    glGetFloatv(which, m.data());
    return m;
}

std::array<GLfloat, 4> floats4(GLenum which) {
    std::array<GLfloat, 4> v{};
    glGetFloatv(which, v.data());
    return v;
}

GLint integer(GLenum which) {
    GLint v = 0;
    glGetIntegerv(which, &v);
    return v;
}

bool enabled(GLenum cap) { return glIsEnabled(cap) == GL_TRUE; }

GLint tex_env(GLenum pname) {
    GLint v = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, pname, &v);
    return v;
}

GLint gen_mode(GLenum coord) {
    GLint v = 0;
    glGetTexGeniv(coord, GL_TEXTURE_GEN_MODE, &v);
    return v;
}

void expect_identity(const std::array<GLfloat, 16>& m) {
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f) << "element " << i;
}

void expect_near4(const std::array<GLfloat, 4>& got, std::array<GLfloat, 4> want, float tolerance = 1e-6f) {
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], want[i], tolerance) << "component " << i;
}

class RenderState : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<GlWindow>(800, 600);
        ASSERT_TRUE(window->ready()) << "no headless GL context";
    }
    void TearDown() override { window.reset(); }
    std::unique_ptr<GlWindow> window;
};

// ---------------------------------------------------------------------------------------
// Projection
// ---------------------------------------------------------------------------------------
TEST_F(RenderState, PerspectiveViewAndRenderDefaults) {
    glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
    OPENGL_INIT(100.0, 0.0, 119.0 / 300.0, 187.0 / 300.0, 0.85);

    expect_near4(floats4(GL_COLOR_CLEAR_VALUE), {float(119.0 / 300.0), float(187.0 / 300.0), 0.85f, 0.0f});
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);

    const auto p = matrix(GL_PROJECTION_MATRIX);
    EXPECT_NEAR(p[5] / p[0], 800.0 / 600.0, 1e-5);                           // aspect
    EXPECT_NEAR(2.0 * std::atan(1.0 / p[5]) * 180.0 / M_PI, 45.0, 1e-4);     // vertical field of view
    EXPECT_NEAR(p[14] / (p[10] - 1.0f), 0.1, 1e-5);                          // near plane
    EXPECT_NEAR(p[14] / (p[10] + 1.0f), 100.0, 0.05);                        // far plane
    EXPECT_FLOAT_EQ(p[11], -1.0f);

    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
    expect_identity(matrix(GL_MODELVIEW_MATRIX));
    GLfloat clear_depth = 0;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clear_depth);
    EXPECT_FLOAT_EQ(clear_depth, 1.0f);  // 100 clamped
    EXPECT_TRUE(enabled(GL_DEPTH_TEST));
    EXPECT_EQ(integer(GL_DEPTH_FUNC), GL_LEQUAL);
    expect_near4(floats4(GL_CURRENT_COLOR), {1.0f, 1.0f, 1.0f, 0.5f});
    EXPECT_EQ(integer(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(integer(GL_BLEND_DST), GL_ONE);
    EXPECT_FALSE(enabled(GL_BLEND));
    EXPECT_EQ(integer(GL_LIGHT_MODEL_LOCAL_VIEWER), GL_TRUE);
    EXPECT_EQ(integer(GL_LINE_SMOOTH_HINT), GL_NICEST);
    EXPECT_EQ(integer(GL_POLYGON_SMOOTH_HINT), GL_NICEST);
    EXPECT_EQ(integer(GL_PERSPECTIVE_CORRECTION_HINT), GL_NICEST);
    EXPECT_TRUE(enabled(GL_AUTO_NORMAL));
    EXPECT_TRUE(enabled(GL_NORMALIZE));
    EXPECT_FALSE(enabled(GL_LIGHTING));
    EXPECT_FALSE(enabled(GL_TEXTURE_2D));
    EXPECT_FALSE(enabled(GL_CULL_FACE));

    OPENGL_INIT(0.25, 0.0, 0.0, 0.0, 0.0);  // below 1 the depth clear value follows DEPTH
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clear_depth);
    EXPECT_FLOAT_EQ(clear_depth, 0.25f);
}

TEST_F(RenderState, OrthographicBoxFollowsTheWindowShape) {
    glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
    glBlendFunc(GL_ONE, GL_ZERO);
    OPENGL_I2D(1.0, 0.25, 0.5, 0.75);

    expect_near4(floats4(GL_COLOR_CLEAR_VALUE), {0.25f, 0.5f, 0.75f, 1.0f});
    const auto p = matrix(GL_PROJECTION_MATRIX);
    // x and y of the box: where clip coordinates -1 and 1 come from.
    EXPECT_NEAR((-1.0f - p[12]) / p[0], -2.0, 1e-6);
    EXPECT_NEAR((1.0f - p[12]) / p[0], 2.0, 1e-6);
    EXPECT_NEAR((-1.0f - p[13]) / p[5], -1.5, 1e-6);
    EXPECT_NEAR((1.0f - p[13]) / p[5], 1.5, 1e-6);
    EXPECT_NEAR((p[14] + 1.0f) / p[10], -2.0, 1e-6);  // near
    EXPECT_NEAR((p[14] - 1.0f) / p[10], 2.0, 1e-6);   // far
    EXPECT_FLOAT_EQ(p[15], 1.0f);
    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
    expect_identity(matrix(GL_MODELVIEW_MATRIX));
    EXPECT_TRUE(enabled(GL_DEPTH_TEST));
    EXPECT_EQ(integer(GL_DEPTH_FUNC), GL_LEQUAL);
    EXPECT_TRUE(enabled(GL_NORMALIZE));
    // What the 2D view leaves alone.
    EXPECT_FALSE(enabled(GL_AUTO_NORMAL));
    expect_near4(floats4(GL_CURRENT_COLOR), {0.1f, 0.2f, 0.3f, 0.4f});
    EXPECT_EQ(integer(GL_BLEND_SRC), GL_ONE);
    EXPECT_EQ(integer(GL_BLEND_DST), GL_ZERO);
    EXPECT_EQ(integer(GL_LIGHT_MODEL_LOCAL_VIEWER), GL_FALSE);
}

TEST_F(RenderState, OrthographicBoxOfASquareAndATallWindow) {
    WIDTH = 300;
    HEIGHT = 301;  // 2 * 301 / 300 in floating point, after the integer product
    OPENGL_I2D(0, 0, 0, 0);
    const auto p = matrix(GL_PROJECTION_MATRIX);
    EXPECT_NEAR(1.0f / p[5], 602.0 / 300.0, 1e-5);
    EXPECT_NEAR(1.0f / p[0], 2.0, 1e-6);
}

TEST_F(RenderState, PositionXYMovesTheOriginInUnitsOf200Pixels) {
    OPENGL_I2D(0, 0, 0, 0);
    SETPOSXY(0, 0);
    expect_identity(matrix(GL_MODELVIEW_MATRIX));
    SETPOSXY(200, 200);
    auto m = matrix(GL_MODELVIEW_MATRIX);
    EXPECT_FLOAT_EQ(m[12], -1.0f);
    EXPECT_FLOAT_EQ(m[13], 1.0f);
    EXPECT_FLOAT_EQ(m[14], 0.0f);
    SETPOSXY(-100, 50);  // accumulates
    m = matrix(GL_MODELVIEW_MATRIX);
    EXPECT_FLOAT_EQ(m[12], -0.5f);
    EXPECT_FLOAT_EQ(m[13], 1.25f);
    EXPECT_FLOAT_EQ(m[0], 1.0f);

    WIDTH = 1600;  // the divisor does not follow the window width
    OPENGL_I2D(0, 0, 0, 0);
    SETPOSXY(400, 0);
    EXPECT_FLOAT_EQ(matrix(GL_MODELVIEW_MATRIX)[12], -2.0f);
}

TEST_F(RenderState, TwoDStepThenPerspectiveEndsInThePerspectiveView) {
    OPENGL_I2D(0.0, 1.0, 0.0, 0.0);
    SETPOSXY(30, 40);
    OPENGL_INIT(100.0, 0.5, 0.0, 1.0, 0.0);
    expect_near4(floats4(GL_COLOR_CLEAR_VALUE), {0.0f, 1.0f, 0.0f, 0.5f});
    expect_identity(matrix(GL_MODELVIEW_MATRIX));
    const auto p = matrix(GL_PROJECTION_MATRIX);
    EXPECT_FLOAT_EQ(p[11], -1.0f);  // perspective divide
    EXPECT_FLOAT_EQ(p[15], 0.0f);
    EXPECT_NEAR(p[5] / p[0], 800.0 / 600.0, 1e-5);
}

// ---------------------------------------------------------------------------------------
// Lights, materials, normals
// ---------------------------------------------------------------------------------------
std::array<GLfloat, 4> light(GLenum pname) {
    std::array<GLfloat, 4> v{};
    glGetLightfv(GL_LIGHT0, pname, v.data());
    return v;
}

TEST_F(RenderState, LightUnderIdentityMatrixSitsAtTheEye) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SETGLLIGHT(GL_LIGHT0, 0.0f, 0.0f, 0.0f, 0.1f);
    EXPECT_TRUE(enabled(GL_LIGHTING));
    EXPECT_TRUE(enabled(GL_LIGHT0));
    EXPECT_FALSE(enabled(GL_LIGHT1));
    expect_near4(light(GL_POSITION), {0.0f, 0.0f, 0.0f, 0.1f});
    expect_near4(light(GL_AMBIENT), {0.5f, 0.5f, 0.5f, 1.0f});
    expect_near4(light(GL_DIFFUSE), {1.0f, 1.0f, 1.0f, 1.0f});
    expect_near4(light(GL_SPECULAR), {1.0f, 1.0f, 1.0f, 1.0f});
    EXPECT_FLOAT_EQ(LIGHTPOSITION[3], 0.1f);
    GLfloat attenuation = 0;
    glGetLightfv(GL_LIGHT0, GL_CONSTANT_ATTENUATION, &attenuation);
    EXPECT_FLOAT_EQ(attenuation, 1.0f);
    EXPECT_FALSE(enabled(GL_COLOR_MATERIAL));

    // The position goes through the model-view matrix of the moment.
    glTranslatef(1.0f, 2.0f, 3.0f);
    SETGLLIGHT(GL_LIGHT0 + 2, 0.0f, 0.0f, 0.0f, 1.0f);
    std::array<GLfloat, 4> p{};
    glGetLightfv(GL_LIGHT2, GL_POSITION, p.data());
    expect_near4(p, {1.0f, 2.0f, 3.0f, 1.0f});
    EXPECT_TRUE(enabled(GL_LIGHT2));
}

TEST_F(RenderState, PointLightMovesTheLightAndDrawsItsMarker) {
    OPENGL_INIT(100.0, 0, 0, 0, 0);
    glDisable(GL_LIGHT0);
    PUTGLPOINTLIGHT(GL_LIGHT0, 5.0f, 0.0f, 124.0f, 0.0f, 0.1f);
    const auto p = light(GL_POSITION);
    expect_near4(p, {0.0f, 124.0f, 0.0f, 0.1f});
    EXPECT_NEAR(p[1] / p[3], 1240.0f, 1e-3);  // the light stands ten times as far out
    EXPECT_FALSE(enabled(GL_LIGHT0));        // it does not switch the light on
    GLfloat size = 0;
    glGetFloatv(GL_POINT_SIZE, &size);
    EXPECT_FLOAT_EQ(size, 5.0f);
    expect_near4(floats4(GL_CURRENT_NORMAL), {0.0f, 0.0f, 1.0f, 0.0f});
    EXPECT_FLOAT_EQ(LIGHTPOSITION[1], 124.0f);
}

TEST_F(RenderState, NewMaterialSetsTheFrontFaceOnly) {
    SETGLNEWMAT(0.1f, 0.2f, 0.3f, 0.0f, 0.0f, 0.0f, 0.7f, 0.8f, 0.9f, 0.01f, 0.02f, 0.03f, 50.0f);
    auto front = [](GLenum pname) {
        std::array<GLfloat, 4> v{};
        glGetMaterialfv(GL_FRONT, pname, v.data());
        return v;
    };
    auto back = [](GLenum pname) {
        std::array<GLfloat, 4> v{};
        glGetMaterialfv(GL_BACK, pname, v.data());
        return v;
    };
    expect_near4(front(GL_AMBIENT), {0.1f, 0.2f, 0.3f, 1.0f});
    expect_near4(front(GL_DIFFUSE), {0.0f, 0.0f, 0.0f, 1.0f});
    expect_near4(front(GL_SPECULAR), {0.7f, 0.8f, 0.9f, 1.0f});
    expect_near4(front(GL_EMISSION), {0.01f, 0.02f, 0.03f, 1.0f});
    EXPECT_FLOAT_EQ(front(GL_SHININESS)[0], 50.0f);
    expect_near4(back(GL_AMBIENT), {0.2f, 0.2f, 0.2f, 1.0f});  // OpenGL's defaults
    expect_near4(back(GL_DIFFUSE), {0.8f, 0.8f, 0.8f, 1.0f});
    EXPECT_FLOAT_EQ(back(GL_SHININESS)[0], 0.0f);
}

TEST_F(RenderState, InvertedNormalIsNegatedNotNormalised) {
    INVERTNORMAL3F(0.0f, 1.0f, 0.0f);
    auto n = floats4(GL_CURRENT_NORMAL);
    EXPECT_EQ(n[0], 0.0f);
    EXPECT_EQ(n[1], -1.0f);
    EXPECT_EQ(n[2], 0.0f);
    INVERTNORMAL3F(3.0f, -4.0f, 0.5f);
    n = floats4(GL_CURRENT_NORMAL);
    EXPECT_FLOAT_EQ(n[0], -3.0f);
    EXPECT_FLOAT_EQ(n[1], 4.0f);
    EXPECT_FLOAT_EQ(n[2], -0.5f);
    INVERTNORMAL3F(0.0f, 0.0f, 0.0f);
    n = floats4(GL_CURRENT_NORMAL);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(n[i], 0.0f);
        EXPECT_TRUE(std::signbit(n[i])) << "component " << i << " is not -0";
    }
}

// ---------------------------------------------------------------------------------------
// Texture coordinates, culling, sprites
// ---------------------------------------------------------------------------------------
// The texture coordinates OpenGL gives a vertex, read off a rendered point: the bound
// texture's texel (i, j) has red i and green j, so the point's colour names the texel its
// coordinates fell on (in 256ths). The model-view matrix brings the vertex to the centre of
// the window; object-linear generation works on the untransformed object coordinates.
std::array<int, 2> texel_of_vertex(GLfloat x, GLfloat y, GLfloat z) {
    GLuint texture = 0;
    {
        std::vector<GLubyte> texels(256 * 256 * 3);
        for (int j = 0; j < 256; ++j) {
            for (int i = 0; i < 256; ++i) {
                texels[(j * 256 + i) * 3] = GLubyte(i);
                texels[(j * 256 + i) * 3 + 1] = GLubyte(j);
                texels[(j * 256 + i) * 3 + 2] = 0;
            }
        }
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glViewport(0, 0, 800, 600);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-10, 10, -10, 10, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(-x, -y, -z);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glPointSize(4);
    glBegin(GL_POINTS);
    glVertex3f(x, y, z);
    glEnd();
    GLubyte rgba[4] = {0, 0, 0, 0};
    glReadPixels(400, 300, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glDeleteTextures(1, &texture);
    EXPECT_EQ(rgba[2], 0) << "the point was not drawn";
    return {rgba[0], rgba[1]};
}

TEST_F(RenderState, AutoMapTakesTextureCoordinatesFromObjectXAndY) {
    TEXTUREAUTOMAPON();
    EXPECT_TRUE(enabled(GL_TEXTURE_GEN_S));
    EXPECT_TRUE(enabled(GL_TEXTURE_GEN_T));
    EXPECT_FALSE(enabled(GL_TEXTURE_GEN_R));
    EXPECT_EQ(gen_mode(GL_S), GL_OBJECT_LINEAR);
    EXPECT_EQ(gen_mode(GL_T), GL_OBJECT_LINEAR);
    auto texel = texel_of_vertex(0.25f, 0.75f, 3.0f);  // s 0.25 and t 0.75: texel (64, 192)
    EXPECT_NEAR(texel[0], 64, 1);
    EXPECT_NEAR(texel[1], 192, 1);
    texel = texel_of_vertex(0.25f, 0.75f, -7.0f);  // z plays no part
    EXPECT_NEAR(texel[0], 64, 1);
    EXPECT_NEAR(texel[1], 192, 1);
    texel = texel_of_vertex(0.5f, 0.125f, 0.0f);
    EXPECT_NEAR(texel[0], 128, 1);
    EXPECT_NEAR(texel[1], 32, 1);

    TEXTUREAUTOMAPOFF();
    EXPECT_FALSE(enabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(enabled(GL_TEXTURE_GEN_T));
    EXPECT_EQ(gen_mode(GL_S), GL_OBJECT_LINEAR);  // modes stay as set
    glTexCoord2f(0.9f, 0.9f);
    texel = texel_of_vertex(0.25f, 0.75f, 3.0f);  // the current texture coordinate again
    EXPECT_NEAR(texel[0], 230, 1);
    EXPECT_NEAR(texel[1], 230, 1);
}

TEST_F(RenderState, RefractiveCullsBackFaces) {
    glCullFace(GL_FRONT);
    glFrontFace(GL_CW);
    SETGLREFRACTIVE();
    EXPECT_TRUE(enabled(GL_CULL_FACE));
    EXPECT_EQ(integer(GL_CULL_FACE_MODE), GL_BACK);
    EXPECT_EQ(integer(GL_FRONT_FACE), GL_CCW);
    EXPECT_EQ(integer(GL_SHADE_MODEL), GL_SMOOTH);
}

TEST_F(RenderState, SpriteBlendsWithoutDepthWrites) {
    glBlendFunc(GL_ZERO, GL_SRC_COLOR);
    glEnable(GL_ALPHA_TEST);
    SETGLSPRITE(false);
    EXPECT_TRUE(enabled(GL_BLEND));
    EXPECT_EQ(integer(GL_DEPTH_WRITEMASK), GL_FALSE);
    EXPECT_EQ(integer(GL_BLEND_SRC), GL_ZERO);
    EXPECT_EQ(integer(GL_BLEND_DST), GL_SRC_COLOR);

    SETGLSPRITE(true);
    EXPECT_EQ(integer(GL_BLEND_SRC), GL_ONE);
    EXPECT_EQ(integer(GL_BLEND_DST), GL_ONE);

    SETGLSPRITEOFF();
    EXPECT_FALSE(enabled(GL_BLEND));
    EXPECT_FALSE(enabled(GL_ALPHA_TEST));
    EXPECT_EQ(integer(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_EQ(integer(GL_BLEND_SRC), GL_ONE);  // not restored
}

// ---------------------------------------------------------------------------------------
// The reflection overlay pass
// ---------------------------------------------------------------------------------------
void expect_overlay_state() {
    EXPECT_TRUE(enabled(GL_BLEND));
    EXPECT_EQ(integer(GL_BLEND_SRC), GL_DST_COLOR);
    EXPECT_EQ(integer(GL_BLEND_DST), GL_SRC_COLOR);
    EXPECT_EQ(integer(GL_DEPTH_WRITEMASK), GL_FALSE);
    EXPECT_EQ(tex_env(GL_TEXTURE_ENV_MODE), GL_COMBINE);
    EXPECT_EQ(tex_env(GL_COMBINE_RGB), GL_ADD_SIGNED);
    EXPECT_EQ(tex_env(GL_SOURCE0_RGB), GL_PRIMARY_COLOR);
    EXPECT_EQ(tex_env(GL_SOURCE1_RGB), GL_TEXTURE);
    EXPECT_EQ(tex_env(GL_OPERAND0_RGB), GL_ONE_MINUS_SRC_COLOR);
    EXPECT_EQ(tex_env(GL_OPERAND1_RGB), GL_ONE_MINUS_SRC_COLOR);
    EXPECT_EQ(tex_env(GL_COMBINE_ALPHA), GL_MODULATE);  // alpha combiner keeps its defaults
    EXPECT_TRUE(enabled(GL_TEXTURE_GEN_S));
    EXPECT_TRUE(enabled(GL_TEXTURE_GEN_T));
    EXPECT_TRUE(enabled(GL_TEXTURE_GEN_R));
    EXPECT_EQ(gen_mode(GL_S), GL_SPHERE_MAP);
    EXPECT_EQ(gen_mode(GL_T), GL_SPHERE_MAP);
    EXPECT_EQ(gen_mode(GL_R), GL_REFLECTION_MAP);
}

void expect_restored_state() {
    EXPECT_FALSE(enabled(GL_BLEND));
    EXPECT_EQ(integer(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(integer(GL_BLEND_DST), GL_ONE);
    EXPECT_EQ(integer(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_FALSE(enabled(GL_ALPHA_TEST));
    EXPECT_EQ(tex_env(GL_TEXTURE_ENV_MODE), GL_MODULATE);
    EXPECT_FALSE(enabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(enabled(GL_TEXTURE_GEN_T));
    EXPECT_FALSE(enabled(GL_TEXTURE_GEN_R));
    EXPECT_EQ(gen_mode(GL_S), GL_SPHERE_MAP);  // modes are left as set
}

TEST_F(RenderState, RefractBeginEntersAndEndLeavesTheOverlayState) {
    OPENGL_INIT(100.0, 0, 0, 0, 0);
    glEnable(GL_ALPHA_TEST);
    const GLint depth = integer(GL_MODELVIEW_STACK_DEPTH);
    glTranslatef(1, 2, 3);
    const auto before = matrix(GL_MODELVIEW_MATRIX);

    FX_REFRACTBEGIN();
    expect_overlay_state();
    EXPECT_TRUE(enabled(GL_DEPTH_TEST));
    EXPECT_EQ(integer(GL_DEPTH_FUNC), GL_LEQUAL);
    EXPECT_TRUE(enabled(GL_ALPHA_TEST));  // unchanged by the begin
    EXPECT_EQ(integer(GL_MODELVIEW_STACK_DEPTH), depth + 1);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), before);
    glRotatef(30, 0, 1, 0);

    FX_REFRACTEND();
    expect_restored_state();
    EXPECT_EQ(integer(GL_MODELVIEW_STACK_DEPTH), depth);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), before);
}

TEST_F(RenderState, BeginsStackOnlyTheMatrix) {
    OPENGL_INIT(100.0, 0, 0, 0, 0);
    const GLint depth = integer(GL_MODELVIEW_STACK_DEPTH);
    for (int i = 0; i < 4; ++i) FX_REFRACTBEGIN();
    expect_overlay_state();
    EXPECT_EQ(integer(GL_MODELVIEW_STACK_DEPTH), depth + 4);
    for (int i = 0; i < 4; ++i) FX_REFRACTEND();
    expect_restored_state();
    EXPECT_EQ(integer(GL_MODELVIEW_STACK_DEPTH), depth);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    for (int i = 0; i < 4; ++i) FX_REFRACTBEGIN();
    FX_REFRACTEND();  // one end already restores everything but the stack
    expect_restored_state();
    EXPECT_EQ(integer(GL_MODELVIEW_STACK_DEPTH), depth + 3);
}

// Draws a full-window quad in the overlay state over a cleared framebuffer and returns the
// colour that ends up there. `primary` is the vertex colour, `texel` the texture's colour.
std::array<int, 3> overlay_over(const std::array<float, 3>& background, float primary, float texel) {
    glViewport(0, 0, 800, 600);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glClearColor(background[0], background[1], background[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    const GLubyte t = static_cast<GLubyte>(std::lround(texel * 255.0f));
    const GLubyte pixels[4 * 4] = {t, t, t, 255, t, t, t, 255, t, t, t, 255, t, t, t, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glEnable(GL_TEXTURE_2D);

    FX_REFRACTBEGIN();
    glColor4f(primary, primary, primary, 1.0f);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
    FX_REFRACTEND();
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(1, &texture);

    GLubyte rgba[4] = {0, 0, 0, 0};
    glReadPixels(400, 300, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return {rgba[0], rgba[1], rgba[2]};
}

TEST_F(RenderState, OverlayKeepsDarkensOrDoublesThePicture) {
    const std::array<float, 3> background = {0.4f, 0.3f, 0.2f};
    const int r = 102, g = 77, b = 51;  // the background as stored

    // (1 - 0.5) + (1 - 0.5) - 0.5 = 0.5: unchanged.
    auto c = overlay_over(background, 0.5f, 0.5f);
    EXPECT_NEAR(c[0], r, 2);
    EXPECT_NEAR(c[1], g, 2);
    EXPECT_NEAR(c[2], b, 2);
    // (1 - 1) + (1 - 1) - 0.5 clamps to 0: black.
    c = overlay_over(background, 1.0f, 1.0f);
    EXPECT_EQ(c, (std::array<int, 3>{0, 0, 0}));
    // (1 - 0) + (1 - 0) - 0.5 clamps to 1: doubled.
    c = overlay_over(background, 0.0f, 0.0f);
    EXPECT_NEAR(c[0], 2 * r, 2);
    EXPECT_NEAR(c[1], 2 * g, 2);
    EXPECT_NEAR(c[2], 2 * b, 2);
    // Doubling clamps at white.
    c = overlay_over({0.8f, 0.6f, 0.1f}, 0.0f, 0.0f);
    EXPECT_EQ(c[0], 255);
    EXPECT_NEAR(c[1], 255, 1);
    EXPECT_NEAR(c[2], 51, 2);
}

}  // namespace
