// buggy-snapshot: renders the viewer headless and writes a frame as a PNG file.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/snapshot/ScriptedRun.h"

namespace vh = win32::virtual_host;

namespace {

void usage(FILE* out) {
    std::fputs(
        "usage: buggy-snapshot [options]\n"
        "Runs the buggy viewer without a display and writes the last frame as a PNG file.\n"
        "It reads the viewer's image files from the working directory (build/bin in a\n"
        "build); the installed buggy-snapshot starts there by itself.\n"
        "\n"
        "  -o, --output FILE      PNG file to write (default: buggy.png)\n"
        "  -s, --screen WxH       size of the virtual screen (default: 1024x768)\n"
        "  -f, --fullscreen       answer Yes to the full-screen question (default: No,\n"
        "                         an 800 x 600 window)\n"
        "  -n, --frames N         frames to draw after the drags; the last is written (default: 1)\n"
        "  -l, --left-drag DX,DY  drag with the left button (turns the buggy), in pixels\n"
        "  -r, --right-drag DY    drag with the right button (down: nearer, up: farther)\n"
        "  -h, --help             show this text\n"
        "Drags run in the order given, each from the centre of the window.\n",
        out);
}

bool parse_int(const char* text, int& value) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < -100000 || v > 100000) return false;
    value = static_cast<int>(v);
    return true;
}

bool parse_pair(const char* text, char separator, int& a, int& b) {
    const char* sep = std::strchr(text, separator);
    if (!sep) return false;
    std::string first(text, sep);
    return parse_int(first.c_str(), a) && parse_int(sep + 1, b);
}

}  // namespace

int main(int argc, char** argv) {
    buggy::ScriptedRun script;
    std::string output = "buggy.png";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "buggy-snapshot: %s needs a value\n", arg.c_str());
                usage(stderr);
                std::exit(2);
            }
            return argv[++i];
        };
        bool ok = true;
        if (arg == "-h" || arg == "--help") {
            usage(stdout);
            return 0;
        } else if (arg == "-o" || arg == "--output") {
            output = value();
        } else if (arg == "-s" || arg == "--screen") {
            ok = parse_pair(value(), 'x', script.screen_width, script.screen_height) && script.screen_width > 0 &&
                 script.screen_height > 0;
        } else if (arg == "-f" || arg == "--fullscreen") {
            script.fullscreen = true;
        } else if (arg == "-n" || arg == "--frames") {
            ok = parse_int(value(), script.frames) && script.frames >= 1;
        } else if (arg == "-l" || arg == "--left-drag") {
            buggy::Drag drag;
            ok = parse_pair(value(), ',', drag.dx, drag.dy);
            script.drags.push_back(drag);
        } else if (arg == "-r" || arg == "--right-drag") {
            buggy::Drag drag{true, 0, 0};
            ok = parse_int(value(), drag.dy);
            script.drags.push_back(drag);
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "buggy-snapshot: bad option or value: %s\n", arg.c_str());
            usage(stderr);
            return 2;
        }
    }

    buggy::run_viewer(script);
    // The run ends with the frame drawn while Escape was handled, which shows the same scene.
    const vh::Frame* frame = vh::last_frame();
    if (!frame || !vh::write_png(*frame, output)) {
        std::fprintf(stderr, "buggy-snapshot: could not write %s\n", output.c_str());
        return 1;
    }
    std::printf("%s\n", output.c_str());
    return 0;
}
