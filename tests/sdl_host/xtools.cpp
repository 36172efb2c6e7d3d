#include "xtools.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace xtools {
namespace {

// Windows come and go while the tools look at them (a box closes as soon as it is
// answered), so a tool's request may name a window that just vanished: such errors are
// reported and ignored. Errors on any other connection (the host's) keep Xlib's default
// handling, which ends the program: they are faults of the code under test.
std::mutex tool_displays_lock;
std::set<Display*> tool_displays;
XErrorHandler default_handler = nullptr;

int report_x_error(Display* display, XErrorEvent* error) {
    bool tool = false;
    {
        std::lock_guard<std::mutex> hold(tool_displays_lock);
        tool = tool_displays.count(display) != 0;
    }
    if (!tool && default_handler) return default_handler(display, error);
    char text[256];
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "X error on a test tool's connection (ignored): %s, request %d, resource 0x%lx\n", text,
                 error->request_code, error->resourceid);
    return 0;
}

struct Connection {
    Display* display = open();
    static Display* open() {
        static const bool installed = (default_handler = XSetErrorHandler(report_x_error), true);
        (void)installed;
        Display* d = XOpenDisplay(nullptr);
        std::lock_guard<std::mutex> hold(tool_displays_lock);
        if (d) tool_displays.insert(d);
        return d;
    }
    ~Connection() {
        if (!display) return;
        XCloseDisplay(display);
        std::lock_guard<std::mutex> hold(tool_displays_lock);
        tool_displays.erase(display);
    }
};

std::string read_title(Display* d, Window w) {
    Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom net_name = XInternAtom(d, "_NET_WM_NAME", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string result;
    if (XGetWindowProperty(d, w, net_name, 0, 4096, False, utf8, &type, &format, &count, &after, &data) == Success &&
        data && type == utf8 && format == 8) {
        result.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
        return result;
    }
    if (data) XFree(data);
    char* name = nullptr;
    if (XFetchName(d, w, &name) && name) {
        result = name;
        XFree(name);
    }
    return result;
}

unsigned long search(Display* d, const std::string& wanted) {
    Window root = DefaultRootWindow(d), parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, root, &root, &parent, &children, &count)) return 0;
    unsigned long found = 0;
    for (unsigned int i = count; i-- > 0 && !found;) {  // topmost first
        XWindowAttributes a;
        if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable &&
            read_title(d, children[i]) == wanted) {
            found = children[i];
        }
    }
    if (children) XFree(children);
    return found;
}

}  // namespace

unsigned long find_window(const std::string& wanted, int timeout_ms) {
    Connection c;
    if (!c.display) return 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    do {
        if (unsigned long w = search(c.display, wanted)) return w;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return 0;
}

unsigned long focused_window() {
    Connection c;
    if (!c.display) return 0;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(c.display, &focus, &revert);
    return focus;
}

bool wait_focus(unsigned long window, int timeout_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    do {
        if (focused_window() == window) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

std::string title(unsigned long window) {
    Connection c;
    return c.display ? read_title(c.display, window) : std::string();
}

Geometry geometry(unsigned long window) {
    Connection c;
    Geometry g;
    XWindowAttributes a;
    if (!c.display || !XGetWindowAttributes(c.display, window, &a)) return g;
    Window child = 0;
    XTranslateCoordinates(c.display, window, DefaultRootWindow(c.display), 0, 0, &g.x, &g.y, &child);
    g.width = a.width;
    g.height = a.height;
    return g;
}

bool close_window(unsigned long window) {
    Connection c;
    if (!c.display) return false;
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = window;
    ev.xclient.message_type = XInternAtom(c.display, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(c.display, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    bool ok = XSendEvent(c.display, window, False, NoEventMask, &ev) != 0;
    XSync(c.display, False);
    return ok;
}

std::vector<unsigned long> property(unsigned long window, const std::string& name) {
    Connection c;
    std::vector<unsigned long> values;
    if (!c.display) return values;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(c.display, window, XInternAtom(c.display, name.c_str(), False), 0, 1024, False,
                           AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
        data && format == 32) {
        const auto* longs = reinterpret_cast<const unsigned long*>(data);
        values.assign(longs, longs + count);
    }
    if (data) XFree(data);
    return values;
}

std::vector<std::string> atom_names(unsigned long window, const std::string& name) {
    std::vector<std::string> names;
    const std::vector<unsigned long> atoms = property(window, name);
    Connection c;
    if (!c.display) return names;
    for (unsigned long a : atoms) {
        char* text = XGetAtomName(c.display, static_cast<Atom>(a));
        names.emplace_back(text ? text : "");
        if (text) XFree(text);
    }
    return names;
}

SizeHints size_hints(unsigned long window) {
    Connection c;
    SizeHints result;
    XSizeHints hints{};
    long supplied = 0;
    if (!c.display || !XGetWMNormalHints(c.display, window, &hints, &supplied)) return result;
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

uint32_t screen_pixel(int x, int y) {
    Connection c;
    if (!c.display) return 0xFFFFFFFFu;
    XImage* image = XGetImage(c.display, DefaultRootWindow(c.display), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0xFFFFFFFFu;
    unsigned long p = XGetPixel(image, 0, 0);
    auto channel = [p](unsigned long mask) {
        if (!mask) return 0u;
        int shift = 0;
        while (!((mask >> shift) & 1)) ++shift;
        unsigned long v = (p & mask) >> shift;
        unsigned long max = mask >> shift;
        return static_cast<unsigned>(v * 255 / max);
    };
    uint32_t rgb = (channel(image->red_mask) << 16) | (channel(image->green_mask) << 8) | channel(image->blue_mask);
    XDestroyImage(image);
    return rgb;
}

int run(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace xtools
