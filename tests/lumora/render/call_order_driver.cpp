// Runs Lumora's render-state and texture procedures in a headless window, each bracketed by
// string markers, so a trace of this program shows exactly which GL calls each one made.
// Usage: call_order_driver STEP...   where STEP is one of
//   init | i2d | refract_begin | refract_end | tga:FILE | tga_slot:FILE | bmp:FILE |
//   align:N (GL_UNPACK_ALIGNMENT set to N) | list_bmp_twice:FILE (a list compiled with two
//   TEXTURELOADs of FILE)
// The markers around a step are the step's text and "end " followed by it.
#include <EGL/egl.h>

#include <cstdio>
#include <string>

#include "lumora/Lumora.h"
#include "tests/support/gl_window.h"

namespace {

typedef void (*StringMarker)(GLsizei, const void*);

void mark(StringMarker marker, const std::string& text) {
    if (marker != nullptr) marker(0, text.c_str());
}

bool run_step(const std::string& step) {
    if (step == "init") OPENGL_INIT(100.0, 0.0, 119.0 / 300.0, 187.0 / 300.0, 0.85);
    else if (step == "i2d") OPENGL_I2D(0.0, 1.0, 0.5, 0.25);
    else if (step == "refract_begin") FX_REFRACTBEGIN();
    else if (step == "refract_end") FX_REFRACTEND();
    else if (step.rfind("tga:", 0) == 0) TEXTURELOADTGA(step.substr(4));
    else if (step.rfind("tga_slot:", 0) == 0) TEXTURELOADTGAID(step.substr(9), 7);
    else if (step.rfind("bmp:", 0) == 0) TEXTURELOAD(step.substr(4).c_str());
    else if (step.rfind("align:", 0) == 0) glPixelStorei(GL_UNPACK_ALIGNMENT, std::stoi(step.substr(6)));
    else if (step.rfind("list_bmp_twice:", 0) == 0) {
        const std::string file = step.substr(15);
        const GLuint list = glGenLists(1);
        glNewList(list, GL_COMPILE);
        TEXTURELOAD(file.c_str());
        TEXTURELOAD(file.c_str());
        glEndList();
    }
    else return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    render_test::GlWindow window(800, 600);
    if (!window.ready()) {
        std::fprintf(stderr, "no GL context\n");
        return 2;
    }
    auto marker = reinterpret_cast<StringMarker>(eglGetProcAddress("glStringMarkerGREMEDY"));
    for (int i = 1; i < argc; ++i) {
        const std::string step = argv[i];
        mark(marker, step);
        if (!run_step(step)) {
            std::fprintf(stderr, "unknown step %s\n", step.c_str());
            return 2;
        }
        mark(marker, "end " + step);
    }
    glFinish();
    return 0;
}
