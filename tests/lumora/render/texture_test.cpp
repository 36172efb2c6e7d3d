// Textures made from TGA and BMP files in a headless context: their pixels as OpenGL holds
// them, their parameters, the numbered slots and what a failed load leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "lumora/Lumora.h"
#include "tests/support/bmp_writer.h"
#include "tests/support/gl_window.h"
#include "tests/support/special_files.h"
#include "tests/support/tga_writer.h"
#include "win32/hosts/virtual/virtual_host.h"

namespace {

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ")";
}

// The bound texture's level 0 as R, G, B rows, first row first.
std::vector<Rgb> bound_texels(int& width, int& height) {
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::vector<Rgb> texels(size_t(width) * size_t(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

GLint bound_texture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

class Textures : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<GlWindow>(64, 64);
        ASSERT_TRUE(window->ready());
        std::memset(TEXTURETGA2, 0, sizeof TEXTURETGA2);
        TEXTURETGA = TGATEXTURE{};
        TEXTUREID = 0;
        win32::virtual_host::clear_message_boxes();
    }
    using GlWindow = render_test::GlWindow;
    std::unique_ptr<GlWindow> window;
    tga_test::TempDir dir;
};

// ---------------------------------------------------------------------------------------
// TGA textures
// ---------------------------------------------------------------------------------------
TEST_F(Textures, TgaTextureHoldsTheFilePixelsInFileRowOrder) {
    // 3 x 2 at 24 bits: rows of 9 bytes, not a multiple of OpenGL's 4-byte row alignment.
    tga_test::TgaFile f = tga_test::header(2, 3, 2, 24);
    const std::vector<Rgb> colours = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}, {200, 100, 50}, {1, 2, 3}};
    for (const Rgb& c : colours) tga_test::add_pixel(f, tga_test::Part::pixels, {c.b, c.g, c.r, 0}, 3);
    TEXTURELOADTGA(dir.write("odd.tga", f.bytes));

    ASSERT_NE(TEXTURETGA.TEXID, 0u);
    EXPECT_EQ(bound_texture(), GLint(TEXTURETGA.TEXID));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(TEXTURETGA.IMAGEDATA, nullptr) << "the pixel buffer is released after the upload";
    int w = 0, h = 0;
    const auto texels = bound_texels(w, h);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(texels, colours);
    GLint alpha = -1, value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alpha);
    EXPECT_EQ(alpha, 0) << "24 bits make an RGB texture";
    for (auto [pname, want] : {std::pair{GL_TEXTURE_MIN_FILTER, GL_LINEAR}, std::pair{GL_TEXTURE_MAG_FILTER, GL_LINEAR},
                               std::pair{GL_TEXTURE_WRAP_S, GL_REPEAT}, std::pair{GL_TEXTURE_WRAP_T, GL_REPEAT}}) {
        glGetTexParameteriv(GL_TEXTURE_2D, pname, &value);
        EXPECT_EQ(value, want);
    }
    EXPECT_TRUE(win32::virtual_host::message_box_log().empty());

    // The same from run-length packets that run across the ends of rows: 5 x 3 pixels,
    // rows of 15 bytes.
    tga_test::TgaFile rle = tga_test::header(10, 5, 3, 24);
    std::vector<Rgb> expected;
    auto raw = [&](const std::vector<Rgb>& pixels) {
        std::vector<tga_test::FilePixel> file_pixels;
        for (const Rgb& c : pixels) file_pixels.push_back({c.b, c.g, c.r, 0});
        tga_test::add_raw_packet(rle, file_pixels, 3);
        expected.insert(expected.end(), pixels.begin(), pixels.end());
    };
    auto run = [&](unsigned count, const Rgb& c) {
        tga_test::add_run_packet(rle, count, {c.b, c.g, c.r, 0}, 3);
        expected.insert(expected.end(), count, c);
    };
    raw({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}});
    run(3, {200, 100, 50});                                               // pixels 4 to 6
    raw({{13, 14, 15}, {16, 17, 18}, {19, 20, 21}, {22, 23, 24}, {25, 26, 27}});  // 7 to 11
    run(3, {90, 80, 70});                                                 // 12 to 14
    TEXTURELOADTGA(dir.write("odd_rle.tga", rle.bytes));
    EXPECT_EQ(bound_texture(), GLint(TEXTURETGA.TEXID));
    EXPECT_EQ(bound_texels(w, h), expected);
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
    EXPECT_TRUE(win32::virtual_host::message_box_log().empty());
}

