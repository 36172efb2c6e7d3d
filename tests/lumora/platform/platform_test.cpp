// Lumora on the Win32 it runs on: our subset here, the real API on Windows (under Wine when
// cross-built). The same checks on both, so what real Win32 refuses shows up on either.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "lumora/Lumora.h"
#include "message_boxes.h"

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
