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
};

struct ScriptedRun {
    bool fullscreen = false;        // the answer to the full-screen question
    int screen_width = 1024;        // the virtual screen
    int screen_height = 768;
    std::vector<Drag> drags;        // played one after another, starting after the first frame
    int frames = 1;                 // frames to draw once the drags have been worked off
    // Called with every swapped frame; the last call gets the frame the run ends on.
    std::function<void(const win32::virtual_host::Frame&)> on_frame;
};

// Plays one drag into the headless host: a press at the centre of the viewer's client area,
// moves of at most ten pixels, a release. The viewer works it off one message per frame.
void inject_drag(const Drag& drag);

// True while injected input or posted messages still wait to be handled.
bool input_pending();

// Runs the viewer to the end of the script (Escape after the last frame) and returns its
// exit code. The last frame stays readable through win32::virtual_host::last_frame().
int run_viewer(const ScriptedRun& script);

}  // namespace buggy
