// Builds the buggy's display lists in a headless window, each step bracketed by string
// markers, so a trace of this program shows exactly what went into each list.
// Usage: model_list_driver DIR STEP...   DIR: a directory to work in (small image files are
// written there first, each of its own size so the trace tells them apart); STEP: buggy |
// ruota. The markers around a step are the step's text and "end " followed by it.
#include <EGL/egl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "lumora/Lumora.h"
#include "model/Buggy.h"
#include "model/BuggyRuota.h"
#include "tests/support/gl_window.h"
#include "tests/model/model_images.h"

namespace {

typedef void (*StringMarker)(GLsizei, const void*);

void mark(StringMarker marker, const std::string& text) {
    if (marker != nullptr) marker(0, text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || chdir(argv[1]) != 0) {
        std::fprintf(stderr, "usage: model_list_driver DIR STEP...\n");
        return 2;
    }
    if (!model_test::write_model_images("")) {
        std::fprintf(stderr, "cannot write the image files\n");
        return 2;
    }
    render_test::GlWindow window(320, 240);
    if (!window.ready()) {
        std::fprintf(stderr, "no GL context\n");
        return 2;
    }
    auto marker = reinterpret_cast<StringMarker>(eglGetProcAddress("glStringMarkerGREMEDY"));
    for (int i = 2; i < argc; ++i) {
        const std::string step = argv[i];
        mark(marker, step);
        if (step == "buggy") {
            BUGGY_();
        } else if (step == "ruota") {
            BUGGYRUOTA_();
        } else {
            std::fprintf(stderr, "unknown step %s\n", step.c_str());
            return 2;
        }
        mark(marker, "end " + step);
    }
    glFinish();
    return 0;
}
