// The headless host (see virtual_host.h).
#include "win32/hosts/virtual/virtual_host.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <dlfcn.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>

namespace win32 {

struct NativeSurface {
    HWND window = nullptr;
    RECT outer{};
    RECT client{};
    std::string title;
    bool decorated = false;
    bool visible = false;
    EGLSurface egl = EGL_NO_SURFACE;
    int egl_width = 0;
    int egl_height = 0;
};

struct NativeContext {
    EGLContext egl = EGL_NO_CONTEXT;
};

namespace {

// GL entry points taken straight from libOpenGL, so that the host's own read-back does not
// show up among the program's calls when it runs under a tracer.
struct HostGl {
    void (*ReadPixels)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*) = nullptr;
    void (*GetIntegerv)(GLenum, GLint*) = nullptr;
    void (*PixelStorei)(GLenum, GLint) = nullptr;
    void (*ReadBuffer)(GLenum) = nullptr;
    void (*BindBuffer)(GLenum, GLuint) = nullptr;

    HostGl() {
        void* lib = dlopen("libOpenGL.so.0", RTLD_LAZY | RTLD_LOCAL);
        if (lib) {
            ReadPixels = reinterpret_cast<decltype(ReadPixels)>(dlsym(lib, "glReadPixels"));
            GetIntegerv = reinterpret_cast<decltype(GetIntegerv)>(dlsym(lib, "glGetIntegerv"));
            PixelStorei = reinterpret_cast<decltype(PixelStorei)>(dlsym(lib, "glPixelStorei"));
            ReadBuffer = reinterpret_cast<decltype(ReadBuffer)>(dlsym(lib, "glReadBuffer"));
            BindBuffer = reinterpret_cast<decltype(BindBuffer)>(dlsym(lib, "glBindBuffer"));
        }
        if (!ReadPixels || !GetIntegerv || !PixelStorei || !ReadBuffer) {
            ReadPixels = &glReadPixels;
            GetIntegerv = &glGetIntegerv;
            PixelStorei = &glPixelStorei;
            ReadBuffer = &glReadBuffer;
            BindBuffer = nullptr;
        }
    }
};

enum class EventKind { move, button, key, close, activate };

struct InputEvent {
    EventKind kind = EventKind::move;
    int x = 0, y = 0;
    MouseButton button = MouseButton::left;
    bool down = false;
    bool repeat = false;
    bool alt = false;
    UINT vk = 0;
    HWND window = nullptr;
};

constexpr int kDefaultWidth = 1024;
constexpr int kDefaultHeight = 768;

class VirtualHost final : public Host {
public:
    // ---- state the test reads and writes ----
    int screen_w = kDefaultWidth;
    int screen_h = kDefaultHeight;
    std::optional<uint32_t> fixed_ticks;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

    std::deque<int> answers;
    std::vector<virtual_host::MessageBoxRecord> box_log;

    std::deque<InputEvent> input;
    POINT mouse{};
    bool alt_down[3] = {false, false, false};

    std::map<HWND, virtual_host::Frame> frames;
    HWND last_window = nullptr;
    uint64_t swaps = 0;
    std::function<void(uint64_t)> on_frame;

    std::vector<std::unique_ptr<NativeSurface>> surfaces;  // bottom first
    NativeSurface* focused = nullptr;
    HCURSOR cursor = nullptr;
    bool captured = false;
    int contexts = 0;
    bool fail_surface = false;
    bool fail_context = false;

    // ---- EGL ----
    bool egl_tried = false;
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLConfig config = nullptr;
    NativeSurface* current_surface = nullptr;
    NativeContext* current_context = nullptr;

