// Runs the viewer's own start-up and frame loop on the headless host, with the question
// answered and mouse drags played in as a user would make them, and hands over the frames.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "win32/hosts/virtual/virtual_host.h"

namespace buggy {

struct Drag {
    bool right = false;  // right button (nearer/farther) instead of left (turn)
    int dx = 0;          // pixels to the right
    int dy = 0;          // pixels down
    int duration_ms = 0; // how long it takes; 0: one report a pixel along the longer axis
};

// The rates a run plays at: a desktop's display and a gaming mouse.
constexpr int kDisplayHz = 60;
constexpr int kMouseHz = 1000;

struct ScriptedRun {
    bool fullscreen = false;        // the answer to the full-screen question
    int screen_width = 1024;        // the virtual screen
    int screen_height = 768;
    std::vector<Drag> drags;        // played one after another, starting after the first frame
    int frames = 1;                 // frames to draw once the drags have been worked off
    // Called with every swapped frame; the last call gets the frame the run ends on.
    std::function<void(const win32::virtual_host::Frame&)> on_frame;
};

// Plays one drag into the headless host as a mouse reporting kMouseHz times a second makes
// it, starting now on the host's clock: a press at the centre of the viewer's client area,
// one report a millisecond along the straight line (at least one a pixel of the longer axis),
// a release one report after the last move. The events arrive while frames are drawn, each at its time.
// Returns the tick count of the last move.
uint32_t inject_drag(const Drag& drag);

// True while injected input or posted messages still wait to be handled.
bool input_pending();

// Runs the viewer to the end of the script (Escape after the last frame) on a kDisplayHz
// display of the headless host's virtual clock, and returns its exit code. The last frame stays readable through win32::virtual_host::last_frame().
int run_viewer(const ScriptedRun& script);

}  // namespace buggy
