#include "desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

extern char** environ;

namespace desktop {
namespace {

// Windows come and go while they are looked at (a box closes as soon as it is answered), so
// a request may name a window that just vanished: errors on these connections are reported
// and ignored. Errors on any other connection (a host under test in the same process) keep
// Xlib's default handling, which ends the program: they are faults of the code under test.
std::mutex own_displays_lock;
std::set<Display*> own_displays;
XErrorHandler default_handler = nullptr;

int report_x_error(Display* display, XErrorEvent* error) {
    bool own = false;
    {
        std::lock_guard<std::mutex> hold(own_displays_lock);
        own = own_displays.count(display) != 0;
    }
    if (!own && default_handler) return default_handler(display, error);
    char text[256];
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "X error on a test's own connection (ignored): %s, request %d, resource 0x%lx\n", text,
                 error->request_code, error->resourceid);
    return 0;
}

struct Connection {
    Display* display = open();
    static Display* open() {
        static const bool installed = (default_handler = XSetErrorHandler(report_x_error), true);
        (void)installed;
        Display* d = XOpenDisplay(nullptr);
        std::lock_guard<std::mutex> hold(own_displays_lock);
        if (d) own_displays.insert(d);
        return d;
    }
    ~Connection() {
        if (!display) return;
        XCloseDisplay(display);
        std::lock_guard<std::mutex> hold(own_displays_lock);
        own_displays.erase(display);
    }
    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
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

bool is_viewable(Display* d, Window w) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(d, w, &attributes) && attributes.map_state == IsViewable;
}

// Depth first, topmost child first.
Window search(Display* d, Window w, const std::string& wanted) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = count; i-- > 0 && !found;) {
        if (!is_viewable(d, children[i])) continue;
        found = read_title(d, children[i]) == wanted ? children[i] : search(d, children[i], wanted);
    }
    if (children) XFree(children);
    return found;
}

Geometry geometry_of(Display* d, Window window) {
    Geometry g;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(d, window, &attributes)) return g;
    Window child = 0;
    XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &g.x, &g.y, &child);
    g.width = attributes.width;
    g.height = attributes.height;
    return g;
}

bool send_client_message(Window target, Window about, const char* type, long l0, long l1, long mask) {
    Connection c;
    if (!c.display) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = about;
    event.xclient.message_type = XInternAtom(c.display, type, False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = l0;
    event.xclient.data.l[1] = l1;
    const bool sent = XSendEvent(c.display, target, False, mask, &event) != 0;
    XSync(c.display, False);
    return sent;
}

}  // namespace

// ---- programs ------------------------------------------------------------------------------
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

