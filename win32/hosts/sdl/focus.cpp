// Keyboard focus for a newly shown window. With a window manager, raising the window asks
// it for activation; with none (a bare X server), nobody else moves the focus, so the
// window sets the X input focus itself. This file includes Xlib, whose macros clash with
// the Win32 names, so it stays apart from the rest of the host.
#include <SDL.h>
#include <SDL_syswm.h>

#include "win32/hosts/sdl/sdl_parts.h"

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xlib.h>
#endif

namespace win32::sdl {

#if defined(SDL_VIDEO_DRIVER_X11)
namespace {
int ignore_x_error(Display*, XErrorEvent*) { return 0; }

bool x11_focus(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    Display* display = info.info.x11.display;
    ::Window xwindow = info.info.x11.window;
    if (!display || !xwindow) return false;
    // A window that is mapped but not yet viewable (a window manager still framing it)
    // cannot take the focus: the request would fail with BadMatch. Any error here is
    // swallowed rather than allowed to reach Xlib's default handler, which exits.
    XSync(display, False);
    XErrorHandler previous = XSetErrorHandler(ignore_x_error);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, xwindow, &attributes) && attributes.map_state == IsViewable) {
        XSetInputFocus(display, xwindow, RevertToParent, CurrentTime);
    }
    XSync(display, False);
    XSetErrorHandler(previous);
    return true;
}
}  // namespace
#endif

void take_focus(SDL_Window* window) {
    if (!window) return;
    SDL_RaiseWindow(window);
#if defined(SDL_VIDEO_DRIVER_X11)
    if (x11_focus(window)) return;
#endif
    SDL_SetWindowInputFocus(window);
}

}  // namespace win32::sdl