// A TGA picture for the alignment cases: every pixel its own colour (and alpha), written
// raw or as run-length packets that cross the ends of rows (three raw pixels, then a run of
// two); `expected` gets R, G, B, A of every pixel in file order (A 255 at 24 bits).
std::vector<uint8_t> alignment_case(unsigned width, unsigned height, uint8_t bpp, bool rle,
                                    std::vector<uint8_t>& expected) {
    const unsigned bytes = bpp / 8u;
    tga_test::TgaFile f = tga_test::header(rle ? 10 : 2, width, height, bpp);
    auto colour = [](unsigned i) {
        return tga_test::FilePixel{uint8_t(i * 29 + 3), uint8_t(i * 13 + 2), uint8_t(i * 7 + 1), uint8_t(i * 31 + 4)};
    };
    auto expect = [&](const tga_test::FilePixel& p) {
        expected.insert(expected.end(), {p.r, p.g, p.b, bytes == 4 ? p.a : uint8_t(255)});
    };
    const unsigned count = width * height;
    for (unsigned i = 0; i < count;) {
        if (!rle) {
            tga_test::add_pixel(f, tga_test::Part::pixels, colour(i), bytes);
            expect(colour(i++));
            continue;
        }
        std::vector<tga_test::FilePixel> raw;
        for (unsigned k = 0; k < 3 && i < count; ++k, ++i) {
            raw.push_back(colour(i));
            expect(colour(i));
        }
        tga_test::add_raw_packet(f, raw, bytes);
        const unsigned run = std::min(2u, count - i);
        if (run == 0) break;
        tga_test::add_run_packet(f, run, colour(i), bytes);
        for (unsigned k = 0; k < run; ++k) expect(colour(i));
        i += run;
    }
    return f.bytes;
}

