// Lumora on the Win32 it runs on: our subset here, the real API on Windows (under Wine when
// cross-built). The same checks on both, so what real Win32 refuses shows up on either.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "lumora/Lumora.h"
#include "message_boxes.h"
#include "tests/support/bmp_writer.h"

namespace fs = std::filesystem;

namespace {

// A scratch folder of the test's own, removed with its files.
struct Scratch {
    fs::path dir;
    Scratch() {
        dir = fs::temp_directory_path() / ("lumora-platform-" + std::to_string(GetTickCount()));
        fs::create_directories(dir);
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        const std::string path = (dir / name).string();
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return path;
    }
};

// The window and GL context every test here draws with, made once as the viewer makes its own.
class LumoraPlatform : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        platform_test::watch_message_boxes();
        CREATEOGLWINDOW("Lumora platform test", 320, 240, 32, false);
    }
    static void TearDownTestSuite() { DELETEOGLWINDOW(); }
    void SetUp() override { platform_test::take_message_boxes(); }
};

// The RGB pixels of the bound texture, rows bottom-up without padding.
std::vector<uint8_t> bound_texture_rgb(int width, int height) {
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

GLint bound_texture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

// A 26 x 2 true-colour image: its width is the byte 0x1A, which a text-mode read takes for the
// end of the file, and so is one channel of every pixel.
constexpr int kWidth = 0x1A, kHeight = 2;
uint8_t channel(int i, int c) { return c == 1 ? 0x1A : uint8_t(i * 7 + c * 40); }

std::vector<uint8_t> expected_rgb() {
    std::vector<uint8_t> rgb;
    for (int i = 0; i < kWidth * kHeight; ++i)
        for (int c = 0; c < 3; ++c) rgb.push_back(channel(i, c));
    return rgb;
}

std::vector<uint8_t> tga_header(uint8_t type) {
    return {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0, kWidth, 0, kHeight, 0, 24, 0};
}

void add_bgr(std::vector<uint8_t>& file, int i) {
    file.push_back(channel(i, 2));
    file.push_back(channel(i, 1));
    file.push_back(channel(i, 0));
}

std::vector<uint8_t> uncompressed_tga() {
    std::vector<uint8_t> file = tga_header(2);
    for (int i = 0; i < kWidth * kHeight; ++i) add_bgr(file, i);
    return file;
}

// Raw packets of 26 pixels: every packet header is 25 (0x19) ... and the first one 0x1A - 1.
std::vector<uint8_t> compressed_tga() {
    std::vector<uint8_t> file = tga_header(10);
    for (int row = 0; row < kHeight; ++row) {
        file.push_back(kWidth - 1);
        for (int x = 0; x < kWidth; ++x) add_bgr(file, row * kWidth + x);
    }
    return file;
}

}  // namespace

TEST_F(LumoraPlatform, TgaFilesHoldingTheByte1ALoadWhole) {
    Scratch scratch;
    for (const auto& [name, bytes] : {std::pair{"plain.tga", uncompressed_tga()}, std::pair{"rle.tga", compressed_tga()}}) {
        SCOPED_TRACE(name);
        TEXTURETGA.TEXID = 0;
        TEXTURELOADTGA(scratch.write(name, bytes));
        EXPECT_TRUE(platform_test::take_message_boxes().empty()) << "the reader reported a failure";
        ASSERT_NE(TEXTURETGA.TEXID, 0u);
        EXPECT_EQ(bound_texture_rgb(kWidth, kHeight), expected_rgb());
    }
}

// The same file cut short: the reader's box shows, so the checks above can see one.
TEST_F(LumoraPlatform, ATgaFileCutShortShowsItsBox) {
    Scratch scratch;
    std::vector<uint8_t> cut = uncompressed_tga();
    cut.resize(cut.size() - 1);
    TEXTURELOADTGA(scratch.write("cut.tga", cut));
    const auto boxes = platform_test::take_message_boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Could not read image data");
    EXPECT_EQ(boxes[0].caption, "ERROR");
}

// Missing files and folders named like images give no texture and no box.
TEST_F(LumoraPlatform, MissingFilesAndFoldersAreSilent) {
    Scratch scratch;
    fs::create_directories(scratch.dir / "folder.tga");
    TEXTURETGA2[7].TEXID = 0;
    TEXTURELOADTGAID((scratch.dir / "missing.tga").string(), 7);
    TEXTURELOADTGAID((scratch.dir / "folder.tga").string(), 7);
    EXPECT_EQ(TEXTURETGA2[7].TEXID, 0u);
    EXPECT_TRUE(platform_test::take_message_boxes().empty());
}

