// Pixel formats, WGL contexts over the headless host, and frames read back after SwapBuffers.
#include "test_support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

using namespace win32_test;
namespace vh = win32::virtual_host;

namespace {

// The request the viewer makes: every bit count 32, stereo, overlay plane.
PIXELFORMATDESCRIPTOR viewer_request() {
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = 40;
    pfd.nVersion = 1;
    pfd.dwFlags = 0x1067;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cAlphaBits = 32;
    pfd.cAccumBits = 32;
    pfd.cDepthBits = 32;
    pfd.cStencilBits = 32;
    pfd.cAuxBuffers = 32;
    pfd.iLayerType = PFD_OVERLAY_PLANE;
    return pfd;
}

class Gl : public ::testing::Test {
protected:
    void SetUp() override {
        fresh_start();
        ensure_class("RecWindow");
        window = CreateWindowExA(0, "RecWindow", "GL", 0x96CA0000, CW_USEDEFAULT, CW_USEDEFAULT, 160, 120, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        dc = GetDC(window);
        ASSERT_NE(dc, nullptr);
    }
    void TearDown() override {
        wglMakeCurrent(nullptr, nullptr);
        if (rc) wglDeleteContext(rc);
        ReleaseDC(window, dc);
        DestroyWindow(window);
        drain_queue();
    }
    void make_context() {
        const PIXELFORMATDESCRIPTOR pfd = viewer_request();
        const int format = ChoosePixelFormat(dc, &pfd);
        ASSERT_NE(format, 0);
        ASSERT_TRUE(SetPixelFormat(dc, format, &pfd));
        rc = wglCreateContext(dc);
        ASSERT_NE(rc, nullptr);
        ASSERT_TRUE(wglMakeCurrent(dc, rc));
    }
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC rc = nullptr;
};

TEST_F(Gl, ViewerRequestGetsDoubleBufferedRgba8WithDepth24Stencil8) {
    const PIXELFORMATDESCRIPTOR request = viewer_request();
    const int format = ChoosePixelFormat(dc, &request);
    ASSERT_EQ(format, 1);
    PIXELFORMATDESCRIPTOR got{};
    const int count = DescribePixelFormat(dc, format, sizeof(got), &got);
    EXPECT_GE(count, 1);
    EXPECT_TRUE(got.dwFlags & PFD_DOUBLEBUFFER);
    EXPECT_TRUE(got.dwFlags & PFD_SUPPORT_OPENGL);
    EXPECT_TRUE(got.dwFlags & PFD_DRAW_TO_WINDOW);
    EXPECT_EQ(got.iPixelType, PFD_TYPE_RGBA);
    EXPECT_EQ(got.cRedBits, 8);
    EXPECT_EQ(got.cGreenBits, 8);
    EXPECT_EQ(got.cBlueBits, 8);
    EXPECT_EQ(got.cAlphaBits, 8);
    EXPECT_EQ(got.cDepthBits, 24);
    EXPECT_EQ(got.cStencilBits, 8);
    EXPECT_EQ(got.iLayerType, PFD_MAIN_PLANE);
    EXPECT_EQ(DescribePixelFormat(dc, count + 1, sizeof(got), &got), 0);
    EXPECT_EQ(DescribePixelFormat(dc, 0, sizeof(got), &got), 0);
}

// A window, context or box the host cannot give fails the call with a last error, and the
// host's reason goes to standard error for a person.
TEST_F(Gl, WhatTheHostCannotGiveFailsWithTheHostsReason) {
    vh::fail_next_surface();
    testing::internal::CaptureStderr();
    SetLastError(0);
    EXPECT_EQ(CreateWindowExA(0, "RecWindow", "none", 0x96CA0000, 0, 0, 160, 120, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "win32: CreateWindowExA: eglCreatePbufferSurface failed: EGL_BAD_ALLOC\n");

    const PIXELFORMATDESCRIPTOR pfd = viewer_request();
    ASSERT_TRUE(SetPixelFormat(dc, ChoosePixelFormat(dc, &pfd), &pfd));
    vh::fail_next_context();
    testing::internal::CaptureStderr();
    SetLastError(0);
    EXPECT_EQ(wglCreateContext(dc), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "win32: wglCreateContext: eglCreateContext failed: EGL_BAD_ALLOC\n");

    vh::push_message_box_answer(0);
    testing::internal::CaptureStderr();
    SetLastError(0);
    EXPECT_EQ(MessageBoxA(window, "x", "y", MB_OK), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("win32: MessageBoxA: "), std::string::npos);

    // Calls that work say nothing and leave the last error alone.
    testing::internal::CaptureStderr();
    SetLastError(1234);
    rc = wglCreateContext(dc);
    EXPECT_NE(rc, nullptr);
    EXPECT_TRUE(wglMakeCurrent(dc, rc));
    EXPECT_EQ(MessageBoxA(window, "x", "y", MB_OK), IDOK);
    EXPECT_EQ(GetLastError(), 1234u);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(Gl, ChoiceFailsOnlyWithoutDescriptorOrWindow) {
    EXPECT_EQ(ChoosePixelFormat(dc, nullptr), 0);
    const PIXELFORMATDESCRIPTOR request = viewer_request();
    EXPECT_EQ(ChoosePixelFormat(nullptr, &request), 0);
    HDC memory = CreateCompatibleDC(nullptr);
    EXPECT_EQ(ChoosePixelFormat(memory, &request), 0);
    DeleteDC(memory);
    PIXELFORMATDESCRIPTOR odd{};
    odd.iPixelType = PFD_TYPE_COLORINDEX;
    odd.cColorBits = 8;
    EXPECT_EQ(ChoosePixelFormat(dc, &odd), 1);
}

TEST_F(Gl, NoContextWithoutPixelFormat) {
    EXPECT_EQ(GetPixelFormat(dc), 0);
    SetLastError(0);
    EXPECT_EQ(wglCreateContext(dc), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PIXEL_FORMAT));
    EXPECT_FALSE(SwapBuffers(dc));
    const PIXELFORMATDESCRIPTOR request = viewer_request();
    EXPECT_FALSE(SetPixelFormat(dc, 2, &request));
    EXPECT_TRUE(SetPixelFormat(dc, 1, &request));
    EXPECT_EQ(GetPixelFormat(dc), 1);
}

TEST_F(Gl, CurrentContextRendersAndSwapMakesTheFrameReadable) {
    make_context();
    EXPECT_EQ(wglGetCurrentContext(), rc);
    EXPECT_EQ(wglGetCurrentDC(), dc);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 154);  // the client area, 160 - 2 * 3
    EXPECT_EQ(viewport[3], 98);   // 120 - 19 - 3
    GLint depth = 0, stencil = 0, draw_buffer = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    glGetIntegerv(GL_DRAW_BUFFER, &draw_buffer);
    EXPECT_EQ(depth, 24);
    EXPECT_EQ(stencil, 8);
    EXPECT_EQ(draw_buffer, GL_BACK);

    // Fixed-function drawing: a red background with a green lower-left quarter.
    glClearColor(1, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(0, 1, 0);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(0, -1);
    glVertex2f(0, 0);
    glVertex2f(-1, 0);
    glEnd();

    uint64_t seen_index = ~0ull;
    vh::set_frame_callback([&](uint64_t index) { seen_index = index; });
    const uint64_t before = vh::frame_count();
    ASSERT_TRUE(SwapBuffers(dc));
    EXPECT_EQ(vh::frame_count(), before + 1);
    EXPECT_EQ(seen_index, before);
    const vh::Frame* frame = vh::last_frame(window);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame, vh::last_frame());
    EXPECT_EQ(frame->width, 154);
    EXPECT_EQ(frame->height, 98);
    // Top row first: the green quarter is at the bottom left.
    EXPECT_EQ(frame->pixel(2, 2), 0xFF0000u);
    EXPECT_EQ(frame->pixel(2, 95), 0x00FF00u);
    EXPECT_EQ(frame->pixel(150, 95), 0xFF0000u);
    EXPECT_EQ(frame->rgba[3], 0xFF);  // shown opaque whatever the alpha drawn

    const std::string path = ::testing::TempDir() + "frame.png";
    ASSERT_TRUE(vh::write_png(*frame, path));
    std::ifstream png(path, std::ios::binary);
    char sig[8] = {};
    png.read(sig, 8);
    EXPECT_EQ(std::string(sig + 1, 3), "PNG");
    std::remove(path.c_str());
}

TEST_F(Gl, ReleaseAndDeleteContexts) {
    make_context();
    const int alive = vh::context_count();
    EXPECT_TRUE(wglMakeCurrent(dc, nullptr));
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_TRUE(wglMakeCurrent(dc, rc));
    EXPECT_TRUE(wglDeleteContext(rc));  // deleting the current context releases it
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_EQ(vh::context_count(), alive - 1);
    EXPECT_FALSE(wglDeleteContext(rc));
    EXPECT_FALSE(wglMakeCurrent(dc, rc));
    rc = nullptr;
}

TEST_F(Gl, SwapAfterWindowIsGoneFailsQuietly) {
    make_context();
    DestroyWindow(window);
    glClear(GL_COLOR_BUFFER_BIT);  // still harmless
    EXPECT_FALSE(SwapBuffers(dc));
    EXPECT_TRUE(wglMakeCurrent(dc, nullptr));
}

TEST_F(Gl, ResizedWindowSwapsFramesOfTheNewSize) {
    make_context();
    ASSERT_TRUE(MoveWindow(window, 0, 0, 206, 122, TRUE));
    glViewport(0, 0, 200, 100);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(SwapBuffers(dc));
    const vh::Frame* frame = vh::last_frame(window);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->width, 200);
    EXPECT_EQ(frame->height, 100);
    EXPECT_EQ(frame->pixel(199, 99), 0x0000FFu);
}

}  // namespace
