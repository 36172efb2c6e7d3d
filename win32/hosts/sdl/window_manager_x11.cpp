// The X11 room: focus, a message box's dialog dress and the watch on the display, with Xlib
// on the SDL windows' X ids. This file includes Xlib, whose macros clash with the Win32
// names: it includes nothing of the Win32 layer, so that the two never meet.
#include "win32/hosts/sdl/window_manager_x11.h"

#include <SDL_syswm.h>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace win32::sdl::x11 {

namespace {
int ignore_x_error(Display*, XErrorEvent*) { return 0; }

struct XWindow {
    Display* display = nullptr;
    ::Window window = 0;
    explicit operator bool() const { return display && window; }
};

XWindow x_window(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return {};
    return {info.info.x11.display, info.info.x11.window};
}

Atom atom(Display* display, const char* name) { return XInternAtom(display, name, False); }

// The atoms of an ATOM[] property (empty when the window has none).
std::vector<Atom> atoms(Display* display, ::Window window, Atom property) {
    std::vector<Atom> list;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 1024, False, XA_ATOM, &type, &format, &count, &after,
                           &data) == Success &&
        data && type == XA_ATOM && format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        list.assign(values, values + count);
    }
    if (data) XFree(data);
    return list;
}

// A window manager that follows the EWMH is running and says it answers this request.
bool manager_supports(Display* display, const char* request) {
    const ::Window root = DefaultRootWindow(display);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    ::Window check = 0;
    if (XGetWindowProperty(display, root, atom(display, "_NET_SUPPORTING_WM_CHECK"), 0, 1, False, XA_WINDOW, &type,
                           &format, &count, &after, &data) == Success &&
        data && type == XA_WINDOW && format == 32 && count == 1) {
        check = static_cast<::Window>(*reinterpret_cast<const unsigned long*>(data));
    }
    if (data) XFree(data);
    if (!check) return false;
    const Atom wanted = atom(display, request);
    for (Atom a : atoms(display, root, atom(display, "_NET_SUPPORTED"))) {
        if (a == wanted) return true;
    }
    return false;
}

// The frame the window manager will put around a window not yet mapped (left, right, top,
// bottom), asked with _NET_REQUEST_FRAME_EXTENTS. False when no answer comes within a
// short wait: the window is then placed as if it had no frame.
bool frame_extents(Display* display, ::Window window, long extents[4]) {
    const Atom property = atom(display, "_NET_FRAME_EXTENTS");
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = window;
    request.xclient.message_type = atom(display, "_NET_REQUEST_FRAME_EXTENTS");
    request.xclient.format = 32;
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &request);
    XFlush(display);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    do {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        const bool found = XGetWindowProperty(display, window, property, 0, 4, False, XA_CARDINAL, &type, &format,
                                              &count, &after, &data) == Success &&
                           data && type == XA_CARDINAL && format == 32 && count == 4;
        if (found) {
            const auto* values = reinterpret_cast<const unsigned long*>(data);
            for (int i = 0; i < 4; ++i) extents[i] = static_cast<long>(values[i]);
        }
        if (data) XFree(data);
        if (found) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

// With a window manager, raising a window asks it for activation; with none (a bare X
// server), nobody else moves the focus, so the window sets the X input focus itself.
bool focus(SDL_Window* window) {
    const XWindow x = x_window(window);
    if (!x) return false;
    // A window that is mapped but not yet viewable (a window manager still framing it)
    // cannot take the focus: the request would fail with BadMatch. Any error here is
    // swallowed rather than allowed to reach Xlib's default handler, which exits.
    XSync(x.display, False);
    XErrorHandler previous = XSetErrorHandler(ignore_x_error);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(x.display, x.window, &attributes) && attributes.map_state == IsViewable) {
        XSetInputFocus(x.display, x.window, RevertToParent, CurrentTime);
    }
    XSync(x.display, False);
    XSetErrorHandler(previous);
    return true;
}

// Motif window manager hints, the property most window managers read for the functions
// and decorations a window offers.
constexpr unsigned long kMwmHintsFunctions = 1ul << 0;
constexpr unsigned long kMwmHintsDecorations = 1ul << 1;
constexpr unsigned long kMwmFuncMove = 1ul << 2;
constexpr unsigned long kMwmFuncClose = 1ul << 5;
constexpr unsigned long kMwmDecorBorder = 1ul << 1;
constexpr unsigned long kMwmDecorTitle = 1ul << 3;
constexpr unsigned long kMwmDecorMenu = 1ul << 4;

