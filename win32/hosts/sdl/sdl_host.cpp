// The desktop host: one SDL window per top-level Win32 window, GL contexts through SDL,
// SDL events turned into the Win32 layer's input calls. The sources beside it hold the rest:
// keyboard (the key map), text (code-page conversion), cursors, message_box, overlay (child
// windows at swap) and window_manager (focus, dialogs, how windows are made and fitted, a lost
// display; with a room per video driver, so that this file is the same on X11, Wayland and
// KMS). SDL's video subsystem starts on first need, on the display the environment names;
// with no display, or one that cannot be opened, windows cannot be created and message boxes
// answer on standard error.
// Every native failure keeps SDL's reason for the Win32 layer to pass on. A display lost
// while the program runs takes its windows with it, as does a window destroyed from outside:
// the Win32 layer is told, and the host makes no more native calls on what is gone.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include "win32/host.h"
#include "win32/hosts/sdl/cursors.h"
#include "win32/hosts/sdl/keyboard.h"
#include "win32/hosts/sdl/message_box.h"
#include "win32/hosts/sdl/overlay.h"
#include "win32/hosts/sdl/text.h"
#include "win32/hosts/sdl/window_manager.h"

namespace win32 {

struct NativeSurface {
    SDL_Window* window = nullptr;
    Uint32 id = 0;
    SurfaceDesc desc;
    int origin_x = 0, origin_y = 0;  // screen position of the drawable's top-left corner
    bool visible = false;
    bool gone = false;  // destroyed under the program (or its display lost); the Win32 layer was told
};

struct NativeContext {
    SDL_GLContext gl = nullptr;
};

namespace sdl {
namespace {

bool has_text(const char* s) { return s && *s; }

// Where the drawable of a surface sits and how big it is. A window with a caption shows its
// client area in a frame the window manager draws; one without covers its outer rectangle.
struct Placement {
    int x, y, w, h;
};
Placement placement(const SurfaceDesc& desc) {
    const RECT& r = desc.decorated ? desc.client : desc.outer;
    return {r.left, r.top, std::max<int>(1, r.right - r.left), std::max<int>(1, r.bottom - r.top)};
}

// The GL framebuffer every window gets, and simpler ones to fall back on where a server
// does not offer it.
struct GlConfig {
    int alpha, depth, stencil;
};
constexpr GlConfig kGlConfigs[] = {{8, 24, 8}, {0, 24, 8}, {0, 16, 0}};

void set_gl_attributes(const GlConfig& config) {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, config.alpha);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, config.depth);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, config.stencil);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // Fixed-function GL: a compatibility context, never a core one.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

class SdlHost final : public Host {
public:
    int screen_width() override { return desktop_mode().w; }
    int screen_height() override { return desktop_mode().h; }
    uint32_t tick_count() override { return static_cast<uint32_t>(SDL_GetTicks64()); }

    NativeSurface* create_surface(const SurfaceDesc& desc) override {
        failure_ = {};
        if (!video()) {
            failure_ = video_failure_;
            return nullptr;
        }
        const Placement p = placement(desc);
        const std::string title = cp1252_to_utf8(desc.title);
        Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
        if (!desc.decorated) flags |= SDL_WINDOW_BORDERLESS;
        flags |= prepare_window(desc.decorated, covers_screen(p));
        SDL_Window* window = nullptr;
        for (const GlConfig& config : kGlConfigs) {
            set_gl_attributes(config);
            window = SDL_CreateWindow(title.c_str(), p.x, p.y, p.w, p.h, flags);
            if (window) break;
        }
        if (!window) {
            failure_ = {"SDL_CreateWindow", SDL_GetError()};  // as the simplest framebuffer met it
            return nullptr;
        }
        watch_window(window);
        auto* surface = new NativeSurface;
        surface->window = window;
        surface->id = SDL_GetWindowID(window);
        surface->desc = desc;
        surface->origin_x = p.x;
        surface->origin_y = p.y;
        surfaces_.push_back(surface);
        return surface;
    }

