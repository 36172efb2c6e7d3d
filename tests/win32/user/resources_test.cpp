// Cursors and icons: system ones by number, files by content, and what the host is told to
// show for each; why an image file could not be opened.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>

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

}  // namespace
