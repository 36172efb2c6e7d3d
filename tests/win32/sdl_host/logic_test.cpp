// The desktop host without any display: the pieces that need none (code-page conversion,
// key map, cursor table, message-box keys and layout), and how the host behaves when there
// is no display at all (boxes answer on standard error, windows cannot be made, and say why).
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <utility>

#include "fake_input.h"
#include "tests/support/message_box_table.h"
#include "win32/host.h"
#include "win32/hosts/sdl/cursors.h"
#include "win32/hosts/sdl/keyboard.h"
#include "win32/hosts/sdl/message_box.h"
#include "win32/hosts/sdl/text.h"

using namespace win32::sdl;
using win32::SystemCursor;

namespace {

constexpr SystemCursor kSystemCursors[] = {
    SystemCursor::arrow,   SystemCursor::ibeam,    SystemCursor::wait,      SystemCursor::cross,
    SystemCursor::uparrow, SystemCursor::size_nwse, SystemCursor::size_nesw, SystemCursor::size_we,
    SystemCursor::size_ns, SystemCursor::size_all, SystemCursor::no,        SystemCursor::hand,
    SystemCursor::app_starting, SystemCursor::help};

// ---- text ------------------------------------------------------------------------------

TEST(Cp1252, AgreesWithTheSystemConverterOnEveryDefinedByte) {
    const std::set<int> undefined = {0x81, 0x8D, 0x8F, 0x90, 0x9D};
    for (int b = 1; b < 256; ++b) {
        if (undefined.count(b)) continue;
        const char in[2] = {static_cast<char>(b), 0};
        char* expected = SDL_iconv_string("UTF-8", "WINDOWS-1252", in, 2);
        ASSERT_NE(expected, nullptr) << "byte " << b;
        EXPECT_EQ(cp1252_to_utf8(std::string_view(in, 1)), std::string(expected)) << "byte 0x" << std::hex << b;
        SDL_free(expected);
    }
}

TEST(Cp1252, KeepsTheSystemTextsAndTheUndefinedBytes) {
    EXPECT_EQ(cp1252_to_utf8("Esempio di TextureAutoMap e FX_Refract"), "Esempio di TextureAutoMap e FX_Refract");
    EXPECT_EQ(cp1252_to_utf8("la rispettiva applicazione non \xE8 stata inizilizata!"),
              "la rispettiva applicazione non \xC3\xA8 stata inizilizata!");
    // Undefined bytes become the C1 control of the same value instead of vanishing.
    EXPECT_EQ(cp1252_to_utf8("\x81\x9D"), "\xC2\x81\xC2\x9D");
    // Text ends at the first NUL, as the C string it came from would.
    EXPECT_EQ(cp1252_to_utf8(std::string_view("ab\0cd", 5)), "ab");
    EXPECT_EQ(cp1252_to_utf8(""), "");
}

// ---- keys ------------------------------------------------------------------------------

TEST(VirtualKeys, LettersDigitsAndPunctuationFollowTheLayout) {
    // French layout: the key at the position of Q types 'a'.
    EXPECT_EQ(virtual_key(SDLK_a, SDL_SCANCODE_Q, KMOD_NONE), UINT('A'));
    EXPECT_EQ(virtual_key(SDLK_z, SDL_SCANCODE_Z, KMOD_SHIFT), UINT('Z'));
    EXPECT_EQ(virtual_key(SDLK_7, SDL_SCANCODE_7, KMOD_NONE), UINT('7'));
    EXPECT_EQ(virtual_key(SDLK_0, SDL_SCANCODE_0, KMOD_NONE), UINT('0'));
    EXPECT_EQ(virtual_key(SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, KMOD_NONE), UINT(VK_OEM_1));
    EXPECT_EQ(virtual_key(SDLK_SLASH, SDL_SCANCODE_SLASH, KMOD_NONE), UINT(VK_OEM_2));
    // Italian layout: '+' where US has ']' is the plus key; 'ò' has no ASCII symbol and
    // falls back to the key's position.
    EXPECT_EQ(virtual_key(SDLK_PLUS, SDL_SCANCODE_RIGHTBRACKET, KMOD_NONE), UINT(VK_OEM_PLUS));
    EXPECT_EQ(virtual_key(0xF2, SDL_SCANCODE_SEMICOLON, KMOD_NONE), UINT(VK_OEM_1));
    // A letter key whose symbol is not a Latin letter (Cyrillic layout) keeps its position.
    EXPECT_EQ(virtual_key(0x0444, SDL_SCANCODE_A, KMOD_NONE), UINT('A'));
}

TEST(VirtualKeys, ControlNavigationFunctionAndModifierKeys) {
    struct Case {
        SDL_Keycode key;
        SDL_Scancode scancode;
        UINT vk;
    };
    const Case cases[] = {
        {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, VK_ESCAPE},     {SDLK_RETURN, SDL_SCANCODE_RETURN, VK_RETURN},
        {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, VK_RETURN}, {SDLK_SPACE, SDL_SCANCODE_SPACE, VK_SPACE},
        {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, VK_BACK}, {SDLK_TAB, SDL_SCANCODE_TAB, VK_TAB},
        {SDLK_LEFT, SDL_SCANCODE_LEFT, VK_LEFT},           {SDLK_UP, SDL_SCANCODE_UP, VK_UP},
        {SDLK_RIGHT, SDL_SCANCODE_RIGHT, VK_RIGHT},        {SDLK_DOWN, SDL_SCANCODE_DOWN, VK_DOWN},
        {SDLK_PAGEUP, SDL_SCANCODE_PAGEUP, VK_PRIOR},      {SDLK_PAGEDOWN, SDL_SCANCODE_PAGEDOWN, VK_NEXT},
        {SDLK_HOME, SDL_SCANCODE_HOME, VK_HOME},           {SDLK_END, SDL_SCANCODE_END, VK_END},
        {SDLK_INSERT, SDL_SCANCODE_INSERT, VK_INSERT},     {SDLK_DELETE, SDL_SCANCODE_DELETE, VK_DELETE},
        {SDLK_F1, SDL_SCANCODE_F1, VK_F1},                 {SDLK_F10, SDL_SCANCODE_F10, VK_F10},
        {SDLK_F12, SDL_SCANCODE_F12, VK_F12},              {SDLK_F13, SDL_SCANCODE_F13, VK_F12 + 1},
        {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, VK_SHIFT},      {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, VK_SHIFT},
        {SDLK_LCTRL, SDL_SCANCODE_LCTRL, VK_CONTROL},      {SDLK_RCTRL, SDL_SCANCODE_RCTRL, VK_CONTROL},
        {SDLK_LALT, SDL_SCANCODE_LALT, VK_MENU},           {SDLK_RALT, SDL_SCANCODE_RALT, VK_MENU},
        {SDLK_CAPSLOCK, SDL_SCANCODE_CAPSLOCK, VK_CAPITAL}, {SDLK_PAUSE, SDL_SCANCODE_PAUSE, VK_PAUSE},
        {SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS, VK_ADD},      {SDLK_KP_MINUS, SDL_SCANCODE_KP_MINUS, VK_SUBTRACT},
        {SDLK_KP_MULTIPLY, SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY},
        {SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(virtual_key(c.key, c.scancode, KMOD_NONE), c.vk) << SDL_GetScancodeName(c.scancode);
    }
}

TEST(VirtualKeys, KeypadDigitsDependOnNumLock) {
    EXPECT_EQ(virtual_key(SDLK_KP_5, SDL_SCANCODE_KP_5, KMOD_NUM), UINT(VK_NUMPAD0 + 5));
    EXPECT_EQ(virtual_key(SDLK_KP_0, SDL_SCANCODE_KP_0, KMOD_NUM), UINT(VK_NUMPAD0));
    EXPECT_EQ(virtual_key(SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, KMOD_NUM), UINT(VK_DECIMAL));
    EXPECT_EQ(virtual_key(SDLK_KP_8, SDL_SCANCODE_KP_8, KMOD_NONE), UINT(VK_UP));
    EXPECT_EQ(virtual_key(SDLK_KP_1, SDL_SCANCODE_KP_1, KMOD_NONE), UINT(VK_END));
    EXPECT_EQ(virtual_key(SDLK_KP_0, SDL_SCANCODE_KP_0, KMOD_NONE), UINT(VK_INSERT));
    EXPECT_EQ(virtual_key(SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, KMOD_NONE), UINT(VK_DELETE));
}

TEST(VirtualKeys, EveryKeyGivesACodeBelow256OrNone) {
    // The window procedure indexes a 501-entry key array with the code: nothing the host
    // produces may lie outside the platform's byte range.
    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
        for (SDL_Keycode key : {SDL_Keycode(SDLK_UNKNOWN), SDL_SCANCODE_TO_KEYCODE(sc), SDL_Keycode(0x10FFFF),
                                SDL_Keycode(-1)}) {
            for (Uint16 mod : {Uint16(KMOD_NONE), Uint16(KMOD_NUM)}) {
                EXPECT_LT(virtual_key(key, static_cast<SDL_Scancode>(sc), mod), 256u) << sc;
            }
        }
    }
    EXPECT_EQ(virtual_key(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN, KMOD_NONE), 0u);
}

// ---- cursors ---------------------------------------------------------------------------

TEST(Cursors, EverySystemCursorIsSdlsOwnOrDrawn) {
    const std::pair<SystemCursor, SDL_SystemCursor> sdls_own[] = {
        {SystemCursor::arrow, SDL_SYSTEM_CURSOR_ARROW},         {SystemCursor::ibeam, SDL_SYSTEM_CURSOR_IBEAM},
        {SystemCursor::wait, SDL_SYSTEM_CURSOR_WAIT},           {SystemCursor::cross, SDL_SYSTEM_CURSOR_CROSSHAIR},
        {SystemCursor::size_nwse, SDL_SYSTEM_CURSOR_SIZENWSE}, {SystemCursor::size_nesw, SDL_SYSTEM_CURSOR_SIZENESW},
        {SystemCursor::size_we, SDL_SYSTEM_CURSOR_SIZEWE},     {SystemCursor::size_ns, SDL_SYSTEM_CURSOR_SIZENS},
        {SystemCursor::size_all, SDL_SYSTEM_CURSOR_SIZEALL},   {SystemCursor::no, SDL_SYSTEM_CURSOR_NO},
        {SystemCursor::hand, SDL_SYSTEM_CURSOR_HAND},          {SystemCursor::app_starting, SDL_SYSTEM_CURSOR_WAITARROW},
    };
    for (const auto& [cursor, sdl] : sdls_own) EXPECT_EQ(sdl_system_cursor(cursor), sdl) << static_cast<int>(cursor);
    // One or the other, never both, never neither.
    for (SystemCursor cursor : kSystemCursors) {
        EXPECT_NE(sdl_system_cursor(cursor).has_value(), !cursor_art(cursor).rows.empty())
            << static_cast<int>(cursor);
    }
}

TEST(Cursors, DrawnCursorsAreWellFormed) {
    for (SystemCursor cursor : {SystemCursor::uparrow, SystemCursor::help}) {
        CursorArt art = cursor_art(cursor);
        ASSERT_FALSE(art.rows.empty());
        const size_t width = art.rows.front().size();
        int black = 0, white = 0;
        for (const std::string& row : art.rows) {
            EXPECT_EQ(row.size(), width);
            for (char c : row) {
                EXPECT_TRUE(c == 'X' || c == '.' || c == ' ');
                black += c == 'X';
                white += c == '.';
            }
        }
        EXPECT_GT(black, 10);
        EXPECT_GT(white, 10);
        ASSERT_LT(art.hot_y, static_cast<int>(art.rows.size()));
        ASSERT_LT(art.hot_x, static_cast<int>(width));
        // The hot spot is on the drawn tip, not in the transparent area.
        EXPECT_EQ(art.rows[art.hot_y][art.hot_x], 'X');
    }
    EXPECT_TRUE(cursor_art(SystemCursor::arrow).rows.empty());
}

// ---- message box -------------------------------------------------------------------------

// Every box type under every default button: Enter, Space, Escape, the window manager's
// close, the program being asked to end, no display at all, and each button's letter answer
// as Win32 answers, from the description alone.
TEST(MessageBoxKeys, AnswerAsWin32ForEveryTypeAndDefaultButton) {
    namespace table = message_box_table;
    for (const table::Kind& kind : table::kinds()) {
        for (int d = 0; d < 4; ++d) {
            const UINT flags = kind.type | table::kDefaultButtons[d] | MB_ICONQUESTION;
            SCOPED_TRACE(std::string(kind.name) + ", MB_DEFBUTTON" + std::to_string(d + 1));
            const win32::MessageBoxDesc box = table::box("Settare lo schermo intero?  ", "Video!", flags);
            const int enter = kind.enter[d];
            for (SDL_Keycode key : {SDLK_RETURN, SDLK_KP_ENTER, SDLK_SPACE}) {
                BoxFocus focus = box_focus(box);
                EXPECT_EQ(box_key(box, focus, key, KMOD_NONE), enter) << SDL_GetKeyName(key);
            }
            BoxFocus focus = box_focus(box);
            EXPECT_EQ(box_key(box, focus, SDLK_ESCAPE, KMOD_NONE), kind.escape);
            EXPECT_EQ(box_close_answer(box), kind.close);
            EXPECT_EQ(box_quit_answer(box), kind.close ? kind.close : enter);
            EXPECT_EQ(box_default_answer(box), enter);
            testing::internal::CaptureStderr();
            EXPECT_EQ(win32::host().message_box(box), enter) << "with no display";
            testing::internal::GetCapturedStderr();

            // Only a button's own letter presses it, with or without Alt or Shift; never with Ctrl.
            for (char c = 'a'; c <= 'z'; ++c) {
                int expected = 0;
                for (size_t i = 0; i < kind.buttons.size(); ++i)
                    if (kind.letters[i] == c) expected = kind.buttons[i].answer;
                for (Uint16 modifiers : {KMOD_NONE, KMOD_LALT, KMOD_LSHIFT}) {
                    BoxFocus f = box_focus(box);
                    EXPECT_EQ(box_key(box, f, static_cast<SDL_Keycode>(c), modifiers), expected)
                        << "key " << c << " modifiers " << modifiers;
                }
                BoxFocus f = box_focus(box);
                EXPECT_EQ(box_key(box, f, static_cast<SDL_Keycode>(c), KMOD_LCTRL), 0) << "Ctrl+" << c;
            }
        }
    }
}

TEST(MessageBoxKeys, FocusMovesWithTabAndTheArrowsAndLabelsLoseTheirMarks) {
    namespace table = message_box_table;
    const win32::MessageBoxDesc box = table::box("?", "Video!", MB_YESNOCANCEL | MB_DEFBUTTON2);
    BoxFocus focus = box_focus(box);
    EXPECT_EQ(focus.focused, 1);
    // Tab from No to Cancel, then round to Yes; Shift+Tab and the arrows go either way.
    EXPECT_EQ(box_key(box, focus, SDLK_TAB, KMOD_NONE), 0);
    EXPECT_EQ(box_key(box, focus, SDLK_RETURN, KMOD_NONE), IDCANCEL);
    EXPECT_EQ(box_key(box, focus, SDLK_TAB, KMOD_NONE), 0);
    EXPECT_EQ(box_key(box, focus, SDLK_SPACE, KMOD_NONE), IDYES);
    EXPECT_EQ(box_key(box, focus, SDLK_TAB, KMOD_SHIFT), 0);
    EXPECT_EQ(box_key(box, focus, SDLK_RETURN, KMOD_NONE), IDCANCEL);
    EXPECT_EQ(box_key(box, focus, SDLK_LEFT, KMOD_NONE), 0);
    EXPECT_EQ(box_key(box, focus, SDLK_KP_ENTER, KMOD_NONE), IDNO);
    EXPECT_EQ(box_key(box, focus, SDLK_UP, KMOD_NONE), 0);
    EXPECT_EQ(box_key(box, focus, SDLK_RETURN, KMOD_NONE), IDYES);
    EXPECT_EQ(box_key(box, focus, SDLK_RIGHT, KMOD_NONE), 0);
    EXPECT_EQ(box_key(box, focus, SDLK_DOWN, KMOD_NONE), 0);
    EXPECT_EQ(box_key(box, focus, SDLK_RETURN, KMOD_NONE), IDCANCEL);
    // Moving the focus leaves Escape as it was.
    EXPECT_EQ(box_key(box, focus, SDLK_ESCAPE, KMOD_NONE), IDCANCEL);

    EXPECT_EQ(box_label_text("&Try Again"), "Try Again");
    EXPECT_EQ(box_label_text("OK"), "OK");
    EXPECT_EQ(box_label_text("Save && &Quit"), "Save & Quit");
    EXPECT_EQ(box_label_text("End&"), "End");
    EXPECT_EQ(box_mnemonic("Save && &Quit"), SDLK_q);
    EXPECT_EQ(box_mnemonic("A&&B"), SDLK_UNKNOWN);
    EXPECT_EQ(box_mnemonic("Cancel"), SDLK_UNKNOWN);
    EXPECT_EQ(box_mnemonic("&9 lives"), SDLK_9);
}

TEST(MessageBoxLayout, ButtonsSitInTheBandWithoutOverlapping) {
    for (int count = 1; count <= 3; ++count) {
        for (bool icon : {false, true}) {
            const BoxLayout layout = box_layout(300, 40, icon, count);
            EXPECT_GE(layout.width, kBoxMinWidth);
            const auto rects = box_button_rects(layout.width, layout.height, count);
            ASSERT_EQ(static_cast<int>(rects.size()), count);
            for (size_t i = 0; i < rects.size(); ++i) {
                const BoxRect& r = rects[i];
                EXPECT_GE(r.x, 0);
                EXPECT_LE(r.x + r.w, layout.width);
                EXPECT_GE(r.y, layout.height - kBoxButtonBand);
                EXPECT_LE(r.y + r.h, layout.height);
                if (i > 0) {
                    EXPECT_GE(r.x, rects[i - 1].x + rects[i - 1].w);
                }
            }
            // Centred: equal room left and right (within a pixel of rounding).
            const int left = rects.front().x;
            const int right = layout.width - (rects.back().x + rects.back().w);
            EXPECT_LE(std::abs(left - right), 1);
            // The text lies inside the window, above the band, clear of the icon.
            EXPECT_GE(layout.text.x, kBoxMargin);
            EXPECT_LE(layout.text.x + layout.text.w, layout.width);
            EXPECT_LE(layout.text.y + layout.text.h, layout.height - kBoxButtonBand);
            if (icon) {
                EXPECT_GE(layout.text.x, layout.icon.x + layout.icon.w);
            }
        }
    }
    // A tiny text still leaves room for three buttons.
    const BoxLayout small = box_layout(0, 0, false, 3);
    const auto rects = box_button_rects(small.width, small.height, 3);
    EXPECT_GE(rects.front().x, 0);
    EXPECT_LE(rects.back().x + rects.back().w, small.width);
}

TEST(MessageBoxLayout, WrapsWordsAndKeepsLineBreaks) {
    auto measure = [](const std::string& s) { return static_cast<int>(s.size()) * 10; };
    const std::string text = "alpha beta gamma delta epsilon\nzeta";
    const auto lines = wrap_text(text, 120, measure);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.back(), "zeta");
    std::string words;
    for (const std::string& line : lines) {
        EXPECT_TRUE(measure(line) <= 120 || line.find(' ') == std::string::npos) << line;
        words += line + " ";
    }
    EXPECT_EQ(words, "alpha beta gamma delta epsilon zeta ");
    // A single word wider than the limit stays whole on its own line.
    const auto long_word = wrap_text("a supercalifragilistic b", 50, measure);
    EXPECT_EQ(long_word, (std::vector<std::string>{"a", "supercalifragilistic", "b"}));
    EXPECT_EQ(wrap_text("", 100, measure), std::vector<std::string>{""});
}

