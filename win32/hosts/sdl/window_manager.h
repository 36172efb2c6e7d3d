// What the desktop host asks of the window manager beyond SDL's own calls: the keyboard focus
// for a window being shown, and the dress of a message box (a dialog of the window it
// interrupts). On X11 this is done with Xlib on the SDL window's X id; on other video
// drivers only the SDL calls are made.
#pragma once

#include <SDL.h>

namespace win32::sdl {

// Gives a shown window the keyboard focus, with or without a window manager.
void take_focus(SDL_Window* window);

// Tells the window manager, before a message box's hidden window is first shown, that it
// is a dialog (of `owner`, when not null) that cannot be resized, maximized or minimized,
// nor closed unless `closable`, and centres it on the screen frame included. Does nothing a
// bare X server would mind.
void dress_as_dialog(SDL_Window* box, SDL_Window* owner, bool closable);

}  // namespace win32::sdl
