#include "win32/hosts/sdl/cursors.h"

namespace win32::sdl {

namespace {
SDL_Cursor* make_art_cursor(const CursorArt& art) {
    if (art.rows.empty()) return nullptr;
    const int h = static_cast<int>(art.rows.size());
    const int w = static_cast<int>(art.rows.front().size());
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!surface) return nullptr;
    SDL_LockSurface(surface);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) + y * surface->pitch);
        for (int x = 0; x < w; ++x) {
            const char c = x < static_cast<int>(art.rows[y].size()) ? art.rows[y][x] : ' ';
            row[x] = c == 'X' ? 0xFF000000u : c == '.' ? 0xFFFFFFFFu : 0u;
        }
    }
    SDL_UnlockSurface(surface);
    SDL_Cursor* cursor = SDL_CreateColorCursor(surface, art.hot_x, art.hot_y);
    SDL_FreeSurface(surface);
    return cursor;
}

SDL_Cursor* make_cursor(SystemCursor cursor) {
    if (const std::optional<SDL_SystemCursor> own = sdl_system_cursor(cursor)) return SDL_CreateSystemCursor(*own);
    return make_art_cursor(cursor_art(cursor));
}
}  // namespace

std::optional<SDL_SystemCursor> sdl_system_cursor(SystemCursor cursor) {
    switch (cursor) {
        case SystemCursor::arrow: return SDL_SYSTEM_CURSOR_ARROW;
        case SystemCursor::ibeam: return SDL_SYSTEM_CURSOR_IBEAM;
        case SystemCursor::wait: return SDL_SYSTEM_CURSOR_WAIT;
        case SystemCursor::cross: return SDL_SYSTEM_CURSOR_CROSSHAIR;
        case SystemCursor::size_nwse: return SDL_SYSTEM_CURSOR_SIZENWSE;
        case SystemCursor::size_nesw: return SDL_SYSTEM_CURSOR_SIZENESW;
        case SystemCursor::size_we: return SDL_SYSTEM_CURSOR_SIZEWE;
        case SystemCursor::size_ns: return SDL_SYSTEM_CURSOR_SIZENS;
        case SystemCursor::size_all: return SDL_SYSTEM_CURSOR_SIZEALL;
        case SystemCursor::no: return SDL_SYSTEM_CURSOR_NO;
        case SystemCursor::hand: return SDL_SYSTEM_CURSOR_HAND;
        case SystemCursor::app_starting: return SDL_SYSTEM_CURSOR_WAITARROW;
        case SystemCursor::uparrow:
        case SystemCursor::help: return std::nullopt;
    }
    return std::nullopt;
}

CursorArt cursor_art(SystemCursor cursor) {
    switch (cursor) {
        case SystemCursor::uparrow:
            return {{
                        "       X        ",
                        "      X.X       ",
                        "     X...X      ",
                        "    X.....X     ",
                        "   X.......X    ",
                        "  X.........X   ",
                        " XXXXX...XXXXX  ",
                        "     X...X      ",
                        "     X...X      ",
                        "     X...X      ",
                        "     X...X      ",
                        "     X...X      ",
                        "     X...X      ",
                        "     X...X      ",
                        "     XXXXX      ",
                        "                ",
                    },
                    7, 0};
        case SystemCursor::help:
            return {{
                        "X                       ",
                        "XX                      ",
                        "X.X                     ",
                        "X..X                    ",
                        "X...X                   ",
                        "X....X                  ",
                        "X.....X                 ",
                        "X......X     XXXXXX     ",
                        "X.......X   XX....XX    ",
                        "X........X  X..XX..X    ",
                        "X.....XXXXX XXXXX..X    ",
                        "X..X..X       XX..XX    ",
                        "X.X X..X     XX..XX     ",
                        "XX  X..X     X..XX      ",
                        "X    X..X    X..X       ",
                        "     X..X    XXXX       ",
                        "      X..X   X..X       ",
                        "      XXXX   XXXX       ",
                        "                        ",
                        "                        ",
                        "                        ",
                        "                        ",
                        "                        ",
                        "                        ",
                    },
                    0, 0};
        default:
            return {};
    }
}

void Cursors::show(const CursorDesc& cursor) {
    const SystemCursor wanted = cursor.system.value_or(SystemCursor::arrow);
    if (wanted == current_ && SDL_GetCursor() == made_[wanted]) return;
    SDL_Cursor* c = get(wanted);
    if (!c) c = get(SystemCursor::arrow);
    if (c) SDL_SetCursor(c);
    current_ = wanted;
}

SDL_Cursor* Cursors::get(SystemCursor cursor) {
    auto it = made_.find(cursor);
    if (it != made_.end() && it->second) return it->second;
    SDL_Cursor* c = make_cursor(cursor);
    made_[cursor] = c;
    return c;
}

}  // namespace win32::sdl
