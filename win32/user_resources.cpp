// Cursors and icons, system metrics and colours, rectangle helpers.
#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "win32/file_io.h"
#include "win32/host.h"
#include "win32/internal.h"
#include "win32/user_internal.h"

namespace win32::user {
namespace {

// A cursor or icon handle: which system cursor it shows, if it is one (icons and cursors
// from files are none).
struct CursorRecord {
    std::optional<SystemCursor> system;
};

struct Resources {
    std::map<uintptr_t, CursorRecord> cursors;
    std::map<uintptr_t, uintptr_t> system_cursors;  // IDC_ number -> handle
    std::map<uintptr_t, uintptr_t> system_icons;    // IDI_ number -> handle
    uintptr_t next_cursor = 0x00020010;
    HCURSOR current = nullptr;
};

Resources& resources() {
    static Resources r;
    return r;
}

// The system's cursors, and what each shows.
const std::pair<LPCSTR, SystemCursor> kSystemCursors[] = {
    {IDC_ARROW, SystemCursor::arrow},         {IDC_IBEAM, SystemCursor::ibeam},
    {IDC_WAIT, SystemCursor::wait},           {IDC_CROSS, SystemCursor::cross},
    {IDC_UPARROW, SystemCursor::uparrow},     {IDC_SIZE, SystemCursor::size_all},  // IDC_SIZEALL's old name
    {IDC_ICON, SystemCursor::arrow},          {IDC_SIZENWSE, SystemCursor::size_nwse},
    {IDC_SIZENESW, SystemCursor::size_nesw},  {IDC_SIZEWE, SystemCursor::size_we},
    {IDC_SIZENS, SystemCursor::size_ns},      {IDC_SIZEALL, SystemCursor::size_all},
    {IDC_NO, SystemCursor::no},               {IDC_HAND, SystemCursor::hand},
    {IDC_APPSTARTING, SystemCursor::app_starting}, {IDC_HELP, SystemCursor::help},
};
const LPCSTR kSystemIcons[] = {IDI_APPLICATION, IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK, IDI_WINLOGO};

HCURSOR new_cursor(const CursorRecord& record) {
    auto& r = resources();
    const uintptr_t h = r.next_cursor;
    r.next_cursor += 4;
    r.cursors[h] = record;
    return reinterpret_cast<HCURSOR>(h);
}

// The one handle of a system cursor or icon, made on first use.
HCURSOR system_handle(std::map<uintptr_t, uintptr_t>& table, LPCSTR id, const CursorRecord& record) {
    const uintptr_t number = reinterpret_cast<uintptr_t>(id);
    auto it = table.find(number);
    if (it != table.end()) return reinterpret_cast<HCURSOR>(it->second);
    HCURSOR h = new_cursor(record);
    table[number] = reinterpret_cast<uintptr_t>(h);
    return h;
}

// What the host is to show for a cursor handle.
CursorDesc describe(HCURSOR cursor) {
    CursorDesc desc;
    desc.handle = cursor;
    auto& cursors = resources().cursors;
    auto it = cursors.find(reinterpret_cast<uintptr_t>(cursor));
    if (it != cursors.end()) desc.system = it->second.system;
    return desc;
}

using file_io::le16;
using file_io::le32;

// An icon or cursor resource file: a directory of images, each a DIB or a PNG.
bool valid_icon_file(const std::vector<uint8_t>& d) {
    if (d.size() < 6) return false;
    const uint32_t reserved = le16(&d[0]), type = le16(&d[2]), count = le16(&d[4]);
    if (reserved != 0 || (type != 1 && type != 2) || count == 0) return false;
    const uint64_t dir_end = 6 + 16ull * count;
    if (dir_end > d.size()) return false;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = &d[6 + 16 * i];
        const uint64_t bytes = le32(e + 8), offset = le32(e + 12);
        if (bytes < 8 || offset < dir_end || offset + bytes > d.size()) return false;
        const uint8_t* img = &d[offset];
        const bool png = std::memcmp(img, "\x89PNG", 4) == 0;
        const bool dib = le32(img) == 40 && bytes >= 40;
        if (!png && !dib) return false;
    }
    return true;
}

// An animated cursor: a RIFF "ACON" file with an "anih" header chunk.
bool valid_ani_file(const std::vector<uint8_t>& d) {
    if (d.size() < 12 || std::memcmp(&d[0], "RIFF", 4) != 0 || std::memcmp(&d[8], "ACON", 4) != 0) return false;
    const uint64_t riff_end = std::min<uint64_t>(8ull + le32(&d[4]), d.size());
    uint64_t pos = 12;
    while (pos + 8 <= riff_end) {
        const uint64_t size = le32(&d[pos + 4]);
        if (pos + 8 + size > riff_end) return false;
        if (std::memcmp(&d[pos], "anih", 4) == 0) return size >= 36;
        pos += 8 + size + (size & 1);
    }
    return false;
}

// The bytes of a cursor file: a regular file of at most 16 MiB (a directory, a FIFO or a
// device is a file that cannot be read). A file cut short while being read keeps what was there.
bool read_cursor_file(LPCSTR path, std::vector<uint8_t>& data) {
    constexpr uint64_t kMax = uint64_t{16} << 20;
    const file_io::ReadFileHandle file(path, file_io::Accept::regular);
    if (!file.ok() || file.size() > kMax) return false;
    data.resize(static_cast<size_t>(file.size()));
    data.resize(file.read_at(0, data.data(), data.size()));
    return true;
}

HCURSOR load_from_file(LPCSTR path) {
    if (!path || !*path) return nullptr;
    std::vector<uint8_t> data;
    if (!read_cursor_file(path, data)) return nullptr;
    if (!valid_icon_file(data) && !valid_ani_file(data)) return nullptr;
    return new_cursor(CursorRecord{});
}

// System colours, as the classic desktop scheme defines them (0x00RRGGBB).
constexpr uint32_t kSysColours[31] = {
    0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000, 0x000000, 0xB4B4B4,
    0xF4F7FC, 0xABABAB, 0x0078D7, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969,
    0xE3E3E3, 0x000000, 0xFFFFE1, 0x000000, 0x0066CC, 0xB9D1EA, 0xD7E4F2, 0x0078D7, 0xF0F0F0};
constexpr uintptr_t kSysBrushBase = 0x00030000;

}  // namespace

