// The painted set: every file the viewer and the button demo open is there,
// parses under the strict readers, has sizes the renderer can use, and shows
// what it should (right way up, tileable, reflection maps centred on "no
// change", buttons keyed in magenta).  The painter program is run twice to
// check that its output never changes.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "decoded_image.hpp"
#include "pictures.hpp"

namespace fs = std::filesystem;
using painter_test::Decoded;

namespace {

const std::map<std::string, painter::Bytes>& painted() {
    static const std::map<std::string, painter::Bytes> files = [] {
        std::map<std::string, painter::Bytes> m;
        for (auto& f : painter::paint_all()) m.emplace(f.name, std::move(f.bytes));
        return m;
    }();
    return files;
}

Decoded decoded(const std::string& name) {
    const auto it = painted().find(name);
    if (it == painted().end()) {
        ADD_FAILURE() << name << " not painted";
        return {};
    }
    const bool tga = name.size() > 4 && name.substr(name.size() - 4) == ".tga";
    const auto img = tga ? painter_test::decode_tga(it->second) : painter_test::decode_bmp(it->second);
    if (!img) {
        ADD_FAILURE() << name << " does not parse";
        return {};
    }
    return *img;
}

bool power_of_two(int v) { return v > 0 && (v & (v - 1)) == 0; }

double luma(const Decoded& img, int x, int y) { return (img.r(x, y) + img.g(x, y) + img.b(x, y)) / 3.0; }

// What a reflection-map texel does to the screen: the pass multiplies it by
// twice this value (0.5: unchanged).
double modulation(std::uint8_t texel) { return 1.5 - painter::kReflectionLitColour - texel / 255.0; }

bool is_key(const Decoded& img, int x, int y) { return img.r(x, y) == 255 && img.g(x, y) == 0 && img.b(x, y) == 255; }

const char* const kModelTextures[] = {"buggy.bmp", "Metal1-00.bmp", "giger.bmp", "water3.bmp", "pneumatico.tga"};
const char* const kReflectionMaps[] = {"riflesso.tga", "sun.tga", "riflesso2.tga"};
const char* const kButtonPrefixes[] = {"stella", "goccia", "freccia"};

}  // namespace

TEST(PaintedFiles, EveryNameTheProgramsOpenIsPresentAndParses) {
    std::vector<std::string> expected = {"buggy.bmp",    "Metal1-00.bmp", "giger.bmp",     "water3.bmp",
                                         "riflesso.tga", "sun.tga",       "riflesso2.tga", "pneumatico.tga"};
    for (const char* prefix : kButtonPrefixes)
        for (const char* state : {"N", "H", "P"}) expected.push_back(std::string(prefix) + state + ".BMP");
    EXPECT_EQ(painted().size(), expected.size());
    for (const auto& name : expected) {
        SCOPED_TRACE(name);
        const Decoded img = decoded(name);
        EXPECT_GT(img.width, 0);
    }
}

TEST(PaintedFiles, TgaFilesCoverBothTypesAndBothDepths) {
    std::set<std::pair<int, int>> variants;
    for (const char* name : {"riflesso.tga", "sun.tga", "riflesso2.tga", "pneumatico.tga"}) {
        const Decoded img = decoded(name);
        variants.insert({img.tga_type, img.bytes_per_pixel * 8});
    }
    const std::set<std::pair<int, int>> all = {{2, 24}, {2, 32}, {10, 24}, {10, 32}};
    EXPECT_EQ(variants, all);
}

TEST(PaintedFiles, TextureSizesArePowersOfTwoAndSmallWhereReuploadedEachFrame) {
    for (const char* name : kModelTextures) {
        SCOPED_TRACE(name);
        const Decoded img = decoded(name);
        EXPECT_TRUE(power_of_two(img.width) && power_of_two(img.height));
        EXPECT_LE(img.width * img.height, 256 * 256);
    }
    for (const char* name : kReflectionMaps) {
        SCOPED_TRACE(name);
        const Decoded img = decoded(name);
        EXPECT_TRUE(power_of_two(img.width) && power_of_two(img.height));
        EXPECT_EQ(img.width, img.height);  // sphere maps are square
        EXPECT_LE(img.width, 512);
    }
}

