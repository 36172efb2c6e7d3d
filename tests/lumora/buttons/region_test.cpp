// BITMAPTOREGION and LOADBMPFROMFILE over BMP files the tests write themselves.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "lumora/Lumora.h"
#include "tests/support/special_files.h"
#include "tests/support/bmp_writer.h"

namespace {

using bmp_test::Rgb;

constexpr Rgb MAGENTA{255, 0, 255};
constexpr Rgb BLUE{0, 0, 200};

class RegionFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/lumora-region-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        baseline_ = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    }
    void TearDown() override {
        // Nothing the functions made outlives them except what they return.
        EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), baseline_);
        for (const std::string& f : files_) unlink(f.c_str());
        rmdir(dir_.c_str());
    }
    std::string file(const bmp_test::Picture& p, int bpp, bool top_down = false) {
        const std::string path = dir_ + "/p" + std::to_string(files_.size()) + ".bmp";
        files_.push_back(path);
        EXPECT_TRUE(bmp_test::write(path, p, bpp, top_down));
        return path;
    }

    std::string dir_;
    std::vector<std::string> files_;
    DWORD baseline_ = 0;
};

// Whether a pixel is left out of the region by the key and tolerance.
bool keyed(Rgb c, COLORREF key, int tol) {
    auto in = [&](int v, int low) { return v >= low && v <= std::min(low + tol, 255); };
    return in(c.r, GetRValue(key)) && in(c.g, GetGValue(key)) && in(c.b, GetBValue(key));
}

// Compares a region pixel by pixel with the picture's opaque pixels, and checks that the
// region covers nothing outside the picture.
void expect_shape(HRGN rgn, const bmp_test::Picture& p, COLORREF key, int tol) {
    ASSERT_NE(rgn, nullptr);
    int covered = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const bool expected = !keyed(p.at(x, y), key, tol);
            ASSERT_EQ(PtInRegion(rgn, x, y) != FALSE, expected) << "pixel " << x << "," << y;
            covered += expected;
        }
    RECT box;
    const int type = GetRgnBox(rgn, &box);
    if (covered == 0) {
        EXPECT_EQ(type, NULLREGION);
    } else {
        EXPECT_GE(box.left, 0);
        EXPECT_GE(box.top, 0);
        EXPECT_LE(box.right, p.width);
        EXPECT_LE(box.bottom, p.height);
    }
}

TEST_F(RegionFiles, AllKeyColourGivesAnEmptyRegionNotFailure) {
    for (int bpp : {1, 8, 24, 32}) {
        SCOPED_TRACE(bpp);
        HRGN rgn = BITMAPTOREGION(file(bmp_test::filled(17, 9, MAGENTA), bpp), 0x00FF00FF, 0);
        ASSERT_NE(rgn, nullptr);
        RECT box{1, 1, 1, 1};
        EXPECT_EQ(GetRgnBox(rgn, &box), NULLREGION);
        EXPECT_TRUE(DeleteObject(rgn));
    }
}

TEST_F(RegionFiles, NoTransparentPixelCoversTheWholeBitmapRowByRow) {
    const bmp_test::Picture p = bmp_test::filled(31, 12, BLUE);
    HRGN rgn = BITMAPTOREGION(file(p, 24), 0x00FF00FF, 1);
    HRGN full = CreateRectRgn(0, 0, 31, 12);
    EXPECT_TRUE(EqualRgn(rgn, full));
    DeleteObject(full);
    DeleteObject(rgn);
}

