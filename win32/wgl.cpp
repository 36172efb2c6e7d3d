// WGL: rendering contexts over the host's GL contexts.
#include <map>

#include "win32/host.h"
#include "win32/internal.h"
#include "win32/user_internal.h"

namespace {

struct Context {
    win32::NativeContext* native = nullptr;
    HWND window = nullptr;  // the window it was created for
};

struct Wgl {
    std::map<uintptr_t, Context> contexts;
    uintptr_t next = 0x00040010;
    HGLRC current = nullptr;
    HDC current_dc = nullptr;
};

Wgl& wgl() {
    static Wgl w;
    return w;
}

win32::user::Window* gl_window(HDC dc) {
    if (!dc) return nullptr;
    win32::user::Window* w = win32::user::find(win32::internal::window_of_dc(dc));
    if (!w || !w->surface || w->pixel_format == 0) return nullptr;
    return w;
}

void release_current() {
    auto& s = wgl();
    if (s.current) win32::host().make_current(nullptr, nullptr);
    s.current = nullptr;
    s.current_dc = nullptr;
}

}  // namespace

HGLRC wglCreateContext(HDC hdc) {
    win32::user::Window* w = gl_window(hdc);
    if (!w) {
        // A window DC whose pixel format was never set cannot have a context.
        if (win32::user::Window* plain = win32::user::find(win32::internal::window_of_dc(hdc));
            plain && plain->pixel_format == 0)
            SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return nullptr;
    }
    win32::NativeContext* native = win32::host().create_context(w->surface);
    if (!native) {
        win32::internal::report_host_failure("wglCreateContext", ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto& s = wgl();
    const uintptr_t h = s.next;
    s.next += 4;
    s.contexts[h] = Context{native, w->handle};
    return reinterpret_cast<HGLRC>(h);
}

BOOL wglMakeCurrent(HDC hdc, HGLRC hglrc) {
    auto& s = wgl();
    if (!hglrc) {
        release_current();
        return TRUE;
    }
    auto it = s.contexts.find(reinterpret_cast<uintptr_t>(hglrc));
    win32::user::Window* w = gl_window(hdc);
    // A failed call leaves no context current.
    if (it == s.contexts.end() || !w) {
        release_current();
        return FALSE;
    }
    if (!win32::host().make_current(w->surface, it->second.native)) {
        win32::internal::report_host_failure("wglMakeCurrent", ERROR_NOT_ENOUGH_MEMORY);
        release_current();
        return FALSE;
    }
    s.current = hglrc;
    s.current_dc = hdc;
    return TRUE;
}

BOOL wglDeleteContext(HGLRC hglrc) {
    auto& s = wgl();
    auto it = s.contexts.find(reinterpret_cast<uintptr_t>(hglrc));
    if (it == s.contexts.end()) return FALSE;
    if (s.current == hglrc) release_current();
    win32::host().delete_context(it->second.native);
    s.contexts.erase(it);
    return TRUE;
}

HGLRC wglGetCurrentContext(void) { return wgl().current; }

HDC wglGetCurrentDC(void) { return wgl().current_dc; }
