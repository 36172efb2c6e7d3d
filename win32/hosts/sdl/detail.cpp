#include "win32/hosts/sdl/sdl_detail.h"

#include <algorithm>

namespace win32::sdl {

// ---- text ------------------------------------------------------------------------------

namespace {
// Code points of the bytes 0x80..0x9F in Windows-1252.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void append_utf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}
}  // namespace

std::string cp1252_to_utf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte == 0) break;
        uint32_t cp = byte;
        if (byte >= 0x80 && byte < 0xA0) cp = kCp1252High[byte - 0x80];
        append_utf8(out, cp);
    }
    return out;
}

// ---- keys ------------------------------------------------------------------------------

namespace {
UINT punctuation_vk(SDL_Keycode key) {
    switch (key) {
        case ';': case ':': return VK_OEM_1;
        case '=': case '+': return VK_OEM_PLUS;
        case ',': case '<': return VK_OEM_COMMA;
        case '-': case '_': return VK_OEM_MINUS;
        case '.': case '>': return VK_OEM_PERIOD;
        case '/': case '?': return VK_OEM_2;
        case '`': case '~': return VK_OEM_3;
        case '[': case '{': return VK_OEM_4;
        case '\\': case '|': return VK_OEM_5;
        case ']': case '}': return VK_OEM_6;
        case '\'': case '"': return VK_OEM_7;
        default: return 0;
    }
}

constexpr UINT kVkClear = 0x0C;
constexpr UINT kVkSnapshot = 0x2C;
constexpr UINT kVkLwin = 0x5B;
constexpr UINT kVkRwin = 0x5C;
constexpr UINT kVkApps = 0x5D;
constexpr UINT kVkSeparator = 0x6C;
constexpr UINT kVkNumlock = 0x90;
constexpr UINT kVkScroll = 0x91;
constexpr UINT kVkOem102 = 0xE2;

UINT keypad_vk(SDL_Scancode sc, bool numlock) {
    // Keypad digits and the decimal point double as navigation keys without Num Lock.
    static constexpr UINT kNav[10] = {VK_INSERT, VK_END,  VK_DOWN,  VK_NEXT, VK_LEFT,
                                      kVkClear,  VK_RIGHT, VK_HOME, VK_UP,   VK_PRIOR};
    if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) {
        int digit = sc - SDL_SCANCODE_KP_1 + 1;
        return numlock ? VK_NUMPAD0 + digit : kNav[digit];
    }
    if (sc == SDL_SCANCODE_KP_0) return numlock ? VK_NUMPAD0 : kNav[0];
    if (sc == SDL_SCANCODE_KP_PERIOD) return numlock ? VK_DECIMAL : VK_DELETE;
    return 0;
}

UINT positional_vk(SDL_Scancode sc) {
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 'A' + (sc - SDL_SCANCODE_A);
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return VK_F1 + (sc - SDL_SCANCODE_F1);
    if (sc >= SDL_SCANCODE_F13 && sc <= SDL_SCANCODE_F24) return VK_F1 + 12 + (sc - SDL_SCANCODE_F13);
    switch (sc) {
        case SDL_SCANCODE_0: return '0';
        case SDL_SCANCODE_RETURN: case SDL_SCANCODE_RETURN2: case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
        case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
        case SDL_SCANCODE_BACKSPACE: return VK_BACK;
        case SDL_SCANCODE_TAB: return VK_TAB;
        case SDL_SCANCODE_SPACE: return VK_SPACE;
        case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
        case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
        case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
        case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
        case SDL_SCANCODE_BACKSLASH: case SDL_SCANCODE_NONUSHASH: return VK_OEM_5;
        case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
        case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
        case SDL_SCANCODE_GRAVE: return VK_OEM_3;
        case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
        case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
        case SDL_SCANCODE_SLASH: return VK_OEM_2;
        case SDL_SCANCODE_NONUSBACKSLASH: return kVkOem102;
        case SDL_SCANCODE_CAPSLOCK: return VK_CAPITAL;
        case SDL_SCANCODE_PRINTSCREEN: return kVkSnapshot;
        case SDL_SCANCODE_SCROLLLOCK: return kVkScroll;
        case SDL_SCANCODE_PAUSE: return VK_PAUSE;
        case SDL_SCANCODE_INSERT: return VK_INSERT;
        case SDL_SCANCODE_HOME: return VK_HOME;
        case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
        case SDL_SCANCODE_DELETE: return VK_DELETE;
        case SDL_SCANCODE_END: return VK_END;
        case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
        case SDL_SCANCODE_RIGHT: return VK_RIGHT;
        case SDL_SCANCODE_LEFT: return VK_LEFT;
        case SDL_SCANCODE_DOWN: return VK_DOWN;
        case SDL_SCANCODE_UP: return VK_UP;
        case SDL_SCANCODE_NUMLOCKCLEAR: return kVkNumlock;
        case SDL_SCANCODE_KP_DIVIDE: return VK_DIVIDE;
        case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
        case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
        case SDL_SCANCODE_KP_PLUS: return VK_ADD;
        case SDL_SCANCODE_KP_COMMA: return kVkSeparator;
        case SDL_SCANCODE_APPLICATION: case SDL_SCANCODE_MENU: return kVkApps;
        case SDL_SCANCODE_LCTRL: case SDL_SCANCODE_RCTRL: return VK_CONTROL;
        case SDL_SCANCODE_LSHIFT: case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
        case SDL_SCANCODE_LALT: case SDL_SCANCODE_RALT: return VK_MENU;
        case SDL_SCANCODE_LGUI: return kVkLwin;
        case SDL_SCANCODE_RGUI: return kVkRwin;
        default: return 0;
    }
}
}  // namespace

