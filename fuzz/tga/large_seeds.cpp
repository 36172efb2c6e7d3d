// fuzz_tga_seeds DIR: writes the TGA reader's large seeds into DIR, for fuzz_tga. The
// committed seeds are a few bytes each; these declare images wider or taller than 1024
// pixels, up to the largest side the reader takes without a context (16384) and one beyond
// it, and hold their whole pixel data: files of 12 to 240 KiB that decode. Their other side
// is short, so that one run of the target stays within a few milliseconds. The build runs
// it (see CMakeLists.txt); the output is the same on every run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/tga_writer.h"

using namespace tga_test;

namespace {

FilePixel shade(unsigned i) { return FilePixel{uint8_t(i), uint8_t(i * 7), uint8_t(i * 13), uint8_t(255 - i)}; }

// A run-length encoded image: a short raw packet, then runs of 128 and 61 pixels, over and
// over, across the row ends; the last packet stops at the image's end.
TgaFile rle(unsigned width, unsigned height, uint8_t bpp) {
    TgaFile f = header(10, width, height, bpp);
    const unsigned bytes = bpp / 8u;
    const uint64_t pixels = uint64_t{width} * height;
    uint64_t done = 0;
    for (unsigned n = 0; done < pixels; ++n) {
        const unsigned raw = unsigned(std::min<uint64_t>(3, pixels - done));
        std::vector<FilePixel> packet;
        for (unsigned i = 0; i < raw; ++i) packet.push_back(shade(n + i));
        add_raw_packet(f, packet, bytes);
        done += raw;
        for (unsigned run : {128u, 61u}) {
            const unsigned count = unsigned(std::min<uint64_t>(run, pixels - done));
            if (count == 0) break;
            add_run_packet(f, count, shade(n * 3 + run), bytes);
            done += count;
        }
    }
    return f;
}

// An uncompressed image of a gradient.
TgaFile plain(unsigned width, unsigned height, uint8_t bpp) {
    TgaFile f = header(2, width, height, bpp);
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) add_pixel(f, Part::pixels, shade(x + y), bpp / 8u);
    }
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_tga_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const struct {
        const char* name;
        TgaFile file;
    } seeds[] = {
        // Rows of 6141 bytes: filled rows end in 3 fill bytes, and packets cross them.
        {"rle24-2047x64.tga", rle(2047, 64, 24)},
        {"rle32-16384x8.tga", rle(16384, 8, 32)},
        // One pixel wider than the reader takes without being told a larger side.
        {"rle24-16385x16.tga", rle(16385, 16, 24)},
        {"plain24-5x16384.tga", plain(5, 16384, 24)},
        {"plain32-1100x40.tga", plain(1100, 40, 32)},
    };
    for (const auto& seed : seeds) {
        const std::string path = dir + "/" + seed.name;
        FILE* out = std::fopen(path.c_str(), "wb");
        const bool ok = out != nullptr &&
                        std::fwrite(seed.file.bytes.data(), 1, seed.file.bytes.size(), out) == seed.file.bytes.size();
        if (out == nullptr || std::fclose(out) != 0 || !ok) {
            std::fprintf(stderr, "fuzz_tga_seeds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
