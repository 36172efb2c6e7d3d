#include "fake_input.h"

#include <cstdio>

namespace fake_input {

std::vector<Call>& calls() {
    static std::vector<Call> recorded;
    return recorded;
}

void clear() { calls().clear(); }

std::string describe(const Call& c) {
    char text[128];
    switch (c.kind) {
        case Call::move: std::snprintf(text, sizeof text, "move %d,%d", c.x, c.y); break;
        case Call::press:
            std::snprintf(text, sizeof text, "button %d %s %d,%d", static_cast<int>(c.button), c.down ? "down" : "up",
                          c.x, c.y);
            break;
        case Call::key:
            std::snprintf(text, sizeof text, "key 0x%02X %s%s%s", c.vk, c.down ? "down" : "up",
                          c.repeat ? " repeat" : "", c.alt ? " alt" : "");
            break;
        case Call::close: std::snprintf(text, sizeof text, "close"); break;
        case Call::destroyed: std::snprintf(text, sizeof text, "destroyed"); break;
    }
    return text;
}

}  // namespace fake_input

namespace win32 {

void input_mouse_move(NativeSurface* surface, int x, int y, uint32_t) {
    fake_input::Call c;
    c.kind = fake_input::Call::move;
    c.surface = surface;
    c.x = x;
    c.y = y;
    fake_input::calls().push_back(c);
}

void input_mouse_button(NativeSurface* surface, MouseButton button, bool down, int x, int y, uint32_t) {
    fake_input::Call c;
    c.kind = fake_input::Call::press;
    c.surface = surface;
    c.button = button;
    c.down = down;
    c.x = x;
    c.y = y;
    fake_input::calls().push_back(c);
}

void input_key(NativeSurface* surface, UINT vk, bool down, bool repeat, bool alt, uint32_t) {
    fake_input::Call c;
    c.kind = fake_input::Call::key;
    c.surface = surface;
    c.vk = vk;
    c.down = down;
    c.repeat = repeat;
    c.alt = alt;
    fake_input::calls().push_back(c);
}

void input_close(NativeSurface* surface) {
    fake_input::Call c;
    c.kind = fake_input::Call::close;
    c.surface = surface;
    fake_input::calls().push_back(c);
}

void input_destroyed(NativeSurface* surface) {
    fake_input::Call c;
    c.kind = fake_input::Call::destroyed;
    c.surface = surface;
    fake_input::calls().push_back(c);
}

}  // namespace win32