    void destroy_surface(NativeSurface* surface) override {
        auto it = std::find(surfaces_.begin(), surfaces_.end(), surface);
        if (it == surfaces_.end()) return;
        surfaces_.erase(it);
        if (focus_ == surface) focus_ = nullptr;
        // Nothing is asked of a display or a window that is gone (SDL would wait for the X
        // server to unmap a window it no longer has): such a window is left to the program's
        // end.
        if (running() && !surface->gone) {
            unwatch_window(surface->window);
            SDL_DestroyWindow(surface->window);  // releases a context current on it
        }
        delete surface;
    }

    void show_surface(NativeSurface* surface, bool visible) override {
        if (!present(surface)) return;
        surface->visible = visible;
        if (visible) {
            if (!guarded([&] { SDL_ShowWindow(surface->window); })) return;
            take_focus(surface->window);
            focus_ = surface;
        } else {
            guarded([&] { SDL_HideWindow(surface->window); });
            if (focus_ == surface) focus_ = nullptr;
        }
    }

    void move_surface(NativeSurface* surface, const SurfaceDesc& desc) override {
        if (!present(surface)) return;
        const Placement p = placement(desc);
        if (desc.decorated != surface->desc.decorated) {
            SDL_SetWindowBordered(surface->window, desc.decorated ? SDL_TRUE : SDL_FALSE);
        }
        const Placement old = placement(surface->desc);
        if (p.w != old.w || p.h != old.h) SDL_SetWindowSize(surface->window, p.w, p.h);
        if (p.x != old.x || p.y != old.y) SDL_SetWindowPosition(surface->window, p.x, p.y);
        if (desc.decorated != surface->desc.decorated || covers_screen(p) != covers_screen(old)) {
            refit_window(surface->window, desc.decorated, covers_screen(p));
        }
        surface->desc = desc;
        surface->origin_x = p.x;
        surface->origin_y = p.y;
    }

    void set_title(NativeSurface* surface, const std::string& title) override {
        if (!known(surface)) return;
        surface->desc.title = title;
        if (!present(surface)) return;
        SDL_SetWindowTitle(surface->window, cp1252_to_utf8(title).c_str());
    }

    void focus_surface(NativeSurface* surface) override {
        if (!present(surface) || !surface->visible) return;
        take_focus(surface->window);
        focus_ = surface;
    }

    NativeContext* create_context(NativeSurface* surface) override {
        failure_ = {};
        if (!known(surface)) {
            failure_ = {"SDL_GL_CreateContext", "not a window of this host"};
            return nullptr;
        }
        if (!running()) {
            failure_ = video_failure_;
            return nullptr;
        }
        // SDL makes a new context current; a new rendering context is not current until
        // the program says so, so whatever was current before is restored.
        SDL_Window* previous_window = SDL_GL_GetCurrentWindow();
        SDL_GLContext previous = SDL_GL_GetCurrentContext();
        SDL_GLContext gl = SDL_GL_CreateContext(surface->window);
        if (!gl) {
            failure_ = {"SDL_GL_CreateContext", SDL_GetError()};
            return nullptr;
        }
        SDL_GL_SetSwapInterval(1);
        if (previous) {
            SDL_GL_MakeCurrent(previous_window, previous);
        } else {
            SDL_GL_MakeCurrent(nullptr, nullptr);
        }
        return new NativeContext{gl};
    }

    bool make_current(NativeSurface* surface, NativeContext* context) override {
        failure_ = {};
        if (!running()) {
            if (surface == nullptr && context == nullptr) return true;
            failure_ = video_failure_;
            return false;
        }
        SDL_Window* window = nullptr;
        SDL_GLContext gl = nullptr;
        if (surface && context) {
            if (!known(surface)) {
                failure_ = {"SDL_GL_MakeCurrent", "not a window of this host"};
                return false;
            }
            if (surface->gone) {
                failure_ = {"SDL_GL_MakeCurrent", "the window was destroyed by another program"};
                return false;
            }
            window = surface->window;
            gl = context->gl;
        }
        if (SDL_GL_MakeCurrent(window, gl) != 0) {
            failure_ = {"SDL_GL_MakeCurrent", SDL_GetError()};
            return false;
        }
        return true;
    }

    void delete_context(NativeContext* context) override {
        if (!context) return;
        if (running()) SDL_GL_DeleteContext(context->gl);
        delete context;
    }

