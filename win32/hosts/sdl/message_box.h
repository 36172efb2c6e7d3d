// The desktop message box: a small window of our own (SDL_ttf text, drawn with SDL's software
// renderer where the video driver gives windows a framebuffer, else with an accelerated one
// over a GL context of the box's own; the program's current context is current again once
// the box is gone, so it works before, during and after the program's GL use) with its own
// event loop, shown and run from the description the Win32 layer made, and its keys and
// layout, which need no display.
#pragma once

#include <SDL.h>

#include <deque>
#include <string>
#include <vector>

#include "win32/host.h"
#include "win32/windows.h"

namespace win32::sdl {

// ---- buttons and keys ----------------------------------------------------------------------
// The box's buttons, its default, and what Escape and the close answer all come from its
// description; what the host decides is only how the focus moves between the buttons.

// A button label as drawn: the '&' that marks the mnemonic left out ("&Yes" is "Yes", "&&" an '&').
std::string box_label_text(const std::string& label);
// The key of the letter the '&' marks (lower case), SDLK_UNKNOWN when the label has none.
SDL_Keycode box_mnemonic(const std::string& label);

// Where the keyboard stands in an open box.
struct BoxFocus {
    int focused = 0;  // index of the button that Enter/Space press
};
// The focus of a box being opened: on its default button.
BoxFocus box_focus(const MessageBoxDesc& box);
// Applies one key press to an open box: returns the answer it gives, or 0 when the box
// stays open. Enter and Space press the focused button, Escape answers as described, a
// button's mnemonic letter (alone or with Alt) presses it; Tab, Shift+Tab and the arrow
// keys move the focus.
int box_key(const MessageBoxDesc& box, BoxFocus& focus, SDL_Keycode key, Uint16 modifiers);
// The answer when the window manager closes the box; 0 when the box stays open.
int box_close_answer(const MessageBoxDesc& box);
// The answer of a box that is up when the program is asked to end (SIGTERM, the session
// ending): its close answer where it can be closed, else its default button's.
int box_quit_answer(const MessageBoxDesc& box);
// The answer of a box that cannot be shown on a display: its default button's.
int box_default_answer(const MessageBoxDesc& box);

// ---- layout --------------------------------------------------------------------------------
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

// ---- the box -------------------------------------------------------------------------------
// Runs a modal message box in a window of its own until it is answered and returns the
// answer; the description's texts are Windows-1252. 0, with the failure, when the window
// could not be made; a box shown without its font answers and leaves the font's failure
// (once a run: fonts are opened once). `owner`, when not null, is the window the box belongs
// to (a window manager keeps the box in front of it). Events that belong to other windows
// are appended to `others` in arrival order, for the host's pump to handle later. The GL
// context that was current before is current again afterwards.
int run_message_box(const MessageBoxDesc& box, SDL_Window* owner, std::deque<SDL_Event>& others, Failure& failure);

// What a box that cannot be shown does instead: its caption and text on one line of
// standard error (UTF-8).
void print_message_box(const std::string& caption, const std::string& text);

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
