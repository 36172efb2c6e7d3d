// fuzz_bmp_seeds DIR: writes the BMP loader's large seeds into DIR, for fuzz_bmp. The
// committed seeds are a few pixels each; these are pictures of 100 KiB to 1 MiB (the
// largest input the fuzzing runs take), one of each kind the loader takes (every depth, the
// core header, bit masks in a 40-byte and in a 124-byte header, rows top-down, rows with
// fill bytes, a width beyond 65535), so the fuzzer starts from large pixel arrays that load. The build runs it (see CMakeLists.txt); the
// output is the same on every run.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/bmp_writer.h"

using bmp_test::BmpSpec;

namespace {

// A picture whose pixel at (x, y) is value(x, y), top row first.
template <typename Value>
BmpSpec picture(int width, int height, int bit_count, Value value) {
    BmpSpec s;
    s.width = width;
    s.height = height;
    s.bit_count = bit_count;
    s.rows.assign(size_t(height), std::vector<uint32_t>(size_t(width)));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) s.rows[size_t(y)][size_t(x)] = value(x, y);
    }
    if (bit_count <= 8) {
        const int colors = 1 << bit_count;
        for (int i = 0; i < colors; ++i) {
            const int level = i * 255 / (colors - 1);
            s.palette.insert(s.palette.end(), {uint8_t(level), uint8_t(255 - level), uint8_t(level / 2), 0});
        }
    }
    return s;
}

BmpSpec with_masks(BmpSpec s, uint32_t header_size, uint32_t red, uint32_t green, uint32_t blue) {
    s.compression = 3;  // BI_BITFIELDS
    s.header_size = header_size;
    s.masks[0] = red;
    s.masks[1] = green;
    s.masks[2] = blue;
    return s;
}

BmpSpec core(BmpSpec s) {
    s.header_size = 12;
    return s;
}

BmpSpec top_down(BmpSpec s) {
    s.top_down = true;
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_bmp_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const auto diagonal = [](int x, int y) { return uint32_t(x + y); };
    const auto rgb = [](int x, int y) { return uint32_t(x & 0xFF) << 16 | uint32_t(y & 0xFF) << 8 | uint32_t((x ^ y) & 0xFF); };
    const struct {
        const char* name;
        BmpSpec spec;
    } seeds[] = {
        {"bits1-8000x1000.bmp", picture(8000, 1000, 1, [](int x, int y) { return uint32_t((x / 3 + y / 5) & 1); })},
        {"bits4-100000x2.bmp", picture(100000, 2, 4, diagonal)},
        {"bits8-1000x200-topdown.bmp", top_down(picture(1000, 200, 8, diagonal))},
        {"bits16-565-700x100.bmp",
         with_masks(picture(700, 100, 16, [](int x, int y) { return uint32_t((x * 31 + y * 7) & 0xFFFF); }), 40, 0xF800,
                    0x07E0, 0x001F)},
        // Rows of 1803 bytes and one fill byte.
        {"bits24-601x100.bmp", picture(601, 100, 24, rgb)},
        {"bits32-v5-500x100.bmp",
         with_masks(picture(500, 100, 32, rgb), 124, 0x00FF0000, 0x0000FF00, 0x000000FF)},
        {"core24-1000x60.bmp", core(picture(1000, 60, 24, rgb))},
    };
    for (const auto& seed : seeds) {
        const std::string path = dir + "/" + seed.name;
        if (!bmp_test::write_file(path, bmp_test::encode(seed.spec))) {
            std::fprintf(stderr, "fuzz_bmp_seeds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
