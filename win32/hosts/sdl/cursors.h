// The mouse pointer on the desktop: SDL's own cursors for the system cursors SDL has, small
// drawn ones for those it lacks (up-arrow, help), made on first use and kept for the run.
#pragma once

#include <SDL.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "win32/host.h"

namespace win32::sdl {

// SDL's cursor for a system cursor, if SDL has one.
std::optional<SDL_SystemCursor> sdl_system_cursor(SystemCursor cursor);

// A tiny picture for the system cursors SDL has none for: rows of 'X' (black), '.' (white)
// and ' ' (transparent), with the hot spot.
struct CursorArt {
    std::vector<std::string> rows;
    int hot_x = 0, hot_y = 0;
};
CursorArt cursor_art(SystemCursor cursor);  // empty rows for cursors SDL has

// The cursors of a run. SDL's video must be up.
class Cursors {
public:
    // Shows a system cursor as itself and anything else as the arrow; a cursor SDL cannot
    // make shows as the arrow too.
    void show(const CursorDesc& cursor);

private:
    SDL_Cursor* get(SystemCursor cursor);

    std::map<SystemCursor, SDL_Cursor*> made_;
    SystemCursor current_ = SystemCursor::arrow;
};

}  // namespace win32::sdl