    bool ensure_egl() {
        if (egl_tried) return display != EGL_NO_DISPLAY;
        egl_tried = true;
        auto get_display =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (!get_display) return false;
        EGLDisplay d = get_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (d == EGL_NO_DISPLAY) return false;
        EGLint major = 0, minor = 0;
        if (!eglInitialize(d, &major, &minor)) return false;
        if (!eglBindAPI(EGL_OPENGL_API)) {
            eglTerminate(d);
            return false;
        }
        const EGLint attrs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                EGL_RED_SIZE,     8,               EGL_GREEN_SIZE,      8,
                                EGL_BLUE_SIZE,    8,               EGL_ALPHA_SIZE,      8,
                                EGL_DEPTH_SIZE,   24,              EGL_STENCIL_SIZE,    8,
                                EGL_NONE};
        EGLint count = 0;
        if (!eglChooseConfig(d, attrs, &config, 1, &count) || count < 1) {
            eglTerminate(d);
            return false;
        }
        display = d;
        return true;
    }

    static int width_of(const RECT& r) { return std::max<LONG>(0, r.right - r.left); }
    static int height_of(const RECT& r) { return std::max<LONG>(0, r.bottom - r.top); }

    // Makes sure the surface's pbuffer exists at the client size.
    bool ensure_pbuffer(NativeSurface* s) {
        if (!ensure_egl()) return false;
        const int w = std::max(1, width_of(s->client)), h = std::max(1, height_of(s->client));
        if (s->egl != EGL_NO_SURFACE && s->egl_width == w && s->egl_height == h) return true;
        const EGLint attrs[] = {EGL_WIDTH, w, EGL_HEIGHT, h, EGL_NONE};
        EGLSurface fresh = eglCreatePbufferSurface(display, config, attrs);
        if (fresh == EGL_NO_SURFACE) return false;
        EGLSurface old = s->egl;
        s->egl = fresh;
        s->egl_width = w;
        s->egl_height = h;
        if (old != EGL_NO_SURFACE) {
            if (current_surface == s && current_context)
                eglMakeCurrent(display, fresh, fresh, current_context->egl);
            eglDestroySurface(display, old);
        }
        return true;
    }

    NativeSurface* top_surface_at(int x, int y) {
        for (auto it = surfaces.rbegin(); it != surfaces.rend(); ++it) {
            NativeSurface* s = it->get();
            if (s->visible && x >= s->outer.left && x < s->outer.right && y >= s->outer.top && y < s->outer.bottom)
                return s;
        }
        return nullptr;
    }

    NativeSurface* surface_of(HWND window) {
        for (auto& s : surfaces)
            if (s->window == window) return s.get();
        return nullptr;
    }

    NativeSurface* key_surface() {
        if (focused) return focused;
        for (auto it = surfaces.rbegin(); it != surfaces.rend(); ++it)
            if ((*it)->visible) return it->get();
        return nullptr;
    }

    bool alt_held() const { return alt_down[0] || alt_down[1] || alt_down[2]; }

    // ---- Host ----
    int screen_width() override { return screen_w; }
    int screen_height() override { return screen_h; }
    uint32_t tick_count() override {
        if (fixed_ticks) return *fixed_ticks;
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        return static_cast<uint32_t>(ms);
    }