TEST_F(RegionFiles, ToleranceReachesUpwardsOnlyAndSaturates) {
    // Key (250, 0, 250), tolerance 10.
    const std::vector<std::pair<Rgb, bool>> cases{
        {{250, 0, 250}, true},  {{255, 10, 255}, true}, {{253, 5, 250}, true},  {{249, 0, 250}, false},
        {{250, 0, 249}, false}, {{250, 11, 250}, false}, {{255, 0, 254}, true},  {{240, 0, 250}, false},
    };
    bmp_test::Picture p = bmp_test::filled(int(cases.size()), 1, BLUE);
    for (size_t i = 0; i < cases.size(); ++i) p.at(int(i), 0) = cases[i].first;
    HRGN rgn = BITMAPTOREGION(file(p, 24), RGB(250, 0, 250), 10);
    ASSERT_NE(rgn, nullptr);
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(PtInRegion(rgn, int(i), 0) == FALSE, cases[i].second) << "case " << i;
    DeleteObject(rgn);

    // Only the exact key with tolerance 0.
    p = bmp_test::filled(3, 1, MAGENTA);
    p.at(1, 0) = Rgb{255, 1, 255};
    p.at(2, 0) = Rgb{254, 0, 255};
    rgn = BITMAPTOREGION(file(p, 24), 0x00FF00FF, 0);
    EXPECT_FALSE(PtInRegion(rgn, 0, 0));
    EXPECT_TRUE(PtInRegion(rgn, 1, 0));
    EXPECT_TRUE(PtInRegion(rgn, 2, 0));
    DeleteObject(rgn);

    // Channel limits saturate at 255 instead of wrapping: key 255 with tolerance 200 keeps
    // 255 transparent (a wrapped limit of 199 would make nothing transparent).
    p = bmp_test::filled(4, 1, MAGENTA);
    p.at(1, 0) = Rgb{255, 200, 255};
    p.at(2, 0) = Rgb{255, 201, 255};
    p.at(3, 0) = Rgb{100, 0, 255};
    rgn = BITMAPTOREGION(file(p, 24), 0x00FF00FF, 200);
    EXPECT_FALSE(PtInRegion(rgn, 0, 0));
    EXPECT_FALSE(PtInRegion(rgn, 1, 0));
    EXPECT_TRUE(PtInRegion(rgn, 2, 0));
    EXPECT_TRUE(PtInRegion(rgn, 3, 0));
    DeleteObject(rgn);
    // Tolerance 255 from key 0 makes every pixel transparent.
    rgn = BITMAPTOREGION(file(p, 24), 0, 255);
    RECT box;
    EXPECT_EQ(GetRgnBox(rgn, &box), NULLREGION);
    DeleteObject(rgn);
}

TEST_F(RegionFiles, RunsAroundTransparentPixelsAtEdgesAndSideBySide) {
    // Transparent at the start, two side by side, one at the end, single opaque pixels.
    const char* rows[] = {"..##..#.", "#......#", ".#.#.#.#", "########", "........"};
    bmp_test::Picture p = bmp_test::filled(8, 5, MAGENTA);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x)
            if (rows[y][x] == '#') p.at(x, y) = BLUE;
    HRGN rgn = BITMAPTOREGION(file(p, 24), 0x00FF00FF, 1);
    expect_shape(rgn, p, 0x00FF00FF, 1);
    // No box of the result is empty.
    std::vector<uint8_t> buf(GetRegionData(rgn, 0, nullptr));
    ASSERT_EQ(GetRegionData(rgn, DWORD(buf.size()), reinterpret_cast<RGNDATA*>(buf.data())), buf.size());
    const RGNDATAHEADER* h = reinterpret_cast<const RGNDATAHEADER*>(buf.data());
    const RECT* r = reinterpret_cast<const RECT*>(buf.data() + sizeof(RGNDATAHEADER));
    for (DWORD i = 0; i < h->nCount; ++i) {
        EXPECT_LT(r[i].left, r[i].right);
        EXPECT_LT(r[i].top, r[i].bottom);
    }
    DeleteObject(rgn);
}

TEST_F(RegionFiles, ManyRunsInChunksGiveTheSameShapeAsOneStep) {
    // 160 x 120 with alternating single pixels, shifted per row: 80 runs a row, 9600 runs
    // in all, so the rectangle list is flushed four times and grows past its first size.
    bmp_test::Picture p = bmp_test::filled(160, 120, MAGENTA);
    std::mt19937 rng(7);
    for (int y = 0; y < 120; ++y)
        for (int x = (y % 2); x < 160; x += 2) p.at(x, y) = Rgb{uint8_t(rng() % 200), 30, 40};
    HRGN rgn = BITMAPTOREGION(file(p, 24), 0x00FF00FF, 1);
    expect_shape(rgn, p, 0x00FF00FF, 1);
    // The same runs in a single region.
    std::vector<RECT> runs;
    for (int y = 0; y < 120; ++y)
        for (int x = (y % 2); x < 160; x += 2) runs.push_back(RECT{x, y, x + 1, y + 1});
    std::vector<uint8_t> buf(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
    RGNDATAHEADER h{sizeof(RGNDATAHEADER), RDH_RECTANGLES, DWORD(runs.size()), 0, {0, 0, 160, 120}};
    std::memcpy(buf.data(), &h, sizeof(h));
    std::memcpy(buf.data() + sizeof(h), runs.data(), runs.size() * sizeof(RECT));
    HRGN single = ExtCreateRegion(nullptr, DWORD(buf.size()), reinterpret_cast<const RGNDATA*>(buf.data()));
    EXPECT_TRUE(EqualRgn(rgn, single));
    DeleteObject(single);
    DeleteObject(rgn);
}

TEST_F(RegionFiles, ExactlyTwoThousandRunsAndRandomShapesAtEveryDepth) {
    // 2000 runs exactly: the last flush starts from an empty list.
    bmp_test::Picture p = bmp_test::filled(100, 40, MAGENTA);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 100; x += 2) p.at(x, y) = BLUE;
    HRGN rgn = BITMAPTOREGION(file(p, 24), 0x00FF00FF, 1);
    expect_shape(rgn, p, 0x00FF00FF, 1);
    DeleteObject(rgn);

    // Random blobs over a few colours, written at every depth: every depth gives the shape.
    std::mt19937 rng(11);
    const Rgb colours[] = {MAGENTA, BLUE, Rgb{255, 1, 255}, Rgb{0, 0, 0}};
    bmp_test::Picture q = bmp_test::filled(37, 23, MAGENTA);
    for (Rgb& c : q.pixels) c = colours[rng() % 4];
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bpp);
        bmp_test::Picture shown = q;
        if (bpp == 1)  // two colours only
            for (Rgb& c : shown.pixels) c = (c == MAGENTA) ? MAGENTA : BLUE;
        for (bool top_down : {false, true}) {
            rgn = BITMAPTOREGION(file(shown, bpp, top_down), 0x00FF00FF, 1);
            expect_shape(rgn, shown, 0x00FF00FF, 1);
            DeleteObject(rgn);
        }
    }
}