void dress(SDL_Window* box, bool owned, bool closable) {
    const XWindow x = x_window(box);
    if (!x) return;
    Display* d = x.display;
    XSync(d, False);
    XErrorHandler previous = XSetErrorHandler(ignore_x_error);

    const Atom dialog = atom(d, "_NET_WM_WINDOW_TYPE_DIALOG");
    XChangeProperty(d, x.window, atom(d, "_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&dialog), 1);

    // Moved and, unless it must be answered with a button, closed; nothing else: no resize
    // handles, no maximize or minimize buttons.
    const Atom mwm = atom(d, "_MOTIF_WM_HINTS");
    const unsigned long hints[5] = {kMwmHintsFunctions | kMwmHintsDecorations,
                                    kMwmFuncMove | (closable ? kMwmFuncClose : 0ul),
                                    kMwmDecorBorder | kMwmDecorTitle | kMwmDecorMenu, 0, 0};
    XChangeProperty(d, x.window, mwm, mwm, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(hints), 5);

    // A box with an owner is modal for it: the window manager keeps the box in front and
    // gives it the focus when the owner is activated.
    if (owned) {
        const Atom state = atom(d, "_NET_WM_STATE");
        const Atom modal = atom(d, "_NET_WM_STATE_MODAL");
        std::vector<Atom> states = atoms(d, x.window, state);
        states.push_back(modal);
        std::vector<unsigned long> values(states.begin(), states.end());
        XChangeProperty(d, x.window, state, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(values.size()));
    }

    // The box is centred with its frame: a window manager places the frame's top-left
    // corner where the window asks to be, so the frame's size is asked for first.
    long extents[4];
    SDL_Rect screen;
    int w = 0, h = 0;
    SDL_GetWindowSize(box, &w, &h);
    if (manager_supports(d, "_NET_REQUEST_FRAME_EXTENTS") && frame_extents(d, x.window, extents) &&
        SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(box)), &screen) == 0) {
        const int frame_w = w + static_cast<int>(extents[0] + extents[1]);
        const int frame_h = h + static_cast<int>(extents[2] + extents[3]);
        XMoveWindow(d, x.window, screen.x + std::max(0, (screen.w - frame_w) / 2),
                    screen.y + std::max(0, (screen.h - frame_h) / 2));
    }
    XSync(d, False);
    XSetErrorHandler(previous);
}

// ---- losing the display ----

// GLX's own errors for a drawable or a window it does not know (GLXBadDrawable and
// GLXBadWindow), counted from the extension's first error number.
constexpr int kGlxBadDrawable = 2;
constexpr int kGlxBadWindow = 12;

struct Watch {
    Display* display = nullptr;  // SDL's connection, hooked with the first watched window
    int glx_errors = -1;         // GLX's first error number; -1 without GLX
    std::vector<::Window> live;  // the host's windows
    std::vector<::Window> gone;  // those another client destroyed, kept for the errors that follow
    XErrorHandler previous = nullptr;
    std::string lost;                   // why the connection is gone
    std::jmp_buf* escape = nullptr;     // the way out of the guarded SDL call in progress
};

Watch& watched() {
    static Watch watch;
    return watch;
}

bool listed(const std::vector<::Window>& list, ::Window window) {
    return std::find(list.begin(), list.end(), window) != list.end();
}

void mark_gone(::Window window) {
    Watch& w = watched();
    if (listed(w.live, window) && !listed(w.gone, window)) w.gone.push_back(window);
}

// A request on a window that another client destroyed fails with BadWindow or BadDrawable
// (or GLX's kin, for the GL drawable): the window is lost, the program is not at fault.
// Every other error goes where it went before (Xlib's default handler ends the program).
int on_x_error(Display* display, XErrorEvent* error) {
    Watch& w = watched();
    const int code = error->error_code;
    const bool no_such_window =
        code == BadWindow || code == BadDrawable ||
        (w.glx_errors >= 0 && (code == w.glx_errors + kGlxBadDrawable || code == w.glx_errors + kGlxBadWindow));
    const auto window = static_cast<::Window>(error->resourceid);
    if (display == w.display && no_such_window && (listed(w.live, window) || listed(w.gone, window))) {
        mark_gone(window);
        return 0;
    }
    return w.previous ? w.previous(display, error) : 0;
}

