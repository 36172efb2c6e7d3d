#include "app/snapshot/ScriptedRun.h"

#include <algorithm>
#include <cstdlib>

#include "app/Viewer.h"
#include "lumora/Lumora.h"

namespace vh = win32::virtual_host;

namespace buggy {

uint32_t inject_drag(const Drag& drag) {
    RECT client;
    GetClientRect(HWINDOW, &client);
    POINT start{client.right / 2, client.bottom / 2};
    ClientToScreen(HWINDOW, &start);
    const auto button = drag.right ? win32::MouseButton::right : win32::MouseButton::left;
    const uint32_t report_ms = 1000 / kMouseHz;
    uint32_t t = GetTickCount();
    vh::mouse_button_at(button, true, start.x, start.y, t);
    const int steps =
        std::max({1, std::abs(drag.dx), std::abs(drag.dy), drag.duration_ms * kMouseHz / 1000});
    for (int i = 1; i <= steps; ++i) {
        t += report_ms;
        vh::mouse_move(start.x + drag.dx * i / steps, start.y + drag.dy * i / steps, t);
    }
    vh::mouse_button(button, false, t + report_ms);
    return t;
}

bool input_pending() {
    MSG msg;
    return vh::pending_input() > 0 || PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

int run_viewer(const ScriptedRun& script) {
    vh::set_screen_size(script.screen_width, script.screen_height);
    vh::set_display_rate(kDisplayHz);
    vh::push_message_box_answer(script.fullscreen ? IDYES : IDNO);

    size_t next_drag = 0;
    int settled_frames = 0;
    bool ending = false;
    vh::set_frame_callback([&](uint64_t) {
        const vh::Frame* frame = vh::last_frame();
        if (script.on_frame && frame) script.on_frame(*frame);
        if (ending) return;
        if (input_pending()) return;
        if (next_drag < script.drags.size()) {
            inject_drag(script.drags[next_drag++]);
            return;
        }
        if (++settled_frames >= script.frames) {
            ending = true;
            vh::key_press(VK_ESCAPE);
        }
    });
    const int code = VIEWER_MAIN();
    vh::set_frame_callback({});
    vh::set_display_rate(0);
    return code;
}

}  // namespace buggy
