// The window manager glue for every video driver: each call goes to the room of the driver
// SDL runs (x11 where the build has libX11, wayland), or makes only SDL's own calls.
#include "win32/hosts/sdl/window_manager.h"

#include <cstring>

#include "win32/hosts/sdl/window_manager_wayland.h"
#if WIN32_SDL_X11
#include "win32/hosts/sdl/window_manager_x11.h"
#endif

namespace win32::sdl {

namespace {
enum class Driver { other, x11, wayland };

Driver driver() {
    const char* name = SDL_GetCurrentVideoDriver();
    if (!name) return Driver::other;
#if WIN32_SDL_X11
    if (std::strcmp(name, "x11") == 0) return Driver::x11;
#endif
    if (std::strcmp(name, "wayland") == 0) return Driver::wayland;
    return Driver::other;
}
}  // namespace

Uint32 prepare_window(bool decorated, bool covers_screen) {
    switch (driver()) {
#if WIN32_SDL_X11
        case Driver::x11: x11::prepare_window(decorated); return 0;
#endif
        case Driver::wayland: return wayland::window_flags(decorated, covers_screen);
        default: return 0;
    }
}

void refit_window(SDL_Window* window, bool decorated, bool covers_screen) {
    if (window && driver() == Driver::wayland) wayland::refit_window(window, decorated, covers_screen);
}

void take_focus(SDL_Window* window) {
    if (!window) return;
    // On Wayland raising is all a client can ask for (an activation request, where the
    // compositor offers them); the compositor gives the keyboard.
    SDL_RaiseWindow(window);
    switch (driver()) {
#if WIN32_SDL_X11
        case Driver::x11:
            if (x11::take_focus(window)) return;
            break;
#endif
        case Driver::wayland: return;
        default: break;
    }
    SDL_SetWindowInputFocus(window);
}

void dress_as_dialog(SDL_Window* box, SDL_Window* owner, bool closable) {
    if (!box) return;
    // Not resizable: SDL gives the window equal minimum and maximum sizes.
    SDL_SetWindowResizable(box, SDL_FALSE);
    switch (driver()) {
#if WIN32_SDL_X11
        case Driver::x11:
            if (owner) SDL_SetWindowModalFor(box, owner);  // WM_TRANSIENT_FOR
            x11::dress_as_dialog(box, owner != nullptr, closable);
            break;
#endif
        case Driver::wayland: break;  // the parent once shown; the compositor places it
        default:
            if (owner) SDL_SetWindowModalFor(box, owner);
            break;
    }
}

void dialog_shown(SDL_Window* box, SDL_Window* owner) {
    if (box && driver() == Driver::wayland) wayland::dialog_shown(box, owner);
}

bool screen_positions_known() { return driver() != Driver::wayland; }

bool run_guarded(void (*call)(void*), void* data) {
    if (!display_lost().empty()) return false;
#if WIN32_SDL_X11
    if (driver() == Driver::x11) return x11::run_guarded(call, data);
#endif
    call(data);
    return true;
}

void watch_display() {
#if WIN32_SDL_X11
    if (driver() == Driver::x11) x11::watch_display();
#endif
}

void watch_window(SDL_Window* window) {
    if (!window) return;
    switch (driver()) {
#if WIN32_SDL_X11
        case Driver::x11: x11::watch_window(window); break;
#endif
        case Driver::wayland: wayland::watch_window(window); break;
        default: break;
    }
}

void unwatch_window([[maybe_unused]] SDL_Window* window) {
#if WIN32_SDL_X11
    if (window && driver() == Driver::x11) x11::unwatch_window(window);
#endif
}

const std::string& display_lost() {
    switch (driver()) {
#if WIN32_SDL_X11
        case Driver::x11: return x11::display_lost();
#endif
        case Driver::wayland: return wayland::display_lost();
        default: break;
    }
    static const std::string none;
    return none;
}

bool window_destroyed([[maybe_unused]] SDL_Window* window) {
#if WIN32_SDL_X11
    if (window && driver() == Driver::x11) return x11::window_destroyed(window);
#endif
    return false;
}

}  // namespace win32::sdl
