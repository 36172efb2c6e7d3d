// Message boxes: what the host is asked to show for each type and default button, and whose
// box it is. Cursors and icons: system ones by number, files by content, and what the host
// is told to show for each; why an image file could not be opened.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>

#include "tests/support/message_box_table.h"
#include "win32/host.h"

namespace {

using win32::SystemCursor;

const char* const kCursorIds[] = {IDC_ARROW,  IDC_IBEAM,    IDC_WAIT,   IDC_CROSS,   IDC_UPARROW, IDC_SIZE,
                                  IDC_ICON,   IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZEWE, IDC_SIZENS,  IDC_SIZEALL,
                                  IDC_NO,     IDC_HAND,     IDC_APPSTARTING, IDC_HELP};
// What each of them shows: IDC_SIZE is IDC_SIZEALL's old name, and IDC_ICON shows the arrow.
const SystemCursor kCursorShows[] = {
    SystemCursor::arrow,   SystemCursor::ibeam,     SystemCursor::wait,      SystemCursor::cross,
    SystemCursor::uparrow, SystemCursor::size_all,  SystemCursor::arrow,     SystemCursor::size_nwse,
    SystemCursor::size_nesw, SystemCursor::size_we, SystemCursor::size_ns,   SystemCursor::size_all,
    SystemCursor::no,      SystemCursor::hand,      SystemCursor::app_starting, SystemCursor::help};
const char* const kIconIds[] = {IDI_APPLICATION, IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK, IDI_WINLOGO};

// What the host was told to show once the cursor is set.
win32::CursorDesc shown(HCURSOR cursor) {
    SetCursor(nullptr);
    SetCursor(cursor);
    return win32::virtual_host::shown_cursor();
}

TEST(Cursors, EverySystemCursorAndIconHasItsOwnHandle) {
    std::set<HCURSOR> handles;
    for (size_t i = 0; i < std::size(kCursorIds); ++i) {
        HCURSOR c = LoadCursorA(nullptr, kCursorIds[i]);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(LoadCursorA(nullptr, kCursorIds[i]), c);  // shared, like Win32's system cursors
        const win32::CursorDesc desc = shown(c);
        EXPECT_EQ(desc.handle, c);
        EXPECT_EQ(desc.system, kCursorShows[i]) << i;
        handles.insert(c);
    }
    for (const char* id : kIconIds) {
        HICON i = LoadIconA(nullptr, id);
        ASSERT_NE(i, nullptr);
        handles.insert(i);
    }
    EXPECT_EQ(handles.size(), std::size(kCursorIds) + std::size(kIconIds));
}

TEST(Cursors, IconsNoCursorAndForeignHandlesAreNoSystemCursor) {
    // IDI_QUESTION has IDC_WAIT's number, but an icon is not the wait cursor.
    HICON question = LoadIconA(nullptr, IDI_QUESTION);
    EXPECT_EQ(shown(question).handle, question);
    EXPECT_EQ(shown(question).system, std::nullopt);
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    SetCursor(nullptr);
    EXPECT_EQ(win32::virtual_host::shown_cursor().handle, nullptr);
    EXPECT_EQ(win32::virtual_host::shown_cursor().system, std::nullopt);
    const auto foreign = reinterpret_cast<HCURSOR>(uintptr_t{32514});  // a bare number is no handle
    EXPECT_EQ(shown(foreign).system, std::nullopt);
}

TEST(Cursors, UnknownNamesGiveNoHandle) {
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(32700)), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(0)), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, "ARROW"), nullptr);
    EXPECT_EQ(LoadCursorA(GetModuleHandleA(nullptr), IDC_ARROW), nullptr);  // no resources of its own
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(shown(reinterpret_cast<HCURSOR>(0x1234)).system, std::nullopt);
}

