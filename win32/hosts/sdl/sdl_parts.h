// The parts of the SDL desktop host that need SDL's video subsystem, shared between its
// source files.
#pragma once

#include <SDL.h>

#include <deque>
#include <string>
#include <vector>

#include "win32/host.h"

namespace win32::sdl {

// Runs a modal message box in a window of its own until it is answered and returns the
// answer (0 if the window could not be made). UTF-8 text. `owner`, when not null, is the
// window the box belongs to (a window manager keeps the box in front of it). Events that
// belong to other windows are appended to `others` in arrival order, for the host's pump
// to handle later. The GL context that was current before is current again afterwards.
int run_message_box(const std::string& text, const std::string& caption, UINT flags, SDL_Window* owner,
                    std::deque<SDL_Event>& others);

// Lays the overlays over the current GL frame (the current context must be on the window
// whose drawable is drawable_w x drawable_h). (offset_x, offset_y) is where the client
// area's top-left corner sits in the drawable. Every piece of GL state touched is restored.
void draw_overlays(int drawable_w, int drawable_h, int offset_x, int offset_y,
                   const std::vector<Overlay>& overlays);

// Gives a shown window the keyboard focus, with or without a window manager.
void take_focus(SDL_Window* window);

// Tells the window manager, before a message box's hidden window is first shown, that it
// is a dialog (of `owner`, when not null) that cannot be resized, maximized or minimized,
// and centres it on the screen frame included. Does nothing a bare X server would mind.
void dress_as_dialog(SDL_Window* box, SDL_Window* owner);

}  // namespace win32::sdl
