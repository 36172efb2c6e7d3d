// State of the user layer (classes, windows, the thread queue) shared by its sources (one a
// concern, as user32 keeps them) and by wgl / pixel formats. Not part of the public API.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "win32/host.h"
#include "win32/windows.h"

namespace win32::user {

struct WindowClass {
    ATOM atom = 0;
    std::string name;  // as registered
    UINT style = 0;
    WNDPROC proc = nullptr;
    int class_extra = 0;
    int window_extra = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HICON icon_small = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    std::string menu_name;
    bool has_menu_name = false;
    int windows = 0;  // live windows of this class
};

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> cls;
    WNDPROC proc = nullptr;
    DWORD style = 0;  // WS_VISIBLE tracks visibility, as on Win32
    DWORD ex_style = 0;
    HWND parent = nullptr;  // WS_CHILD windows only
    HWND owner = nullptr;   // pop-ups and overlapped windows created with a parent
    int id = 0;             // control ID of a child window
    HINSTANCE instance = nullptr;
    // Outer rectangle: screen coordinates for top-level windows, the parent's client
    // coordinates for child windows.
    RECT rect{};
    std::string title;
    bool destroying = false;
    NativeSurface* surface = nullptr;  // top-level windows
    HRGN region = nullptr;             // window region, owned by the window
    std::vector<std::pair<std::string, HANDLE>> props;
    std::vector<HWND> children;  // bottom of the z-order first
    // Update region, kept as its bounding rectangle in client coordinates.
    bool invalid = false;
    bool erase = false;
    RECT update{};
    // Client pixels of child windows (0x00RRGGBB, top row first).
    std::vector<uint32_t> pixels;
    int pixel_width = 0;
    int pixel_height = 0;
    int pixel_format = 0;
};

// ---- classes (user_class.cpp) ----------------------------------------------------------
// Class and property names compare without case.
std::string lower_case(const char* s);
// A registered class by name or atom (MAKEINTRESOURCE), or nullptr.
std::shared_ptr<WindowClass> find_class(LPCSTR name);
// Registers the system's own classes (the common controls') before the program's first.
void register_builtin_classes();

// ---- windows and their tree (user_window.cpp) ------------------------------------------
// A live window (not yet fully destroyed), or nullptr.
Window* find(HWND window);
// The same for a handle a program passed in: an unknown handle also sets the thread's last
// error to ERROR_INVALID_WINDOW_HANDLE, as Win32 does.
Window* find_or_fail(HWND window);
bool is_child_window(const Window& w);
// Whether `window` is `ancestor` or one of its descendants.
bool is_descendant_or_self(HWND window, HWND ancestor);
// Visible, and every ancestor visible.
bool really_visible(const Window& w);
// The top-level window a window belongs to (itself when top-level).
Window* top_level_of(Window* w);
// Top-level windows, bottom of the z-order first.
const std::vector<HWND>& top_levels();
// Puts a top-level window at the top of the z-order.
void raise_top_level(HWND window);
// Every live window, in creation order.
std::vector<HWND> all_windows();
// Sends a message directly to a window procedure (0 for dead windows).
LRESULT send(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// ---- position and geometry (user_position.cpp) -----------------------------------------
// Frame insets of a style: client area = outer rectangle shrunk by these.
RECT frame_insets(DWORD style);
int client_width(const Window& w);
int client_height(const Window& w);
// Screen position of the outer top-left corner and of the client origin.
POINT outer_origin_on_screen(const Window& w);
POINT client_origin_on_screen(const Window& w);
// What the host is told of a top-level window's place, size and title.
SurfaceDesc surface_desc(const Window& w);
// WM_SIZE, then WM_MOVE (unless the window went away on WM_SIZE).
void send_size_move(Window& w);
// Deepest visible window under a screen point, or nullptr.
// `client` receives the point in that window's client coordinates; `in_client` whether the
// point lies in its client area (false: on its frame).
HWND hit_test(int screen_x, int screen_y, POINT* client, bool* in_client);
// Same search restricted to one top-level window and its children.
HWND hit_test_in(Window* top, int screen_x, int screen_y, POINT* client, bool* in_client);

// ---- painting (user_painting.cpp) ------------------------------------------------------
// Fits a child window's pixels to its client size, keeping what still fits.
void resize_pixels(Window& w);
// The whole client area needs painting (and erasing, if `erase`); of one window, of a tree.
void invalidate_all(Window& w, bool erase);
void invalidate_tree(Window& w, bool erase);
// The overlays of a top-level window's visible children, for the host's swap.
// `masks` keeps the mask storage alive while the overlays are in use.
void collect_overlays(const Window& top, std::vector<Overlay>& overlays,
                      std::vector<std::vector<uint8_t>>& masks);

// ---- focus, activation, capture (user_focus.cpp) ---------------------------------------
// Raises a top-level window, makes it the foreground and gives it the focus unless one of
// its own windows has it.
void activate(Window& w);
// Capture, focus and foreground bookkeeping when a window goes away.
void forget_window(HWND window);
// Capture and focus leave a window about to be destroyed, and its children, before they
// are told (WM_CAPTURECHANGED goes to the window that had the capture).
void leave_before_destroy(HWND window);
// A hidden window is no longer the foreground.
void lose_foreground(HWND window);
// The window manager took the foreground from a top-level window.
void deactivate(HWND window);

// ---- the thread queue (message_queue.cpp) ----------------------------------------------
// Queue management used by window destruction.
void remove_queued_messages(HWND window);

// ---- cursors and colours (user_resources.cpp) ------------------------------------------
// The class cursor of the window the mouse is over.
void track_cursor_over(Window* w);
// The colour a brush handle from GetSysColorBrush paints, if it is one.
bool sys_colour_brush_colour(HBRUSH brush, uint32_t* rgb);

}  // namespace win32::user
