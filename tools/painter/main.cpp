// texture-painter OUTPUT_DIR
//
// Paints the viewer's image files (model textures, reflection sphere maps
// and image-button pictures) and writes them into OUTPUT_DIR, creating it if
// needed.  The output is the same byte for byte on every run.  Each file is
// written under a temporary name and renamed into place, so an interrupted
// run never leaves a truncated image behind.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>

#include "pictures.hpp"

namespace fs = std::filesystem;

namespace {

bool write_file(const fs::path& path, const painter::Bytes& bytes) {
    const fs::path temp = path.string() + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) return false;
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) fs::remove(temp, ec);
    return !ec;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << (argc > 0 ? argv[0] : "texture-painter") << " OUTPUT_DIR\n";
        return 2;
    }
    try {
        const fs::path dir = argv[1];
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (ec) {
            std::cerr << "texture-painter: cannot create " << dir << ": " << ec.message() << "\n";
            return 1;
        }
        for (const auto& file : painter::paint_all()) {
            if (!write_file(dir / file.name, file.bytes)) {
                std::cerr << "texture-painter: cannot write " << (dir / file.name) << "\n";
                return 1;
            }
        }
    } catch (const std::exception& e) {
        std::cerr << "texture-painter: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
