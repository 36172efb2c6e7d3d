// Input latency of the viewer at a desktop's pace, on the headless host's virtual clock: a
// 60 Hz display (every swap waits for the next refresh) and a 1000 Hz mouse. Prints figures
// against their goals; it asserts nothing.
//
//  * Drag latency: a 2 s drag (2,000 reports), then the release; the frames drawn after the
//    last move until the picture stops changing. Goal: at most 1. For the left button (turn)
//    and the right one (nearer/farther).
//  * Escape after a burst: with the left button held, 2,000 moves reported at once, then
//    Escape; the frames from the one whose pump first sees them to the end of the loop.
//    Goal: at most 2.
//
// The figures beside the goals were measured on the queue that kept every move as a message
// of its own, on the same host and clock.
//
// Usage: input-bench        Run from the folder with the image files.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/Viewer.h"
#include "app/snapshot/ScriptedRun.h"
#include "lumora/Lumora.h"

namespace vh = win32::virtual_host;

namespace {

constexpr int kDragMs = 2000;

struct Latency {
    int frames_after = 0;  // frames that changed the picture after the input ended
    int frames_total = 0;
};

// Runs the viewer, plays `play` once after the first frame (it returns the tick count of its
// last event), and counts the frames swapped after that time that still changed the picture.
template <typename Play>
Latency measure(Play play) {
    vh::reset();
    vh::set_display_rate(buggy::kDisplayHz);
    vh::push_message_box_answer(IDNO);
    Latency result;
    std::vector<uint8_t> previous;
    int64_t last_event = -1;
    int still = 0;
    vh::set_frame_callback([&](uint64_t index) {
        const vh::Frame* frame = vh::last_frame();
        ++result.frames_total;
        const bool changed = frame && frame->rgba != previous;
        if (frame) previous = frame->rgba;
        if (index == 0) {
            last_event = play();
            return;
        }
        const bool after = last_event >= 0 && GetTickCount() > static_cast<uint32_t>(last_event);
        if (!after) return;
        if (changed) {
            ++result.frames_after;
            still = 0;
        } else if (++still >= 10 && !buggy::input_pending()) {
            vh::key_press(VK_ESCAPE);
        }
        if (result.frames_total > 20000) vh::key_press(VK_ESCAPE);  // a runaway queue
    });
    VIEWER_MAIN();
    vh::set_frame_callback({});
    vh::set_display_rate(0);
    return result;
}

// Frames from the one whose pump first sees Escape, pressed right after a burst of moves, to
// the end of the loop.
int escape_after_burst() {
    vh::reset();
    vh::set_display_rate(buggy::kDisplayHz);
    vh::push_message_box_answer(IDNO);
    int frames = 0;
    bool pressed = false;
    POINT centre{};
    vh::set_frame_callback([&](uint64_t index) {
        if (pressed) ++frames;
        if (index == 0) {
            // The button goes down first and is handled: the burst comes with it held.
            RECT client;
            GetClientRect(HWINDOW, &client);
            centre = {client.right / 2, client.bottom / 2};
            ClientToScreen(HWINDOW, &centre);
            vh::mouse_button_at(win32::MouseButton::left, true, centre.x, centre.y);
        } else if (!pressed && !buggy::input_pending()) {
            for (int i = 1; i <= kDragMs; ++i) vh::mouse_move(centre.x + (i % 200) - 100, centre.y + (i % 50));
            vh::key_press(VK_ESCAPE);
            pressed = true;
        }
    });
    VIEWER_MAIN();
    vh::set_frame_callback({});
    vh::set_display_rate(0);
    return frames;
}

// Each run in a process of its own: the viewer's start-up and tear-down run once a process.
template <typename Run>
void in_child(Run run) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        run();
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

}  // namespace

int main() {
    std::printf("input latency at %d Hz with a %d Hz mouse (virtual clock)\n", buggy::kDisplayHz, buggy::kMouseHz);
    for (const bool right : {false, true}) {
        in_child([&] {
            const Latency l = measure([&] {
                // 2 s of reports: the left drag a pixel each, the right one 100 pixels in all.
                return right ? buggy::inject_drag({true, 0, 100, kDragMs}) : buggy::inject_drag({false, kDragMs, 0});
            });
            std::printf("  %s drag of %d ms: %d frames changed after the last move (goal <= 1; %s before waiting "
                        "moves were merged), %d frames in all\n",
                        right ? "right" : "left", kDragMs, l.frames_after, right ? "95" : "1881", l.frames_total);
        });
    }
    in_child([] {
        std::printf("  Escape after a burst of %d moves: the loop ended %d frames after it (goal <= 2; 2001 before "
                    "waiting moves were merged)\n",
                    kDragMs, escape_after_burst());
    });
    return 0;
}
