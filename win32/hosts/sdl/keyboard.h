// The keyboard: SDL's keys as the Win32 virtual-key codes WM_KEYDOWN and WM_KEYUP carry.
#pragma once

#include <SDL.h>

#include "win32/windows.h"

namespace win32::sdl {

// The Win32 virtual-key code of an SDL key, or 0 for keys without one. Letters, digits and
// ASCII punctuation follow the keyboard layout (the key's symbol); everything else follows
// the key's position. Keypad digits give VK_NUMPADn with Num Lock on and the navigation
// keys with it off. Left and right Shift/Ctrl/Alt give the generic VK_SHIFT, VK_CONTROL and
// VK_MENU, as WM_KEYDOWN carries them.
UINT virtual_key(SDL_Keycode key, SDL_Scancode scancode, Uint16 modifiers);

}  // namespace win32::sdl