bool sys_colour_brush_colour(HBRUSH brush, uint32_t* rgb) {
    const uintptr_t v = reinterpret_cast<uintptr_t>(brush);
    if (v < kSysBrushBase || v >= kSysBrushBase + 31 * 4 || (v - kSysBrushBase) % 4) return false;
    if (rgb) *rgb = kSysColours[(v - kSysBrushBase) / 4];
    return true;
}

void track_cursor_over(Window* w) {
    if (!w || !w->cls || !w->cls->cursor) return;
    SetCursor(w->cls->cursor);
}

}  // namespace win32::user

namespace win32::internal {
uint32_t system_colour(int index) { return index >= 0 && index < 31 ? user::kSysColours[index] : 0; }
}  // namespace win32::internal

using namespace win32;
using namespace win32::user;

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    // The program has no cursor resources of its own: only the system's are found.
    if (instance || !name || !IS_INTRESOURCE(name)) return nullptr;
    for (const auto& [id, shows] : kSystemCursors)
        if (id == name) return system_handle(resources().system_cursors, id, CursorRecord{shows});
    return nullptr;
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (instance || !name || !IS_INTRESOURCE(name)) return nullptr;
    for (LPCSTR id : kSystemIcons)
        if (id == name) return system_handle(resources().system_icons, id, CursorRecord{});
    return nullptr;
}

HCURSOR LoadCursorFromFileA(LPCSTR file) { return load_from_file(file); }

HCURSOR SetCursor(HCURSOR cursor) {
    auto& r = resources();
    HCURSOR old = r.current;
    if (cursor != old) {
        r.current = cursor;
        host().set_cursor(describe(cursor));
    }
    return old;
}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
        return host().screen_width();
    case SM_CYSCREEN:
        return host().screen_height();
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CYCAPTION:
        return 16;
    default:
        return 0;
    }
}

HBRUSH GetSysColorBrush(int index) {
    if (index < 0 || index >= 31) return nullptr;
    return reinterpret_cast<HBRUSH>(kSysBrushBase + 4 * static_cast<uintptr_t>(index));
}

BOOL SetRect(LPRECT rc, int left, int top, int right, int bottom) {
    if (!rc) return FALSE;
    *rc = {left, top, right, bottom};
    return TRUE;
}

BOOL PtInRect(const RECT* rc, POINT pt) {
    if (!rc) return FALSE;
    return pt.x >= rc->left && pt.x < rc->right && pt.y >= rc->top && pt.y < rc->bottom ? TRUE : FALSE;
}