// ---- no display ---------------------------------------------------------------------------

TEST(NoDisplay, MessageBoxesAnswerTheirDefaultOnStandardError) {
    namespace table = message_box_table;
    testing::internal::CaptureStderr();
    const int question =
        win32::host().message_box(table::box("Settare lo schermo intero?  ", "Video!", MB_YESNO | MB_ICONQUESTION));
    const int error =
        win32::host().message_box(table::box("la rispettiva applicazione non \xE8 stata inizilizata!", "Error", MB_OK));
    const int multi_line = win32::host().message_box(table::box("one\ntwo", "Caption", MB_YESNO | MB_DEFBUTTON2));
    const std::string output = testing::internal::GetCapturedStderr();
    EXPECT_EQ(question, IDYES);
    EXPECT_EQ(error, IDOK);
    EXPECT_EQ(multi_line, IDNO);
    EXPECT_EQ(output,
              "Video!: Settare lo schermo intero?  \n"
              "Error: la rispettiva applicazione non \xC3\xA8 stata inizilizata!\n"
              "Caption: one two\n");
}

TEST(NoDisplay, WindowsCannotBeCreatedAndEverythingElseIsHarmless) {
    win32::Host& host = win32::host();
    win32::SurfaceDesc desc;
    desc.outer = {0, 0, 800, 600};
    desc.client = {3, 19, 797, 597};
    desc.title = "Esempio di TextureAutoMap e FX_Refract";
    desc.decorated = true;
    EXPECT_EQ(host.create_surface(desc), nullptr);
    EXPECT_EQ(host.failure().call, "SDL_InitSubSystem");
    EXPECT_NE(host.failure().reason.find("no display"), std::string::npos) << host.failure().reason;
    EXPECT_EQ(host.create_context(nullptr), nullptr);
    EXPECT_TRUE(host.failure());
    EXPECT_TRUE(host.make_current(nullptr, nullptr));
    EXPECT_FALSE(host.failure());
    host.pump();
    host.set_cursor({nullptr, SystemCursor::wait});
    host.set_cursor_pos(10, 10);
    host.capture_mouse(true);
    host.capture_mouse(false);
    EXPECT_EQ(host.screen_width(), 0);
    EXPECT_EQ(host.screen_height(), 0);
    const uint32_t t0 = host.tick_count();
    SDL_Delay(20);
    EXPECT_GE(host.tick_count() - t0, 15u);
}

}  // namespace

int main(int argc, char** argv) {
    // These tests are about having no display, whatever the environment offers.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
