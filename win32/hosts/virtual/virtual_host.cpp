// The test's control of the headless host (see virtual_host.h): it works on the desktop's
// state directly; the host delivers what was injected at the next pump.
#include "win32/hosts/virtual/virtual_host.h"

#include <algorithm>

#include "win32/hosts/virtual/desktop.h"

namespace win32::virtual_host {

namespace {
// Position of the mouse once every event already injected has been delivered.
POINT pending_mouse() {
    auto& d = desktop();
    for (auto it = d.input.rbegin(); it != d.input.rend(); ++it)
        if (it->kind == InputEvent::Kind::move || it->kind == InputEvent::Kind::button) return {it->x, it->y};
    return d.mouse;
}

bool alt_held() {
    const auto& d = desktop();
    return d.alt_down[0] || d.alt_down[1] || d.alt_down[2];
}
}  // namespace

void set_screen_size(int width, int height) {
    desktop().screen_w = std::max(1, width);
    desktop().screen_h = std::max(1, height);
}

void set_tick_count(std::optional<uint32_t> ticks) { desktop().fixed_ticks = ticks; }

void set_display_rate(int hz) {
    auto& d = desktop();
    if (hz > 0 && !d.virtual_us) d.virtual_us = uint64_t{d.tick_count()} * 1000;
    if (hz <= 0) d.virtual_us.reset();
    d.display_hz = std::max(0, hz);
}

double refresh_period_ms() { return desktop().display_hz > 0 ? 1000.0 / desktop().display_hz : 0.0; }

void push_message_box_answer(int answer) { desktop().answers.push_back(answer); }
const std::vector<MessageBoxRecord>& message_box_log() { return desktop().box_log; }
void clear_message_boxes() {
    desktop().answers.clear();
    desktop().box_log.clear();
}

void mouse_move(int x, int y, std::optional<uint32_t> at) {
    InputEvent e;
    e.kind = InputEvent::Kind::move;
    e.x = x;
    e.y = y;
    e.at = at;
    desktop().input.push_back(e);
}

void mouse_button(MouseButton button, bool down, std::optional<uint32_t> at) {
    const POINT p = pending_mouse();
    mouse_button_at(button, down, p.x, p.y, at);
}

void mouse_button_at(MouseButton button, bool down, int x, int y, std::optional<uint32_t> at) {
    InputEvent e;
    e.kind = InputEvent::Kind::button;
    e.button = button;
    e.down = down;
    e.x = x;
    e.y = y;
    e.at = at;
    desktop().input.push_back(e);
}

void key(UINT vk, bool down, bool repeat, std::optional<uint32_t> at) {
    auto& d = desktop();
    const int alt_index = vk == VK_MENU ? 0 : vk == VK_LMENU ? 1 : vk == VK_RMENU ? 2 : -1;
    if (alt_index >= 0) d.alt_down[alt_index] = down;
    InputEvent e;
    e.kind = InputEvent::Kind::key;
    e.vk = vk;
    e.down = down;
    e.repeat = down && repeat;
    e.alt = alt_held() || (alt_index >= 0);
    e.at = at;
    d.input.push_back(e);
}

void key_press(UINT vk) {
    key(vk, true);
    key(vk, false);
}

void close_request(HWND window) {
    InputEvent e;
    e.kind = InputEvent::Kind::close;
    e.window = window;
    desktop().input.push_back(e);
}

void surface_lost(HWND window) {
    InputEvent e;
    e.kind = InputEvent::Kind::lost;
    e.window = window;
    desktop().input.push_back(e);
}

void activation(HWND window, bool active) {
    InputEvent e;
    e.kind = InputEvent::Kind::activate;
    e.window = window;
    e.down = active;
    desktop().input.push_back(e);
}

size_t pending_input() { return desktop().input.size(); }
POINT mouse_position() { return desktop().mouse; }

const Frame* last_frame() { return last_frame(desktop().last_window); }

const Frame* last_frame(HWND window) {
    auto& f = desktop().frames;
    auto it = f.find(window);
    return it == f.end() ? nullptr : &it->second;
}

uint64_t frame_count() { return desktop().swaps; }

void set_frame_callback(std::function<void(uint64_t)> callback) { desktop().on_frame = std::move(callback); }

std::vector<SurfaceState> surfaces() {
    std::vector<SurfaceState> out;
    for (auto& s : desktop().surfaces) out.push_back(*s);
    return out;
}

HCURSOR current_cursor() { return desktop().cursor.handle; }
CursorDesc shown_cursor() { return desktop().cursor; }
bool mouse_captured() { return desktop().captured; }
HWND focused_window() { return desktop().focused ? desktop().focused->window : nullptr; }
int context_count() { return desktop().contexts; }

void fail_next_surface() { desktop().fail_surface = true; }
void fail_next_context() { desktop().fail_context = true; }

void reset() {
    auto& d = desktop();
    d.input.clear();
    d.answers.clear();
    d.box_log.clear();
    d.on_frame = nullptr;
    d.fixed_ticks.reset();
    d.virtual_us.reset();
    d.display_hz = 0;
    d.screen_w = kDefaultScreenWidth;
    d.screen_h = kDefaultScreenHeight;
    d.alt_down[0] = d.alt_down[1] = d.alt_down[2] = false;
    d.fail_surface = false;
    d.fail_context = false;
}

}  // namespace win32::virtual_host
