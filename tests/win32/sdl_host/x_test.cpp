// The desktop host on a private X server with no window manager, used the way a person
// would use it: message boxes answered with xdotool keys and clicks or closed from outside,
// GL windows checked on the screen's pixels, keys and mouse checked as the calls the Win32
// layer receives (a recording stand-in here).
#include "fake_input.h"
#include "tests/support/desktop.h"
#include "tests/support/message_box_table.h"
#include "win32/host.h"
#include "win32/hosts/sdl/message_box.h"
#include "win32/hosts/sdl/text.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using fake_input::Call;
using win32::NativeSurface;

namespace {

win32::Host& host() { return win32::host(); }

bool near_colour(uint32_t actual, uint32_t expected, int tolerance = 2) {
    for (int shift : {0, 8, 16}) {
        int a = static_cast<int>((actual >> shift) & 0xFF), e = static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(a - e) > tolerance) return false;
    }
    return true;
}

std::string hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", v);
    return text;
}

// Shows a box of these flags (owned by `owner` when not null) on this thread while `user`
// acts on its window from another thread. Should the user's part fail, the box is closed
// from outside and then answered with Return, so that the test fails, not hangs.
int box_with_user(const std::string& text, const std::string& caption, UINT flags,
                  const std::function<bool(unsigned long)>& user, bool* user_ok, NativeSurface* owner = nullptr) {
    std::atomic<bool> ok{false};
    std::thread person([&] {
        const unsigned long window = desktop::find_window(win32::sdl::cp1252_to_utf8(caption));
        if (window && user(window)) {
            ok = true;
        } else if (window) {
            desktop::request_close(window);
            desktop::run_status("xdotool key Return");
        }
    });
    const int answer = host().message_box(message_box_table::box(text, caption, flags, owner));
    person.join();
    *user_ok = ok;
    return answer;
}

bool type_keys(unsigned long window, const std::string& keys) {
    return desktop::wait_focus(window) && desktop::run_status("xdotool key --delay 40 " + keys) == 0;
}