std::vector<uint8_t> bound_rgba(int width, int height) {
    std::vector<uint8_t> rgba(size_t(width) * size_t(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

GLint unpack_alignment() {
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    return alignment;
}

// Whatever unpack alignment a program left, a TGA texture holds the file's pixels: odd
// widths (rows of 3, 9, 15 or 21 bytes at 24 bits, 4 to 28 at 32), raw and run-length files,
// loaded directly and compiled into a display list that is run later under another
// alignment. The load leaves the program's alignment as it was.
TEST_F(Textures, TgaTexturesHoldTheFilePixelsUnderAnyUnpackAlignment) {
    int slot = 0;
    for (GLint alignment : {1, 2, 4, 8}) {
        for (uint8_t bpp : {uint8_t(24), uint8_t(32)}) {
            for (bool rle : {false, true}) {
                for (unsigned width : {1u, 3u, 5u, 7u}) {
                    const unsigned height = 3;
                    SCOPED_TRACE("alignment " + std::to_string(alignment) + ", " + std::to_string(bpp) + " bits" +
                                 (rle ? ", run-length" : ", raw") + ", " + std::to_string(width) + " x 3");
                    std::vector<uint8_t> expected;
                    const std::string file = dir.write("aligned.tga", alignment_case(width, height, bpp, rle, expected));
                    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
                    TEXTURELOADTGAID(file, slot);
                    ASSERT_NE(TEXTURETGA2[slot].TEXID, 0u);
                    EXPECT_EQ(unpack_alignment(), alignment);
                    EXPECT_EQ(bound_rgba(int(width), int(height)), expected);

                    // Compiled into a list: the list keeps the pixels as unpacked at compile time.
                    const GLuint list = glGenLists(1);
                    glNewList(list, GL_COMPILE);
                    TEXTURELOADTGA(file);
                    glEndList();
                    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment == 8 ? 1 : 8);
                    glBindTexture(GL_TEXTURE_2D, 0);
                    glCallList(list);
                    ASSERT_EQ(bound_texture(), GLint(TEXTURETGA.TEXID));
                    EXPECT_EQ(bound_rgba(int(width), int(height)), expected) << "from the list";
                    glDeleteLists(list, 1);
                    slot = (slot + 1) % (MAXTEXTURESLOT + 1);
                }
            }
        }
    }
    EXPECT_TRUE(win32::virtual_host::message_box_log().empty());
}

TEST_F(Textures, ThirtyTwoBitTgaMakesAnRgbaTexture) {
    tga_test::TgaFile f = tga_test::header(10, 2, 2, 32);
    tga_test::add_run_packet(f, 4, {30, 20, 10, 128}, 4);
    TEXTURELOADTGAID(dir.write("rgba.tga", f.bytes), 7);
    ASSERT_NE(TEXTURETGA2[7].TEXID, 0u);
    EXPECT_EQ(TEXTURETGA2[7].TYP, LONGWORD(GL_RGBA));
    EXPECT_EQ(bound_texture(), GLint(TEXTURETGA2[7].TEXID));
    GLint alpha = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alpha);
    EXPECT_GT(alpha, 0);
    std::vector<uint8_t> rgba(16);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    EXPECT_EQ(rgba[0], 10);
    EXPECT_EQ(rgba[2], 30);
    EXPECT_EQ(rgba[3], 128);
}

TEST_F(Textures, SlotsHoldSeparateTexturesAndSelectBindsThem) {
    tga_test::TgaFile f = tga_test::header(2, 1, 1, 24);
    f.add(tga_test::Part::pixels, {1, 2, 3});
    const std::string file = dir.write("one.tga", f.bytes);
    TEXTURELOADTGAID(file, 0);
    TEXTURELOADTGAID(file, 1);
    ASSERT_NE(TEXTURETGA2[0].TEXID, 0u);
    ASSERT_NE(TEXTURETGA2[1].TEXID, 0u);
    EXPECT_NE(TEXTURETGA2[0].TEXID, TEXTURETGA2[1].TEXID);
    EXPECT_EQ(bound_texture(), GLint(TEXTURETGA2[1].TEXID));

    TEXTURETGASELECTID(0);
    EXPECT_EQ(bound_texture(), GLint(TEXTURETGA2[0].TEXID));
    TEXTURETGASELECTID(150);  // never loaded: the default texture
    EXPECT_EQ(bound_texture(), 0);

    // Slots outside 0..200 are ignored.
    TEXTURETGASELECTID(0);
    TEXTURETGASELECTID(-1);
    TEXTURETGASELECTID(201);
    TEXTURETGASELECTID(INT32_MIN);
    EXPECT_EQ(bound_texture(), GLint(TEXTURETGA2[0].TEXID));
    TEXTURELOADTGAID(file, 201);
    TEXTURELOADTGAID(file, -1);
    EXPECT_EQ(bound_texture(), GLint(TEXTURETGA2[0].TEXID));
    TEXTURELOADTGAID(file, 200);
    EXPECT_NE(TEXTURETGA2[200].TEXID, 0u);
}

TEST_F(Textures, FailedTgaLoadsKeepTheSlotAndBindNothing) {
    tga_test::TgaFile f = tga_test::header(2, 1, 1, 24);
    f.add(tga_test::Part::pixels, {1, 2, 3});
    TEXTURELOADTGAID(dir.write("one.tga", f.bytes), 5);
    TEXTURELOADTGA(dir.file("one.tga"));
    const LONGWORD slot_name = TEXTURETGA2[5].TEXID, unit_name = TEXTURETGA.TEXID;
    glBindTexture(GL_TEXTURE_2D, 0);

    TEXTURELOADTGAID(dir.file("missing.tga"), 5);
    TEXTURELOADTGA(dir.file("missing.tga"));
    EXPECT_EQ(TEXTURETGA2[5].TEXID, slot_name);
    EXPECT_EQ(TEXTURETGA.TEXID, unit_name);
    EXPECT_TRUE(win32::virtual_host::message_box_log().empty()) << "a missing file is skipped silently";

    tga_test::TgaFile grey = tga_test::header(3, 1, 1, 8);
    grey.add(tga_test::Part::pixels, {1});
    TEXTURELOADTGAID(dir.write("grey.tga", grey.bytes), 5);
    TEXTURELOADTGA(dir.file("grey.tga"));
    EXPECT_EQ(TEXTURETGA2[5].TEXID, slot_name);
    EXPECT_EQ(TEXTURETGA.TEXID, unit_name);
    EXPECT_EQ(win32::virtual_host::message_box_log().size(), 2u) << "the reader reports a rejected file";
    EXPECT_EQ(bound_texture(), 0);
    EXPECT_EQ(TEXTURETGA.IMAGEDATA, nullptr);
}

// Names that exist but are no files on disk are files the reader cannot open: the box, at
// once, never a wait; a directory is skipped as silently as a missing file.
TEST_F(Textures, FifosAndDevicesAreUnreadableFilesAndDirectoriesAreSkipped) {
    const std::string fifo = dir.file("fifo.tga");
    ASSERT_TRUE(special_files::make_fifo(fifo));
    std::vector<std::string> unreadable = {fifo};
    if (access("/dev/zero", R_OK) == 0) unreadable.push_back("/dev/zero");
    glBindTexture(GL_TEXTURE_2D, 0);
    for (const std::string& name : unreadable) {
        SCOPED_TRACE(name);
        win32::virtual_host::clear_message_boxes();
        const auto loaded = special_files::within_seconds(
            [&] {
                TEXTURELOADTGA(name);
                TEXTURELOADTGAID(name, 4);
                return 0;
            },
            [&] { special_files::release_fifo(fifo); });
        ASSERT_TRUE(loaded) << "loading " << name << " blocked";
        const auto& boxes = win32::virtual_host::message_box_log();
        ASSERT_EQ(boxes.size(), 2u);
        for (const auto& box : boxes) {
            EXPECT_EQ(box.text, "Could not open texture file");
            EXPECT_EQ(box.caption, "ERROR");
            EXPECT_EQ(box.flags, unsigned(MB_OK));
        }
    }
    win32::virtual_host::clear_message_boxes();
    TEXTURELOADTGA(dir.path());
    TEXTURELOADTGAID(dir.path(), 4);
    EXPECT_TRUE(win32::virtual_host::message_box_log().empty()) << "a directory is skipped silently";
    EXPECT_EQ(TEXTURETGA.TEXID, 0u);
    EXPECT_EQ(TEXTURETGA2[4].TEXID, 0u);
    EXPECT_EQ(bound_texture(), 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

// An image wider or taller than the context's largest texture is refused by the reader as an
// image it cannot allocate; one of exactly that width is uploaded.
TEST_F(Textures, ImagesBeyondTheContextsLargestTextureAreRefused) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    ASSERT_GT(largest, 1024);
    if (largest >= 65535) GTEST_SKIP() << "this context holds textures of any width a TGA file can declare";
    auto file = [&](const char* name, unsigned width, unsigned height) {
        tga_test::TgaFile f = tga_test::header(10, width, height, 32);
        for (unsigned left = width * height; left > 0;) {
            const unsigned n = std::min(left, 128u);
            tga_test::add_run_packet(f, n, {1, 2, 3, 4}, 4);
            left -= n;
        }
        return dir.write(name, f.bytes);
    };
    const unsigned side = unsigned(largest);
    TEXTURELOADTGAID(file("wide.tga", side, 1), 1);
    ASSERT_NE(TEXTURETGA2[1].TEXID, 0u);
    int w = 0, h = 0;
    bound_texels(w, h);
    EXPECT_EQ(w, largest);
    EXPECT_TRUE(win32::virtual_host::message_box_log().empty());

    glBindTexture(GL_TEXTURE_2D, 0);
    TEXTURELOADTGAID(file("wider.tga", side + 1, 1), 2);
    TEXTURELOADTGA(file("taller.tga", 1, side + 1));
    const auto& boxes = win32::virtual_host::message_box_log();
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.text, "Could not allocate memory for image");
        EXPECT_EQ(box.caption, "ERROR");
    }
    EXPECT_EQ(TEXTURETGA2[2].TEXID, 0u);
    EXPECT_EQ(TEXTURETGA.TEXID, 0u);
    EXPECT_EQ(bound_texture(), 0);
}