TEST(PaintedFiles, RepeatingTexturesTileWithoutSeams) {
    // With GL_REPEAT the last column meets the first and the top row the
    // bottom one: that step must look like any other step between
    // neighbours.
    for (const char* name : {"Metal1-00.bmp", "giger.bmp", "water3.bmp", "pneumatico.tga"}) {
        SCOPED_TRACE(name);
        const Decoded img = decoded(name);
        const int w = img.width, h = img.height;
        double inner_x = 0, seam_x = 0, inner_y = 0, seam_y = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x + 1 < w; ++x) inner_x += std::fabs(luma(img, x, y) - luma(img, x + 1, y));
            seam_x += std::fabs(luma(img, w - 1, y) - luma(img, 0, y));
        }
        for (int x = 0; x < w; ++x) {
            for (int y = 0; y + 1 < h; ++y) inner_y += std::fabs(luma(img, x, y) - luma(img, x, y + 1));
            seam_y += std::fabs(luma(img, x, h - 1) - luma(img, x, 0));
        }
        EXPECT_LE(seam_x, 2.5 * inner_x / (w - 1) + h);
        EXPECT_LE(seam_y, 2.5 * inner_y / (h - 1) + w);
    }
}

TEST(PaintedFiles, LiveryIsTheRightWayUp) {
    // The upper half of "buggy.bmp" is the painted body seen from above
    // (bright orange), the lower half holds darker parts.  A file written
    // top-down would swap them.
    const Decoded img = decoded("buggy.bmp");
    auto orange_share = [&](int y0, int y1) {
        int orange = 0, total = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < img.width; ++x, ++total)
                if (img.r(x, y) > 180 && img.r(x, y) > img.g(x, y) + 60 && img.g(x, y) > img.b(x, y)) ++orange;
        return static_cast<double>(orange) / total;
    };
    EXPECT_GT(orange_share(img.height * 55 / 100, img.height * 95 / 100), 0.5);
    EXPECT_LT(orange_share(0, img.height * 20 / 100), 0.05);
}

TEST(PaintedFiles, ReflectionMapsChangeThePictureModerately) {
    // Averaged over the map, a pass neither washes the screen out nor
    // blackens it; somewhere it brightens clearly (the reflection).
    for (const char* name : kReflectionMaps) {
        SCOPED_TRACE(name);
        const Decoded img = decoded(name);
        double sum = 0, brightest = 0;
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) {
                const double m = (modulation(img.r(x, y)) + modulation(img.g(x, y)) + modulation(img.b(x, y))) / 3;
                sum += m;
                brightest = std::max(brightest, m);
            }
        const double mean = sum / (img.width * img.height);
        EXPECT_GT(mean, 0.40);
        EXPECT_LT(mean, 0.60);
        EXPECT_GT(brightest, 0.65);  // at least 30% brighter
    }
}

TEST(PaintedFiles, SkyReflectsAboveTheHorizonAndSunIsHighAndAlone) {
    // Sphere maps have up at the top (t = 1, the last row in the file).
    const Decoded sky = decoded("riflesso.tga");
    auto mean_band = [](const Decoded& img, int y0, int y1) {
        double sum = 0;
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = img.width / 4; x < img.width * 3 / 4; ++x, ++n) sum += modulation(img.b(x, y));
        return sum / n;
    };
    EXPECT_GT(mean_band(sky, sky.height * 60 / 100, sky.height * 85 / 100),
              mean_band(sky, sky.height * 15 / 100, sky.height * 40 / 100) + 0.1);

    // The sun map leaves most of the picture nearly untouched (within 6%)
    // and puts its glare in the upper half.
    const Decoded sun = decoded("sun.tga");
    int neutral = 0, peak_y = 0;
    double peak = 0;
    for (int y = 0; y < sun.height; ++y)
        for (int x = 0; x < sun.width; ++x) {
            const double m = modulation(sun.g(x, y));
            if (std::fabs(m - 0.5) < 0.03) ++neutral;
            if (m > peak) peak = m, peak_y = y;
        }
    EXPECT_GT(neutral, sun.width * sun.height * 6 / 10);
    EXPECT_GT(peak_y, sun.height / 2);
}

