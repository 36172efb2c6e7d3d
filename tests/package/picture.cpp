// package_picture: what the package tests look at in a picture.
//   package_picture grab WINDOW FILE.png  the window's pixels on the screen ($DISPLAY) as a PNG
//   package_picture drawn FILE.png        passes when the picture is not one flat colour: at
//                                         least 2% of it, in at least 32 colours, differs from
//                                         its commonest colour
//   package_picture differ A.png B.png P  passes when more than P% of the pixels changed (by
//                                         more than 8 in a channel)
//   package_picture middle FILE.png       passes when something is drawn in the middle of the
//                                         picture: more than half of its middle (a fifth of
//                                         the width by a fifth of the height) differs from
//                                         the clear colour, the commonest colour of its edges
// Prints what it found; exits 0 when the check passes, 1 when it fails, 2 on bad input.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>

#include "tests/support/desktop.h"
#include "tests/support/picture.h"

namespace {

int grab(unsigned long window, const char* path) {
    const picture::Image image = desktop::screenshot(window);
    if (image.pixels.empty()) return std::fprintf(stderr, "package_picture: cannot read window %lu\n", window), 2;
    if (!picture::write_png(image, path)) return std::fprintf(stderr, "package_picture: cannot write %s\n", path), 2;
    std::printf("%s: window %lu, %d x %d\n", path, window, image.width, image.height);
    return 0;
}

int drawn(const char* path) {
    picture::Image p;
    if (!picture::read_png(path, p)) return std::fprintf(stderr, "package_picture: cannot read %s\n", path), 2;
    std::unordered_map<uint32_t, size_t> counts;
    for (uint32_t colour : p.pixels) ++counts[colour];
    size_t commonest = 0;
    for (const auto& [colour, count] : counts) commonest = std::max(commonest, count);
    const double others = p.pixels.empty() ? 0 : 100.0 * double(p.pixels.size() - commonest) / double(p.pixels.size());
    const bool ok = others >= 2.0 && counts.size() >= 32;
    std::printf("%s: %d x %d, %zu colours, %.1f%% apart from the commonest: %s\n", path, p.width, p.height,
                counts.size(), others, ok ? "drawn" : "FLAT");
    return ok ? 0 : 1;
}

int differ(const char* a_path, const char* b_path, double least) {
    picture::Image a, b;
    if (!picture::read_png(a_path, a) || !picture::read_png(b_path, b) || a.width != b.width || a.height != b.height)
        return std::fprintf(stderr, "package_picture: cannot compare %s and %s\n", a_path, b_path), 2;
    const double share = 100.0 * picture::fraction_changed(a, b, 8);
    const bool ok = share > least;
    std::printf("%s -> %s: %.1f%% of the pixels changed (more than %g%%: %s)\n", a_path, b_path, share, least,
                ok ? "yes" : "no");
    return ok ? 0 : 1;
}

int middle(const char* path) {
    picture::Image p;
    if (!picture::read_png(path, p) || p.width < 5 || p.height < 5)
        return std::fprintf(stderr, "package_picture: cannot read %s\n", path), 2;
    std::unordered_map<uint32_t, size_t> edge;
    for (int x = 0; x < p.width; ++x) ++edge[p.at(x, 0)], ++edge[p.at(x, p.height - 1)];
    for (int y = 1; y < p.height - 1; ++y) ++edge[p.at(0, y)], ++edge[p.at(p.width - 1, y)];
    uint32_t clear = 0;
    size_t most = 0;
    for (const auto& [colour, count] : edge)
        if (count > most) most = count, clear = colour;
    const int w = p.width / 5, h = p.height / 5;
    const double share = 100.0 * picture::fraction_not(picture::crop(p, (p.width - w) / 2, (p.height - h) / 2, w, h),
                                                        clear, 8);
    const bool ok = share > 50.0;
    std::printf("%s: %d x %d, clear colour #%06X, %.1f%% of the middle is not it: %s\n", path, p.width, p.height,
                unsigned(clear), share, ok ? "drawn" : "NOTHING DRAWN");
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "grab" && argc == 4) return grab(std::strtoul(argv[2], nullptr, 0), argv[3]);
    if (what == "drawn" && argc == 3) return drawn(argv[2]);
    if (what == "middle" && argc == 3) return middle(argv[2]);
    if (what == "differ" && argc == 5) return differ(argv[2], argv[3], std::strtod(argv[4], nullptr));
    std::fprintf(stderr, "usage: package_picture grab WINDOW FILE.png | drawn FILE.png | middle FILE.png | differ A.png B.png "
                         "PERCENT\n");
    return 2;
}
