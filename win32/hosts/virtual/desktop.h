// The headless host itself: a virtual desktop with a screen of the test's size, one GL
// surface per top-level window (an EGL pbuffer of the client size), input waiting to be
// delivered, message boxes answered from a queue, and the frames its windows swapped. Its
// state is open to the control functions of virtual_host.h.
#pragma once

#include <EGL/egl.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "win32/host.h"
#include "win32/hosts/virtual/egl.h"
#include "win32/hosts/virtual/frames.h"
#include "win32/hosts/virtual/virtual_host.h"

namespace win32 {

// What the test reads of a surface, and its pbuffer.
struct NativeSurface : virtual_host::SurfaceState {
    EGLSurface egl = EGL_NO_SURFACE;  // made when a context is first made current on it
    int egl_width = 0;
    int egl_height = 0;
};

struct NativeContext {
    EGLContext egl = EGL_NO_CONTEXT;
};

}  // namespace win32

namespace win32::virtual_host {

// Input injected by the test, as it waits for the next pump.
struct InputEvent {
    enum class Kind { move, button, key, close, activate, lost };
    Kind kind = Kind::move;
    int x = 0, y = 0;
    MouseButton button = MouseButton::left;
    bool down = false;  // button, key; activate: gained
    bool repeat = false;
    bool alt = false;
    UINT vk = 0;
    HWND window = nullptr;  // close, activate, lost
    std::optional<uint32_t> at;  // when it happens; none: at the next pump
};

constexpr int kDefaultScreenWidth = 1024;
constexpr int kDefaultScreenHeight = 768;

class Desktop final : public Host {
public:
    // ---- state the test reads and writes ----
    int screen_w = kDefaultScreenWidth;
    int screen_h = kDefaultScreenHeight;
    std::optional<uint32_t> fixed_ticks;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    int display_hz = 0;                  // 0: no display, swaps do not wait
    std::optional<uint64_t> virtual_us;  // the virtual clock, while there is a display

    std::deque<int> answers;
    std::vector<MessageBoxRecord> box_log;

    std::deque<InputEvent> input;
    POINT mouse{};
    bool alt_down[3] = {false, false, false};  // VK_MENU, VK_LMENU, VK_RMENU

    std::map<HWND, Frame> frames;
    HWND last_window = nullptr;
    uint64_t swaps = 0;
    std::function<void(uint64_t)> on_frame;

    std::vector<std::unique_ptr<NativeSurface>> surfaces;  // bottom first
    NativeSurface* focused = nullptr;
    CursorDesc cursor;
    bool captured = false;
    int contexts = 0;
    bool fail_surface = false;
    bool fail_context = false;

    // ---- Host ----
    int screen_width() override { return screen_w; }
    int screen_height() override { return screen_h; }
    uint32_t tick_count() override;

    NativeSurface* create_surface(const SurfaceDesc& desc) override;
    void destroy_surface(NativeSurface* s) override;
    void show_surface(NativeSurface* s, bool visible) override;
    void move_surface(NativeSurface* s, const SurfaceDesc& desc) override;
    void set_title(NativeSurface* s, const std::string& title) override;
    void focus_surface(NativeSurface* s) override;

    NativeContext* create_context(NativeSurface* s) override;
    bool make_current(NativeSurface* s, NativeContext* c) override;
    void delete_context(NativeContext* c) override;
    void swap(NativeSurface* s, const std::vector<Overlay>& overlays) override;

    void pump() override;
    void idle(uint32_t milliseconds) override;
    void set_cursor(const CursorDesc& c) override { cursor = c; }
    void set_cursor_pos(int x, int y) override { mouse = {x, y}; }
    POINT cursor_pos() override { return mouse; }
    void capture_mouse(bool on) override { captured = on; }

    int message_box(const MessageBoxDesc& box) override;

    Failure failure() override { return failure_; }

    // Moves the virtual clock on to the display's next refresh.
    void wait_for_refresh();

private:
    bool ensure_pbuffer(NativeSurface* s);
    NativeSurface* top_surface_at(int x, int y);
    NativeSurface* surface_of(HWND window);
    NativeSurface* key_surface();

    Egl egl_;
    NativeSurface* current_surface_ = nullptr;
    NativeContext* current_context_ = nullptr;
    Failure failure_;  // of the last call that can fail
};

// The one desktop of the run.
Desktop& desktop();

}  // namespace win32::virtual_host
