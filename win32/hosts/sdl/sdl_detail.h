// Pieces of the SDL desktop host that do not need a display: text conversion, the key
// map, the cursor table and the message box's button logic and layout. Kept apart from the
// host itself so they can be exercised without a window system.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "win32/host.h"
#include "win32/windows.h"

namespace win32::sdl {

// ---- text ------------------------------------------------------------------------------
// Windows-1252 to UTF-8. Stops at the first NUL byte. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of the same value, as
// the platform's own conversion does.
std::string cp1252_to_utf8(std::string_view text);

// ---- keys ------------------------------------------------------------------------------
// The Win32 virtual-key code of an SDL key, or 0 for keys without one. Letters, digits and
// ASCII punctuation follow the keyboard layout (the key's symbol); everything else follows
// the key's position. Keypad digits give VK_NUMPADn with Num Lock on and the navigation
// keys with it off. Left and right Shift/Ctrl/Alt give the generic VK_SHIFT, VK_CONTROL and
// VK_MENU, as WM_KEYDOWN carries them.
UINT virtual_key(SDL_Keycode key, SDL_Scancode scancode, Uint16 modifiers);

// ---- cursors ---------------------------------------------------------------------------
enum class CursorShape {
    arrow, ibeam, wait, crosshair, uparrow, sizenwse, sizenesw, sizewe, sizens, sizeall,
    no, hand, appstarting, help,
};
// The shape of a system cursor (its IDC_ number); anything else gives the arrow.
CursorShape cursor_shape(int system_id);
// The shape a cursor handle shows, as the Win32 layer describes it: system cursors their
// own; null handles, icons, cursors from files and unknown handles the arrow.
CursorShape cursor_shape(HCURSOR cursor);
// A tiny picture for the shapes SDL has no system cursor for (up-arrow, help): rows of
// 'X' (black), '.' (white) and ' ' (transparent), with the hot spot.
struct CursorArt {
    std::vector<std::string> rows;
    int hot_x = 0, hot_y = 0;
};
CursorArt cursor_art(CursorShape shape);  // empty rows for shapes SDL draws itself

// ---- message box -------------------------------------------------------------------------
struct BoxButton {
    int answer = 0;        // IDOK, IDCANCEL, IDYES, IDNO
    const char* label = "";
    SDL_Keycode mnemonic = SDLK_UNKNOWN;
};

struct BoxKind {
    std::vector<BoxButton> buttons;
    int default_button = 0;  // index of the button Enter presses at first
    int escape_answer = 0;   // answer of Escape, 0 when Escape does nothing
    int close_answer = 0;    // answer when the window manager closes the box
};

// The buttons and key answers of a box with these MB_ flags (unknown types act as MB_OK).
BoxKind box_kind(UINT flags);

// Where the keyboard stands in an open box.
struct BoxFocus {
    int focused = 0;  // index of the button that Enter/Space press
};
// Applies one key press to an open box: returns the answer it gives, or 0 when the box
// stays open (focus moves with Tab and the arrow keys).
int box_key(const BoxKind& kind, BoxFocus& focus, SDL_Keycode key, Uint16 modifiers);

struct BoxRect {
    int x = 0, y = 0, w = 0, h = 0;
    bool contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
};

// Geometry of a box (all in pixels).
constexpr int kBoxMargin = 16;
constexpr int kBoxIconSize = 32;
constexpr int kBoxIconGap = 12;
constexpr int kBoxButtonWidth = 88;
constexpr int kBoxButtonHeight = 26;
constexpr int kBoxButtonGap = 8;
constexpr int kBoxButtonBand = kBoxButtonHeight + 2 * 12;  // grey band holding the buttons
constexpr int kBoxMinWidth = 240;

// The buttons' rectangles in a box window of this size: the row is centred at the bottom.
std::vector<BoxRect> box_button_rects(int window_w, int window_h, int count);

struct BoxLayout {
    int width = 0, height = 0;
    BoxRect icon;  // empty when the box has no icon
    BoxRect text;
};
// The window size for a text block of text_w x text_h pixels, with or without an icon.
BoxLayout box_layout(int text_w, int text_h, bool icon, int button_count);

// Greedy word wrap of UTF-8 text to max_width using the measure function (pixels of a
// line). Line breaks in the text start new lines; a word wider than the limit stays whole.
template <typename Measure>
std::vector<std::string> wrap_text(const std::string& text, int max_width, Measure measure);

// The answer of a box that cannot be shown on a display: its default button's.
int box_default_answer(UINT flags);

}  // namespace win32::sdl

// ---- template implementation -------------------------------------------------------------
namespace win32::sdl {
template <typename Measure>
std::vector<std::string> wrap_text(const std::string& text, int max_width, Measure measure) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string paragraph = text.substr(start, end - start);
        if (!paragraph.empty() && paragraph.back() == '\r') paragraph.pop_back();
        std::string line;
        size_t pos = 0;
        while (pos < paragraph.size()) {
            size_t space = paragraph.find(' ', pos);
            if (space == std::string::npos) space = paragraph.size();
            std::string word = paragraph.substr(pos, space - pos);
            std::string candidate = line.empty() ? word : line + " " + word;
            if (!line.empty() && measure(candidate) > max_width) {
                lines.push_back(line);
                line = word;
            } else {
                line = candidate;
            }
            pos = space + 1;
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}
}  // namespace win32::sdl
