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
#include "tests/bmp/bmp_writer.h"
#include "tests/render/gl_window.h"
#include "tests/tga/tga_writer.h"

namespace {

typedef void (*StringMarker)(GLsizei, const void*);

void mark(StringMarker marker, const std::string& text) {
    if (marker != nullptr) marker(0, text.c_str());
}

bool write_bmp(const std::string& name, int width, int height, uint32_t colour) {
    bmp_test::BmpSpec s;
    s.width = width;
    s.height = height;
    s.rows.assign(height, std::vector<uint32_t>(width, colour));
    return bmp_test::write_file(name, bmp_test::encode(s));
}

bool write_tga(const std::string& name, unsigned width, unsigned height) {
    tga_test::TgaFile f = tga_test::header(2, width, height, 24);
    for (unsigned i = 0; i < width * height; ++i) tga_test::add_pixel(f, tga_test::Part::pixels, {40, 40, 40, 255}, 3);
    FILE* out = std::fopen(name.c_str(), "wb");
    if (out == nullptr) return false;
    const bool ok = std::fwrite(f.bytes.data(), 1, f.bytes.size(), out) == f.bytes.size();
    return std::fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || chdir(argv[1]) != 0) {
        std::fprintf(stderr, "usage: model_list_driver DIR STEP...\n");
        return 2;
    }
    // Sizes identify the files in a trace: buggy 8x4, Metal 4x8, giger 8x8, water 16x4,
    // pneumatico 4x4.
    if (!write_bmp("buggy.bmp", 8, 4, 0xC08020) || !write_bmp("Metal1-00.bmp", 4, 8, 0xA0A0A0) ||
        !write_bmp("giger.bmp", 8, 8, 0x606040) || !write_bmp("water3.bmp", 16, 4, 0x2040A0) ||
        !write_tga("pneumatico.tga", 4, 4)) {
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
