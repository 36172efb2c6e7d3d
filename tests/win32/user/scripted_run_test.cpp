// A whole run scripted frame by frame, the way the snapshot tool and the end-to-end tests
// drive a program: a frame loop that handles at most one message per frame, with input
// injected from the swap callback.
#include "test_support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace vh = win32::virtual_host;

namespace {

struct RunState {
    bool active = false;
    bool dragging = false;
    int anchor_x = 0;
    int dragged = 0;
    int destroys = 0;
};
RunState run;

LRESULT CALLBACK viewer_like_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
    case WM_CREATE:
        run.active = true;
        return 0;
    case WM_DESTROY:
        run.active = false;
        ++run.destroys;
        PostQuitMessage(0);
        return 0;
    case WM_KEYDOWN:
        if (wparam == VK_ESCAPE) {
            SendMessageA(hwnd, WM_DESTROY, 0, 0);
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
        ReleaseCapture();
        SetCapture(hwnd);
        run.dragging = true;
        run.anchor_x = static_cast<int>(lparam & 0xFFFF);
        break;
    case WM_MOUSEMOVE:
        if (run.dragging) {
            run.dragged += static_cast<int>(lparam & 0xFFFF) - run.anchor_x;
            run.anchor_x = static_cast<int>(lparam & 0xFFFF);
        }
        break;
    case WM_LBUTTONUP:
        ReleaseCapture();
        run.dragging = false;
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

// One message per call, never blocking.
void pump_one() {
    MSG m;
    if (PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE)) {
        GetMessageA(&m, nullptr, 0, 0);
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

TEST(ScriptedRun, DragThenEscapeOverFramesWithOneMessagePerFrame) {
    win32_test::fresh_start();
    run = {};
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = viewer_like_proc;
    wc.lpszClassName = "ScriptedViewer";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND w = CreateWindowExA(0, "ScriptedViewer", "run", 0x96CA0000, CW_USEDEFAULT, CW_USEDEFAULT, 200, 150, nullptr,
                             nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(run.active);
    ShowWindow(w, SW_SHOWDEFAULT);
    UpdateWindow(w);
    HDC dc = GetDC(w);
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    SetPixelFormat(dc, ChoosePixelFormat(dc, &pfd), &pfd);
    HGLRC rc = wglCreateContext(dc);
    ASSERT_TRUE(wglMakeCurrent(dc, rc));

    // Client origin on the screen is (3, 19): press at client (50, 50), drag 40 pixels right
    // in four moves, the last ones outside the window (captured), release, then Escape.
    const uint64_t first = vh::frame_count();
    std::vector<uint32_t> centre_colour;
    vh::set_frame_callback([&](uint64_t index) {
        centre_colour.push_back(vh::last_frame(w)->pixel(97, 64));
        switch (index - first) {
        case 1:
            vh::mouse_button_at(win32::MouseButton::left, true, 53, 69);
            break;
        case 2:
            for (int i = 1; i <= 4; ++i) vh::mouse_move(53 + 10 * i + (i > 2 ? 200 : 0), 69);
            break;
        case 3:
            vh::mouse_button(win32::MouseButton::left, false);
            break;
        case 12:
            vh::key(VK_ESCAPE, true);
            break;
        default:
            break;
        }
    });

    int frames = 0;
    do {
        glClearColor(run.dragged > 0 ? 0.0f : 1.0f, 0.0f, run.dragged > 0 ? 1.0f : 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        pump_one();
        SwapBuffers(dc);
        ++frames;
    } while (run.active && frames < 200);
    vh::set_frame_callback(nullptr);

    EXPECT_FALSE(run.active);
    EXPECT_EQ(run.destroys, 1);
    // The four moves were worked off one per frame, the captured ones included: the drag went
    // from client x 50 to 290.
    EXPECT_EQ(run.dragged, 240);
    EXPECT_TRUE(IsWindow(w));  // Escape does not destroy the window
    // The Escape key injected at swap 12 is handled by the pump of the next frame, the 14th.
    EXPECT_EQ(frames, 14);
    ASSERT_GE(centre_colour.size(), 10u);
    EXPECT_EQ(centre_colour.front(), 0xFF0000u);
    EXPECT_EQ(centre_colour.back(), 0x0000FFu);

    wglMakeCurrent(dc, nullptr);
    wglDeleteContext(rc);
    ReleaseDC(w, dc);
    DestroyWindow(w);
    EXPECT_EQ(run.destroys, 2);
    win32_test::drain_queue();
}

}  // namespace
