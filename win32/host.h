// The narrow interface between the Win32 layer and what actually shows pixels and produces
// input. Exactly one host is linked into a program: hosts/sdl (the desktop) or hosts/virtual
// (headless, for tests and snapshots). Everything Win32-shaped (messages, capture, hit
// testing, frame metrics) lives above this line, once, so both hosts behave the same.
#pragma once

#include <cstdint>
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

class Host {
public:
    virtual ~Host() = default;

    virtual int screen_width() = 0;
    virtual int screen_height() = 0;
    virtual uint32_t tick_count() = 0;  // milliseconds

    virtual NativeSurface* create_surface(const SurfaceDesc& desc) = 0;
    virtual void destroy_surface(NativeSurface* surface) = 0;
    virtual void show_surface(NativeSurface* surface, bool visible) = 0;
    virtual void move_surface(NativeSurface* surface, const SurfaceDesc& desc) = 0;
    virtual void set_title(NativeSurface* surface, const std::string& title) = 0;
    virtual void focus_surface(NativeSurface* surface) = 0;

    virtual NativeContext* create_context(NativeSurface* surface) = 0;
    // surface/context both null releases the current context.
    virtual bool make_current(NativeSurface* surface, NativeContext* context) = 0;
    virtual void delete_context(NativeContext* context) = 0;
    virtual void swap(NativeSurface* surface, const std::vector<Overlay>& overlays) = 0;

    // Turns pending native input into calls of the input_* functions below. Never blocks.
    virtual void pump() = 0;

    virtual void set_cursor(HCURSOR cursor) = 0;
    virtual void set_cursor_pos(int x, int y) = 0;  // screen coordinates
    virtual POINT cursor_pos() = 0;                 // screen coordinates
    virtual void capture_mouse(bool on) = 0;        // keep receiving moves outside the client

    // A modal box: returns IDOK, IDYES or IDNO, or 0 when it cannot be shown.
    virtual int message_box(const std::string& text, const std::string& caption, UINT flags) = 0;
};

// The linked host.
Host& host();

// Calls a host makes from pump() (defined by the Win32 layer). Coordinates are screen
// coordinates; the Win32 layer turns them into client coordinates, hit-tests child windows
// and applies capture, then posts the messages to the thread queue.
void input_mouse_move(NativeSurface* surface, int screen_x, int screen_y);
void input_mouse_button(NativeSurface* surface, MouseButton button, bool down, int screen_x, int screen_y);
void input_key(NativeSurface* surface, UINT virtual_key, bool down, bool repeat, bool alt_held);
void input_close(NativeSurface* surface);  // the window manager asked the window to close
// The window manager gave a surface the input focus (active) or took it away. Optional: the
// Win32 layer also activates windows when they are shown or clicked.
void input_activate(NativeSurface* surface, bool active);

// What a cursor or icon handle shows (defined by the Win32 layer), for hosts that draw the
// system's cursors: the IDC_ / IDI_ number of a system cursor or icon, or the file a cursor
// was loaded from. Returns false for handles that are not cursors or icons.
struct CursorInfo {
    bool is_icon = false;  // loaded with LoadIconA
    int system_id = 0;     // IDC_ARROW, IDC_WAIT, ... (or IDI_ ...); 0 when loaded from a file
    std::string file;      // the file of a cursor from LoadCursorFromFileA
};
bool describe_cursor(HCURSOR cursor, CursorInfo* info);

}  // namespace win32