std::string temp_file(const std::string& name, const std::string& bytes) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string le16(unsigned v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
std::string le32(unsigned v) { return le16(v & 0xFFFF) + le16(v >> 16); }

// A 1x1 cursor file: directory, one entry, a 40-byte DIB header and its bits.
std::string cursor_file(unsigned type) {
    std::string image = le32(40) + le32(1) + le32(2) + le16(1) + le16(32) + std::string(24, '\0') +
                        std::string(4, '\0') + std::string(4, '\0');
    std::string dir = le16(0) + le16(type) + le16(1);
    dir += std::string{1, 1, 0, 0} + le16(0) + le16(0) + le32(static_cast<unsigned>(image.size())) + le32(22);
    return dir + image;
}

TEST(Cursors, FilesAreAcceptedByContent) {
    const std::string cur = temp_file("arrow.cur", cursor_file(2));
    const std::string ico = temp_file("app.ico", cursor_file(1));
    HCURSOR c = LoadCursorFromFileA(cur.c_str());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(shown(c).handle, c);
    EXPECT_EQ(shown(c).system, std::nullopt);  // its picture is not decoded: the host shows its arrow
    EXPECT_NE(LoadCursorFromFileA(ico.c_str()), nullptr);

    std::string ani = "RIFF" + le32(4 + 8 + 36) + "ACON" + "anih" + le32(36) + le32(36) + std::string(32, '\0');
    const std::string ani_path = temp_file("busy.ani", ani);
    EXPECT_NE(LoadCursorFromFileA(ani_path.c_str()), nullptr);

    // Broken files: truncated, lying offsets, wrong type, empty, missing.
    const std::string full = cursor_file(2);
    const std::string truncated = temp_file("short.cur", full.substr(0, full.size() - 10));
    std::string lying = full;
    lying[18] = char(0xF0);  // image offset far beyond the end
    const std::string lying_path = temp_file("lying.cur", lying);
    const std::string wrong_type = temp_file("type.cur", cursor_file(3));
    const std::string empty = temp_file("empty.cur", "");
    std::string bad_ani = "RIFF" + le32(4 + 8 + 36) + "ACON" + "anih" + le32(0x7FFFFFF0);
    const std::string bad_ani_path = temp_file("bad.ani", bad_ani);
    for (const std::string& p : {truncated, lying_path, wrong_type, empty, bad_ani_path})
        EXPECT_EQ(LoadCursorFromFileA(p.c_str()), nullptr) << p;
    EXPECT_EQ(LoadCursorFromFileA((::testing::TempDir() + "missing.cur").c_str()), nullptr);
    EXPECT_EQ(LoadCursorFromFileA(""), nullptr);
    EXPECT_EQ(LoadCursorFromFileA(nullptr), nullptr);
    for (const std::string& p : {cur, ico, ani_path, truncated, lying_path, wrong_type, empty, bad_ani_path})
        std::remove(p.c_str());
}

TEST(Images, FilesThatCannotBeOpenedSayWhy) {
    const std::string missing = ::testing::TempDir() + "missing.bmp";
    SetLastError(0);
    EXPECT_EQ(LoadImageA(nullptr, missing.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    // A directory is not a file Win32 opens.
    SetLastError(0);
    EXPECT_EQ(LoadImageA(nullptr, ::testing::TempDir().c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
}

TEST(Cursors, SetCursorReturnsThePreviousOneAndTellsTheHost) {
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    HCURSOR cross = LoadCursorA(nullptr, IDC_CROSS);
    SetCursor(arrow);
    EXPECT_EQ(SetCursor(cross), arrow);
    EXPECT_EQ(win32::virtual_host::current_cursor(), cross);
    EXPECT_EQ(SetCursor(nullptr), cross);
}

// ---- message boxes -------------------------------------------------------------------------

TEST(MessageBoxes, EveryTypeAndDefaultButtonIsDescribedAsWin32ShowsIt) {
    namespace vh = win32::virtual_host;
    namespace table = message_box_table;
    // MB_DEFBUTTON1..4, then two values naming buttons no box has: those leave the first.
    const UINT defaults[] = {MB_DEFBUTTON1, MB_DEFBUTTON2, MB_DEFBUTTON3, MB_DEFBUTTON4, 0x400, 0xF00};
    vh::clear_message_boxes();
    for (const table::Kind& kind : table::kinds()) {
        for (size_t d = 0; d < std::size(defaults); ++d) {
            for (const table::Icon& icon : table::kIcons) {
                const UINT flags = kind.type | defaults[d] | icon.flag;
                SCOPED_TRACE(std::string(kind.name) + " flags 0x" + [&] {
                    char hex[16];
                    std::snprintf(hex, sizeof hex, "%X", flags);
                    return std::string(hex);
                }());
                const int enter = kind.enter[d < 4 ? d : 0];
                // With no answer queued the virtual host presses the default button.
                EXPECT_EQ(MessageBoxA(nullptr, "Settare lo schermo intero?  ", "Video!", flags), enter);
                const auto& log = vh::message_box_log();
                ASSERT_EQ(log.size(), 1u);
                const win32::MessageBoxDesc& box = log[0].box;
                EXPECT_EQ(box.text, "Settare lo schermo intero?  ");
                EXPECT_EQ(box.caption, "Video!");
                EXPECT_EQ(box.flags, flags);
                ASSERT_EQ(box.buttons.size(), kind.buttons.size());
                for (size_t i = 0; i < kind.buttons.size(); ++i) {
                    EXPECT_EQ(box.buttons[i].answer, kind.buttons[i].answer) << "button " << i;
                    EXPECT_EQ(box.buttons[i].label, kind.buttons[i].label) << "button " << i;
                }
                ASSERT_GE(box.default_button, 0);
                ASSERT_LT(box.default_button, static_cast<int>(box.buttons.size()));
                EXPECT_EQ(box.buttons[box.default_button].answer, enter);
                EXPECT_EQ(box.escape_answer, kind.escape);
                EXPECT_EQ(box.close_answer, kind.close);
                EXPECT_EQ(box.icon, icon.icon);
                EXPECT_EQ(box.owner, nullptr);
                EXPECT_EQ(log[0].answer, enter);
                vh::clear_message_boxes();
            }
        }
    }
}

TEST(MessageBoxes, BelongToTheTopLevelWindowOfTheirOwner) {
    namespace vh = win32::virtual_host;
    win32_test::fresh_start();
    win32_test::ensure_class("RecWindow");
    HWND top = CreateWindowExA(0, "RecWindow", "top", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 150, nullptr,
                               nullptr, nullptr, nullptr);
    HWND child = CreateWindowExA(0, "RecWindow", "", WS_CHILD | WS_VISIBLE, 5, 5, 40, 40, top, nullptr, nullptr,
                                 nullptr);
    HWND grandchild = CreateWindowExA(0, "RecWindow", "", WS_CHILD | WS_VISIBLE, 2, 2, 10, 10, child, nullptr,
                                      nullptr, nullptr);
    // A pop-up owned by `top` is a top-level window of its own.
    HWND popup = CreateWindowExA(0, "RecWindow", "popup", WS_POPUP, 0, 0, 50, 50, top, nullptr, nullptr, nullptr);
    ASSERT_TRUE(top && child && grandchild && popup);

    vh::push_message_box_answer(IDNO);
    EXPECT_EQ(MessageBoxA(grandchild, "a", "b", MB_YESNO), IDNO);
    EXPECT_EQ(MessageBoxA(child, "a", "b", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(top, "a", "b", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(popup, "a", "b", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "a", "b", MB_OK), IDOK);
    const auto& log = vh::message_box_log();
    ASSERT_EQ(log.size(), 5u);
    const HWND owners[] = {top, top, top, popup, nullptr};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(log[i].owner, owners[i]) << "box " << i;
        EXPECT_EQ(log[i].box.owner != nullptr, owners[i] != nullptr) << "box " << i;
    }

    // The box of a window that is gone is not shown.
    DestroyWindow(popup);
    SetLastError(0);
    EXPECT_EQ(MessageBoxA(popup, "a", "b", MB_OK), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(log.size(), 5u);
    DestroyWindow(top);
    vh::clear_message_boxes();
}

}  // namespace