// The X server closed SDL's connection: it ended, or another client killed this one
// (XKillClient, as xkill does). Xlib calls this handler, then the connection's exit
// handler, which returns here (below), so the program goes on: from now on every call on
// the connection fails at once, and the host makes none.
int on_x_io_error(Display* display) {
    Watch& w = watched();
    if (w.lost.empty()) {
        w.lost = std::string("display ") + DisplayString(display) +
                 " lost: the X server closed the connection (it ended, or this client was killed)";
    }
    if (display == w.display) return 0;
    // A connection without the exit handler below: Xlib exits as soon as this returns.
    std::fprintf(stderr, "win32: %s\n", w.lost.c_str());
    std::fflush(stderr);
    std::_Exit(0);
}

// Returning from here, Xlib returns from every later request at once, with nothing read:
// SDL would wait for ever for an event (a window mapped or unmapped) or read the empty
// reply as data (a null keyboard map). A guarded call in progress is left here for the
// place that made it (run_guarded). Only C code, SDL's and Xlib's, lies in between: no
// destructor is skipped, and Xlib released the display's lock before calling the handlers.
void on_x_io_exit(Display* display, void*) {
    Watch& w = watched();
    if (display == w.display && w.escape) std::longjmp(*w.escape, 1);
}

// SDL hands every X event it reads to this filter as an SDL_SYSWMEVENT: a watched window's
// DestroyNotify, which SDL itself ignores, marks the window gone. None of them goes on to
// SDL's queue.
int on_sdl_event(void*, SDL_Event* event) {
    if (event->type != SDL_SYSWMEVENT) return 1;
    const SDL_SysWMmsg* message = event->syswm.msg;
    if (message && message->subsystem == SDL_SYSWM_X11 && message->msg.x11.event.type == DestroyNotify) {
        mark_gone(message->msg.x11.event.xdestroywindow.window);
    }
    return 0;
}

void hook(Display* display) {
    Watch& w = watched();
    if (w.display) return;
    // The handlers first: the connection may break on the very next request.
    w.display = display;
    XSetIOErrorHandler(on_x_io_error);
    XSetIOErrorExitHandler(display, on_x_io_exit, nullptr);
    w.previous = XSetErrorHandler(on_x_error);
    int opcode = 0, first_event = 0, first_error = 0;
    if (XQueryExtension(display, "GLX", &opcode, &first_event, &first_error)) w.glx_errors = first_error;
    SDL_SetEventFilter(on_sdl_event, nullptr);
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}
}  // namespace

void prepare_window(bool decorated) {
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, decorated ? "0" : "1");
}

bool take_focus(SDL_Window* window) { return focus(window); }

void dress_as_dialog(SDL_Window* box, bool owned, bool closable) { dress(box, owned, closable); }

bool run_guarded(void (*call)(void*), void* data) {
    Watch& w = watched();
    std::jmp_buf* const outer = w.escape;
    std::jmp_buf escape;
    w.escape = &escape;
    if (setjmp(escape) == 0) {
        call(data);
        w.escape = outer;
        return true;
    }
    w.escape = outer;
    return false;
}

void watch_display() { XSetIOErrorHandler(on_x_io_error); }

void watch_window(SDL_Window* window) {
    if (const XWindow x = x_window(window)) {
        hook(x.display);
        Watch& w = watched();
        if (x.display == w.display && !listed(w.live, x.window)) w.live.push_back(x.window);
    }
}

void unwatch_window(SDL_Window* window) {
    if (const XWindow x = x_window(window)) {
        std::vector<::Window>& live = watched().live;
        live.erase(std::remove(live.begin(), live.end(), x.window), live.end());
    }
}

const std::string& display_lost() { return watched().lost; }

bool window_destroyed(SDL_Window* window) {
    const XWindow x = x_window(window);
    return x && listed(watched().gone, x.window);
}

}  // namespace win32::sdl::x11