UINT virtual_key(SDL_Keycode key, SDL_Scancode scancode, Uint16 modifiers) {
    if (UINT vk = keypad_vk(scancode, (modifiers & KMOD_NUM) != 0)) return vk;
    if (key >= 'a' && key <= 'z') return 'A' + (key - 'a');
    if (key >= '0' && key <= '9') return key;
    if (UINT vk = punctuation_vk(key)) return vk;
    return positional_vk(scancode);
}

// ---- cursors ---------------------------------------------------------------------------

CursorShape cursor_shape(HCURSOR cursor) {
    CursorInfo info;
    if (!cursor || !describe_cursor(cursor, &info) || info.is_icon) return CursorShape::arrow;
    return cursor_shape(info.system_id);
}

CursorShape cursor_shape(int system_id) {
    switch (system_id) {
        case 32513: return CursorShape::ibeam;
        case 32514: return CursorShape::wait;
        case 32515: return CursorShape::crosshair;
        case 32516: return CursorShape::uparrow;
        case 32640: return CursorShape::sizeall;  // IDC_SIZE, the old name of IDC_SIZEALL
        case 32642: return CursorShape::sizenwse;
        case 32643: return CursorShape::sizenesw;
        case 32644: return CursorShape::sizewe;
        case 32645: return CursorShape::sizens;
        case 32646: return CursorShape::sizeall;
        case 32648: return CursorShape::no;
        case 32649: return CursorShape::hand;
        case 32650: return CursorShape::appstarting;
        case 32651: return CursorShape::help;
        default: return CursorShape::arrow;  // IDC_ARROW, IDC_ICON, cursors from files
    }
}

CursorArt cursor_art(CursorShape shape) {
    switch (shape) {
        case CursorShape::uparrow:
            return {{
                        "       X        ",
                        "      X.X       ",
                        "     X...X      ",
                        "    X.....X     ",
                        "   X.......X    ",
                        "  X.........X   ",
                        " XXXXX...XXXXX  ",
                        "     X...X      ",
                        "     X...X      ",
                        "     X...X      ",
                        "     X...X      ",
                        "     X...X      ",
                        "     X...X      ",
                        "     X...X      ",
                        "     XXXXX      ",
                        "                ",
                    },
                    7, 0};
        case CursorShape::help:
            return {{
                        "X                       ",
                        "XX                      ",
                        "X.X                     ",
                        "X..X                    ",
                        "X...X                   ",
                        "X....X                  ",
                        "X.....X                 ",
                        "X......X     XXXXXX     ",
                        "X.......X   XX....XX    ",
                        "X........X  X..XX..X    ",
                        "X.....XXXXX XXXXX..X    ",
                        "X..X..X       XX..XX    ",
                        "X.X X..X     XX..XX     ",
                        "XX  X..X     X..XX      ",
                        "X    X..X    X..X       ",
                        "     X..X    XXXX       ",
                        "      X..X   X..X       ",
                        "      XXXX   XXXX       ",
                        "                        ",
                        "                        ",
                        "                        ",
                        "                        ",
                        "                        ",
                        "                        ",
                    },
                    0, 0};
        default:
            return {};
    }
}

// ---- message box -------------------------------------------------------------------------