    NativeSurface* create_surface(const SurfaceDesc& desc) override {
        if (fail_surface) {
            fail_surface = false;
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

    void destroy_surface(NativeSurface* s) override {
        if (!s) return;
        if (focused == s) focused = nullptr;
        if (s->egl != EGL_NO_SURFACE) {
            // A surface still current is released by EGL once it stops being current.
            eglDestroySurface(display, s->egl);
        }
        if (current_surface == s) current_surface = nullptr;
        surfaces.erase(std::remove_if(surfaces.begin(), surfaces.end(), [&](auto& p) { return p.get() == s; }),
                       surfaces.end());
    }

    void show_surface(NativeSurface* s, bool visible) override {
        if (s) s->visible = visible;
    }

    void move_surface(NativeSurface* s, const SurfaceDesc& desc) override {
        if (!s) return;
        s->outer = desc.outer;
        s->client = desc.client;
        if (s->egl != EGL_NO_SURFACE) ensure_pbuffer(s);
    }

    void set_title(NativeSurface* s, const std::string& title) override {
        if (s) s->title = title;
    }

    void focus_surface(NativeSurface* s) override {
        if (!s) return;
        focused = s;
        auto it = std::find_if(surfaces.begin(), surfaces.end(), [&](auto& p) { return p.get() == s; });
        if (it != surfaces.end()) std::rotate(it, it + 1, surfaces.end());
    }

    NativeContext* create_context(NativeSurface* s) override {
        if (fail_context) {
            fail_context = false;
            return nullptr;
        }
        if (!s || !ensure_egl()) return nullptr;
        const EGLint attrs[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                EGL_NONE};
        EGLContext ctx = eglCreateContext(display, config, EGL_NO_CONTEXT, attrs);
        if (ctx == EGL_NO_CONTEXT) ctx = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
        if (ctx == EGL_NO_CONTEXT) return nullptr;
        auto* c = new NativeContext;
        c->egl = ctx;
        ++contexts;
        return c;
    }

    bool make_current(NativeSurface* s, NativeContext* c) override {
        if (!s || !c) {
            if (display != EGL_NO_DISPLAY) eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            current_surface = nullptr;
            current_context = nullptr;
            return true;
        }
        if (!ensure_pbuffer(s)) return false;
        if (!eglMakeCurrent(display, s->egl, s->egl, c->egl)) return false;
        current_surface = s;
        current_context = c;
        return true;
    }

    void delete_context(NativeContext* c) override {
        if (!c) return;
        if (current_context == c) make_current(nullptr, nullptr);
        eglDestroyContext(display, c->egl);
        delete c;
        --contexts;
    }

    void read_back(NativeSurface* s, virtual_host::Frame& f) {
        static const HostGl gl;
        GLint align = 4, row_length = 0, skip_rows = 0, skip_pixels = 0, read_buffer = GL_BACK, pack_buffer = 0;
        gl.GetIntegerv(GL_PACK_ALIGNMENT, &align);
        gl.GetIntegerv(GL_PACK_ROW_LENGTH, &row_length);
        gl.GetIntegerv(GL_PACK_SKIP_ROWS, &skip_rows);
        gl.GetIntegerv(GL_PACK_SKIP_PIXELS, &skip_pixels);
        gl.GetIntegerv(GL_READ_BUFFER, &read_buffer);
        if (gl.BindBuffer) gl.GetIntegerv(0x88ED /* GL_PIXEL_PACK_BUFFER_BINDING */, &pack_buffer);
        gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
        gl.PixelStorei(GL_PACK_ROW_LENGTH, 0);
        gl.PixelStorei(GL_PACK_SKIP_ROWS, 0);
        gl.PixelStorei(GL_PACK_SKIP_PIXELS, 0);
        gl.ReadBuffer(GL_BACK);
        if (pack_buffer && gl.BindBuffer) gl.BindBuffer(0x88EB /* GL_PIXEL_PACK_BUFFER */, 0);

        const int w = std::min(f.width, s->egl_width), h = std::min(f.height, s->egl_height);
        std::vector<uint8_t> rows(static_cast<size_t>(w) * h * 4);
        if (w > 0 && h > 0) gl.ReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
        for (int y = 0; y < h; ++y)
            std::copy_n(&rows[static_cast<size_t>(h - 1 - y) * w * 4], static_cast<size_t>(w) * 4,
                        &f.rgba[static_cast<size_t>(y) * f.width * 4]);

        if (pack_buffer && gl.BindBuffer) gl.BindBuffer(0x88EB, static_cast<GLuint>(pack_buffer));
        gl.ReadBuffer(static_cast<GLenum>(read_buffer));
        gl.PixelStorei(GL_PACK_ALIGNMENT, align);
        gl.PixelStorei(GL_PACK_ROW_LENGTH, row_length);
        gl.PixelStorei(GL_PACK_SKIP_ROWS, skip_rows);
        gl.PixelStorei(GL_PACK_SKIP_PIXELS, skip_pixels);
    }

    void swap(NativeSurface* s, const std::vector<Overlay>& overlays) override {
        if (!s) return;
        virtual_host::Frame& f = frames[s->window];
        f.window = s->window;
        f.width = width_of(s->client);
        f.height = height_of(s->client);
        f.index = swaps;
        f.rgba.assign(static_cast<size_t>(f.width) * f.height * 4, 0);
        const bool gl_ready = current_surface == s && current_context && s->egl != EGL_NO_SURFACE;
        if (gl_ready) read_back(s, f);
        // The screen shows no transparency.
        for (size_t i = 3; i < f.rgba.size(); i += 4) f.rgba[i] = 0xFF;
        for (const Overlay& o : overlays) {
            if (!o.pixels || o.width <= 0 || o.height <= 0) continue;
            for (int y = 0; y < o.height; ++y) {
                const int fy = o.y + y;
                if (fy < 0 || fy >= f.height) continue;
                for (int x = 0; x < o.width; ++x) {
                    const int fx = o.x + x;
                    if (fx < 0 || fx >= f.width) continue;
                    const size_t src = static_cast<size_t>(y) * o.width + x;
                    if (o.mask && !o.mask[src]) continue;
                    const uint32_t p = o.pixels[src];
                    uint8_t* d = &f.rgba[(static_cast<size_t>(fy) * f.width + fx) * 4];
                    d[0] = static_cast<uint8_t>(p >> 16);
                    d[1] = static_cast<uint8_t>(p >> 8);
                    d[2] = static_cast<uint8_t>(p);
                    d[3] = 0xFF;
                }
            }
        }
        if (gl_ready) eglSwapBuffers(display, s->egl);
        last_window = s->window;
        const uint64_t index = swaps++;
        if (on_frame) {
            auto callback = on_frame;  // the callback may replace itself
            callback(index);
        }
    }

    void pump() override {
        std::deque<InputEvent> events;
        events.swap(input);
        for (const InputEvent& e : events) {
            switch (e.kind) {
            case EventKind::move:
                mouse = {e.x, e.y};
                input_mouse_move(top_surface_at(e.x, e.y), e.x, e.y);
                break;
            case EventKind::button:
                mouse = {e.x, e.y};
                input_mouse_button(top_surface_at(e.x, e.y), e.button, e.down, e.x, e.y);
                break;
            case EventKind::key:
                input_key(key_surface(), e.vk, e.down, e.repeat, e.alt);
                break;
            case EventKind::close:
                if (NativeSurface* s = surface_of(e.window)) input_close(s);
                break;
            case EventKind::activate:
                if (NativeSurface* s = surface_of(e.window)) {
                    if (e.down) focus_surface(s);
                    else if (focused == s) focused = nullptr;
                    input_activate(s, e.down);
                }
                break;
            }
        }
    }

    void set_cursor(HCURSOR c) override { cursor = c; }
    void set_cursor_pos(int x, int y) override { mouse = {x, y}; }
    POINT cursor_pos() override { return mouse; }
    void capture_mouse(bool on) override { captured = on; }

    int message_box(const std::string& text, const std::string& caption, UINT flags) override {
        int answer = 0;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        } else {
            answer = (flags & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
        }
        box_log.push_back({text, caption, flags, answer});
        return answer;
    }
};

VirtualHost& vhost() {
    static VirtualHost h;
    return h;
}

// Position of the mouse once every event already injected has been delivered.
POINT pending_mouse() {
    auto& h = vhost();
    for (auto it = h.input.rbegin(); it != h.input.rend(); ++it)
        if (it->kind == EventKind::move || it->kind == EventKind::button) return {it->x, it->y};
    return h.mouse;
}

}  // namespace

Host& host() { return vhost(); }

namespace virtual_host {

void set_screen_size(int width, int height) {
    vhost().screen_w = std::max(1, width);
    vhost().screen_h = std::max(1, height);
}

void set_tick_count(std::optional<uint32_t> ticks) { vhost().fixed_ticks = ticks; }

void push_message_box_answer(int answer) { vhost().answers.push_back(answer); }
const std::vector<MessageBoxRecord>& message_box_log() { return vhost().box_log; }
void clear_message_boxes() {
    vhost().answers.clear();
    vhost().box_log.clear();
}

void mouse_move(int x, int y) {
    InputEvent e;
    e.kind = EventKind::move;
    e.x = x;
    e.y = y;
    vhost().input.push_back(e);
}

void mouse_button(MouseButton button, bool down) {
    const POINT p = pending_mouse();
    mouse_button_at(button, down, p.x, p.y);
}

void mouse_button_at(MouseButton button, bool down, int x, int y) {
    InputEvent e;
    e.kind = EventKind::button;
    e.button = button;
    e.down = down;
    e.x = x;
    e.y = y;
    vhost().input.push_back(e);
}

void key(UINT vk, bool down, bool repeat) {
    auto& h = vhost();
    const int alt_index = vk == VK_MENU ? 0 : vk == VK_LMENU ? 1 : vk == VK_RMENU ? 2 : -1;
    if (alt_index >= 0) h.alt_down[alt_index] = down;
    InputEvent e;
    e.kind = EventKind::key;
    e.vk = vk;
    e.down = down;
    e.repeat = down && repeat;
    e.alt = h.alt_held() || (alt_index >= 0);
    h.input.push_back(e);
}

void key_press(UINT vk) {
    key(vk, true);
    key(vk, false);
}

void close_request(HWND window) {
    InputEvent e;
    e.kind = EventKind::close;
    e.window = window;
    vhost().input.push_back(e);
}

void activation(HWND window, bool active) {
    InputEvent e;
    e.kind = EventKind::activate;
    e.window = window;
    e.down = active;
    vhost().input.push_back(e);
}

size_t pending_input() { return vhost().input.size(); }
POINT mouse_position() { return vhost().mouse; }

uint32_t Frame::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
    return (static_cast<uint32_t>(p[0]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[2];
}

const Frame* last_frame() { return last_frame(vhost().last_window); }

const Frame* last_frame(HWND window) {
    auto& f = vhost().frames;
    auto it = f.find(window);
    return it == f.end() ? nullptr : &it->second;
}

uint64_t frame_count() { return vhost().swaps; }

void set_frame_callback(std::function<void(uint64_t)> callback) { vhost().on_frame = std::move(callback); }

bool write_png(const Frame& frame, const std::string& path) {
    if (frame.width <= 0 || frame.height <= 0 ||
        frame.rgba.size() != static_cast<size_t>(frame.width) * frame.height * 4)
        return false;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        std::fclose(out);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(out);
        return false;
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, static_cast<png_uint_32>(frame.width), static_cast<png_uint_32>(frame.height), 8,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < frame.height; ++y)
        png_write_row(png, const_cast<png_bytep>(&frame.rgba[static_cast<size_t>(y) * frame.width * 4]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(out) == 0;
}

std::vector<SurfaceState> surfaces() {
    std::vector<SurfaceState> out;
    for (auto& s : vhost().surfaces) out.push_back({s->window, s->outer, s->client, s->title, s->decorated, s->visible});
    return out;
}

HCURSOR current_cursor() { return vhost().cursor; }
bool mouse_captured() { return vhost().captured; }
HWND focused_window() { return vhost().focused ? vhost().focused->window : nullptr; }
int context_count() { return vhost().contexts; }

void reset() {
    auto& h = vhost();
    h.input.clear();
    h.answers.clear();
    h.box_log.clear();
    h.on_frame = nullptr;
    h.fixed_ticks.reset();
    h.screen_w = kDefaultWidth;
    h.screen_h = kDefaultHeight;
    h.alt_down[0] = h.alt_down[1] = h.alt_down[2] = false;
    h.fail_surface = false;
    h.fail_context = false;
}

void fail_next_surface() { vhost().fail_surface = true; }
void fail_next_context() { vhost().fail_context = true; }

}  // namespace virtual_host
}  // namespace win32