TEST(SwapRgb, SwapsTheOuterBytesOfEachGroup) {
    uint8_t data[7] = {1, 2, 3, 4, 5, 6, 7};
    SWAPRGB(data, 2);
    EXPECT_EQ(std::vector<uint8_t>(data, data + 7), (std::vector<uint8_t>{3, 2, 1, 6, 5, 4, 7}));
    SWAPRGB(data, 0);
    SWAPRGB(data, -3);
    EXPECT_EQ(std::vector<uint8_t>(data, data + 7), (std::vector<uint8_t>{3, 2, 1, 6, 5, 4, 7}));
}

// ---------------------------------------------------------------------------------------
// BMP textures
// ---------------------------------------------------------------------------------------
const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255}, kBlack{0, 0, 0},
    kYellow{255, 255, 0};

// Encodes a colour as a pixel value of a masked depth (every channel fully on or off).
uint32_t masked(const Rgb& c, const uint32_t masks[3]) {
    return (c.r ? masks[0] : 0) | (c.g ? masks[1] : 0) | (c.b ? masks[2] : 0);
}

struct BitmapCase {
    std::string name;
    bmp_test::BmpSpec spec;
    std::vector<std::vector<Rgb>> picture;  // top row first
};

std::vector<BitmapCase> bitmap_cases() {
    const std::vector<std::vector<Rgb>> six = {{kRed, kGreen, kBlue}, {kWhite, kBlack, kYellow}};
    std::vector<BitmapCase> cases;
    for (bool top_down : {false, true}) {
        const std::string order = top_down ? ", top-down" : ", bottom-up";
        {
            BitmapCase c{"24 bits, 3 x 2 with fill bytes" + order, {}, {}};
            c.picture = {{{16, 32, 48}, {64, 80, 96}, {112, 128, 144}}, {{160, 176, 192}, {208, 224, 240}, {1, 2, 3}}};
            c.spec.width = 3;
            c.spec.height = 2;
            c.spec.top_down = top_down;
            for (const auto& row : c.picture) {
                std::vector<uint32_t> values;
                for (const Rgb& p : row) values.push_back(uint32_t(p.r) << 16 | uint32_t(p.g) << 8 | p.b);
                c.spec.rows.push_back(values);
            }
            cases.push_back(c);
            BitmapCase wide = c;  // 4 x 2: rows without fill bytes
            wide.name = "24 bits, 4 x 2" + order;
            wide.spec.width = 4;
            for (size_t y = 0; y < 2; ++y) {
                wide.picture[y].push_back({9, 99, 199});
                wide.spec.rows[y].push_back(0x0963C7);
            }
            cases.push_back(wide);
        }
        for (int bits : {1, 4, 8}) {
            BitmapCase c{std::to_string(bits) + " bits" + order, {}, {}};
            c.spec.width = 3;
            c.spec.height = 2;
            c.spec.bit_count = bits;
            c.spec.top_down = top_down;
            std::vector<Rgb> palette = bits == 1 ? std::vector<Rgb>{{10, 20, 30}, {200, 150, 100}}
                                                 : std::vector<Rgb>{kRed, kGreen, kBlue, kWhite, kBlack, kYellow};
            for (const Rgb& p : palette) c.spec.palette.insert(c.spec.palette.end(), {p.b, p.g, p.r, 0});
            c.spec.colors_used = uint32_t(palette.size());
            c.spec.rows = bits == 1 ? std::vector<std::vector<uint32_t>>{{1, 0, 1}, {0, 0, 1}}
                                    : std::vector<std::vector<uint32_t>>{{0, 1, 2}, {3, 4, 5}};
            for (const auto& row : c.spec.rows) {
                std::vector<Rgb> line;
                for (uint32_t i : row) line.push_back(palette[i]);
                c.picture.push_back(line);
            }
            cases.push_back(c);
        }
        struct Masked {
            const char* name;
            int bits;
            uint32_t compression;
            uint32_t masks[3];
        };
        for (const Masked& m : {Masked{"16 bits 5-5-5", 16, BI_RGB, {0x7C00, 0x03E0, 0x001F}},
                                Masked{"16 bits 5-6-5", 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}},
                                Masked{"32 bits", 32, BI_RGB, {0xFF0000, 0xFF00, 0xFF}},
                                Masked{"32 bits R-G-B reversed", 32, BI_BITFIELDS, {0xFF, 0xFF00, 0xFF0000}}}) {
            BitmapCase c{std::string(m.name) + order, {}, six};
            c.spec.width = 3;
            c.spec.height = 2;
            c.spec.bit_count = m.bits;
            c.spec.top_down = top_down;
            c.spec.compression = m.compression;
            std::memcpy(c.spec.masks, m.masks, sizeof m.masks);
            for (const auto& row : six) {
                std::vector<uint32_t> values;
                for (const Rgb& p : row) values.push_back(masked(p, m.masks));
                c.spec.rows.push_back(values);
            }
            cases.push_back(c);
        }
    }
    return cases;
}

