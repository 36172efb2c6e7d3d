// Runs the viewer's own start-up and frame loop on the headless host and leaves string
// markers in the GL call stream, so a trace of this program shows one whole steady-state
// frame and the loop around it:
//   "swap N"          after the N-th buffer swap (from the host's swap callback);
//   "frame" ... "end frame"
//                     around the one OPENGL_DRAW that is traced, drawn once a left drag and a
//                     right drag have been worked off and two further frames have passed.
// Then Escape ends the run. Run it from the folder with the image files.
//
// The markers around OPENGL_DRAW come from a link-time wrapper (-Wl,--wrap): the frame loop's
// call to OPENGL_DRAW lands in __wrap_ below, which calls the real one in between.
#include <EGL/egl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/Viewer.h"
#include "app/snapshot/ScriptedRun.h"
#include "lumora/Lumora.h"
#include "win32/hosts/virtual/virtual_host.h"

namespace vh = win32::virtual_host;

namespace {

typedef void (*StringMarker)(GLsizei, const void*);
StringMarker marker_fn = nullptr;

void mark(const std::string& text) {
    if (marker_fn == nullptr) marker_fn = reinterpret_cast<StringMarker>(eglGetProcAddress("glStringMarkerGREMEDY"));
    if (marker_fn != nullptr) marker_fn(0, text.c_str());
}

// Left drag: 30 px right, 20 px up; right drag: 50 px down (see the test's expectations).
constexpr buggy::Drag DRAGS[] = {{false, 30, -20}, {true, 0, 50}};

// Plays a drag from the client area's centre in steps of 10 pixels along the longer axis,
// so that the distance and the angles come out exact in single precision however many of
// the moves wait together and are taken as one.
void play_drag(const buggy::Drag& drag) {
    RECT client;
    GetClientRect(HWINDOW, &client);
    POINT start{client.right / 2, client.bottom / 2};
    ClientToScreen(HWINDOW, &start);
    const auto button = drag.right ? win32::MouseButton::right : win32::MouseButton::left;
    vh::mouse_button_at(button, true, start.x, start.y);
    const int steps = std::max(1, std::max(std::abs(drag.dx), std::abs(drag.dy)) / 10);
    for (int i = 1; i <= steps; ++i) vh::mouse_move(start.x + drag.dx * i / steps, start.y + drag.dy * i / steps);
    vh::mouse_button(button, false);
}

bool armed = false;   // the next OPENGL_DRAW is the traced one
bool traced = false;  // it has been drawn

}  // namespace

extern "C" void __real__Z11OPENGL_DRAWv();

extern "C" void __wrap__Z11OPENGL_DRAWv() {
    if (!armed || traced) {
        __real__Z11OPENGL_DRAWv();
        return;
    }
    mark("frame");
    __real__Z11OPENGL_DRAWv();
    mark("end frame");
    traced = true;
}

int main() {
    vh::set_screen_size(1024, 768);
    vh::push_message_box_answer(IDNO);  // the 800 x 600 window

    size_t next_drag = 0;
    int quiet_frames = 0;
    bool escaped = false;
    vh::set_frame_callback([&](uint64_t index) {
        mark("swap " + std::to_string(index));
        if (traced) {
            if (!escaped) vh::key_press(VK_ESCAPE);
            escaped = true;
            return;
        }
        if (buggy::input_pending()) return;
        if (next_drag < std::size(DRAGS)) {
            play_drag(DRAGS[next_drag++]);
            return;
        }
        if (++quiet_frames == 2) armed = true;
    });
    const int code = VIEWER_MAIN();
    vh::set_frame_callback({});
    if (!traced) {
        std::fprintf(stderr, "frame_trace_driver: the run ended before the traced frame\n");
        return 1;
    }
    return code;
}