namespace {
constexpr UINT kTypeOkCancel = 1;
constexpr UINT kTypeYesNoCancel = 3;
constexpr UINT kTypeYesNo = 4;
constexpr UINT kDefButtonMask = 0x00000F00;

const BoxButton kOk{IDOK, "OK", SDLK_o};
const BoxButton kCancel{IDCANCEL, "Cancel", SDLK_c};
const BoxButton kYes{IDYES, "Yes", SDLK_y};
const BoxButton kNo{IDNO, "No", SDLK_n};
}  // namespace

BoxKind box_kind(UINT flags) {
    BoxKind kind;
    switch (flags & MB_TYPEMASK) {
        case kTypeOkCancel:
            kind.buttons = {kOk, kCancel};
            kind.escape_answer = kind.close_answer = IDCANCEL;
            break;
        case kTypeYesNoCancel:
            kind.buttons = {kYes, kNo, kCancel};
            kind.escape_answer = kind.close_answer = IDCANCEL;
            break;
        case kTypeYesNo:
            // Escape does nothing in a Yes/No box; closing it from outside says No.
            kind.buttons = {kYes, kNo};
            kind.escape_answer = 0;
            kind.close_answer = IDNO;
            break;
        default:
            kind.buttons = {kOk};
            kind.escape_answer = kind.close_answer = IDOK;
            break;
    }
    int requested = static_cast<int>((flags & kDefButtonMask) >> 8);
    kind.default_button = requested < static_cast<int>(kind.buttons.size()) ? requested : 0;
    return kind;
}

int box_key(const BoxKind& kind, BoxFocus& focus, SDL_Keycode key, Uint16 modifiers) {
    const int count = static_cast<int>(kind.buttons.size());
    if (count == 0) return 0;
    focus.focused = std::clamp(focus.focused, 0, count - 1);
    switch (key) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
        case SDLK_SPACE:
            return kind.buttons[focus.focused].answer;
        case SDLK_ESCAPE:
            return kind.escape_answer;
        case SDLK_TAB:
            focus.focused = (modifiers & KMOD_SHIFT) ? (focus.focused + count - 1) % count
                                                     : (focus.focused + 1) % count;
            return 0;
        case SDLK_LEFT:
        case SDLK_UP:
            focus.focused = (focus.focused + count - 1) % count;
            return 0;
        case SDLK_RIGHT:
        case SDLK_DOWN:
            focus.focused = (focus.focused + 1) % count;
            return 0;
        default:
            break;
    }
    if (modifiers & (KMOD_CTRL | KMOD_GUI)) return 0;
    for (const BoxButton& button : kind.buttons) {
        if (button.mnemonic == key) return button.answer;
    }
    return 0;
}

std::vector<BoxRect> box_button_rects(int window_w, int window_h, int count) {
    std::vector<BoxRect> rects;
    if (count <= 0) return rects;
    int total = count * kBoxButtonWidth + (count - 1) * kBoxButtonGap;
    int x = (window_w - total) / 2;
    int y = window_h - (kBoxButtonBand + kBoxButtonHeight) / 2;
    for (int i = 0; i < count; ++i) {
        rects.push_back({x, y, kBoxButtonWidth, kBoxButtonHeight});
        x += kBoxButtonWidth + kBoxButtonGap;
    }
    return rects;
}

BoxLayout box_layout(int text_w, int text_h, bool icon, int button_count) {
    BoxLayout layout;
    text_w = std::max(text_w, 0);
    text_h = std::max(text_h, 0);
    int content_w = text_w + (icon ? kBoxIconSize + kBoxIconGap : 0);
    int content_h = std::max(text_h, icon ? kBoxIconSize : 0);
    int buttons_w = button_count * kBoxButtonWidth + std::max(button_count - 1, 0) * kBoxButtonGap;
    layout.width = std::max({content_w + 2 * kBoxMargin, buttons_w + 2 * kBoxMargin, kBoxMinWidth});
    layout.height = content_h + 2 * kBoxMargin + kBoxButtonBand;
    int x = kBoxMargin;
    if (icon) {
        layout.icon = {x, kBoxMargin + (content_h - kBoxIconSize) / 2, kBoxIconSize, kBoxIconSize};
        x += kBoxIconSize + kBoxIconGap;
    }
    layout.text = {x, kBoxMargin + (content_h - text_h) / 2, text_w, text_h};
    return layout;
}

int box_default_answer(UINT flags) {
    BoxKind kind = box_kind(flags);
    return kind.buttons[kind.default_button].answer;
}

}  // namespace win32::sdl
