// texture-painter OUTPUT_DIR   (texture-painter --help: the usage, nothing written)
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
#include <string_view>
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

void usage(std::ostream& out) {
    out << "usage: texture-painter [options] OUTPUT_DIR\n"
           "Paints the viewer's image files (model textures, reflection maps, image-button\n"
           "pictures) into OUTPUT_DIR, creating it if needed.\n"
           "\n"
           "  -h, --help   show this text\n"
           "  --           what follows is OUTPUT_DIR, even if it starts with '-'\n";
}

}  // namespace

int main(int argc, char** argv) {
    const char* output = nullptr;
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!options_done && (arg == "-h" || arg == "--help")) {
            usage(std::cout);
            return 0;
        }
        if (!options_done && arg == "--") {
            options_done = true;
            continue;
        }
        if (!options_done && arg.size() > 1 && arg[0] == '-') {
            std::cerr << "texture-painter: unknown option: " << arg << "\n";
            usage(std::cerr);
            return 2;
        }
        if (output != nullptr) {
            std::cerr << "texture-painter: more than one OUTPUT_DIR: " << arg << "\n";
            usage(std::cerr);
            return 2;
        }
        output = argv[i];
    }
    if (output == nullptr) {
        std::cerr << "texture-painter: no OUTPUT_DIR\n";
        usage(std::cerr);
        return 2;
    }
    try {
        const fs::path dir = output;
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