// Bitmap files whose headers promise more than the file holds (cut short, a colour table or
// pixel array beyond the end, sizes that overflow) are files that cannot be loaded, as a
// missing one: no texture, no bitmap, no region, no box, and the program goes on. The real
// LoadImageA reads past the end of such files. The whole files they come from still load.
TEST_F(LumoraPlatform, BitmapFilesThatPromiseMoreThanTheyHoldLoadAsNothing) {
    Scratch scratch;
    for (const auto& [name, bytes] : bmp_test::overrunning_files()) {
        SCOPED_TRACE(name);
        const std::string path = scratch.write(name, bytes);
        glBindTexture(GL_TEXTURE_2D, 0);
        TEXTUREID = 0;
        TEXTURELOAD(path.c_str());
        EXPECT_EQ(TEXTUREID, 0u);
        EXPECT_EQ(bound_texture(), 0);
        HPALETTE palette = reinterpret_cast<HPALETTE>(0x55);
        EXPECT_EQ(LOADBMPFROMFILE(path, palette), nullptr);
        EXPECT_EQ(palette, reinterpret_cast<HPALETTE>(0x55)) << "the palette is left as it was";
        EXPECT_EQ(BITMAPTOREGION(path, 0x00FF00FF, 1), nullptr);
    }
    EXPECT_TRUE(platform_test::take_message_boxes().empty());

    // The texels of the whole files, bottom row first. Windows' LR_LOADTRANSPARENT gives the
    // colour-table entry of the indexed file's first pixel (the bottom row's first) the window
    // colour; texels of that entry are not compared.
    const auto whole = bmp_test::whole_files();
    for (size_t k = 0; k < whole.size(); ++k) {
        SCOPED_TRACE(whole[k].name);
        const bool indexed = k == 1;
        const std::string path = scratch.write(whole[k].name, whole[k].bytes);
        TEXTUREID = 0;
        TEXTURELOAD(path.c_str());
        ASSERT_NE(TEXTUREID, 0u);
        const std::vector<uint8_t> texels = bound_texture_rgb(64, 64);
        size_t wrong = 0;
        for (int t = 0, y = 63; t < 64; ++t, --y) {
            for (int x = 0; x < 64; ++x) {
                const int i = (y * 64 + x) % 256;
                if (indexed && i == 63 * 64 % 256) continue;
                const uint8_t want[3] = {uint8_t(indexed ? 99 : x * 4), uint8_t(indexed ? 255 - i : y * 4),
                                         uint8_t(indexed ? i : x ^ y)};
                wrong += !std::equal(want, want + 3, texels.begin() + (t * 64 + x) * 3);
            }
        }
        EXPECT_EQ(wrong, 0u) << "texels that are not the file's";
        HPALETTE palette = nullptr;
        HBITMAP bitmap = LOADBMPFROMFILE(path, palette);
        EXPECT_NE(bitmap, nullptr);
        DeleteObject(bitmap);
        DeleteObject(palette);
        HRGN region = BITMAPTOREGION(path, 0x00FF00FF, 1);
        EXPECT_NE(region, nullptr);
        DeleteObject(region);
    }
    EXPECT_TRUE(platform_test::take_message_boxes().empty());
}

// The window host registers the image-button class with a class record of the right size, so
// image buttons can be made on a 64-bit system, where a 32-bit program's record size is refused.
TEST_F(LumoraPlatform, TheImageButtonClassIsRegisteredAndRefusesA32BitRecordSize) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA known{};
    known.cbSize = sizeof known;
    ASSERT_TRUE(GetClassInfoExA(instance, "IMAGEBUTTON", &known));
    EXPECT_EQ(WINDOWCLASSEX.cbSize, sizeof(WNDCLASSEXA));
    HWND button = CreateWindowExA(0, "IMAGEBUTTON", "", WS_CHILD | WS_VISIBLE, 0, 0, 32, 32, HWINDOW, nullptr,
                                  instance, nullptr);
    EXPECT_NE(button, nullptr);
    if (button) DestroyWindow(button);

    if (sizeof(void*) == 4) return;  // 48 bytes is the record's own size in a 32-bit program
    WNDCLASSEXA small = known;
    small.cbSize = 48;
    small.lpszClassName = "LUMORASMALLRECORD";
    SetLastError(0);
    EXPECT_EQ(RegisterClassExA(&small), 0);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_FALSE(GetClassInfoExA(instance, "LUMORASMALLRECORD", &known));
}
