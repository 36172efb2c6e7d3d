// Small stand-ins for the model's image files, each of its own size so a trace tells them
// apart: buggy.bmp 8x4, Metal1-00.bmp 4x8, giger.bmp 8x8, water3.bmp 16x4, pneumatico.tga 4x4.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/bmp_writer.h"
#include "tests/support/tga_writer.h"

namespace model_test {

inline bool write_bmp(const std::string& path, int width, int height, uint32_t colour) {
    bmp_test::BmpSpec s;
    s.width = width;
    s.height = height;
    s.rows.assign(height, std::vector<uint32_t>(width, colour));
    return bmp_test::write_file(path, bmp_test::encode(s));
}

inline bool write_tga(const std::string& path, unsigned width, unsigned height) {
    tga_test::TgaFile f = tga_test::header(2, width, height, 24);
    for (unsigned i = 0; i < width * height; ++i) tga_test::add_pixel(f, tga_test::Part::pixels, {40, 40, 40, 255}, 3);
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return false;
    const bool ok = std::fwrite(f.bytes.data(), 1, f.bytes.size(), out) == f.bytes.size();
    return std::fclose(out) == 0 && ok;
}

// Writes the five files into dir ("" for the working directory).
inline bool write_model_images(const std::string& dir) {
    const std::string p = dir.empty() ? "" : dir + "/";
    return write_bmp(p + "buggy.bmp", 8, 4, 0xC08020) && write_bmp(p + "Metal1-00.bmp", 4, 8, 0xA0A0A0) &&
           write_bmp(p + "giger.bmp", 8, 8, 0x606040) && write_bmp(p + "water3.bmp", 16, 4, 0x2040A0) &&
           write_tga(p + "pneumatico.tga", 4, 4);
}

// A folder of its own holding the five files, the working directory for as long as it lives
// (the lists load their images by name).
class ImageFolder {
public:
    ImageFolder() : previous_(getcwd(nullptr, 0)) {
        entered_ = previous_ != nullptr && write_model_images(dir_.path()) && chdir(dir_.path().c_str()) == 0;
    }
    ~ImageFolder() {
        if (entered_ && chdir(previous_) != 0) std::perror("cannot go back to the working directory");
        std::free(previous_);
    }
    ImageFolder(const ImageFolder&) = delete;
    ImageFolder& operator=(const ImageFolder&) = delete;
    bool entered() const { return entered_; }

private:
    tga_test::TempDir dir_;
    char* previous_;
    bool entered_ = false;
};

}  // namespace model_test
