#include "win32/hosts/virtual/desktop.h"

#include <algorithm>
#include <thread>

namespace win32 {

Host& host() { return virtual_host::desktop(); }

}  // namespace win32

namespace win32::virtual_host {

namespace {
int width_of(const RECT& r) { return std::max<LONG>(0, r.right - r.left); }
int height_of(const RECT& r) { return std::max<LONG>(0, r.bottom - r.top); }
}  // namespace

Desktop& desktop() {
    static Desktop d;
    return d;
}

uint32_t Desktop::tick_count() {
    if (fixed_ticks) return *fixed_ticks;
    if (virtual_us) return static_cast<uint32_t>(*virtual_us / 1000);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    return static_cast<uint32_t>(ms);
}

// ---- surfaces ----------------------------------------------------------------------------------

NativeSurface* Desktop::create_surface(const SurfaceDesc& desc) {
    failure_ = {};
    if (fail_surface) {
        // What a desktop that has run out of surfaces says.
        fail_surface = false;
        failure_ = {"eglCreatePbufferSurface", egl_error_name(EGL_BAD_ALLOC)};
        return nullptr;
    }
    auto s = std::make_unique<NativeSurface>();
    s->window = desc.window;
    s->outer = desc.outer;
    s->client = desc.client;
    s->title = desc.title;
    s->decorated = desc.decorated;
    NativeSurface* raw = s.get();
    surfaces.push_back(std::move(s));
    return raw;
}

void Desktop::destroy_surface(NativeSurface* s) {
    if (!s) return;
    if (focused == s) focused = nullptr;
    // A surface still current is released by EGL once it stops being current.
    if (s->egl != EGL_NO_SURFACE) egl_.destroy_surface(s->egl);
    if (current_surface_ == s) current_surface_ = nullptr;
    surfaces.erase(std::remove_if(surfaces.begin(), surfaces.end(), [&](auto& p) { return p.get() == s; }),
                   surfaces.end());
}

void Desktop::show_surface(NativeSurface* s, bool visible) {
    if (s) s->visible = visible;
}

void Desktop::move_surface(NativeSurface* s, const SurfaceDesc& desc) {
    if (!s) return;
    s->outer = desc.outer;
    s->client = desc.client;
    // A pbuffer that cannot follow keeps its old size until the next make_current says why.
    if (s->egl != EGL_NO_SURFACE) ensure_pbuffer(s);
}

void Desktop::set_title(NativeSurface* s, const std::string& title) {
    if (s) s->title = title;
}

void Desktop::focus_surface(NativeSurface* s) {
    if (!s) return;
    focused = s;
    auto it = std::find_if(surfaces.begin(), surfaces.end(), [&](auto& p) { return p.get() == s; });
    if (it != surfaces.end()) std::rotate(it, it + 1, surfaces.end());
}

// Makes sure the surface's pbuffer exists at the client size; the failure says why not.
bool Desktop::ensure_pbuffer(NativeSurface* s) {
    const int w = std::max(1, width_of(s->client)), h = std::max(1, height_of(s->client));
    if (s->egl != EGL_NO_SURFACE && s->egl_width == w && s->egl_height == h) return true;
    Failure failure;
    EGLSurface fresh = egl_.create_pbuffer(w, h, failure);
    if (fresh == EGL_NO_SURFACE) {
        failure_ = failure;
        return false;
    }
    EGLSurface old = s->egl;
    s->egl = fresh;
    s->egl_width = w;
    s->egl_height = h;
    if (old != EGL_NO_SURFACE) {
        if (current_surface_ == s && current_context_) egl_.make_current(fresh, current_context_->egl, failure);
        egl_.destroy_surface(old);
    }
    return true;
}

// ---- GL ----------------------------------------------------------------------------------------

NativeContext* Desktop::create_context(NativeSurface* s) {
    failure_ = {};
    if (fail_context) {
        fail_context = false;
        failure_ = {"eglCreateContext", egl_error_name(EGL_BAD_ALLOC)};
        return nullptr;
    }
    if (!s) {
        failure_ = {"eglCreateContext", "no surface"};
        return nullptr;
    }
    EGLContext ctx = egl_.create_context(failure_);
    if (ctx == EGL_NO_CONTEXT) return nullptr;
    auto* c = new NativeContext;
    c->egl = ctx;
    ++contexts;
    return c;
}

bool Desktop::make_current(NativeSurface* s, NativeContext* c) {
    failure_ = {};
    if (!s || !c) {
        egl_.release();
        current_surface_ = nullptr;
        current_context_ = nullptr;
        return true;
    }
    if (!ensure_pbuffer(s)) return false;
    if (!egl_.make_current(s->egl, c->egl, failure_)) return false;
    current_surface_ = s;
    current_context_ = c;
    return true;
}

void Desktop::delete_context(NativeContext* c) {
    if (!c) return;
    if (current_context_ == c) make_current(nullptr, nullptr);
    egl_.destroy_context(c->egl);
    delete c;
    --contexts;
}

void Desktop::swap(NativeSurface* s, const std::vector<Overlay>& overlays) {
    if (!s) return;
    Frame& f = frames[s->window];
    f.window = s->window;
    f.width = width_of(s->client);
    f.height = height_of(s->client);
    f.index = swaps;
    f.rgba.assign(static_cast<size_t>(f.width) * f.height * 4, 0);
    const bool gl_ready = current_surface_ == s && current_context_ && s->egl != EGL_NO_SURFACE;
    if (gl_ready) read_back(f, s->egl_width, s->egl_height);
    lay_overlays(f, overlays);
    if (gl_ready) egl_.swap(s->egl);
    wait_for_refresh();
    last_window = s->window;
    const uint64_t index = swaps++;
    if (on_frame) {
        auto callback = on_frame;  // the callback may replace itself
        callback(index);
    }
}

// ---- input -------------------------------------------------------------------------------------

NativeSurface* Desktop::top_surface_at(int x, int y) {
    for (auto it = surfaces.rbegin(); it != surfaces.rend(); ++it) {
        NativeSurface* s = it->get();
        if (s->visible && x >= s->outer.left && x < s->outer.right && y >= s->outer.top && y < s->outer.bottom)
            return s;
    }
    return nullptr;
}

NativeSurface* Desktop::surface_of(HWND window) {
    for (auto& s : surfaces)
        if (s->window == window) return s.get();
    return nullptr;
}

NativeSurface* Desktop::key_surface() {
    if (focused) return focused;
    for (auto it = surfaces.rbegin(); it != surfaces.rend(); ++it)
        if ((*it)->visible) return it->get();
    return nullptr;
}

void Desktop::wait_for_refresh() {
    if (!virtual_us || display_hz <= 0) return;
    // Refresh k is at k * 1000000 / hz microseconds; a swap waits for the first one after now.
    const uint64_t hz = static_cast<uint64_t>(display_hz);
    const uint64_t next = *virtual_us * hz / 1000000 + 1;
    virtual_us = (next * 1000000 + hz - 1) / hz;
}

void Desktop::idle(uint32_t milliseconds) {
    if (!virtual_us) {
        if (!fixed_ticks) std::this_thread::sleep_for(std::chrono::milliseconds(std::min<uint32_t>(milliseconds, 2)));
        return;
    }
    // Time passes up to the next injected event still to come, if that comes sooner.
    uint64_t until = *virtual_us + uint64_t{milliseconds} * 1000;
    for (const InputEvent& e : input) {
        if (!e.at || uint64_t{*e.at} * 1000 <= *virtual_us) continue;
        until = std::min<uint64_t>(until, uint64_t{*e.at} * 1000);
        break;
    }
    virtual_us = until;
}

void Desktop::pump() {
    // Events are delivered in the order injected, each once the clock has reached its time.
    // Delivering one injects nothing, so they are taken from the front one by one.
    const uint32_t now = tick_count();
    while (!input.empty() && (!input.front().at || *input.front().at <= now)) {
        const InputEvent e = input.front();
        input.pop_front();
        const uint32_t time = e.at.value_or(now);
        switch (e.kind) {
        case InputEvent::Kind::move:
            mouse = {e.x, e.y};
            input_mouse_move(top_surface_at(e.x, e.y), e.x, e.y, time);
            break;
        case InputEvent::Kind::button:
            mouse = {e.x, e.y};
            input_mouse_button(top_surface_at(e.x, e.y), e.button, e.down, e.x, e.y, time);
            break;
        case InputEvent::Kind::key:
            input_key(key_surface(), e.vk, e.down, e.repeat, e.alt, time);
            break;
        case InputEvent::Kind::close:
            if (NativeSurface* s = surface_of(e.window)) input_close(s);
            break;
        case InputEvent::Kind::lost:
            if (NativeSurface* s = surface_of(e.window)) input_destroyed(s);
            break;
        case InputEvent::Kind::activate:
            if (NativeSurface* s = surface_of(e.window)) {
                if (e.down) focus_surface(s);
                else if (focused == s) focused = nullptr;
                input_activate(s, e.down);
            }
            break;
        }
    }
}

// ---- message boxes -----------------------------------------------------------------------------

int Desktop::message_box(const MessageBoxDesc& box) {
    failure_ = {};
    int answer = 0;
    if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    } else if (box.default_button >= 0 && box.default_button < static_cast<int>(box.buttons.size())) {
        answer = box.buttons[box.default_button].answer;  // as if Enter were pressed at once
    }
    if (answer == 0) failure_ = {"the virtual message box", "the test's answer was 0 (not shown)"};
    box_log.push_back({box.text, box.caption, box.flags, answer, box.owner ? box.owner->window : nullptr, box});
    return answer;
}

}  // namespace win32::virtual_host
