// The thread message queue: posting, peeking, getting, dispatching, quit and paint.
#include <gtest/gtest.h>

#include "test_support.h"

using namespace win32_test;

namespace {

class Queue : public ::testing::Test {
protected:
    void SetUp() override {
        fresh_start();
        ensure_class("RecWindow");
        window = CreateWindowExA(0, "RecWindow", "", WS_POPUP | WS_VISIBLE, 0, 0, 64, 64, nullptr, nullptr, nullptr,
                                 nullptr);
        ASSERT_NE(window, nullptr);
        drain_queue();
        received().clear();
    }
    void TearDown() override {
        DestroyWindow(window);
        drain_queue();
    }
    HWND window = nullptr;
};

TEST_F(Queue, PeekWithoutRemoveLeavesTheMessageAndGetTakesExactlyOne) {
    PostMessageA(window, WM_USER + 1, 11, 12);
    PostMessageA(window, WM_USER + 2, 21, 22);
    MSG m{};
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1));

    ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_EQ(m.hwnd, window);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(m.wParam, 11u);
    EXPECT_EQ(m.lParam, 12);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 2));
    ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 2));
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    // Nothing was dispatched along the way.
    EXPECT_TRUE(received().empty());
}

TEST_F(Queue, FiltersByWindowAndRange) {
    PostMessageA(window, WM_USER + 5, 0, 0);
    PostMessageA(nullptr, WM_USER + 6, 0, 0);
    MSG m{};
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER + 6, WM_USER + 6, PM_REMOVE));
    EXPECT_EQ(m.hwnd, nullptr);
    EXPECT_FALSE(PeekMessageA(&m, window, WM_USER + 6, WM_USER + 9, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&m, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 5));
    EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(0x7777), WM_USER, 0, 0));
}

TEST_F(Queue, DispatchCallsTheProcedureAndSendIsDirect) {
    PostMessageA(window, WM_USER + 3, 1, 2);
    EXPECT_TRUE(received().empty());
    MSG m{};
    ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    DispatchMessageA(&m);
    ASSERT_EQ(received().size(), 1u);
    EXPECT_EQ(received()[0].message, static_cast<UINT>(WM_USER + 3));

    received().clear();
    SendMessageA(window, WM_USER + 4, 0, 0);
    ASSERT_EQ(received().size(), 1u);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(Queue, QuitHasNoWindowAndIsDispatchedToNowhere) {
    PostQuitMessage(3);
    MSG m{};
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(m.hwnd, nullptr);
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_EQ(DispatchMessageA(&m), 0);
    EXPECT_TRUE(received().empty());
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(Queue, PostedMessagesComeBeforeQuit) {
    PostQuitMessage(0);
    PostMessageA(window, WM_USER + 7, 0, 0);
    MSG m{};
    ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 7));
    EXPECT_FALSE(GetMessageA(&m, nullptr, 0, 0));
}

TEST_F(Queue, PaintIsSynthesisedForAnInvalidWindowOnlyWhenTheQueueIsEmpty) {
    InvalidateRect(window, nullptr, FALSE);
    PostMessageA(window, WM_USER + 8, 0, 0);
    MSG m{};
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 8));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(m.hwnd, window);
    // Removing it does not validate: it comes again until the window is painted.
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
    DispatchMessageA(&m);  // default processing validates
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Queue, UpdateWindowPaintsOnlyWhatIsInvalid) {
    EXPECT_TRUE(UpdateWindow(window));
    EXPECT_TRUE(of_kind(WM_PAINT).empty());
    RECT r{2, 3, 10, 12};
    InvalidateRect(window, &r, FALSE);
    EXPECT_TRUE(UpdateWindow(window));
    EXPECT_EQ(of_kind(WM_PAINT).size(), 1u);
    EXPECT_TRUE(UpdateWindow(window));
    EXPECT_EQ(of_kind(WM_PAINT).size(), 1u);
    EXPECT_FALSE(UpdateWindow(nullptr));
}

TEST_F(Queue, BeginPaintReportsTheUpdateRectangleAndValidates) {
    RECT a{2, 3, 10, 12}, b{20, 1, 30, 5};
    InvalidateRect(window, &a, TRUE);
    InvalidateRect(window, &b, FALSE);
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(window, &ps);
    EXPECT_NE(dc, nullptr);
    EXPECT_EQ(ps.hdc, dc);
    EXPECT_EQ(ps.rcPaint.left, 2);
    EXPECT_EQ(ps.rcPaint.top, 1);
    EXPECT_EQ(ps.rcPaint.right, 30);
    EXPECT_EQ(ps.rcPaint.bottom, 12);
    EXPECT_EQ(WindowFromDC(dc), window);
    EndPaint(window, &ps);
    EXPECT_FALSE(of_kind(WM_ERASEBKGND).empty());
    MSG m{};
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(Queue, ShowingAWindowMakesItNeedPaint) {
    HWND hidden =
        CreateWindowExA(0, "RecWindow", "", WS_POPUP, 0, 0, 32, 32, nullptr, nullptr, nullptr, nullptr);
    MSG m{};
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_FALSE(ShowWindow(hidden, SW_SHOWNORMAL));
    EXPECT_TRUE(IsWindowVisible(hidden));
    EXPECT_TRUE(UpdateWindow(hidden));
    EXPECT_EQ(of_kind(WM_PAINT).size(), 1u);
    EXPECT_TRUE(ShowWindow(hidden, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(hidden));
    DestroyWindow(hidden);
}

TEST_F(Queue, MessageBoxesAnswerFromTheQueueThenWithTheDefaultButton) {
    namespace vh = win32::virtual_host;
    vh::push_message_box_answer(IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Settare lo schermo intero?  ", "Video!", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Again?", "Video!", MB_YESNO), IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "Errore", nullptr, MB_OK), IDOK);
    vh::push_message_box_answer(0);
    EXPECT_EQ(MessageBoxA(window, "x", "y", MB_OK), 0);
    const auto& log = vh::message_box_log();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].text, "Settare lo schermo intero?  ");
    EXPECT_EQ(log[0].caption, "Video!");
    EXPECT_EQ(log[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(log[0].answer, IDNO);
    EXPECT_EQ(log[1].answer, IDYES);
    EXPECT_EQ(log[2].caption, "Error");  // Win32's caption when none is given
    EXPECT_EQ(log[3].answer, 0);
}

}  // namespace