    void swap(NativeSurface* surface, const std::vector<Overlay>& overlays) override {
        if (!present(surface)) return;
        if (SDL_GL_GetCurrentWindow() != surface->window || !SDL_GL_GetCurrentContext()) return;
        if (!overlays.empty()) {
            int w = 0, h = 0;
            SDL_GL_GetDrawableSize(surface->window, &w, &h);
            const RECT& client = surface->desc.client;
            draw_overlays(w, h, client.left - surface->origin_x, client.top - surface->origin_y, overlays);
        }
        SDL_GL_SwapWindow(surface->window);
    }

    void pump() override {
        if (!running()) {
            report_losses();
            return;
        }
        // Input that arrived while a message box ran comes first, in its order.
        while (!deferred_.empty()) {
            SDL_Event ev = deferred_.front();
            deferred_.pop_front();
            dispatch(ev);
        }
        // Only what is pending now: a stream of motion events cannot keep the pump busy.
        guarded([] { SDL_PumpEvents(); });
        SDL_Event ev;
        while (SDL_PeepEvents(&ev, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) dispatch(ev);
        report_losses();
    }

    // Not SDL_WaitEventTimeout: while SDL waits it may wake itself through a second X
    // connection (see the message box's event loop); a short sleep is enough here.
    void idle(uint32_t milliseconds) override { SDL_Delay(std::min<uint32_t>(milliseconds, 10)); }

    void set_cursor(const CursorDesc& cursor) override {
        if (!video()) return;
        cursors_.show(cursor);
    }

    // Where the window system cannot tell the pointer's screen position nor move the pointer
    // (Wayland), the position is the one the host last saw over its windows, and moving the
    // pointer moves that position only: from then on it is the position asked for plus the
    // pointer's motion since, so that a program reading how far the pointer went from
    // where it put it reads the true motion.
    void set_cursor_pos(int x, int y) override {
        if (!video()) return;
        if (!screen_positions_known()) {
            warp_ = POINT{x - pointer_.x, y - pointer_.y};
            return;
        }
        const POINT delta = screen_delta();
        SDL_WarpMouseGlobal(x + delta.x, y + delta.y);
    }

    POINT cursor_pos() override {
        if (!video()) return POINT{0, 0};
        if (!screen_positions_known()) return POINT{pointer_.x + warp_.x, pointer_.y + warp_.y};
        int x = 0, y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        const POINT delta = screen_delta();
        return POINT{x - delta.x, y - delta.y};
    }

    // SDL's Wayland driver cannot capture the mouse on request, and need not: while a button
    // is held on a window the compositor goes on sending it the pointer's motion, beyond its
    // edges too, and SDL marks the window captured so that the positions are not clamped.
    void capture_mouse(bool on) override {
        if (!running()) return;
        SDL_CaptureMouse(on ? SDL_TRUE : SDL_FALSE);
    }

    int message_box(const MessageBoxDesc& box) override {
        failure_ = {};
        if (!video() || !interactive_) {
            print_message_box(cp1252_to_utf8(box.caption), cp1252_to_utf8(box.text));
            return box_default_answer(box);
        }
        // A box is modal for its owner while the owner is on the screen; a box without one
        // (or of a hidden window) stands alone.
        NativeSurface* owner = present(box.owner) && box.owner->visible ? box.owner : nullptr;
        NativeSurface* focused = focus_;
        const int answer = run_message_box(box, owner ? owner->window : nullptr, deferred_, failure_);
        if (answer == 0) {
            print_message_box(cp1252_to_utf8(box.caption), cp1252_to_utf8(box.text));
            return 0;
        }
        // The owner has the keyboard again; after a box without one, the window that had it.
        NativeSurface* back = owner ? owner : focused;
        if (present(back) && back->visible) {
            focus_ = back;
            take_focus(back->window);
        }
        return answer;
    }

    Failure failure() override { return failure_; }

private:
    enum class Video { untried, ready, absent, lost };

    // SDL's video runs on a display that is still there. The first call to find the display
    // gone says why on standard error, once.
    bool running() {
        if (video_ == Video::ready && !display_lost().empty()) {
            video_ = Video::lost;
            video_failure_ = {"SDL_CreateWindow", display_lost()};
            std::fprintf(stderr, "win32: %s\n", display_lost().c_str());
            std::fflush(stderr);
        }
        return video_ == Video::ready;
    }

    // Tells the Win32 layer of the windows gone since the last pump: all of them once the
    // display is lost, else those another program destroyed.
    void report_losses() {
        if (video_ == Video::untried || video_ == Video::absent) return;
        const bool all = !running();
        const std::vector<NativeSurface*> surfaces = surfaces_;
        for (NativeSurface* s : surfaces) {
            if (!known(s) || s->gone || !(all || window_destroyed(s->window))) continue;
            s->gone = true;
            if (!all) {
                std::fprintf(stderr, "win32: the window \"%s\" was destroyed by another program\n",
                             cp1252_to_utf8(s->desc.title).c_str());
                std::fflush(stderr);
            }
            input_destroyed(s);
        }
    }

    // Starts SDL's video on first need; false when there is no display to show anything on.
    bool video() {
        if (video_ != Video::untried) return running();
        video_ = Video::absent;
        // The first click on an inactive window is a click, as on the desktop this system
        // comes from; a message box's software drawing must not open a GL renderer; closing
        // the last window is the program's business, not a quit request.
        SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "1");
        if (!start_video()) return false;
        watch_display();
        const char* driver = SDL_GetCurrentVideoDriver();
        // Drivers without a screen or input can host windows but could never answer a box.
        interactive_ = driver && std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "offscreen") != 0;
        SDL_StopTextInput();
        video_ = Video::ready;
        return true;
    }

