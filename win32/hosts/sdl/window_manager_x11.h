// The X11 room of the window manager glue: what window_manager.cpp asks of an X server,
// with Xlib on the SDL windows' X ids. Compiled only where the build found libX11, and
// called only while SDL's video driver is x11. The header names no Xlib type, so that no
// other source ever includes Xlib (whose macros clash with the Win32 names).
#pragma once

#include <SDL.h>

#include <string>

namespace win32::sdl::x11 {

// Before a window is made: a compositor may step aside for a window covering the screen,
// never for a framed one.
void prepare_window(bool decorated);

// The X input focus for a shown window where no window manager moves it. False when the
// window is not an X11 window.
bool take_focus(SDL_Window* window);

// The dialog dress of a message box: dialog type, Motif functions (moved, closed only when
// `closable`), modal state when it has an owner, centred with its frame.
void dress_as_dialog(SDL_Window* box, bool owned, bool closable);

// The watch on the display (see window_manager.h).
bool run_guarded(void (*call)(void*), void* data);
void watch_display();
void watch_window(SDL_Window* window);
void unwatch_window(SDL_Window* window);
const std::string& display_lost();
bool window_destroyed(SDL_Window* window);

}  // namespace win32::sdl::x11
