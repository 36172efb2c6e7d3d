// The headless host: no display, GL through EGL (Mesa llvmpipe, surfaceless platform).
//
// Link the object library `win32_virtual` into a test or tool and the Win32 layer runs
// against this host; this header is how the test drives and reads it. It gives
//
//  * a virtual screen, 1024 x 768 unless the test sets another size (set_screen_size);
//  * for every top-level window a GL surface: an EGL pbuffer of the client size with RGBA8
//    colour, depth 24 and stencil 8, made current by wglMakeCurrent; contexts are
//    compatibility-profile desktop GL, so fixed-function calls work;
//  * at every SwapBuffers, the frame read back (top row first, RGBA bytes), with the
//    window's visible child windows laid over it through their window regions; last_frame()
//    returns it, write_png() saves it, and the frame callback runs once per swap with the
//    frame index (0 for the first swap of the run) - a test can script a whole run frame by
//    frame from there. The host's own read-back goes straight to libOpenGL, so it does not
//    appear in an apitrace of the program;
//  * message boxes answered from a queue the test fills (push_message_box_answer); with an
//    empty queue a box answers its default button, as the Win32 layer described the box
//    (MB_DEFBUTTONn included: MB_YESNOCANCEL | MB_DEFBUTTON2 answers IDNO), which is what
//    Enter gives on the desktop. Every box is logged with its text, caption, flags, answer,
//    owner window and the whole description;
//  * input injected as a user's mouse and keyboard produce it: the events wait in the host
//    and are delivered at the next pump (PeekMessageA / GetMessageA), through the same path
//    as real input, so capture, hit-testing and coordinate rules apply. Mouse events go to
//    the top-most visible window under the point, keys to the window with the focus. An
//    event injected with a time waits until the clock reaches it, as a device reports at its
//    own rate while the program draws; events are delivered in the order injected;
//  * a tick count in milliseconds since the host started, or a fixed value the test sets;
//  * a virtual display (set_display_rate): SwapBuffers then waits for the display's next
//    refresh on a virtual clock, so a run shows what a user sees at 60 Hz, without waiting;
//  * failures with EGL's reason (an error name such as EGL_BAD_ALLOC), also on demand.
//
// Differences from a desktop worth knowing: a pbuffer has no front buffer, so
// glGetIntegerv(GL_DOUBLEBUFFER) reads false although drawing goes to GL_BACK as on a
// double-buffered window; SetCursorPos moves the virtual cursor without producing a mouse move.
//
// All functions are for the test's own thread (the one that runs the windows).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "win32/host.h"
#include "win32/hosts/virtual/frames.h"
#include "win32/windows.h"

namespace win32::virtual_host {

// ---- screen and clock --------------------------------------------------------------------
void set_screen_size(int width, int height);
// A fixed tick count for GetTickCount, or std::nullopt for the running clock.
void set_tick_count(std::optional<uint32_t> ticks);
// Windows show on a display that refreshes `hz` times a second (0: none, the default). With
// a display the host runs on a virtual clock, starting from the tick count it has then:
// each SwapBuffers waits for the next refresh (refresh k is at k * 1000 / hz ms), and a
// thread with nothing to do (GetMessageA waiting) lets time pass up to the next injected
// event. Only swaps and waits move the clock, so runs are exact and repeatable.
void set_display_rate(int hz);
// The refresh period in milliseconds of the display set above (0 without one).
double refresh_period_ms();

// ---- message boxes -----------------------------------------------------------------------
struct MessageBoxRecord {
    std::string text;
    std::string caption;
    UINT flags = 0;
    int answer = 0;
    HWND owner = nullptr;  // the top-level window the box belonged to, nullptr for none
    // What the host was asked to show: buttons, default, Escape, close, icon. Its owner is
    // the host's surface, gone with its window: `owner` is the window to compare with.
    MessageBoxDesc box;
};
// The answer the next box gives (IDOK, IDYES, IDNO, ..., or 0 for "could not be shown").
void push_message_box_answer(int answer);
const std::vector<MessageBoxRecord>& message_box_log();
void clear_message_boxes();  // empties both the answer queue and the log

// ---- input ---------------------------------------------------------------------------------
// Each event can carry the tick count at which it happens (`at`): it is delivered at the
// first pump once the clock has reached that time, and not before the events injected
// ahead of it. Without a time it is delivered at the next pump and happens then.
// Moves the mouse to a screen point.
void mouse_move(int x, int y, std::optional<uint32_t> at = std::nullopt);
// Presses or releases a button at the current mouse position.
void mouse_button(MouseButton button, bool down, std::optional<uint32_t> at = std::nullopt);
// Moves, then presses or releases.
void mouse_button_at(MouseButton button, bool down, int x, int y, std::optional<uint32_t> at = std::nullopt);
// A key going down (repeat: an auto-repeat of a key already held) or up. Alt is held while
// VK_MENU (or VK_LMENU / VK_RMENU) is down.
void key(UINT virtual_key, bool down, bool repeat = false, std::optional<uint32_t> at = std::nullopt);
// Down then up.
void key_press(UINT virtual_key);
// The window manager's close request for a top-level window (its close button).
void close_request(HWND window);
// A top-level window's surface gone under the program, as when another program destroys
// the native window or the display is lost.
void surface_lost(HWND window);
// The window manager giving a top-level window the input focus, or taking it away.
void activation(HWND window, bool active);
// Events not yet delivered.
size_t pending_input();
POINT mouse_position();

// ---- frames (Frame and write_png: frames.h) -----------------------------------------------------
// The last frame swapped by any window (nullptr before the first swap).
const Frame* last_frame();
// The last frame swapped by one window (nullptr if it never swapped).
const Frame* last_frame(HWND window);
// Number of swaps so far.
uint64_t frame_count();
// Called after each swap with the frame's index; an empty function removes it.
void set_frame_callback(std::function<void(uint64_t frame_index)> callback);

// ---- what the host was asked to do ------------------------------------------------------------
struct SurfaceState {
    HWND window = nullptr;
    RECT outer{};
    RECT client{};
    std::string title;
    bool decorated = false;
    bool visible = false;
};
std::vector<SurfaceState> surfaces();
HCURSOR current_cursor();
// The cursor as SetCursor last described it to the host.
CursorDesc shown_cursor();
bool mouse_captured();
HWND focused_window();  // the window of the surface that last received focus
// Number of GL contexts alive.
int context_count();

// ---- failures on demand ------------------------------------------------------------------------
// The next native surface (a top-level window) or GL context the host is asked for cannot be
// made, as on a desktop that has run out of them: the failure says EGL_BAD_ALLOC.
void fail_next_surface();
void fail_next_context();

// Forgets injected input, message boxes, the frame callback, the fixed clock, the display
// and pending failures, and sets the screen back to 1024 x 768. Windows and contexts are
// left alone.
void reset();

}  // namespace win32::virtual_host