// Pumps the host until `done` holds for the recorded input, or a few seconds pass.
bool pump_until(const std::function<bool(const std::vector<Call>&)>& done, int timeout_ms = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    do {
        host().pump();
        if (done(fake_input::calls())) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

void pump_for(int ms) {
    pump_until([](const std::vector<Call>&) { return false; }, ms);
}

std::string describe_all(const std::vector<Call>& calls) {
    std::string text;
    for (const Call& c : calls) text += fake_input::describe(c) + "\n";
    return text;
}

// A shown top-level window with its client area at (left, top) and a current GL context.
struct GlWindow {
    NativeSurface* surface = nullptr;
    win32::NativeContext* context = nullptr;
    unsigned long xwindow = 0;
    win32::SurfaceDesc desc;

    GlWindow(const std::string& title, RECT outer, RECT client, bool decorated) {
        desc.outer = outer;
        desc.client = client;
        desc.title = title;
        desc.decorated = decorated;
        surface = host().create_surface(desc);
        if (!surface) return;
        host().show_surface(surface, true);
        context = host().create_context(surface);
        if (context) host().make_current(surface, context);
        xwindow = desktop::find_window(win32::sdl::cp1252_to_utf8(title));
    }
    ~GlWindow() {
        host().make_current(nullptr, nullptr);
        if (context) host().delete_context(context);
        if (surface) host().destroy_surface(surface);
    }
    void clear_and_swap(float r, float g, float b, const std::vector<win32::Overlay>& overlays = {}) {
        glClearColor(r, g, b, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        host().swap(surface, overlays);
        glFinish();
    }
};

// Screen pixels after a swap reach the X server asynchronously; give them a moment.
bool wait_pixel(int x, int y, uint32_t expected, uint32_t* seen) {
    for (int i = 0; i < 100; ++i) {
        *seen = desktop::screen_pixel(x, y);
        if (near_colour(*seen, expected)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// ---- message boxes -----------------------------------------------------------------------

TEST(MessageBox, AnsweredFromTheKeyboard) {
    struct Case {
        const char* caption;
        UINT flags;
        const char* keys;
        int expected;
    };
    const Case cases[] = {
        {"Video!", MB_YESNO | MB_ICONQUESTION, "y", IDYES},
        {"Video! (n)", MB_YESNO | MB_ICONQUESTION, "n", IDNO},
        {"Video! (Return)", MB_YESNO | MB_ICONQUESTION, "Return", IDYES},
        // Escape does nothing in a Yes/No box: the Y that follows answers it.
        {"Video! (Escape)", MB_YESNO | MB_ICONQUESTION, "Escape y", IDYES},
        {"Video! (Tab)", MB_YESNO, "Tab Return", IDNO},
        {"Video! (default No)", MB_YESNOCANCEL | MB_DEFBUTTON2, "Return", IDNO},
        {"Error", MB_OK, "Escape", IDOK},
        // OK has no letter: the O does nothing and Return presses Cancel, the default.
        {"Error (o)", MB_OKCANCEL | MB_ICONERROR | MB_DEFBUTTON2, "o Return", IDCANCEL},
        {"Abort (Escape)", MB_ABORTRETRYIGNORE | MB_ICONERROR, "Escape i", IDIGNORE},
        {"Retry (Escape)", MB_RETRYCANCEL, "Escape", IDCANCEL},
        {"Continue (c)", MB_CANCELTRYCONTINUE | MB_ICONEXCLAMATION, "c", IDCONTINUE},
        {"Attenzione \xE8 (Return)", MB_OK | MB_ICONEXCLAMATION, "Return", IDOK},
    };
    for (const Case& c : cases) {
        bool user_ok = false;
        const int answer = box_with_user("Settare lo schermo intero?  ", c.caption, c.flags,
                                         [&](unsigned long w) { return type_keys(w, c.keys); }, &user_ok);
        EXPECT_TRUE(user_ok) << c.caption << ": the box did not show with the keyboard focus";
        EXPECT_EQ(answer, c.expected) << c.caption << " keys " << c.keys;
    }
}

TEST(MessageBox, HugeTextStillFitsOnTheScreen) {
    std::string text(3000, 'W');
    for (int i = 0; i < 4000; ++i) text += " parola";
    for (int i = 0; i < 300; ++i) text += "\nriga";
    desktop::Geometry g;
    bool user_ok = false;
    EXPECT_EQ(box_with_user(text, "Video! (huge)", MB_YESNO | MB_ICONQUESTION,
                            [&](unsigned long w) {
                                g = desktop::window_geometry(w);
                                return type_keys(w, "n");
                            },
                            &user_ok),
              IDNO);
    EXPECT_TRUE(user_ok);
    EXPECT_GT(g.width, 0);
    EXPECT_LE(g.x + g.width, 1024);
    EXPECT_LE(g.y + g.height, 768);
    EXPECT_GE(g.x, 0);
    EXPECT_GE(g.y, 0);
}

TEST(MessageBox, ClosedByTheWindowManagerWhereTheBoxAllowsIt) {
    struct Case {
        const char* caption;
        UINT flags;
        const char* keys;  // typed after the close, for a box the close leaves up
        int expected;
    };
    const Case cases[] = {
        {"Error", MB_OK, "", IDOK},
        {"Video! (cancel)", MB_YESNOCANCEL | MB_ICONQUESTION, "", IDCANCEL},
        // A Yes/No or Abort/Retry/Ignore box has no close: it waits for its buttons.
        {"Video!", MB_YESNO | MB_ICONQUESTION, "y", IDYES},
        {"Abort", MB_ABORTRETRYIGNORE, "r", IDRETRY},
    };
    for (const Case& c : cases) {
        bool user_ok = false;
        const int answer = box_with_user("Settare lo schermo intero?  ", c.caption, c.flags,
                                         [&](unsigned long w) {
                                             if (!desktop::request_close(w)) return false;
                                             return !*c.keys || type_keys(w, c.keys);
                                         },
                                         &user_ok);
        EXPECT_TRUE(user_ok) << c.caption;
        EXPECT_EQ(answer, c.expected) << c.caption;
    }
}

TEST(MessageBox, ButtonsAnswerClicksThatStartAndEndOnThem) {
    auto click_button = [](unsigned long w, int index, int release_index) {
        const desktop::Geometry g = desktop::window_geometry(w);
        const auto rects = win32::sdl::box_button_rects(g.width, g.height, 2);
        auto centre = [&](int i) {
            return std::to_string(g.x + rects[i].x + rects[i].w / 2) + " " +
                   std::to_string(g.y + rects[i].y + rects[i].h / 2);
        };
        // (xdotool's --sync waits for the pointer to move, so it is never asked to stay put.)
        std::string command = "xdotool mousemove 1 1 sleep 0.05 mousemove --sync " + centre(index) + " mousedown 1";
        if (release_index != index) command += " mousemove --sync " + centre(release_index);
        return desktop::run_status(command + " mouseup 1") == 0;
    };
    bool user_ok = false;
    EXPECT_EQ(box_with_user("Settare lo schermo intero?  ", "Video! (click No)", MB_YESNO | MB_ICONQUESTION,
                            [&](unsigned long w) { return click_button(w, 1, 1); }, &user_ok),
              IDNO);
    EXPECT_TRUE(user_ok);
    EXPECT_EQ(box_with_user("Settare lo schermo intero?  ", "Video! (click Yes)", MB_YESNO | MB_ICONQUESTION,
                            [&](unsigned long w) { return click_button(w, 0, 0); }, &user_ok),
              IDYES);
    EXPECT_TRUE(user_ok);
    // Pressed on Yes but released on No: neither answers; the N key then does.
    EXPECT_EQ(box_with_user("Settare lo schermo intero?  ", "Video! (slip)", MB_YESNO | MB_ICONQUESTION,
                            [&](unsigned long w) {
                                return click_button(w, 0, 1) && type_keys(w, "n");
                            },
                            &user_ok),
              IDNO);
    EXPECT_TRUE(user_ok);
}

TEST(MessageBox, RequestToEndTheProgramClosesTheBoxAndReachesTheWindows) {
    GlWindow main("Esempio di TextureAutoMap e FX_Refract", {97, 101, 417, 364}, {100, 120, 420, 360}, true);
    ASSERT_TRUE(main.surface && main.xwindow);
    pump_for(100);
    fake_input::clear();
    // SIGTERM while a box is up: a box with a close ends as if closed, one without with its
    // default button, and the request then reaches the shown windows as a close.
    bool user_ok = false;
    EXPECT_EQ(box_with_user("Settare lo schermo intero?  ", "Video!", MB_YESNOCANCEL | MB_ICONQUESTION,
                            [](unsigned long) { return kill(getpid(), SIGTERM) == 0; }, &user_ok),
              IDCANCEL);
    EXPECT_TRUE(user_ok);
    EXPECT_EQ(box_with_user("Settare lo schermo intero?  ", "Video! (no close)", MB_YESNO | MB_DEFBUTTON2,
                            [](unsigned long) { return kill(getpid(), SIGTERM) == 0; }, &user_ok),
              IDNO);
    EXPECT_TRUE(user_ok);
    EXPECT_TRUE(pump_until([&](const std::vector<Call>& calls) {
        for (const Call& c : calls) {
            if (c.kind == Call::close && c.surface == main.surface) return true;
        }
        return false;
    })) << describe_all(fake_input::calls());
}

// What a window manager reads from the box: a dialog, of its owner when it has one, of one
// size only, offering move and (where the box has a close) close but no maximize or
// minimize, centred on the screen (with no window manager, no frame to allow for).
struct DialogFacts {
    std::vector<std::string> type, state;
    std::vector<unsigned long> transient_for, motif;
    desktop::SizeHints hints;
    desktop::Geometry geometry;
};

DialogFacts box_facts(const std::string& caption, UINT flags, NativeSurface* owner) {
    DialogFacts facts;
    bool user_ok = false;
    EXPECT_EQ(box_with_user("Impossibile creare la finestra per la rispettiva applicazione!", caption, flags,
                            [&](unsigned long w) {
                                facts.type = desktop::atom_names(w, "_NET_WM_WINDOW_TYPE");
                                facts.state = desktop::atom_names(w, "_NET_WM_STATE");
                                facts.transient_for = desktop::property_values(w, "WM_TRANSIENT_FOR");
                                facts.motif = desktop::property_values(w, "_MOTIF_WM_HINTS");
                                facts.hints = desktop::size_hints(w);
                                facts.geometry = desktop::window_geometry(w);
                                return type_keys(w, "Return");
                            },
                            &user_ok, owner),
              message_box_table::kind_of(flags).enter[0]);
    EXPECT_TRUE(user_ok) << caption;
    return facts;
}

bool has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// A WM_TRANSIENT_FOR that names no window of the program: none, or the root (SDL's own).
bool of_no_window(const std::vector<unsigned long>& transient_for) {
    return transient_for.empty() || transient_for == std::vector<unsigned long>{desktop::root_window()};
}

constexpr unsigned long kMotifMove = 1u << 2, kMotifClose = 1u << 5;

TEST(MessageBox, TellsTheWindowManagerItIsADialogOfItsOwner) {
    const DialogFacts alone = box_facts("Error", MB_OK, nullptr);
    EXPECT_EQ(alone.type, std::vector<std::string>{"_NET_WM_WINDOW_TYPE_DIALOG"});
    EXPECT_FALSE(has(alone.state, "_NET_WM_STATE_MODAL")) << "modal with no owner";
    EXPECT_TRUE(of_no_window(alone.transient_for));
    const desktop::Geometry& g = alone.geometry;
    ASSERT_GT(g.width, 0);
    EXPECT_EQ(alone.hints.min_width, g.width);
    EXPECT_EQ(alone.hints.max_width, g.width);
    EXPECT_EQ(alone.hints.min_height, g.height);
    EXPECT_EQ(alone.hints.max_height, g.height);
    ASSERT_EQ(alone.motif.size(), 5u);
    EXPECT_EQ(alone.motif[0], 3u) << "functions and decorations given";
    EXPECT_EQ(alone.motif[1], kMotifMove | kMotifClose) << "move and close; no resize, minimize or maximize";
    EXPECT_EQ(alone.motif[2], (1u << 1) | (1u << 3) | (1u << 4)) << "border, title and window menu";
    EXPECT_NEAR(2 * g.x + g.width, 1024, 1);
    EXPECT_NEAR(2 * g.y + g.height, 768, 1);

    // A box that must be answered with a button offers no close.
    const DialogFacts yes_no = box_facts("Video!", MB_YESNO | MB_ICONQUESTION, nullptr);
    ASSERT_EQ(yes_no.motif.size(), 5u);
    EXPECT_EQ(yes_no.motif[1], kMotifMove) << "move only";

    GlWindow main("Esempio di TextureAutoMap e FX_Refract", {97, 101, 417, 364}, {100, 120, 420, 360}, true);
    GlWindow other("Altra finestra", {500, 100, 700, 300}, {503, 119, 697, 297}, true);
    ASSERT_TRUE(main.surface && main.xwindow && other.surface && other.xwindow);
    // The owner is the window the program named, not the one with the keyboard.
    ASSERT_TRUE(desktop::wait_focus(other.xwindow));
    const DialogFacts owned = box_facts("Error (owned)", MB_OK, main.surface);
    EXPECT_EQ(owned.type, std::vector<std::string>{"_NET_WM_WINDOW_TYPE_DIALOG"});
    EXPECT_EQ(owned.transient_for, std::vector<unsigned long>{main.xwindow});
    EXPECT_TRUE(has(owned.state, "_NET_WM_STATE_MODAL"));
    EXPECT_TRUE(has(owned.state, "_NET_WM_STATE_ABOVE")) << "the states SDL set are kept";
    EXPECT_TRUE(desktop::wait_focus(main.xwindow, std::chrono::milliseconds(3000))) << "the owner has the keyboard again";

    // A box without an owner belongs to no window, whichever has the keyboard, and gives
    // the keyboard back to that window.
    host().focus_surface(other.surface);
    ASSERT_TRUE(desktop::wait_focus(other.xwindow));
    const DialogFacts unowned = box_facts("Error (unowned)", MB_OK, nullptr);
    EXPECT_TRUE(of_no_window(unowned.transient_for)) << "other is " << other.xwindow << ", the box's is "
                                                      << unowned.transient_for.front();
    EXPECT_FALSE(has(unowned.state, "_NET_WM_STATE_MODAL"));
    EXPECT_TRUE(desktop::wait_focus(other.xwindow, std::chrono::milliseconds(3000)));
}

TEST(MessageBox, KeepsOtherWindowsInputAndTheGlContext) {
    GlWindow main("Esempio di TextureAutoMap e FX_Refract", {97, 101, 417, 364}, {100, 120, 420, 360}, true);
    ASSERT_TRUE(main.surface && main.context && main.xwindow);
    main.clear_and_swap(1, 0, 0);
    fake_input::clear();

    // While the box is up, the pointer crosses the main window (outside the box).
    bool user_ok = false;
    const int answer = box_with_user("Settare lo schermo intero?  ", "Video!", MB_YESNO,
                                     [](unsigned long w) {
                                         return desktop::run_status("xdotool mousemove --sync 130 150 mousemove --sync 140 160") == 0 &&
                                                type_keys(w, "n");
                                     },
                                     &user_ok);
    EXPECT_TRUE(user_ok);
    EXPECT_EQ(answer, IDNO);

    // The GL context is still current and draws to the window.
    main.clear_and_swap(0, 1, 0);
    uint32_t seen = 0;
    EXPECT_TRUE(wait_pixel(150, 150, 0x00FF00, &seen)) << hex(seen);
    // The main window has the keyboard again.
    EXPECT_TRUE(desktop::wait_focus(main.xwindow, std::chrono::milliseconds(3000)));
    // The moves over the main window were kept and arrive now, in screen coordinates.
    EXPECT_TRUE(pump_until([&](const std::vector<Call>& calls) {
        for (const Call& c : calls) {
            if (c.kind == Call::move && c.surface == main.surface && c.x == 140 && c.y == 160) return true;
        }
        return false;
    })) << describe_all(fake_input::calls());
}

// ---- windows and GL ------------------------------------------------------------------------

TEST(Surface, CaptionedWindowShowsItsClientAreaUnderItsTitle) {
    GlWindow w("Esempio di TextureAutoMap e FX_Refract \x80", {97, 101, 417, 364}, {100, 120, 420, 360}, true);
    ASSERT_NE(w.surface, nullptr);
    ASSERT_NE(w.context, nullptr);
    ASSERT_NE(w.xwindow, 0u) << "no window titled with the UTF-8 form of the title";
    EXPECT_EQ(desktop::title(w.xwindow), "Esempio di TextureAutoMap e FX_Refract \xE2\x82\xAC");
    const desktop::Geometry g = desktop::window_geometry(w.xwindow);
    EXPECT_EQ(g.x, 100);
    EXPECT_EQ(g.y, 120);
    EXPECT_EQ(g.width, 320);
    EXPECT_EQ(g.height, 240);
    EXPECT_TRUE(desktop::wait_focus(w.xwindow, std::chrono::milliseconds(3000))) << "a shown window takes the keyboard focus";

    // The context is the one fixed-function drawing needs.
    GLint depth = 0, stencil = 0, red = 0;
    GLboolean doublebuffer = GL_FALSE;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    glGetIntegerv(GL_RED_BITS, &red);
    glGetBooleanv(GL_DOUBLEBUFFER, &doublebuffer);
    EXPECT_GE(depth, 24);
    EXPECT_GE(stencil, 8);
    EXPECT_EQ(red, 8);
    EXPECT_TRUE(doublebuffer);
    while (glGetError() != GL_NO_ERROR) {
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBegin(GL_TRIANGLES);
    glVertex3f(0, 0, 0);
    glVertex3f(1, 0, 0);
    glVertex3f(0, 1, 0);
    glEnd();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "immediate mode needs a compatibility context";

    w.clear_and_swap(0.2f, 0.4f, 0.6f);
    uint32_t seen = 0;
    EXPECT_TRUE(wait_pixel(110, 130, 0x336699, &seen)) << hex(seen);
    EXPECT_TRUE(wait_pixel(419, 359, 0x336699, &seen)) << hex(seen);
    w.clear_and_swap(1.0f, 1.0f, 0.0f);
    EXPECT_TRUE(wait_pixel(260, 240, 0xFFFF00, &seen)) << hex(seen);

    // Moving and resizing the Win32 window moves the native one; hiding unmaps it.
    win32::SurfaceDesc moved = w.desc;
    moved.outer = {197, 81, 597, 385};
    moved.client = {200, 100, 594, 382};
    host().move_surface(w.surface, moved);
    pump_for(100);
    const desktop::Geometry m = desktop::window_geometry(w.xwindow);
    EXPECT_EQ(m.x, 200);
    EXPECT_EQ(m.y, 100);
    EXPECT_EQ(m.width, 394);
    EXPECT_EQ(m.height, 282);
    host().set_title(w.surface, "Citt\xE0");
    pump_for(50);
    EXPECT_EQ(desktop::title(w.xwindow), "Citt\xC3\xA0");
    host().show_surface(w.surface, false);
    pump_for(100);
    EXPECT_EQ(desktop::find_window("Citt\xC3\xA0", std::chrono::milliseconds(200)), 0u) << "a hidden window is not viewable";
}

TEST(Surface, WindowWithoutCaptionIsBorderlessAndCoversTheScreen) {
    const int sw = host().screen_width(), sh = host().screen_height();
    ASSERT_EQ(sw, 1024);
    ASSERT_EQ(sh, 768);
    GlWindow w("Esempio di TextureAutoMap e FX_Refract", {0, 0, sw, sh}, {1, 1, sw - 1, sh - 1}, false);
    ASSERT_TRUE(w.surface && w.context && w.xwindow);
    const desktop::Geometry g = desktop::window_geometry(w.xwindow);
    EXPECT_EQ(g.x, 0);
    EXPECT_EQ(g.y, 0);
    EXPECT_EQ(g.width, sw);
    EXPECT_EQ(g.height, sh);
    ASSERT_TRUE(desktop::wait_focus(w.xwindow));
    pump_for(100);
    ASSERT_NE(SDL_GetKeyboardFocus(), nullptr);
    EXPECT_TRUE(SDL_GetWindowFlags(SDL_GetKeyboardFocus()) & SDL_WINDOW_BORDERLESS);

    // The drawable is the whole window; an overlay at client (0, 0) lands one pixel in.
    std::vector<uint32_t> white(4 * 4, 0x00FFFFFF);
    win32::Overlay o;
    o.x = 0;
    o.y = 0;
    o.width = o.height = 4;
    o.pixels = white.data();
    w.clear_and_swap(0, 0, 1, {o});
    uint32_t seen = 0;
    EXPECT_TRUE(wait_pixel(0, 0, 0x0000FF, &seen)) << hex(seen);
    EXPECT_TRUE(wait_pixel(1, 1, 0xFFFFFF, &seen)) << hex(seen);
    EXPECT_TRUE(wait_pixel(4, 4, 0xFFFFFF, &seen)) << hex(seen);
    EXPECT_TRUE(wait_pixel(5, 5, 0x0000FF, &seen)) << hex(seen);
    EXPECT_TRUE(wait_pixel(sw - 1, sh - 1, 0x0000FF, &seen)) << hex(seen);
}

TEST(Swap, OverlaysFollowTheirMaskAndLeaveTheGlStateAsItWas) {
    GlWindow w("Overlay test", {97, 101, 417, 364}, {100, 120, 420, 360}, true);
    ASSERT_TRUE(w.surface && w.context);

    // A 40x30 button at (20, 10): red where its region covers (left half), green outside.
    const int bw = 40, bh = 30;
    std::vector<uint32_t> button(bw * bh);
    std::vector<uint8_t> mask(bw * bh);
    for (int y = 0; y < bh; ++y) {
        for (int x = 0; x < bw; ++x) {
            mask[y * bw + x] = x < bw / 2;
            button[y * bw + x] = x < bw / 2 ? 0x00FF0000 : 0x0000FF00;
        }
    }
    // A second one hanging off the left edge, top rows white and bottom rows black.
    std::vector<uint32_t> edge(20 * 10);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) edge[y * 20 + x] = y < 5 ? 0x00FFFFFF : 0x00000000;
    }
    std::vector<win32::Overlay> overlays(2);
    overlays[0] = {20, 10, bw, bh, button.data(), mask.data()};
    overlays[1] = {-10, 100, 20, 10, edge.data(), nullptr};

    // Application state the overlay drawing must not disturb.
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDisable(GL_ALPHA_TEST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 7);
    glPixelZoom(2.0f, 3.0f);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_TEXTURE);
    glRasterPos2f(0.25f, 0.5f);
    glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
    GLfloat raster_before[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster_before);

    w.clear_and_swap(0, 0, 1, overlays);

    uint32_t seen = 0;
    EXPECT_TRUE(wait_pixel(100 + 25, 120 + 15, 0xFF0000, &seen)) << "covered part: " << hex(seen);
    EXPECT_TRUE(wait_pixel(100 + 50, 120 + 15, 0x0000FF, &seen)) << "uncovered part: " << hex(seen);
    EXPECT_TRUE(wait_pixel(100 + 19, 120 + 15, 0x0000FF, &seen)) << "left of it: " << hex(seen);
    EXPECT_TRUE(wait_pixel(100 + 25, 120 + 9, 0x0000FF, &seen)) << "above it: " << hex(seen);
    EXPECT_TRUE(wait_pixel(100 + 2, 120 + 101, 0xFFFFFF, &seen)) << "top rows first: " << hex(seen);
    EXPECT_TRUE(wait_pixel(100 + 2, 120 + 108, 0x000000, &seen)) << "bottom rows last: " << hex(seen);

    GLint value = 0;
    GLfloat f[4];
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(value, GL_ONE);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &value);
    EXPECT_EQ(value, 1);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &value);
    EXPECT_EQ(value, 7);
    glGetFloatv(GL_ZOOM_X, f);
    EXPECT_EQ(f[0], 2.0f);
    glGetFloatv(GL_ZOOM_Y, f);
    EXPECT_EQ(f[0], 3.0f);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_TEXTURE);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(static_cast<GLuint>(value), texture);
    glGetFloatv(GL_CURRENT_COLOR, f);
    EXPECT_FLOAT_EQ(f[1], 0.2f);
    glGetFloatv(GL_CURRENT_RASTER_POSITION, f);
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(f[i], raster_before[i]);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &value);
    EXPECT_EQ(value, GL_TEXTURE0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glDeleteTextures(1, &texture);
}

// ---- input ---------------------------------------------------------------------------------

struct InputTest : testing::Test {
    GlWindow window{"Input test", {97, 101, 417, 364}, {100, 120, 420, 360}, true};
    void SetUp() override {
        ASSERT_TRUE(window.surface && window.xwindow);
        ASSERT_TRUE(desktop::wait_focus(window.xwindow));
        window.clear_and_swap(0, 0, 0);
        pump_for(200);
        fake_input::clear();
    }
    std::vector<Call> keys() const {
        std::vector<Call> out;
        for (const Call& c : fake_input::calls()) {
            if (c.kind == Call::key) out.push_back(c);
        }
        return out;
    }
};

TEST_F(InputTest, KeysArriveWithTheirVirtualKeyCodes) {
    ASSERT_EQ(desktop::run_status("xdotool key --delay 30 a 7 Escape F5 Left KP_Add shift+semicolon alt+x"), 0);
    struct Expected {
        UINT vk;
        bool down;
        bool alt;
    };
    const Expected expected[] = {
        {'A', true, false},        {'A', false, false},        {'7', true, false},        {'7', false, false},
        {VK_ESCAPE, true, false},  {VK_ESCAPE, false, false},  {VK_F1 + 4, true, false},  {VK_F1 + 4, false, false},
        {VK_LEFT, true, false},    {VK_LEFT, false, false},    {VK_ADD, true, false},     {VK_ADD, false, false},
        {VK_SHIFT, true, false},   {VK_OEM_1, true, false},    {VK_OEM_1, false, false},  {VK_SHIFT, false, false},
        {VK_MENU, true, true},     {'X', true, true},          {'X', false, false},       {VK_MENU, false, false},
    };
    const size_t count = std::size(expected);
    pump_until([&](const std::vector<Call>&) { return keys().size() >= count; });
    const std::vector<Call> got = keys();
    ASSERT_EQ(got.size(), count) << describe_all(fake_input::calls());
    // Presses come in order; xdotool lets go of a chord's keys in either order, so each
    // release is only required to follow its press.
    std::vector<Call> presses;
    for (const Call& c : got) {
        EXPECT_FALSE(c.repeat) << fake_input::describe(c);
        EXPECT_EQ(c.surface, window.surface);
        if (c.down) presses.push_back(c);
    }
    std::vector<Expected> expected_presses;
    for (const Expected& e : expected) {
        if (e.down) expected_presses.push_back(e);
    }
    ASSERT_EQ(presses.size(), expected_presses.size()) << describe_all(got);
    for (size_t i = 0; i < presses.size(); ++i) {
        EXPECT_EQ(presses[i].vk, expected_presses[i].vk) << fake_input::describe(presses[i]);
        EXPECT_EQ(presses[i].alt, expected_presses[i].alt) << fake_input::describe(presses[i]);
    }
    for (size_t i = 0; i < got.size(); ++i) {
        if (got[i].down) continue;
        bool pressed_before = false;
        for (size_t j = 0; j < i; ++j) pressed_before |= got[j].down && got[j].vk == got[i].vk;
        EXPECT_TRUE(pressed_before) << describe_all(got);
    }
}

TEST_F(InputTest, HeldKeyRepeats) {
    ASSERT_EQ(desktop::run_status("xdotool keydown b sleep 1 keyup b"), 0);
    pump_until([&](const std::vector<Call>&) {
        const auto k = keys();
        return !k.empty() && !k.back().down;
    });
    const std::vector<Call> got = keys();
    ASSERT_GE(got.size(), 4u) << describe_all(got);
    EXPECT_TRUE(got.front().down);
    EXPECT_FALSE(got.front().repeat);
    for (size_t i = 1; i + 1 < got.size(); ++i) {
        EXPECT_TRUE(got[i].down && got[i].repeat) << fake_input::describe(got[i]);
    }
    EXPECT_FALSE(got.back().down);
    for (const Call& c : got) EXPECT_EQ(c.vk, UINT('B'));
}

TEST_F(InputTest, MouseArrivesInScreenCoordinates) {
    ASSERT_EQ(desktop::run_status("xdotool mousemove --sync 150 170 click 1 click 3 click 2"), 0);
    auto has = [](const std::vector<Call>& calls, Call::Kind kind, int x, int y, win32::MouseButton b, bool down) {
        for (const Call& c : calls) {
            if (c.kind == kind && c.x == x && c.y == y && (kind != Call::press || (c.button == b && c.down == down)))
                return true;
        }
        return false;
    };
    using win32::MouseButton;
    EXPECT_TRUE(pump_until([&](const std::vector<Call>& calls) {
        return has(calls, Call::press, 150, 170, MouseButton::middle, false);
    })) << describe_all(fake_input::calls());
    const auto& calls = fake_input::calls();
    EXPECT_TRUE(has(calls, Call::move, 150, 170, MouseButton::left, false)) << describe_all(calls);
    for (MouseButton b : {MouseButton::left, MouseButton::right, MouseButton::middle}) {
        EXPECT_TRUE(has(calls, Call::press, 150, 170, b, true)) << describe_all(calls);
        EXPECT_TRUE(has(calls, Call::press, 150, 170, b, false)) << describe_all(calls);
    }
    for (const Call& c : calls) EXPECT_EQ(c.surface, window.surface);

    // A drag that leaves the window keeps reporting, with coordinates outside the client.
    fake_input::clear();
    ASSERT_EQ(desktop::run_status("xdotool mousedown 1 mousemove --sync 50 60 mouseup 1"), 0);
    EXPECT_TRUE(pump_until([&](const std::vector<Call>& c) {
        return has(c, Call::press, 50, 60, MouseButton::left, false);
    })) << describe_all(fake_input::calls());
    EXPECT_TRUE(has(fake_input::calls(), Call::move, 50, 60, MouseButton::left, false));
}

TEST_F(InputTest, CapturedMouseReportsMovesOutsideTheWindow) {
    ASSERT_EQ(desktop::run_status("xdotool mousemove --sync 200 200"), 0);
    pump_for(100);
    host().capture_mouse(true);
    fake_input::clear();
    ASSERT_EQ(desktop::run_status("xdotool mousemove --sync 30 40"), 0);
    EXPECT_TRUE(pump_until([](const std::vector<Call>& calls) {
        for (const Call& c : calls) {
            if (c.kind == Call::move && c.x == 30 && c.y == 40) return true;
        }
        return false;
    })) << describe_all(fake_input::calls());
    host().capture_mouse(false);
    fake_input::clear();
    ASSERT_EQ(desktop::run_status("xdotool mousemove --sync 20 25"), 0);
    pump_for(300);
    for (const Call& c : fake_input::calls()) {
        EXPECT_FALSE(c.kind == Call::move && c.x == 20 && c.y == 25) << "move reported after the capture ended";
    }
}

TEST_F(InputTest, WindowManagerCloseAsksTheWindowToClose) {
    ASSERT_TRUE(desktop::request_close(window.xwindow));
    EXPECT_TRUE(pump_until([&](const std::vector<Call>& calls) {
        for (const Call& c : calls) {
            if (c.kind == Call::close && c.surface == window.surface) return true;
        }
        return false;
    }));
}

TEST_F(InputTest, TerminationSignalAsksTheWindowsToClose) {
    // SIGTERM (or Ctrl+C) ends the program the way closing its window does.
    ASSERT_EQ(kill(getpid(), SIGTERM), 0);
    EXPECT_TRUE(pump_until([&](const std::vector<Call>& calls) {
        for (const Call& c : calls) {
            if (c.kind == Call::close && c.surface == window.surface) return true;
        }
        return false;
    }));
}

// ---- windows and the display going away ------------------------------------------------------

int destroyed_reports(NativeSurface* surface) {
    int n = 0;
    for (const Call& c : fake_input::calls()) n += c.kind == Call::destroyed && c.surface == surface;
    return n;
}

TEST(Loss, AWindowDestroyedByAnotherClientIsReportedAloneAndTheOthersGoOn) {
    GlWindow gone("Destroyed from outside", {0, 0, 200, 150}, {0, 0, 200, 150}, false);
    GlWindow kept("Kept", {300, 300, 500, 450}, {300, 300, 500, 450}, false);
    ASSERT_TRUE(gone.surface && gone.context && gone.xwindow && kept.surface && kept.context && kept.xwindow);
    fake_input::clear();
    testing::internal::CaptureStderr();
    desktop::destroy_window(gone.xwindow);
    // Drawing on the destroyed window fails in the X server; the error must not end the test.
    host().make_current(gone.surface, gone.context);
    gone.clear_and_swap(1, 0, 0);
    EXPECT_TRUE(pump_until([&](const std::vector<Call>&) { return destroyed_reports(gone.surface) > 0; }));
    pump_for(100);
    EXPECT_EQ(destroyed_reports(gone.surface), 1) << describe_all(fake_input::calls());
    EXPECT_EQ(destroyed_reports(kept.surface), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "win32: the window \"Destroyed from outside\" was destroyed by another program\n");
    // The other window still draws; the gone one is destroyed by the host without a fault.
    host().make_current(kept.surface, kept.context);
    kept.clear_and_swap(0, 1, 0);
    uint32_t seen = 0;
    EXPECT_TRUE(wait_pixel(400, 400, 0x00FF00, &seen)) << hex(seen);
    host().destroy_surface(gone.surface);
    gone.surface = nullptr;
    pump_for(100);
    EXPECT_TRUE(desktop::window_exists(kept.xwindow));
}

TEST(Loss, TheXServerEndingReportsEveryWindowGoneAndTheProgramGoesOn) {
    GlWindow first("First", {0, 0, 200, 150}, {0, 0, 200, 150}, false);
    GlWindow second("Second", {300, 300, 500, 450}, {300, 300, 500, 450}, false);
    ASSERT_TRUE(first.surface && first.context && second.surface && second.context);
    fake_input::clear();
    testing::internal::CaptureStderr();
    ASSERT_TRUE(desktop::end_x_server());
    EXPECT_TRUE(pump_until([&](const std::vector<Call>&) {
        second.clear_and_swap(0, 0, 1);
        return destroyed_reports(first.surface) > 0 && destroyed_reports(second.surface) > 0;
    }));
    pump_for(50);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(destroyed_reports(first.surface), 1);
    EXPECT_EQ(destroyed_reports(second.surface), 1);
    EXPECT_EQ(said.rfind("win32: display " + std::string(std::getenv("DISPLAY")) + " lost: ", 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    // Nothing more can be made or shown, and everything else is harmless.
    win32::SurfaceDesc desc = first.desc;
    EXPECT_EQ(host().create_surface(desc), nullptr);
    EXPECT_NE(host().failure().reason.find("lost"), std::string::npos) << host().failure().reason;
    EXPECT_EQ(host().message_box(message_box_table::box("text", "After", MB_YESNO)), IDYES);
    EXPECT_EQ(host().screen_width(), 0);
    host().set_cursor({nullptr, win32::SystemCursor::wait});
    host().set_cursor_pos(10, 10);
    host().capture_mouse(true);
}  // the windows' tear-down makes no native call

// SDL's X11 driver waits for the server to report a window it shows mapped (and one it hides
// unmapped); a server that ended never does, and Xlib, told to go on after the loss, returns
// from every read at once: unguarded, that wait spins for ever. Here the loss is first seen
// inside the show.
TEST(Loss, TheXServerEndingBeforeAShowEndsTheShowAndIsReportedOnce) {
    win32::SurfaceDesc desc;
    desc.outer = desc.client = {0, 0, 200, 150};
    desc.title = "Shown late";
    NativeSurface* surface = host().create_surface(desc);
    ASSERT_NE(surface, nullptr);
    fake_input::clear();
    testing::internal::CaptureStderr();
    ASSERT_TRUE(desktop::end_x_server());
    for (int i = 0; i < 100 && desktop::run_status("xdpyinfo > /dev/null 2>&1") == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // A show or hide that never returns ends the test, on standard output (standard error
    // is being captured).
    signal(SIGALRM, [](int) {
        const char text[] = "the show or hide of a window never returned once the X server had ended\n";
        (void)!write(1, text, sizeof text - 1);
        _exit(1);
    });
    alarm(20);
    host().show_surface(surface, true);
    host().show_surface(surface, false);
    alarm(0);
    EXPECT_TRUE(pump_until([&](const std::vector<Call>&) { return destroyed_reports(surface) > 0; }));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(destroyed_reports(surface), 1);
    EXPECT_EQ(said.rfind("win32: display " + std::string(std::getenv("DISPLAY")) + " lost: ", 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

TEST_F(InputTest, CursorPositionScreenSizeAndCursors) {
    EXPECT_EQ(host().screen_width(), 1024);
    EXPECT_EQ(host().screen_height(), 768);
    host().set_cursor_pos(300, 200);
    pump_for(50);
    POINT p = host().cursor_pos();
    EXPECT_EQ(p.x, 300);
    EXPECT_EQ(p.y, 200);
    host().set_cursor_pos(700, 500);
    pump_for(50);
    p = host().cursor_pos();
    EXPECT_EQ(p.x, 700);
    EXPECT_EQ(p.y, 500);
    // Every system cursor (and cursors that are none of them) can be set, repeatedly.
    using win32::SystemCursor;
    for (SystemCursor cursor :
         {SystemCursor::arrow, SystemCursor::ibeam, SystemCursor::wait, SystemCursor::cross, SystemCursor::uparrow,
          SystemCursor::size_nwse, SystemCursor::size_nesw, SystemCursor::size_we, SystemCursor::size_ns,
          SystemCursor::size_all, SystemCursor::no, SystemCursor::hand, SystemCursor::app_starting,
          SystemCursor::help}) {
        host().set_cursor({nullptr, cursor});
        host().set_cursor({nullptr, cursor});
        EXPECT_NE(SDL_GetCursor(), nullptr) << static_cast<int>(cursor);
    }
    host().set_cursor({});
    host().set_cursor({reinterpret_cast<HCURSOR>(uintptr_t{0xdeadbeef}), std::nullopt});
    EXPECT_NE(SDL_GetCursor(), nullptr);
}

}  // namespace