    // SDL_VIDEODRIVER's choice, when it makes one; else the display the environment names,
    // with the driver of DISPLAY (x11) or WAYLAND_DISPLAY (wayland), in SDL's order, and no
    // other: where neither can be opened, SDL would go on to its offscreen driver and the
    // program would run unseen. False, with SDL's reason for each display tried, when there
    // is nothing to show windows on.
    bool start_video() {
        if (has_text(std::getenv("SDL_VIDEODRIVER"))) {
            if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
            video_failure_ = {"SDL_InitSubSystem", SDL_GetError()};
            return false;
        }
        if (!has_text(std::getenv("DISPLAY")) && !has_text(std::getenv("WAYLAND_DISPLAY"))) {
            video_failure_ = {"SDL_InitSubSystem", "no display (DISPLAY, WAYLAND_DISPLAY, SDL_VIDEODRIVER unset)"};
            return false;
        }
        std::string reasons;
        for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
            const char* driver = SDL_GetVideoDriver(i);
            const char* variable = !driver                               ? nullptr
                                   : std::strcmp(driver, "x11") == 0     ? "DISPLAY"
                                   : std::strcmp(driver, "wayland") == 0 ? "WAYLAND_DISPLAY"
                                                                         : nullptr;
            if (!variable || !has_text(std::getenv(variable))) continue;
            SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
            if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
            if (!reasons.empty()) reasons += "; ";
            reasons += std::string(SDL_GetError()) + " (" + variable + "=" + std::getenv(variable) + ")";
        }
        SDL_ResetHint(SDL_HINT_VIDEODRIVER);
        video_failure_ = {"SDL_InitSubSystem", reasons.empty() ? "no video driver for the display named" : reasons};
        return false;
    }

    SDL_DisplayMode desktop_mode() {
        SDL_DisplayMode mode{};
        if (!video() || SDL_GetDesktopDisplayMode(0, &mode) != 0) return SDL_DisplayMode{};
        return mode;
    }

    // The window's rectangle is the whole screen.
    bool covers_screen(const Placement& p) {
        SDL_Rect screen;
        if (!video() || SDL_GetDisplayBounds(0, &screen) != 0) return false;
        return p.x == screen.x && p.y == screen.y && p.w == screen.w && p.h == screen.h;
    }

    // The pointer's position in the Win32 layer's screen coordinates, from an event at (x, y)
    // in a window, kept for cursor_pos where SDL cannot tell it.
    POINT follow_pointer(NativeSurface* s, int x, int y) {
        pointer_ = POINT{s->origin_x + x, s->origin_y + y};
        return pointer_;
    }

    bool known(NativeSurface* surface) const {
        return surface && std::find(surfaces_.begin(), surfaces_.end(), surface) != surfaces_.end();
    }

    // A window of this host that is still on a display that is still there.
    bool present(NativeSurface* surface) { return known(surface) && !surface->gone && running(); }

    NativeSurface* by_id(Uint32 id) const {
        for (NativeSurface* s : surfaces_) {
            if (s->id == id) return s;
        }
        return nullptr;
    }

    // Key events name the window with the keyboard focus; 0 means SDL had none recorded.
    NativeSurface* key_target(Uint32 id) const { return id != 0 ? by_id(id) : focus_; }

    // How far the real screen positions are from the ones the Win32 layer keeps: a window
    // manager places framed windows where it likes. Measured on the focused window, else
    // on the first visible one.
    POINT screen_delta() const {
        if (!screen_positions_known()) return POINT{0, 0};
        NativeSurface* reference = focus_;
        for (NativeSurface* s : surfaces_) {
            if (!reference && s->visible) reference = s;
        }
        if (!reference) return POINT{0, 0};
        int x = 0, y = 0;
        SDL_GetWindowPosition(reference->window, &x, &y);
        return POINT{x - reference->origin_x, y - reference->origin_y};
    }

    void dispatch(const SDL_Event& ev) {
        switch (ev.type) {
            case SDL_MOUSEMOTION:
                if (NativeSurface* s = by_id(ev.motion.windowID)) {
                    const POINT at = follow_pointer(s, ev.motion.x, ev.motion.y);
                    input_mouse_move(s, at.x, at.y, ev.motion.timestamp);
                }
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                NativeSurface* s = by_id(ev.button.windowID);
                if (!s) break;
                MouseButton button;
                if (ev.button.button == SDL_BUTTON_LEFT) {
                    button = MouseButton::left;
                } else if (ev.button.button == SDL_BUTTON_RIGHT) {
                    button = MouseButton::right;
                } else if (ev.button.button == SDL_BUTTON_MIDDLE) {
                    button = MouseButton::middle;
                } else {
                    break;
                }
                const POINT at = follow_pointer(s, ev.button.x, ev.button.y);
                input_mouse_button(s, button, ev.button.state == SDL_PRESSED, at.x, at.y, ev.button.timestamp);
                break;
            }
            case SDL_KEYDOWN:
            case SDL_KEYUP: {
                NativeSurface* s = key_target(ev.key.windowID);
                if (!s) break;
                const SDL_Keysym& k = ev.key.keysym;
                const UINT vk = virtual_key(k.sym, k.scancode, k.mod);
                if (vk == 0) break;
                const bool down = ev.type == SDL_KEYDOWN;
                // The Alt key's own press counts as held Alt (a system key, as on Win32).
                const bool alt = (k.mod & KMOD_ALT) != 0 || (down && vk == VK_MENU);
                input_key(s, vk, down, ev.key.repeat != 0, alt, ev.key.timestamp);
                break;
            }
            case SDL_WINDOWEVENT:
                if (ev.window.event == SDL_WINDOWEVENT_CLOSE) {
                    if (NativeSurface* s = by_id(ev.window.windowID)) input_close(s);
                } else if (ev.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
                    if (NativeSurface* s = by_id(ev.window.windowID)) focus_ = s;
                }
                break;
            case SDL_QUIT: {
                // A request to end the program (a signal, the session ending): every shown
                // top-level window is asked to close, as the window manager would.
                const std::vector<NativeSurface*> shown = surfaces_;
                for (NativeSurface* s : shown) {
                    if (known(s) && s->visible) input_close(s);
                }
                break;
            }
            default:
                break;
        }
    }

    Video video_ = Video::untried;
    Failure video_failure_;  // why there is no video, when there is none
    bool interactive_ = false;
    std::vector<NativeSurface*> surfaces_;
    NativeSurface* focus_ = nullptr;  // the top-level window that has (or last had) the keyboard
    std::deque<SDL_Event> deferred_;
    Cursors cursors_;
    POINT pointer_{0, 0};  // the pointer where the host last saw it, in screen coordinates
    POINT warp_{0, 0};     // where the program put it, from there (set_cursor_pos)
    Failure failure_;  // of the last call that can fail
};

}  // namespace
}  // namespace sdl

Host& host() {
    // Never destroyed: windows and contexts may still exist when the program exits.
    static Host* instance = new sdl::SdlHost;
    return *instance;
}

}  // namespace win32
