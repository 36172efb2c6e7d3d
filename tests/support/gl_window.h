// A window with a current OpenGL context made the way the viewer makes its own (window
// class, pixel format, wglCreateContext), for tests that read GL state back.
#pragma once

#include <gtest/gtest.h>

#include "lumora/Lumora.h"

namespace render_test {

class GlWindow {
public:
    GlWindow(int width, int height) {
        static bool registered = false;
        if (!registered) {
            WNDCLASSA wc{};
            wc.style = CS_HREDRAW | CS_VREDRAW;
            wc.lpfnWndProc = DefWindowProcA;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "RenderStateTest";
            registered = RegisterClassA(&wc) != 0;
        }
        window_ = CreateWindowExA(0, "RenderStateTest", "render state", WS_POPUP, 0, 0, width, height, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
        if (window_ == nullptr) return;
        ShowWindow(window_, SW_SHOW);
        dc_ = GetDC(window_);
        PIXELFORMATDESCRIPTOR pfd{};
        pfd.nSize = sizeof pfd;
        pfd.nVersion = 1;
        pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        pfd.iPixelType = PFD_TYPE_RGBA;
        pfd.cColorBits = 32;
        pfd.cDepthBits = 16;
        pfd.iLayerType = PFD_MAIN_PLANE;
        const int format = ChoosePixelFormat(dc_, &pfd);
        if (format == 0 || !SetPixelFormat(dc_, format, &pfd)) return;
        context_ = wglCreateContext(dc_);
        if (context_ == nullptr || !wglMakeCurrent(dc_, context_)) return;
        WIDTH = width;
        HEIGHT = height;
        glViewport(0, 0, width, height);
        ready_ = true;
    }
    ~GlWindow() {
        wglMakeCurrent(nullptr, nullptr);
        if (context_ != nullptr) wglDeleteContext(context_);
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
        if (window_ != nullptr) DestroyWindow(window_);
    }
    GlWindow(const GlWindow&) = delete;
    GlWindow& operator=(const GlWindow&) = delete;

    bool ready() const { return ready_; }
    HDC dc() const { return dc_; }

private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
    HGLRC context_ = nullptr;
    bool ready_ = false;
};

}  // namespace render_test