// Long and short runs over rows of every width around the 64-pixel words the scan reads,
// with colours on both sides of each edge of the key box, for several keys and tolerances
// (a 32-bit file with a fourth byte that must not count as well).
TEST_F(RegionFiles, RunsAcrossWordsAndColoursAtTheEdgesOfTheKeyBox) {
    struct Key {
        COLORREF key;
        int tol;
    };
    const Key keys[] = {{RGB(250, 0, 250), 10}, {0x00FF00FF, 1}, {0, 0}, {RGB(17, 200, 255), 3}, {RGB(0, 128, 1), 255}};
    std::mt19937 rng(13);
    auto edge_value = [&](int low, int tol) {  // a channel value on either side of the box's edges
        const int high = std::min(low + tol, 255);
        const int choices[] = {low, high, low - 1, high + 1, low + int(rng() % unsigned(tol + 1)), int(rng() % 256)};
        return uint8_t(std::clamp(choices[rng() % 6], 0, 255));
    };
    for (const Key& k : keys) {
        for (int width : {1, 3, 4, 5, 63, 64, 65, 127, 128, 130, 200}) {
            SCOPED_TRACE("key " + std::to_string(k.key) + " tolerance " + std::to_string(k.tol) + " width " +
                         std::to_string(width));
            bmp_test::Picture p = bmp_test::filled(width, 6, BLUE);
            for (int y = 0; y < p.height; ++y) {
                for (int x = 0; x < width;) {
                    // A run of one colour, from one pixel to longer than a word.
                    const Rgb c{edge_value(GetRValue(k.key), k.tol), edge_value(GetGValue(k.key), k.tol),
                                edge_value(GetBValue(k.key), k.tol)};
                    const int length = rng() % 4 == 0 ? 1 + int(rng() % 150) : 1 + int(rng() % 3);
                    for (int i = 0; i < length && x < width; ++i) p.at(x++, y) = c;
                }
            }
            for (int bpp : {24, 32}) {
                std::vector<uint8_t> bytes = bmp_test::encode(p, bpp);
                if (bpp == 32)
                    for (size_t i = 54 + 3; i < bytes.size(); i += 4) bytes[i] = uint8_t(rng());
                const std::string path = dir_ + "/p" + std::to_string(files_.size()) + ".bmp";
                files_.push_back(path);
                ASSERT_TRUE(bmp_test::write_file(path, bytes));
                HRGN rgn = BITMAPTOREGION(path, k.key, BYTE(k.tol));
                expect_shape(rgn, p, k.key, k.tol);
                DeleteObject(rgn);
            }
        }
    }
}

TEST_F(RegionFiles, RowZeroIsTheTopRowOfThePicture) {
    bmp_test::Picture p = bmp_test::filled(5, 4, MAGENTA);
    p.at(1, 0) = BLUE;  // only the top row, second column
    for (bool top_down : {false, true}) {
        HRGN rgn = BITMAPTOREGION(file(p, 24, top_down), 0x00FF00FF, 1);
        RECT box;
        EXPECT_EQ(GetRgnBox(rgn, &box), SIMPLEREGION);
        EXPECT_EQ(box.left, 1);
        EXPECT_EQ(box.top, 0);
        EXPECT_EQ(box.right, 2);
        EXPECT_EQ(box.bottom, 1);
        DeleteObject(rgn);
    }
}

