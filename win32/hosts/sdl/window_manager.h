// What the desktop host asks of the window system beyond SDL's own calls: the keyboard focus
// for a window being shown, the dress of a message box (a dialog of the window it
// interrupts), how a window is made and fitted, whether screen positions can be known, and
// word of the display or a window going away under the program. This part is the same for
// every video driver: it chooses by the one SDL runs and hands the work to that driver's
// room (window_manager_x11.cpp, with Xlib; window_manager_wayland.cpp). On other drivers
// only SDL's own calls are made and nothing is ever lost.
#pragma once

#include <SDL.h>

#include <string>
#include <type_traits>

namespace win32::sdl {

// Hints and window flags for a window about to be made: with a frame from the window
// manager or without one, covering the whole screen or not.
Uint32 prepare_window(bool decorated, bool covers_screen);
// A shown window's frame or rectangle changed as the Win32 layer asked.
void refit_window(SDL_Window* window, bool decorated, bool covers_screen);

// Gives a shown window the keyboard focus, with or without a window manager.
void take_focus(SDL_Window* window);

// Tells the window manager, before a message box's hidden window is first shown, that it
// is a dialog (of `owner`, when not null) that cannot be resized, maximized or minimized,
// nor closed unless `closable`, and centres it on the screen frame included where the
// window system lets a client place its windows. Does nothing a bare X server would mind.
void dress_as_dialog(SDL_Window* box, SDL_Window* owner, bool closable);
// The rest of the dress, once the box is shown (on Wayland its parent).
void dialog_shown(SDL_Window* box, SDL_Window* owner);

// Whether SDL's window positions and its global pointer position are those of the screen.
// False on Wayland, where a client learns neither: the host then keeps its own.
bool screen_positions_known();

// ---- losing the display ----
// Every window the host makes is watched from its creation until the host destroys it. On
// X11 the first one hooks the display's connection: the X server closing it (the server
// ended, or the program's client was killed with XKillClient) and another client
// destroying a watched window are recorded instead of ending the program in Xlib's
// handlers, and the program goes on without them. On Wayland the first one names the
// connection whose breaking (the compositor ended) is looked for.
void watch_window(SDL_Window* window);
// Runs an SDL call that talks to the display: the event pump, showing, hiding or restoring
// a window. When the X server's connection breaks during it, SDL would go on with the
// failed requests: wait for ever for a window to be mapped, or read an empty reply as data.
// There the call is left where the break is seen, and false is returned; nothing is called
// once the display is lost. `call` must hold no object with a destructor of its own (it
// calls SDL, nothing more): it may be left halfway.
bool run_guarded(void (*call)(void*), void* data);
template <typename Call>
bool guarded(Call&& call) {
    return run_guarded([](void* c) { (*static_cast<std::remove_reference_t<Call>*>(c))(); }, &call);
}
// Called once SDL's video is up, before the first window: on X11, a connection that breaks
// before a window has hooked it (or one of SDL's own that is never hooked) would end the
// program in Xlib's exit handler with code 1; it ends it here instead, with code 0 and the
// one line saying why.
void watch_display();
// Called before the host destroys the window itself.
void unwatch_window(SDL_Window* window);
// Why the display is gone, for a person ("display :1: the X server closed the connection
// (...)"); empty while it is there. Once it is gone no native call may be made on it.
const std::string& display_lost();
// Another client destroyed the watched window.
bool window_destroyed(SDL_Window* window);

}  // namespace win32::sdl
