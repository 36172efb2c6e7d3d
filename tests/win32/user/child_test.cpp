// Child windows: hit-testing through window regions, capture by a child, region ownership,
// overlays at SwapBuffers, and the status bar.
#include "test_support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

using namespace win32_test;
namespace vh = win32::virtual_host;

namespace {

class Children : public ::testing::Test {
protected:
    void SetUp() override {
        fresh_start();
        ensure_class("RecWindow");
        // No frame: client coordinates equal screen coordinates less (300, 200).
        parent = CreateWindowExA(0, "RecWindow", "", WS_POPUP | WS_VISIBLE, 300, 200, 200, 200, nullptr, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(parent, nullptr);
        child = CreateWindowExA(0, "RecWindow", "", WS_CHILD | WS_VISIBLE, 50, 50, 40, 40, parent,
                                reinterpret_cast<HMENU>(17), nullptr, nullptr);
        ASSERT_NE(child, nullptr);
        drain_queue();
        received().clear();
    }
    void TearDown() override {
        ReleaseCapture();
        if (IsWindow(parent)) DestroyWindow(parent);
        drain_queue();
    }
    HWND parent = nullptr;
    HWND child = nullptr;
};

TEST_F(Children, MouseGoesToTheChildOnlyInsideItsRegion) {
    // The left half of the child is its shape.
    ASSERT_EQ(SetWindowRgn(child, CreateRectRgn(0, 0, 20, 40), FALSE), 1);
    // Each move taken before the next: moves that wait together are one move.
    std::vector<MSG> msgs;
    for (const POINT p : {POINT{355, 260},    // child (5, 10): inside the shape
                          POINT{380, 260},    // child (30, 10): in its rectangle, outside the shape
                          POINT{310, 220}}) {  // parent only
        vh::mouse_move(p.x, p.y);
        for (const MSG& m : take_queued()) msgs.push_back(m);
    }
    ASSERT_EQ(msgs.size(), 3u);
    EXPECT_EQ(msgs[0].hwnd, child);
    EXPECT_EQ(GET_X_LPARAM(msgs[0].lParam), 5);
    EXPECT_EQ(GET_Y_LPARAM(msgs[0].lParam), 10);
    EXPECT_EQ(msgs[1].hwnd, parent);
    EXPECT_EQ(GET_X_LPARAM(msgs[1].lParam), 80);
    EXPECT_EQ(GET_Y_LPARAM(msgs[1].lParam), 60);
    EXPECT_EQ(msgs[2].hwnd, parent);

    EXPECT_EQ(WindowFromPoint(POINT{355, 260}), child);
    EXPECT_EQ(WindowFromPoint(POINT{380, 260}), parent);
    EXPECT_EQ(WindowFromPoint(POINT{10, 10}), nullptr);
}

TEST_F(Children, WithoutRegionTheWholeRectangleIsTheChild) {
    vh::mouse_button_at(win32::MouseButton::left, true, 389, 289);
    vh::mouse_button_at(win32::MouseButton::left, false, 390, 290);
    const auto msgs = take_queued();
    ASSERT_EQ(msgs.size(), 2u);
    EXPECT_EQ(msgs[0].hwnd, child);
    EXPECT_EQ(msgs[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(msgs[1].hwnd, parent);
}

TEST_F(Children, HiddenChildrenAreNotHit) {
    ShowWindow(child, SW_HIDE);
    vh::mouse_move(355, 260);
    const auto msgs = take_queued();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].hwnd, parent);
}

TEST_F(Children, CapturingChildGetsMovesAboveAndLeftAsLargeUnsignedNumbers) {
    ASSERT_EQ(SetWindowRgn(child, CreateRectRgn(0, 0, 20, 40), FALSE), 1);
    EXPECT_EQ(SetCapture(child), nullptr);
    std::vector<MSG> msgs;
    for (const POINT p : {POINT{380, 260},    // outside the shape
                          POINT{310, 210}}) {  // left of and above the child
        vh::mouse_move(p.x, p.y);
        for (const MSG& m : take_queued()) msgs.push_back(m);
    }
    ASSERT_EQ(msgs.size(), 2u);
    EXPECT_EQ(msgs[0].hwnd, child);
    EXPECT_EQ(GET_X_LPARAM(msgs[0].lParam), 30);
    EXPECT_EQ(msgs[1].hwnd, child);
    EXPECT_EQ(msgs[1].lParam & 0xFFFF, 65536 - 40);
    EXPECT_EQ((msgs[1].lParam >> 16) & 0xFFFF, 65536 - 40);
    // The region test the button makes on such a point fails.
    HRGN shape = CreateRectRgn(0, 0, 20, 40);
    EXPECT_FALSE(PtInRegion(shape, msgs[1].lParam & 0xFFFF, (msgs[1].lParam >> 16) & 0xFFFF));
    DeleteObject(shape);
}

TEST_F(Children, TheWindowOwnsItsRegion) {
    HRGN first = CreateRectRgn(0, 0, 10, 10);
    HRGN second = CreateRectRgn(0, 0, 5, 5);
    ASSERT_EQ(SetWindowRgn(child, first, FALSE), 1);
    ASSERT_EQ(SetWindowRgn(child, second, TRUE), 1);
    EXPECT_EQ(GetObjectType(first), 0u);  // the replaced region was deleted
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(child, copy), SIMPLEREGION);
    EXPECT_TRUE(EqualRgn(copy, second));
    EXPECT_EQ(GetWindowRgn(parent, copy), ERROR);
    DestroyWindow(child);
    EXPECT_EQ(GetObjectType(second), 0u);  // went with the window
    EXPECT_NE(GetObjectType(copy), 0u);
    DeleteObject(copy);
    EXPECT_EQ(SetWindowRgn(child, nullptr, FALSE), 0);
}

TEST_F(Children, MessagesForAChildStayInItsParentsFilter) {
    PostMessageA(child, WM_USER, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, parent, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, child);
}

TEST_F(Children, PaintsReachChildrenThroughUpdateWindow) {
    InvalidateRect(child, nullptr, FALSE);
    UpdateWindow(parent);
    const auto paints = of_kind(WM_PAINT);
    ASSERT_EQ(paints.size(), 1u);
    EXPECT_EQ(paints[0].hwnd, child);
}

TEST_F(Children, StatusBarKeepsItsPartsAlongTheParentsBottom) {
    HWND status = CreateStatusWindowA(0x50000000, "Percorso file", parent, 30482);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(GetParent(status), parent);
    EXPECT_EQ(GetDlgCtrlID(status), 30482);
    char text[64] = {};
    GetWindowTextA(status, text, sizeof text);
    EXPECT_STREQ(text, "Percorso file");
    RECT sr, pr;
    GetWindowRect(status, &sr);
    GetWindowRect(parent, &pr);
    EXPECT_EQ(sr.bottom, pr.bottom);
    EXPECT_EQ(sr.right - sr.left, 200);
    int edges[3] = {50, 120, -1};
    EXPECT_EQ(SendMessageA(status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges)), TRUE);
    EXPECT_EQ(SendMessageA(status, SB_SETPARTS, 0, 0), TRUE);
    EXPECT_EQ(SendMessageA(status, SB_SETPARTS, 1, 0), FALSE);
    EXPECT_EQ(SendMessageA(status, SB_SETPARTS, 100000, reinterpret_cast<LPARAM>(edges)), FALSE);
    EXPECT_TRUE(UpdateWindow(status));
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) EXPECT_NE(m.hwnd, status);
    EXPECT_EQ(CreateStatusWindowA(0x50000000, "x", nullptr, 1), nullptr);

    // It paints the face colour with a darker line along its top and at each part's edge.
    ASSERT_EQ(SendMessageA(status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges)), TRUE);
    EXPECT_TRUE(UpdateWindow(status));
    const win32::internal::WindowPixels px = win32::internal::window_pixels(status);
    ASSERT_NE(px.pixels, nullptr);
    ASSERT_EQ(px.width, 200);
    const auto at = [&](int x, int y) { return px.pixels[static_cast<size_t>(y) * px.width + x]; };
    EXPECT_EQ(at(10, 0), 0xA0A0A0u);
    EXPECT_EQ(at(50, px.height / 2), 0xA0A0A0u);
    EXPECT_EQ(at(120, px.height / 2), 0xA0A0A0u);
    EXPECT_EQ(at(10, px.height / 2), 0xF0F0F0u);  // COLOR_BTNFACE
}

