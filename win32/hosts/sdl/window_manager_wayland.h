// The Wayland room of the window manager glue: what window_manager.cpp asks of a Wayland
// compositor, called only while SDL's video driver is wayland. A Wayland client cannot
// place its windows, learn where they are, nor move the pointer; what it can ask for is
// done here with SDL's calls, and the lost connection is read from libwayland.
#pragma once

#include <SDL.h>

#include <string>

namespace win32::sdl::wayland {

// Window flags for a window about to be made: one without a frame that covers the output
// is asked for as a full-screen toplevel (a compositor puts a plain toplevel where it
// likes, beside its own panels, and never at the output's corner).
Uint32 window_flags(bool decorated, bool covers_output);
// The same for a window whose frame or rectangle changed.
void refit_window(SDL_Window* window, bool decorated, bool covers_output);

// A shown message box belongs to its owner: the owner's toplevel is its parent, which can
// be named only once the box's toplevel exists (SDL makes it when the window is shown).
void dialog_shown(SDL_Window* box, SDL_Window* owner);

// The watch on the compositor's connection (see window_manager.h).
void watch_window(SDL_Window* window);
const std::string& display_lost();

}  // namespace win32::sdl::wayland
