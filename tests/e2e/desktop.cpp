#include "desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <png.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace e2e {
namespace {

int ignore_errors(Display*, XErrorEvent*) { return 0; }

// Windows come and go while they are looked at (a box closes as soon as it is answered):
// a request about a window that just vanished is ignored, not fatal.
Display* display() {
    static Display* d = [] {
        XSetErrorHandler(ignore_errors);
        return XOpenDisplay(nullptr);
    }();
    if (!d) throw std::runtime_error("no X display");
    return d;
}

std::string window_title(Window w) {
    Display* d = display();
    Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom net_name = XInternAtom(d, "_NET_WM_NAME", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(d, w, net_name, 0, 1024, False, utf8, &type, &format, &count, &after, &data) == Success &&
        data) {
        title.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
        return title;
    }
    char* name = nullptr;
    if (XFetchName(d, w, &name) && name) {
        title = name;
        XFree(name);
    }
    return title;
}

bool is_viewable(Window w) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display(), w, &attributes) && attributes.map_state == IsViewable;
}

Window search(Window w, const std::string& title) {
    if (is_viewable(w) && window_title(w) == title) return w;
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display(), w, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) found = search(children[i], title);
    if (children) XFree(children);
    return found;
}

}  // namespace

Process start(const std::vector<std::string>& argv, const std::string& directory) {
    Process process;
    char path[] = "/tmp/e2e-stderr-XXXXXX";
    int fd = mkstemp(path);
    process.stderr_path = path;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fd, 2);
    if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    if (posix_spawn(&process.pid, args[0], &actions, nullptr, args.data(), environ) != 0) process.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fd);
    return process;
}

std::optional<int> wait_exit(Process& process, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (process.pid > 0) {
        int status = 0;
        pid_t r = waitpid(process.pid, &status, WNOHANG);
        if (r == process.pid) {
            process.pid = -1;
            if (WIFEXITED(status)) return WEXITSTATUS(status);
            return 128 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
}

void kill_process(Process& process) {
    if (process.pid > 0) {
        kill(process.pid, SIGKILL);
        waitpid(process.pid, nullptr, 0);
        process.pid = -1;
    }
}

std::string read_stderr(const Process& process) {
    std::ifstream in(process.stderr_path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
    return out;
}

unsigned long find_window(const std::string& title, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        XSync(display(), False);
        if (Window w = search(DefaultRootWindow(display()), title)) return w;
        if (std::chrono::steady_clock::now() > deadline) return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool window_exists(unsigned long window) {
    XSync(display(), False);
    XWindowAttributes attributes;
    return XGetWindowAttributes(display(), window, &attributes) != 0;
}

Geometry window_geometry(unsigned long window) {
    Geometry g;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display(), window, &attributes)) return g;
    Window child;
    XTranslateCoordinates(display(), window, DefaultRootWindow(display()), 0, 0, &g.x, &g.y, &child);
    g.width = attributes.width;
    g.height = attributes.height;
    return g;
}

Geometry screen_geometry() {
    return {0, 0, DisplayWidth(display(), DefaultScreen(display())), DisplayHeight(display(), DefaultScreen(display()))};
}

Image screenshot(unsigned long window) {
    Image image;
    XSync(display(), False);
    Geometry g = window_geometry(window);
    XImage* x = XGetImage(display(), DefaultRootWindow(display()), g.x, g.y, g.width, g.height, AllPlanes, ZPixmap);
    if (!x) return image;
    image.width = g.width;
    image.height = g.height;
    image.pixels.resize(static_cast<size_t>(g.width) * g.height);
    for (int y = 0; y < g.height; ++y)
        for (int xx = 0; xx < g.width; ++xx) image.pixels[static_cast<size_t>(y) * g.width + xx] = XGetPixel(x, xx, y) & 0xFFFFFF;
    XDestroyImage(x);
    return image;
}

void write_png(const Image& image, const std::string& path) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<size_t>(image.width) * 3);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            uint32_t p = image.at(x, y);
            row[x * 3] = (p >> 16) & 0xFF;
            row[x * 3 + 1] = (p >> 8) & 0xFF;
            row[x * 3 + 2] = p & 0xFF;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    fclose(f);
}

void request_close(unsigned long window) {
    Display* d = display();
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &event);
    XFlush(d);
}

bool window_viewable(unsigned long window) {
    XSync(display(), False);
    return is_viewable(window);
}

std::vector<unsigned long> property_values(unsigned long window, const std::string& property) {
    std::vector<unsigned long> values;
    Display* d = display();
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, window, XInternAtom(d, property.c_str(), False), 0, 1024, False, AnyPropertyType, &type,
                           &format, &count, &after, &data) == Success &&
        data && format == 32) {
        const auto* longs = reinterpret_cast<const unsigned long*>(data);
        values.assign(longs, longs + count);
    }
    if (data) XFree(data);
    return values;
}

