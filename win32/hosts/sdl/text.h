// Text between the Win32 layer and SDL: the Win32 layer keeps window titles and message-box
// texts in Windows-1252, as the programs pass them; SDL and SDL_ttf take UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace win32::sdl {

// Windows-1252 to UTF-8. Stops at the first NUL byte. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of the same value, as
// the platform's own conversion does.
std::string cp1252_to_utf8(std::string_view text);

}  // namespace win32::sdl
