// The narrow interface between the Win32 layer and what actually shows pixels and produces
// input. Exactly one host is linked into a program: hosts/sdl (the desktop) or hosts/virtual
// (headless, for tests and snapshots). Everything Win32-shaped (messages, capture, hit
// testing, frame metrics, what a handle means) lives above this line, once, so both hosts
// behave the same. Calls run downward only: the Win32 layer hands a host everything a call
// needs as data, and a host calls up only to deliver input (the input_* functions below).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "win32/windows.h"

namespace win32 {

// A native top-level surface: the client area of one top-level window.
struct NativeSurface;
// A native OpenGL context (always RGBA8, depth 24, stencil 8, double-buffered).
struct NativeContext;

struct SurfaceDesc {
    HWND window = nullptr;   // the Win32 window this surface shows
    RECT outer{};            // outer rectangle in screen coordinates (frame included)
    RECT client{};           // client rectangle in screen coordinates
    std::string title;       // window text, Windows-1252
    bool decorated = false;  // has a caption (a window manager frame is wanted)
};

// A child window's painted pixels, laid over its parent's frame at swap time.
struct Overlay {
    int x = 0, y = 0;                 // position in the parent's client area
    int width = 0, height = 0;        // size in pixels
    const uint32_t* pixels = nullptr; // width*height pixels, top row first, 0x00RRGGBB
    const uint8_t* mask = nullptr;    // width*height, non-zero where the window region covers
};

enum class MouseButton { left, right, middle };

// The system's cursors (LoadCursorA with an IDC_ number), by what they show.
enum class SystemCursor {
    arrow, ibeam, wait, cross, uparrow, size_nwse, size_nesw, size_we, size_ns, size_all, no, hand,
    app_starting, help,
};

// The cursor SetCursor asks for, as the Win32 layer knows it: a host shows it from this alone.
struct CursorDesc {
    HCURSOR handle = nullptr;  // the handle the program passed (0: none), for hosts that report it
    // Which system cursor the handle is. Empty when it is none of them: no cursor, an icon, a
    // cursor from a file (the layer checks such files but does not decode their pictures) or
    // a handle the layer does not know. A desktop host then shows its arrow.
    std::optional<SystemCursor> system;
};

// The icon a message box shows beside its text (MB_ICONHAND, MB_ICONQUESTION, ...).
enum class BoxIcon { none, error, question, warning, information };

// One button of a message box.
struct BoxButton {
    int answer = 0;     // what MessageBoxA returns when it is pressed: IDOK, IDCANCEL, IDABORT, ...
    std::string label;  // as Win32 shows it; '&' marks the mnemonic letter ("&Yes"), "&&" is an '&'
};

// A message box as the Win32 layer decided it from the MB_ flags: a host shows and runs it
// from this alone.
struct MessageBoxDesc {
    std::string text;     // Windows-1252
    std::string caption;  // Windows-1252
    UINT flags = 0;       // the MB_ flags the program passed, for hosts that report them
    std::vector<BoxButton> buttons;  // left to right; never empty
    int default_button = 0;          // index of the button that has the focus at first (Enter presses it)
    int escape_answer = 0;           // what Escape answers; 0: Escape does nothing
    // What the close button and the window manager's close answer; 0: the box cannot be
    // closed that way (its close button is disabled) and must be answered with a button.
    int close_answer = 0;
    BoxIcon icon = BoxIcon::none;
    // The surface of the owner's top-level window, nullptr for a box without an owner. The
    // box is modal for it, and the owner has the keyboard again when the box is answered.
    NativeSurface* owner = nullptr;
};

// Why a host could not do something, in the native layer's own words.
struct Failure {
    std::string call;    // the native call that failed: "SDL_CreateWindow", "eglCreateContext", ...
    std::string reason;  // what it said: SDL_GetError(), an EGL error name ("EGL_BAD_ALLOC"), ...
    explicit operator bool() const { return !call.empty(); }
};

class Host {
public:
    virtual ~Host() = default;

    // ---- screen and clock ----
    // The desktop's size in pixels; 0 when there is no screen to show anything on.
    virtual int screen_width() = 0;
    virtual int screen_height() = 0;
    // Milliseconds since some moment before the program's first call (GetTickCount).
    virtual uint32_t tick_count() = 0;

