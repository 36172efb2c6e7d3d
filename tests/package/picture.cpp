// package_picture: what the package tests look at in a picture.
//   package_picture grab WINDOW FILE.png  the window's pixels on the screen ($DISPLAY) as a PNG
//   package_picture drawn FILE.png        passes when the picture is not one flat colour: at
//                                         least 2% of it, in at least 32 colours, differs from
//                                         its commonest colour
//   package_picture differ A.png B.png P  passes when more than P% of the pixels changed (by
//                                         more than 8 in a channel)
// Prints what it found; exits 0 when the check passes, 1 when it fails, 2 on bad input.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

struct Picture {
    png_image head{};
    std::vector<png_byte> rgb;  // 3 bytes a pixel, top row first
    size_t pixels() const { return size_t(head.width) * head.height; }
    uint32_t at(size_t i) const { return uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2]; }
};

bool read(const char* path, Picture& p) {
    p.head.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&p.head, path)) return false;
    p.head.format = PNG_FORMAT_RGB;
    p.rgb.resize(PNG_IMAGE_SIZE(p.head));
    return png_image_finish_read(&p.head, nullptr, p.rgb.data(), 0, nullptr) != 0;
}

int grab(unsigned long window, const char* path) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return std::fprintf(stderr, "package_picture: no display\n"), 2;
    XWindowAttributes a{};
    Window child = 0;
    int x = 0, y = 0;
    if (!XGetWindowAttributes(d, window, &a) ||
        !XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &x, &y, &child))
        return std::fprintf(stderr, "package_picture: no window %lu\n", window), 2;
    XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, a.width, a.height, AllPlanes, ZPixmap);
    if (!image) return std::fprintf(stderr, "package_picture: cannot read window %lu\n", window), 2;
    Picture p;
    p.head.version = PNG_IMAGE_VERSION;
    p.head.width = a.width;
    p.head.height = a.height;
    p.head.format = PNG_FORMAT_RGB;
    for (int row = 0; row < a.height; ++row)
        for (int col = 0; col < a.width; ++col) {
            const unsigned long pixel = XGetPixel(image, col, row);
            p.rgb.insert(p.rgb.end(), {png_byte(pixel >> 16), png_byte(pixel >> 8), png_byte(pixel)});
        }
    XDestroyImage(image);
    XCloseDisplay(d);
    if (!png_image_write_to_file(&p.head, path, 0, p.rgb.data(), 0, nullptr))
        return std::fprintf(stderr, "package_picture: cannot write %s\n", path), 2;
    std::printf("%s: window %lu, %d x %d\n", path, window, a.width, a.height);
    return 0;
}

int drawn(const char* path) {
    Picture p;
    if (!read(path, p)) return std::fprintf(stderr, "package_picture: cannot read %s\n", path), 2;
    std::unordered_map<uint32_t, size_t> counts;
    for (size_t i = 0; i < p.pixels(); ++i) ++counts[p.at(i)];
    size_t commonest = 0;
    for (const auto& [colour, count] : counts) commonest = std::max(commonest, count);
    const double others = p.pixels() ? 100.0 * double(p.pixels() - commonest) / double(p.pixels()) : 0;
    const bool ok = others >= 2.0 && counts.size() >= 32;
    std::printf("%s: %u x %u, %zu colours, %.1f%% apart from the commonest: %s\n", path, p.head.width,
                p.head.height, counts.size(), others, ok ? "drawn" : "FLAT");
    return ok ? 0 : 1;
}

int differ(const char* a_path, const char* b_path, double least) {
    Picture a, b;
    if (!read(a_path, a) || !read(b_path, b) || a.pixels() != b.pixels())
        return std::fprintf(stderr, "package_picture: cannot compare %s and %s\n", a_path, b_path), 2;
    size_t changed = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3)
        for (size_t c = 0; c < 3; ++c)
            if (std::abs(int(a.rgb[i + c]) - int(b.rgb[i + c])) > 8) {
                ++changed;
                break;
            }
    const double share = a.pixels() ? 100.0 * double(changed) / double(a.pixels()) : 0;
    const bool ok = share > least;
    std::printf("%s -> %s: %.1f%% of the pixels changed (more than %g%%: %s)\n", a_path, b_path, share, least,
                ok ? "yes" : "no");
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "grab" && argc == 4) return grab(std::strtoul(argv[2], nullptr, 0), argv[3]);
    if (what == "drawn" && argc == 3) return drawn(argv[2]);
    if (what == "differ" && argc == 5) return differ(argv[2], argv[3], std::strtod(argv[4], nullptr));
    std::fprintf(stderr, "usage: package_picture grab WINDOW FILE.png | drawn FILE.png | differ A.png B.png PERCENT\n");
    return 2;
}