TEST_F(RegionFiles, MissingOrBrokenFilesGiveZero) {
    EXPECT_EQ(BITMAPTOREGION(dir_ + "/none.bmp", 0x00FF00FF, 1), nullptr);
    const std::string broken = dir_ + "/broken.bmp";
    files_.push_back(broken);
    std::vector<uint8_t> bytes = bmp_test::encode(bmp_test::filled(4, 4, BLUE), 24);
    bytes.resize(30);  // header cut short
    ASSERT_TRUE(bmp_test::write_file(broken, bytes));
    EXPECT_EQ(BITMAPTOREGION(broken, 0x00FF00FF, 1), nullptr);
    HPALETTE pal = reinterpret_cast<HPALETTE>(0x55);
    EXPECT_EQ(LOADBMPFROMFILE(broken, pal), nullptr);
    EXPECT_EQ(pal, reinterpret_cast<HPALETTE>(0x55));  // left as the caller had it
}

// A FIFO nobody writes, a directory and /dev/zero named like bitmap files: LOADBMPFROMFILE,
// BITMAPTOREGION and TEXTURELOAD take each for a file that cannot be read, and return at
// once (TEXTURELOAD before any GL call, leaving TEXTUREID as it was).
TEST_F(RegionFiles, SpecialFilesAreUnreadableAndNeverWaitedOn) {
    special_files::Files files;
    ASSERT_TRUE(files.ok());
    TEXTUREID = 77;
    for (const std::string& path : files.all()) {
        SCOPED_TRACE(path);
        const auto loaded = files.within_seconds([path] {
            HPALETTE pal = reinterpret_cast<HPALETTE>(0x55);
            HBITMAP bmp = LOADBMPFROMFILE(path, pal);
            return bmp == nullptr && pal == reinterpret_cast<HPALETTE>(0x55);
        });
        ASSERT_TRUE(loaded.has_value()) << "LOADBMPFROMFILE blocked";
        EXPECT_TRUE(*loaded);
        const auto region = files.within_seconds([path] { return BITMAPTOREGION(path, 0x00FF00FF, 1); });
        ASSERT_TRUE(region.has_value()) << "BITMAPTOREGION blocked";
        EXPECT_EQ(*region, nullptr);
        const auto texture = files.within_seconds([path] {
            TEXTURELOAD(path.c_str());
            return TEXTUREID;
        });
        ASSERT_TRUE(texture.has_value()) << "TEXTURELOAD blocked";
        EXPECT_EQ(*texture, 77u);
    }
    TEXTUREID = 0;
}

TEST_F(RegionFiles, IndexedFilesGetTheirColourTableDeeperOnesTheHalftonePalette) {
    bmp_test::Picture p = bmp_test::filled(4, 2, Rgb{10, 20, 30});
    p.at(1, 0) = Rgb{200, 100, 50};
    p.at(2, 1) = Rgb{1, 2, 3};
    std::vector<PALETTEENTRY> halftone(256);
    HPALETTE ht = CreateHalftonePalette(nullptr);
    ASSERT_EQ(GetPaletteEntries(ht, 0, 256, halftone.data()), 256u);
    DeleteObject(ht);
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bpp);
        bmp_test::Picture shown = p;
        if (bpp == 1) shown.at(2, 1) = Rgb{10, 20, 30};
        HPALETTE pal = nullptr;
        HBITMAP b = LOADBMPFROMFILE(file(shown, bpp), pal);
        ASSERT_NE(b, nullptr);
        ASSERT_NE(pal, nullptr);
        EXPECT_EQ(GetObjectType(b), DWORD(OBJ_BITMAP));
        DIBSECTION ds{};
        EXPECT_EQ(GetObjectA(b, sizeof(ds), &ds), int(sizeof(DIBSECTION)));  // a DIB section
        std::vector<PALETTEENTRY> e(256);
        ASSERT_EQ(GetPaletteEntries(pal, 0, 0, nullptr), 256u);
        ASSERT_EQ(GetPaletteEntries(pal, 0, 256, e.data()), 256u);
        if (bpp <= 8) {
            // The colour table in order of first appearance (top row first), then zeros.
            EXPECT_EQ(e[0].peRed, 10);
            EXPECT_EQ(e[0].peBlue, 30);
            EXPECT_EQ(e[1].peRed, 200);
            EXPECT_EQ(e[1].peGreen, 100);
            if (bpp > 1) {
                EXPECT_EQ(e[2].peBlue, 3);
            }
            EXPECT_EQ(e[255].peRed, 0);
            EXPECT_EQ(e[255].peFlags, 0);
        } else {
            for (int i = 0; i < 256; ++i) {
                EXPECT_EQ(e[size_t(i)].peRed, halftone[size_t(i)].peRed) << i;
                EXPECT_EQ(e[size_t(i)].peBlue, halftone[size_t(i)].peBlue) << i;
            }
        }
        EXPECT_TRUE(DeleteObject(b));
        EXPECT_TRUE(DeleteObject(pal));
    }
}

}  // namespace