    // ---- surfaces ----
    // A hidden native surface at the place the description gives. Can fail: nullptr.
    virtual NativeSurface* create_surface(const SurfaceDesc& desc) = 0;
    // Destroys a surface; a context current on it stops being current. Unknown ones are ignored.
    virtual void destroy_surface(NativeSurface* surface) = 0;
    // Shows or hides a surface; a surface being shown takes the keyboard focus.
    virtual void show_surface(NativeSurface* surface, bool visible) = 0;
    // Moves or resizes a surface, or gives it or takes away its frame, as the description says.
    virtual void move_surface(NativeSurface* surface, const SurfaceDesc& desc) = 0;
    virtual void set_title(NativeSurface* surface, const std::string& title) = 0;  // Windows-1252
    // Gives a shown surface the keyboard focus (its window was activated).
    virtual void focus_surface(NativeSurface* surface) = 0;

    // ---- GL ----
    // A GL context for drawing on a surface. It is not made current: whatever context was
    // current stays so. Can fail: nullptr.
    virtual NativeContext* create_context(NativeSurface* surface) = 0;
    // Makes a context current on a surface; surface and context both null release the current
    // context. Can fail: false.
    virtual bool make_current(NativeSurface* surface, NativeContext* context) = 0;
    virtual void delete_context(NativeContext* context) = 0;
    // Shows what was drawn on a surface, with the overlays laid over it. The GL state the
    // program set is the same afterwards.
    virtual void swap(NativeSurface* surface, const std::vector<Overlay>& overlays) = 0;

    // ---- input ----
    // Turns pending native input into calls of the input_* functions below. Never blocks.
    virtual void pump() = 0;
    // The thread has nothing to do for up to `milliseconds` (GetMessageA waiting, Sleep):
    // lets that much of the host's time pass, or less when input arrives.
    virtual void idle(uint32_t milliseconds) = 0;
    // Shows a cursor over the program's windows.
    virtual void set_cursor(const CursorDesc& cursor) = 0;
    virtual void set_cursor_pos(int x, int y) = 0;  // screen coordinates
    virtual POINT cursor_pos() = 0;                 // screen coordinates
    virtual void capture_mouse(bool on) = 0;        // keep receiving moves outside the client

    // ---- message boxes ----
    // Shows a modal box as described and returns the answer of the button taken (or of
    // Escape or the close, as the description allows). A host that has nowhere to show it
    // answers its default button. Can fail: 0 when it cannot be shown. A box shown without
    // something it wanted (its font) answers and leaves a failure too.
    virtual int message_box(const MessageBoxDesc& box) = 0;

    // Why the last call above marked "can fail" failed: every such call starts with no failure
    // and records one where a native call lets it down. Read right after that call.
    virtual Failure failure() = 0;
};

// The linked host.
Host& host();

// Calls a host makes from pump() (defined by the Win32 layer), in the order the events
// happened. Coordinates are screen coordinates; `time` is when the event happened, on the
// tick_count() clock. The Win32 layer keeps mouse and key events in the thread's input
// queue as they are and makes messages of them only when they are taken: capture, the
// window under the point and client coordinates are decided then.
void input_mouse_move(NativeSurface* surface, int screen_x, int screen_y, uint32_t time);
void input_mouse_button(NativeSurface* surface, MouseButton button, bool down, int screen_x, int screen_y,
                        uint32_t time);
void input_key(NativeSurface* surface, UINT virtual_key, bool down, bool repeat, bool alt_held, uint32_t time);
void input_close(NativeSurface* surface);  // the window manager asked the window to close
// The surface is gone under the program: another program destroyed its native window, or
// the display it was on was lost. The Win32 layer destroys the window (WM_DESTROY, as
// DestroyWindow sends it) once the pump that reported it has returned.
void input_destroyed(NativeSurface* surface);
// The window manager gave a surface the input focus (active) or took it away. Optional: the
// Win32 layer also activates windows when they are shown or clicked.
void input_activate(NativeSurface* surface, bool active);

}  // namespace win32