int run_status(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// ---- windows -------------------------------------------------------------------------------
unsigned long find_window(const std::string& title, std::chrono::milliseconds timeout) {
    Connection c;
    if (!c.display) return 0;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        XSync(c.display, False);
        if (Window w = search(c.display, DefaultRootWindow(c.display), title)) return w;
        if (std::chrono::steady_clock::now() > deadline) return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool window_exists(unsigned long window) {
    Connection c;
    XWindowAttributes attributes;
    return c.display && XGetWindowAttributes(c.display, window, &attributes) != 0;
}

bool window_viewable(unsigned long window) {
    Connection c;
    return c.display && is_viewable(c.display, window);
}

std::string title(unsigned long window) {
    Connection c;
    return c.display ? read_title(c.display, window) : std::string();
}

Geometry window_geometry(unsigned long window) {
    Connection c;
    return c.display ? geometry_of(c.display, window) : Geometry{};
}

Geometry screen_geometry() {
    Connection c;
    if (!c.display) return {};
    return {0, 0, DisplayWidth(c.display, DefaultScreen(c.display)), DisplayHeight(c.display, DefaultScreen(c.display))};
}

unsigned long root_window() {
    Connection c;
    return c.display ? DefaultRootWindow(c.display) : 0;
}

unsigned long parent_window(unsigned long window) {
    Connection c;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!c.display || !XQueryTree(c.display, window, &root, &parent, &children, &count)) return 0;
    if (children) XFree(children);
    return parent;
}

namespace {

picture::Image screenshot_of(Display* d, const Geometry& g) {
    picture::Image image;
    XImage* x = XGetImage(d, DefaultRootWindow(d), g.x, g.y, g.width, g.height, AllPlanes, ZPixmap);
    if (!x) return image;
    image.width = g.width;
    image.height = g.height;
    image.pixels.resize(static_cast<size_t>(g.width) * g.height);
    // A 24-bit screen's pixels are 32-bit words in the client's byte order: read them as they
    // are (a screenshot of a whole large screen then takes a few milliseconds, not a second).
    const bool direct = x->bits_per_pixel == 32 && x->red_mask == 0xFF0000 && x->green_mask == 0xFF00 &&
                        x->blue_mask == 0xFF && x->byte_order == LSBFirst;
    for (int y = 0; y < g.height; ++y) {
        uint32_t* row = image.pixels.data() + static_cast<size_t>(y) * g.width;
        if (direct) {
            const auto* from = reinterpret_cast<const uint32_t*>(x->data + static_cast<size_t>(y) * x->bytes_per_line);
            for (int xx = 0; xx < g.width; ++xx) row[xx] = from[xx] & 0xFFFFFF;
        } else {
            for (int xx = 0; xx < g.width; ++xx) row[xx] = XGetPixel(x, xx, y) & 0xFFFFFF;
        }
    }
    XDestroyImage(x);
    return image;
}

}  // namespace

picture::Image screenshot(unsigned long window) {
    Connection c;
    if (!c.display) return {};
    return screenshot_of(c.display, geometry_of(c.display, window));
}

picture::Image screenshot(const Geometry& area) {
    Connection c;
    if (!c.display) return {};
    return screenshot_of(c.display, area);
}

Settling::Settling(const Geometry& area, int tolerance, Clock::time_point since)
    : area_(area), tolerance_(tolerance), since_(since), changed_(since), seen_(since) {}

bool Settling::look(const std::function<bool()>& shown) {
    picture::Image image = screenshot(area_);
    const Clock::time_point taken = Clock::now();
    if (!shown() || image.pixels.empty()) return false;
    if (looks_ > 0 && picture::fraction_changed(latest_, image, tolerance_) > 0) {
        changed_ = taken;
        ++changes_;
    }
    latest_ = std::move(image);
    seen_ = taken;
    ++looks_;
    return true;
}

double Settling::last_change() const { return std::chrono::duration<double>(changed_ - since_).count(); }
double Settling::unchanged_for() const { return std::chrono::duration<double>(seen_ - changed_).count(); }

uint32_t screen_pixel(int x, int y) {
    Connection c;
    if (!c.display) return 0xFFFFFFFFu;
    XImage* image = XGetImage(c.display, DefaultRootWindow(c.display), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0xFFFFFFFFu;
    const uint32_t rgb = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return rgb;
}

// ---- what a window tells a window manager ----------------------------------------------------
std::vector<unsigned long> property_values(unsigned long window, const std::string& property) {
    Connection c;
    std::vector<unsigned long> values;
    if (!c.display) return values;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(c.display, window, XInternAtom(c.display, property.c_str(), False), 0, 1024, False,
                           AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
        data && format == 32) {
        const auto* longs = reinterpret_cast<const unsigned long*>(data);
        values.assign(longs, longs + count);
    }
    if (data) XFree(data);
    return values;
}

std::vector<std::string> atom_names(unsigned long window, const std::string& property) {
    std::vector<std::string> names;
    const std::vector<unsigned long> atoms = property_values(window, property);
    Connection c;
    if (!c.display) return names;
    for (unsigned long a : atoms) {
        char* name = XGetAtomName(c.display, static_cast<Atom>(a));
        names.emplace_back(name ? name : "");
        if (name) XFree(name);
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

// ---- focus and window management -----------------------------------------------------------
unsigned long focused_window() {
    Connection c;
    Window focus = 0;
    int revert = 0;
    if (c.display) XGetInputFocus(c.display, &focus, &revert);
    return focus;
}

unsigned long active_window() {
    const std::vector<unsigned long> active = property_values(root_window(), "_NET_ACTIVE_WINDOW");
    return active.size() == 1 ? active[0] : 0;
}

bool wait_focus(unsigned long window, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        if (focused_window() == window) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

std::string window_manager() {
    const std::vector<unsigned long> check = property_values(root_window(), "_NET_SUPPORTING_WM_CHECK");
    if (check.size() != 1 || property_values(check[0], "_NET_SUPPORTING_WM_CHECK") != check) return "";
    return title(check[0]);
}

bool request_close(unsigned long window) {
    Connection c;
    if (!c.display) return false;
    const long delete_window = static_cast<long>(XInternAtom(c.display, "WM_DELETE_WINDOW", False));
    return send_client_message(window, window, "WM_PROTOCOLS", delete_window, CurrentTime, NoEventMask);
}

void wm_close(unsigned long window) {
    // Source 2: a pager.
    send_client_message(root_window(), window, "_NET_CLOSE_WINDOW", CurrentTime, 2,
                        SubstructureRedirectMask | SubstructureNotifyMask);
}

void destroy_window(unsigned long window) {
    Connection c;
    if (!c.display) return;
    XDestroyWindow(c.display, window);
    XSync(c.display, False);
}

void kill_client(unsigned long window) {
    Connection c;
    if (!c.display) return;
    XKillClient(c.display, window);
    XSync(c.display, False);
}

bool end_x_server() {
    // DISPLAY is ":N" or ":N.S", the server listening on /tmp/.X11-unix/XN.
    const char* display = std::getenv("DISPLAY");
    if (!display || display[0] != ':') return false;
    const std::string number(display + 1, display + 1 + std::strspn(display + 1, "0123456789"));
    if (number.empty()) return false;
    const std::string path = "/tmp/.X11-unix/X" + number;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    ucred peer{};
    socklen_t size = sizeof peer;
    const bool found = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                       getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0;
    close(fd);
    // Only ever one process, and never this one: a pid of 0 or -1 would signal a group or all.
    if (!found || peer.pid <= 1 || peer.pid == getpid()) return false;
    return kill(peer.pid, SIGTERM) == 0;
}

bool iconify(unsigned long window, std::chrono::milliseconds timeout) {
    Connection c;
    if (!c.display) return false;
    Display* d = c.display;
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

// ---- input (xdotool) -----------------------------------------------------------------------
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

std::chrono::milliseconds move_burst(int count, int dx, int dy) {
    // One command line, one connection, one XTEST request after another: "--" lets the
    // steps be negative.
    std::string command = "xdotool";
    const std::string step = " mousemove_relative -- " + std::to_string(dx) + " " + std::to_string(dy);
    for (int i = 0; i < count; ++i) command += step;
    const auto begin = std::chrono::steady_clock::now();
    run(command);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begin);
}

Point pointer_position() {
    Connection c;
    Point p;
    if (!c.display) return p;
    Window root = 0, child = 0;
    int wx = 0, wy = 0;
    unsigned int mask = 0;
    XQueryPointer(c.display, DefaultRootWindow(c.display), &root, &child, &p.x, &p.y, &wx, &wy, &mask);
    return p;
}

}  // namespace desktop