TEST(PaintedFiles, ButtonsAreKeyedShapesSharedByTheirThreeStates) {
    for (const char* prefix : kButtonPrefixes) {
        SCOPED_TRACE(prefix);
        const std::string base(prefix);
        const Decoded n = decoded(base + "N.BMP"), h = decoded(base + "H.BMP"), p = decoded(base + "P.BMP");
        ASSERT_GE(n.width, 64);
        ASSERT_LE(n.width, 128);
        for (const Decoded* img : {&h, &p}) {
            ASSERT_EQ(img->width, n.width);
            ASSERT_EQ(img->height, n.height);
        }
        int inside = 0;
        double light[3] = {0, 0, 0};
        int differing_hp = 0;
        for (int y = 0; y < n.height; ++y) {
            for (int x = 0; x < n.width; ++x) {
                // One mask for all three states.
                ASSERT_EQ(is_key(n, x, y), is_key(h, x, y)) << x << "," << y;
                ASSERT_EQ(is_key(n, x, y), is_key(p, x, y)) << x << "," << y;
                if (is_key(n, x, y)) continue;
                ++inside;
                int k = 0;
                for (const Decoded* img : {&n, &h, &p}) {
                    // Inside pixels are clearly not magenta: far outside the
                    // key box (red 255, green 0..1, blue 255).
                    const int distance = std::max({255 - img->r(x, y), static_cast<int>(img->g(x, y)), 255 - img->b(x, y)});
                    EXPECT_GT(distance, 40) << x << "," << y;
                    light[k++] += luma(*img, x, y);
                }
                if (luma(h, x, y) != luma(p, x, y)) ++differing_hp;
            }
        }
        // Not a rectangle, not a speck: the corners are keyed and the shape
        // fills a fair part of the square.
        EXPECT_TRUE(is_key(n, 0, 0) && is_key(n, n.width - 1, 0) && is_key(n, 0, n.height - 1) &&
                    is_key(n, n.width - 1, n.height - 1));
        EXPECT_FALSE(is_key(n, n.width / 2, n.height / 2));
        const int area = n.width * n.height;
        EXPECT_GT(inside, area / 5);
        EXPECT_LT(inside, area * 85 / 100);
        // Hover is lighter, pressed darker than normal.
        EXPECT_GT(light[1], light[0] * 1.1);
        EXPECT_LT(light[2], light[0] * 0.9);
        EXPECT_GT(differing_hp, inside / 2);
    }
}

TEST(PaintedFiles, ButtonShapeIsOnePiece) {
    // The window region is the normal picture's shape: it must be one
    // connected piece (four-neighbour flood fill reaches every inside pixel).
    for (const char* prefix : kButtonPrefixes) {
        SCOPED_TRACE(prefix);
        const Decoded img = decoded(std::string(prefix) + "N.BMP");
        std::vector<char> seen(static_cast<std::size_t>(img.width) * img.height, 0);
        std::vector<std::pair<int, int>> stack = {{img.width / 2, img.height / 2}};
        int reached = 0, inside = 0;
        while (!stack.empty()) {
            const auto [x, y] = stack.back();
            stack.pop_back();
            if (x < 0 || y < 0 || x >= img.width || y >= img.height) continue;
            char& s = seen[static_cast<std::size_t>(y) * img.width + x];
            if (s || is_key(img, x, y)) continue;
            s = 1;
            ++reached;
            stack.insert(stack.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
        }
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) inside += !is_key(img, x, y);
        EXPECT_EQ(reached, inside);
    }
}

TEST(PainterProgram, WritesTheSameBytesOnEveryRun) {
    const fs::path root = fs::temp_directory_path() / ("painter-test-" + std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path a = root / "a", b = root / "b" / "nested";
    for (const fs::path& dir : {a, b}) {
        const std::string cmd = std::string("\"") + PAINTER_EXE + "\" \"" + dir.string() + "\"";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    }
    auto read = [](const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return painter::Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(a)) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        ++count;
        const painter::Bytes first = read(entry.path());
        EXPECT_EQ(first, read(b / name));
        // The program writes exactly what the painting code produces.
        const auto it = painted().find(name);
        ASSERT_NE(it, painted().end());
        EXPECT_EQ(first, it->second);
    }
    EXPECT_EQ(count, painted().size());  // and no leftover temporary files
    fs::remove_all(root);
}

TEST(PainterProgram, FailsWithoutAnOutputDirectory) {
    const std::string cmd = std::string("\"") + PAINTER_EXE + "\" >/dev/null 2>&1";
    EXPECT_NE(std::system(cmd.c_str()), 0);
}