std::vector<std::string> atom_names(unsigned long window, const std::string& property) {
    std::vector<std::string> names;
    for (unsigned long a : property_values(window, property)) {
        char* name = XGetAtomName(display(), static_cast<Atom>(a));
        names.emplace_back(name ? name : "");
        if (name) XFree(name);
    }
    return names;
}

SizeHints size_hints(unsigned long window) {
    SizeHints result;
    XSizeHints hints{};
    long supplied = 0;
    if (!XGetWMNormalHints(display(), window, &hints, &supplied)) return result;
    if (hints.flags & PMinSize) {
        result.min_width = hints.min_width;
        result.min_height = hints.min_height;
    }
    if (hints.flags & PMaxSize) {
        result.max_width = hints.max_width;
        result.max_height = hints.max_height;
    }
    return result;
}

unsigned long root_window() { return DefaultRootWindow(display()); }

unsigned long parent_window(unsigned long window) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display(), window, &root, &parent, &children, &count)) return 0;
    if (children) XFree(children);
    return parent;
}

std::string window_manager() {
    const std::vector<unsigned long> check = property_values(root_window(), "_NET_SUPPORTING_WM_CHECK");
    if (check.size() != 1 || property_values(check[0], "_NET_SUPPORTING_WM_CHECK") != check) return "";
    return window_title(check[0]);
}

unsigned long focused_window() {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display(), &focus, &revert);
    return focus;
}

unsigned long active_window() {
    const std::vector<unsigned long> active = property_values(root_window(), "_NET_ACTIVE_WINDOW");
    return active.size() == 1 ? active[0] : 0;
}

void wm_close(unsigned long window) {
    Display* d = display();
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(d, "_NET_CLOSE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = CurrentTime;
    event.xclient.data.l[1] = 2;  // source: a pager
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(d);
}

bool iconify(unsigned long window, std::chrono::milliseconds timeout) {
    Display* d = display();
    XSelectInput(d, window, StructureNotifyMask);
    XIconifyWindow(d, window, DefaultScreen(d));
    XFlush(d);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool unmapped = false;
    while (!unmapped && std::chrono::steady_clock::now() < deadline) {
        XEvent event;
        while (!unmapped && XCheckTypedWindowEvent(d, window, UnmapNotify, &event)) unmapped = true;
        if (!unmapped) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    XSelectInput(d, window, NoEventMask);
    return unmapped;
}

void key(unsigned long window, const std::string& keysym) {
    // Real (XTEST) key events to the focused window, as a keyboard makes them.
    run("xdotool windowfocus --sync " + std::to_string(window) + " 2>/dev/null; xdotool key --clearmodifiers " + keysym);
}

void type_key(const std::string& keysym) { run("xdotool key --clearmodifiers " + keysym); }

void mouse_move(int x, int y) { run("xdotool mousemove --sync " + std::to_string(x) + " " + std::to_string(y)); }
void mouse_down(int button) { run("xdotool mousedown " + std::to_string(button)); }
void mouse_up(int button) { run("xdotool mouseup " + std::to_string(button)); }

void drag(int button, int x0, int y0, int x1, int y1, int steps) {
    mouse_move(x0, y0);
    mouse_down(button);
    for (int i = 1; i <= steps; ++i) {
        mouse_move(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    mouse_up(button);
}

double fraction_not(const Image& image, uint32_t colour, int tolerance) {
    if (image.pixels.empty()) return 0;
    size_t differing = 0;
    for (uint32_t p : image.pixels) {
        for (int shift = 0; shift <= 16; shift += 8) {
            if (std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((colour >> shift) & 0xFF)) > tolerance) {
                ++differing;
                break;
            }
        }
    }
    return static_cast<double>(differing) / image.pixels.size();
}

double fraction_changed(const Image& a, const Image& b, int tolerance) {
    if (a.pixels.size() != b.pixels.size() || a.pixels.empty()) return 1.0;
    size_t changed = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        for (int shift = 0; shift <= 16; shift += 8) {
            if (std::abs(static_cast<int>((a.pixels[i] >> shift) & 0xFF) - static_cast<int>((b.pixels[i] >> shift) & 0xFF)) >
                tolerance) {
                ++changed;
                break;
            }
        }
    }
    return static_cast<double>(changed) / a.pixels.size();
}

Extent extent_not(const Image& image, uint32_t colour, int tolerance) {
    Extent e;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (fraction_not(Image{1, 1, {image.at(x, y)}}, colour, tolerance) == 0) continue;
            e.left = std::min(e.left, x);
            e.right = std::max(e.right, x);
            e.top = std::min(e.top, y);
            e.bottom = std::max(e.bottom, y);
        }
    }
    return e;
}

}  // namespace e2e
