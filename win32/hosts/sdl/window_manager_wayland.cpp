// The Wayland room: full-screen toplevels, a message box's parent, and the watch on the
// compositor's connection.
#include "win32/hosts/sdl/window_manager_wayland.h"

#include <SDL_syswm.h>
#include <wayland-client-core.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace win32::sdl::wayland {

Uint32 window_flags(bool decorated, bool covers_output) {
    return !decorated && covers_output ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0;
}

void refit_window(SDL_Window* window, bool decorated, bool covers_output) {
    const Uint32 wanted = window_flags(decorated, covers_output);
    if ((SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != wanted) SDL_SetWindowFullscreen(window, wanted);
}

void dialog_shown(SDL_Window* box, SDL_Window* owner) {
    if (box && owner) SDL_SetWindowModalFor(box, owner);  // xdg_toplevel.set_parent
}

namespace {
// On Wayland only the compositor's connection can be lost (a client cannot destroy another
// one's surfaces). libwayland keeps the error that broke it, which SDL meets while it
// reads events; the host asks for it as it asks whether the display is there.
struct Watch {
    wl_display* display = nullptr;  // SDL's connection, from the first watched window
    std::string lost;
};

Watch& watched() {
    static Watch watch;
    return watch;
}
}  // namespace

void watch_window([[maybe_unused]] SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_WAYLAND)  // an SDL built with its Wayland driver
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || watched().display || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_WAYLAND)
        return;
    watched().display = info.info.wl.display;
#endif
}

const std::string& display_lost() {
    Watch& w = watched();
    if (w.display && w.lost.empty()) {
        if (const int error = wl_display_get_error(w.display)) {
            const char* name = std::getenv("WAYLAND_DISPLAY");
            w.lost = std::string("display ") + (name && *name ? name : "wayland-0") +
                     " lost: the Wayland compositor closed the connection (" + std::strerror(error) + ")";
        }
    }
    return w.lost;
}

}  // namespace win32::sdl::wayland
