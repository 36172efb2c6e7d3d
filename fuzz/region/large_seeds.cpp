// region_fuzz_seeds DIR: writes the region builder's large seeds into DIR, for region_fuzz.
// The committed seeds are small circles; these are shapes on the button's key colour
// (magenta), files of 16 to 200 KiB: a ring wider than 1024 pixels, pictures whose rows break
// into thousands of rectangles (so the builder flushes its rectangle list many times), one
// wider than 65535 pixels, at 1, 8, 16, 24 and 32 bits. They are a hundred rows or fewer, so
// that one run of the target stays within tens of milliseconds. The build runs it (see CMakeLists.txt); the
// output is the same on every run.
#include <cstdint>
#include <cstdio>
#include <string>

#include "tests/support/bmp_writer.h"

using bmp_test::Picture;
using bmp_test::Rgb;

namespace {

constexpr Rgb kKey{255, 0, 255};
constexpr Rgb kOrange{240, 140, 20};
constexpr Rgb kBlue{20, 60, 200};

// A picture with pixel (x, y) = shape(x, y), top row first.
template <typename Shape>
Picture draw(int width, int height, Shape shape) {
    Picture p = bmp_test::filled(width, height, kKey);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) p.at(x, y) = shape(x, y);
    }
    return p;
}

// An ellipse filling the picture, with a hole in its middle.
Picture ring(int width, int height) {
    return draw(width, height, [=](int x, int y) {
        const double dx = (x + 0.5) / width * 2 - 1, dy = (y + 0.5) / height * 2 - 1;
        const double r = dx * dx + dy * dy;
        return r > 1 ? kKey : r < 0.1 ? kKey : r < 0.3 ? kBlue : kOrange;
    });
}

// Stripes of opaque and key-coloured columns whose widths change from row to row.
Picture stripes(int width, int height) {
    return draw(width, height, [](int x, int y) { return (x / (1 + y % 4)) % 2 ? kKey : kOrange; });
}

// Squares of 16 pixels, every other one the key.
Picture checker(int width, int height) {
    return draw(width, height, [](int x, int y) { return ((x / 16) + (y / 16)) % 2 ? kKey : kBlue; });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: region_fuzz_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const struct {
        const char* name;
        Picture picture;
        int bpp;
        bool top_down;
    } seeds[] = {
        {"ring24-1100x60.bmp", ring(1100, 60), 24, false},
        {"ring32-500x100.bmp", ring(500, 100), 32, false},
        {"stripes1-8000x16.bmp", stripes(8000, 16), 1, false},
        {"stripes1-70000x2.bmp", stripes(70000, 2), 1, false},
        {"checker8-1000x100-topdown.bmp", checker(1000, 100), 8, true},
        {"ring16-700x100.bmp", ring(700, 100), 16, false},
    };
    for (const auto& seed : seeds) {
        const std::string path = dir + "/" + seed.name;
        if (!bmp_test::write(path, seed.picture, seed.bpp, seed.top_down)) {
            std::fprintf(stderr, "region_fuzz_seeds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