TEST_F(Children, SwapLaysVisibleChildrenOverTheFrameThroughTheirRegions) {
    HDC dc = GetDC(parent);
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    ASSERT_TRUE(SetPixelFormat(dc, ChoosePixelFormat(dc, &pfd), &pfd));
    HGLRC rc = wglCreateContext(dc);
    ASSERT_TRUE(wglMakeCurrent(dc, rc));
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);

    const auto px = win32::internal::window_pixels(child);
    ASSERT_EQ(px.width, 40);
    ASSERT_EQ(px.height, 40);
    std::fill(px.pixels, px.pixels + 40 * 40, 0x000000FFu);
    SetWindowRgn(child, CreateRectRgn(0, 0, 20, 40), FALSE);
    HWND hidden = CreateWindowExA(0, "RecWindow", "", WS_CHILD, 0, 0, 10, 10, parent, nullptr, nullptr, nullptr);
    const auto hp = win32::internal::window_pixels(hidden);
    std::fill(hp.pixels, hp.pixels + 100, 0x0000FF00u);

    ASSERT_TRUE(SwapBuffers(dc));
    const vh::Frame* f = vh::last_frame(parent);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->pixel(55, 60), 0x0000FFu);  // the child's shape
    EXPECT_EQ(f->pixel(80, 60), 0xFF0000u);  // outside its shape: the GL frame
    EXPECT_EQ(f->pixel(5, 5), 0xFF0000u);    // the hidden child is not shown
    EXPECT_EQ(f->pixel(150, 150), 0xFF0000u);

    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(rc);
    ReleaseDC(parent, dc);
}

TEST_F(Children, ChildPaintedThroughItsDcShowsItsPixels) {
    // A memory bitmap copied into the child's paint DC lands in the child's pixels.
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = 40;
    bi.bmiHeader.biHeight = -40;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bmp, nullptr);
    std::fill(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + 1600, 0x00123456u);
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, bmp);
    InvalidateRect(child, nullptr, FALSE);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(child, &ps);
    EXPECT_TRUE(BitBlt(dc, 0, 0, 40, 40, mem, 0, 0, SRCCOPY));
    EndPaint(child, &ps);
    const auto px = win32::internal::window_pixels(child);
    EXPECT_EQ(px.pixels[0] & 0xFFFFFF, 0x123456u);
    EXPECT_EQ(px.pixels[1599] & 0xFFFFFF, 0x123456u);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(bmp);
}

}  // namespace