TEST_F(Textures, BitmapTexturesShowEveryPixelInItsFileColour) {
    for (const BitmapCase& c : bitmap_cases()) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("picture.bmp");
        ASSERT_TRUE(bmp_test::write_file(path, bmp_test::encode(c.spec)));
        const LONGWORD before = TEXTUREID;
        TEXTURELOAD(path.c_str());
        ASSERT_NE(TEXTUREID, before);
        EXPECT_EQ(bound_texture(), GLint(TEXTUREID));
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        int w = 0, h = 0;
        const auto texels = bound_texels(w, h);
        ASSERT_EQ(w, c.spec.width);
        ASSERT_EQ(h, c.spec.height);
        for (int y = 0; y < h; ++y) {  // texture row 0 is the picture's bottom row
            for (int x = 0; x < w; ++x) {
                EXPECT_EQ(texels[size_t(y * w + x)], c.picture[size_t(h - 1 - y)][size_t(x)])
                    << "texel " << x << ", " << y;
            }
        }
    }
}

// A display list keeps a copy of every image loaded while it is compiled, and fills the
// texture from it each time it runs. A file loaded again into the same list binds the
// texture of its first load there (one copy in the list, one texture), for bitmaps and TGA
// files alike, and the list still shows each file's picture where it binds it. Another
// list, or a load outside any list, makes a texture of its own.
TEST_F(Textures, AFileLoadedAgainIntoTheSameListBindsItsFirstTexture) {
    bmp_test::BmpSpec red_spec;
    red_spec.width = 2;
    red_spec.height = 1;
    red_spec.rows = {{0xFF0000, 0xFF0000}};
    bmp_test::BmpSpec blue_spec = red_spec;
    blue_spec.rows = {{0x0000FF, 0x0000FF}};
    const std::string red = dir.file("red.bmp"), blue = dir.file("blue.bmp");
    ASSERT_TRUE(bmp_test::write_file(red, bmp_test::encode(red_spec)));
    ASSERT_TRUE(bmp_test::write_file(blue, bmp_test::encode(blue_spec)));
    tga_test::TgaFile green = tga_test::header(2, 1, 1, 24);
    green.add(tga_test::Part::pixels, {0, 255, 0});
    const std::string tga = dir.write("green.tga", green.bytes);

    std::vector<GLuint> bound;  // the texture each load left bound, in order
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    for (const std::string* file : {&red, &blue, &red, &tga, &red, &tga}) {
        if (file == &tga) {
            TEXTURELOADTGA(*file);
            bound.push_back(TEXTURETGA.TEXID);
        } else {
            TEXTURELOAD(file->c_str());
            bound.push_back(TEXTUREID);
        }
    }
    glEndList();
    ASSERT_EQ(bound.size(), 6u);
    EXPECT_NE(bound[0], bound[1]);
    EXPECT_NE(bound[0], bound[3]);
    EXPECT_EQ(bound[2], bound[0]) << "red.bmp again: the texture of its first load";
    EXPECT_EQ(bound[4], bound[0]);
    EXPECT_EQ(bound[5], bound[3]) << "green.tga again: the texture of its first load";
    EXPECT_EQ(TEXTURETGA.WIDTH, 1u);
    EXPECT_EQ(TEXTURETGA.TYP, LONGWORD(GL_RGB));
    EXPECT_EQ(TEXTURETGA.IMAGEDATA, nullptr);

    glBindTexture(GL_TEXTURE_2D, 0);
    glCallList(list);
    EXPECT_EQ(bound_texture(), GLint(bound[5]));
    int w = 0, h = 0;
    EXPECT_EQ(bound_texels(w, h), (std::vector<Rgb>{{0, 255, 0}}));
    glBindTexture(GL_TEXTURE_2D, bound[0]);
    EXPECT_EQ(bound_texels(w, h), (std::vector<Rgb>{kRed, kRed}));
    glBindTexture(GL_TEXTURE_2D, bound[1]);
    EXPECT_EQ(bound_texels(w, h), (std::vector<Rgb>{kBlue, kBlue}));

    // Another list, and loads outside any list, make textures of their own.
    const GLuint other = glGenLists(1);
    glNewList(other, GL_COMPILE);
    TEXTURELOAD(red.c_str());
    glEndList();
    EXPECT_NE(TEXTUREID, bound[0]);
    const LONGWORD in_other = TEXTUREID;
    TEXTURELOAD(red.c_str());
    const LONGWORD outside = TEXTUREID;
    TEXTURELOAD(red.c_str());
    EXPECT_NE(outside, in_other);
    EXPECT_NE(TEXTUREID, outside);
    EXPECT_EQ(bound_texels(w, h), (std::vector<Rgb>{kRed, kRed}));
    glDeleteLists(list, 1);
    glDeleteLists(other, 1);
}

TEST_F(Textures, UnreadableBitmapsMakeNoTexture) {
    glBindTexture(GL_TEXTURE_2D, 0);
    TEXTURELOAD(dir.file("missing.bmp").c_str());
    const std::string garbage = dir.file("garbage.bmp");
    ASSERT_TRUE(bmp_test::write_file(garbage, {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0}));
    TEXTURELOAD(garbage.c_str());
    // A 1-bit picture one pixel wider than the largest texture: a small file that would
    // become a 3-byte-per-pixel copy no context can take.
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    bmp_test::BmpSpec wide;
    wide.width = largest + 1;
    wide.height = 2;
    wide.bit_count = 1;
    wide.palette = {0, 0, 0, 0, 255, 255, 255, 0};
    wide.rows.assign(2, std::vector<uint32_t>(size_t(wide.width), 1));
    const std::string too_wide = dir.file("wide.bmp");
    ASSERT_TRUE(bmp_test::write_file(too_wide, bmp_test::encode(wide)));
    HANDLE readable = LoadImageA(nullptr, too_wide.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    ASSERT_NE(readable, nullptr);  // the file itself is fine
    DeleteObject(readable);
    TEXTURELOAD(too_wide.c_str());
    EXPECT_EQ(TEXTUREID, 0u);
    EXPECT_EQ(bound_texture(), 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(win32::virtual_host::message_box_log().empty());
}

}  // namespace
