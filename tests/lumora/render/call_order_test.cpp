// The exact GL calls of the projection, overlay and texture procedures, in order, taken from
// an apitrace of a headless driver program (call_order_driver) that brackets each procedure
// with string markers.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/bmp_writer.h"
#include "tests/support/apitrace_calls.h"
#include "tests/support/gl_call_lists.h"
#include "tests/support/tga_writer.h"

namespace {

using apitrace_calls::between;
using apitrace_calls::compare;

class CallOrder : public ::testing::Test {
protected:
    void SetUp() override {
        if (!apitrace_calls::available()) GTEST_SKIP() << "apitrace is not installed";
    }

    // Traces the driver over the steps and returns the calls of each step.
    std::vector<std::vector<std::string>> trace(const std::vector<std::string>& steps) {
        std::vector<std::string> argv{CALL_ORDER_DRIVER};
        argv.insert(argv.end(), steps.begin(), steps.end());
        const auto t = apitrace_calls::gl_calls(argv, dir.file("run.trace"));
        EXPECT_TRUE(t.ok) << t.error;
        std::vector<std::vector<std::string>> slices;
        for (const auto& step : steps) {
            slices.push_back(between(t.calls, step, "end " + step));
            if (t.ok) {
                EXPECT_NE(std::find(t.calls.begin(), t.calls.end(), apitrace_calls::marker(step)), t.calls.end())
                    << "no marker for " << step;
            }
        }
        return slices;
    }

    tga_test::TempDir dir;
};

TEST_F(CallOrder, ProjectionProcedures) {
    const auto calls = trace({"init", "i2d"});
    EXPECT_EQ(compare(calls[0], gl_call_lists::OPENGL_INIT_VIEWER), "");
    EXPECT_EQ(compare(calls[1], gl_call_lists::opengl_i2d("red = 1, green = 0.5, blue = 0.25, alpha = 0")), "");
}

TEST_F(CallOrder, RefractBeginAndEnd) {
    const auto calls = trace({"refract_begin", "refract_end"});
    // Texture-environment and generation values go through the float entry points.
    EXPECT_EQ(compare(calls[0], gl_call_lists::REFRACT_BEGIN), "");
    EXPECT_EQ(compare(calls[1], gl_call_lists::REFRACT_END), "");
}

// The queries a TGA load makes before it reads the file: whether a list is being compiled
// (a file loaded again into the same list binds the texture of its first load) and the
// unpack alignment its rows are padded to. Queries are not compiled into display lists.
std::vector<std::string> tga_queries(int alignment = 4) {
    return {"glGetIntegerv(pname = GL_LIST_INDEX, params = &0)",
            "glGetIntegerv(pname = GL_UNPACK_ALIGNMENT, params = &" + std::to_string(alignment) + ")"};
}

std::vector<std::string> tga_upload(int name, int components, int width, int height, const char* format,
                                    int alignment = 4) {
    const std::string n = std::to_string(name);
    std::vector<std::string> calls = tga_queries(alignment);
    std::vector<std::string> upload = {
        "glEnable(cap = GL_TEXTURE_2D)",
        "glGenTextures(n = 1, textures = &" + n + ")",
        "glBindTexture(target = GL_TEXTURE_2D, texture = " + n + ")",
        "glTexImage2D(target = GL_TEXTURE_2D, level = 0, internalformat = " + std::to_string(components) +
            ", width = " + std::to_string(width) + ", height = " + std::to_string(height) +
            ", border = 0, format = " + format + ", type = GL_UNSIGNED_BYTE, pixels = blob(...",
        "glTexParameteri(target = GL_TEXTURE_2D, pname = GL_TEXTURE_MAG_FILTER, param = GL_LINEAR)",
        "glTexParameteri(target = GL_TEXTURE_2D, pname = GL_TEXTURE_MIN_FILTER, param = GL_LINEAR)",
        "glTexParameteri(target = GL_TEXTURE_2D, pname = GL_TEXTURE_WRAP_S, param = GL_REPEAT)",
        "glTexParameteri(target = GL_TEXTURE_2D, pname = GL_TEXTURE_WRAP_T, param = GL_REPEAT)",
    };
    calls.insert(calls.end(), upload.begin(), upload.end());
    return calls;
}

TEST_F(CallOrder, TextureLoadTga) {
    tga_test::TgaFile rgb = tga_test::header(2, 4, 2, 24);
    for (int i = 0; i < 8; ++i) tga_test::add_pixel(rgb, tga_test::Part::pixels, {1, 2, 3, 4}, 3);
    tga_test::TgaFile rgba = tga_test::header(10, 3, 5, 32);
    tga_test::add_run_packet(rgba, 15, {1, 2, 3, 4}, 4);
    tga_test::TgaFile odd = tga_test::header(2, 3, 2, 24);  // rows of 9 bytes
    for (int i = 0; i < 6; ++i) tga_test::add_pixel(odd, tga_test::Part::pixels, {1, 2, 3, 4}, 3);
    tga_test::TgaFile bad = tga_test::header(3, 1, 1, 24);
    const std::string rgb_file = dir.write("rgb.tga", rgb.bytes);
    const std::string rgba_file = dir.write("rgba.tga", rgba.bytes);
    const std::string odd_file = dir.write("odd.tga", odd.bytes);
    const std::string bad_file = dir.write("bad.tga", bad.bytes);
    const std::string odd_again = dir.write("odd_again.tga", odd.bytes);  // a step of its own

    const auto calls = trace({"tga:" + rgb_file, "tga_slot:" + rgba_file, "tga:" + odd_file,
                              "tga:" + dir.file("missing.tga"), "tga_slot:" + bad_file, "align:1",
                              "tga_slot:" + odd_file, "align:8", "tga_slot:" + odd_again});
    auto expected = tga_upload(1, 3, 4, 2, "GL_RGB");
    expected.push_back("glBindTexture(target = GL_TEXTURE_2D, texture = 1)");
    EXPECT_EQ(compare(calls[0], expected), "");
    ASSERT_GT(calls[0].size(), 5u);
    EXPECT_NE(calls[0][5].find("blob(24)"), std::string::npos) << calls[0][5];
    // Into a slot: no second bind.
    EXPECT_EQ(compare(calls[1], tga_upload(2, 4, 3, 5, "GL_RGBA")), "");
    // Rows that are not whole multiples of 4 bytes upload with the same calls.
    expected = tga_upload(3, 3, 3, 2, "GL_RGB");
    expected.push_back("glBindTexture(target = GL_TEXTURE_2D, texture = 3)");
    EXPECT_EQ(compare(calls[2], expected), "");
    // A missing file: no call at all. A rejected file: the queries, no texture, nothing bound.
    EXPECT_TRUE(calls[3].empty());
    EXPECT_EQ(compare(calls[4], tga_queries()), "");
    // Under another alignment the same calls, no pixel-store call, and rows as OpenGL reads
    // them there: 9 bytes a row at alignment 1 (18 in all), 16 at alignment 8 (16 + 9).
    EXPECT_EQ(compare(calls[6], tga_upload(4, 3, 3, 2, "GL_RGB", 1)), "");
    EXPECT_EQ(compare(calls[8], tga_upload(5, 3, 3, 2, "GL_RGB", 8)), "");
    ASSERT_GT(calls[8].size(), 5u);
    EXPECT_NE(calls[6][5].find("blob(18)"), std::string::npos) << calls[6][5];
    EXPECT_NE(calls[8][5].find("blob(25)"), std::string::npos) << calls[8][5];
}

TEST_F(CallOrder, TextureLoadBitmap) {
    bmp_test::BmpSpec fill;  // 3 x 2, rows of 9 bytes filled up to 12
    fill.width = 3;
    fill.height = 2;
    fill.rows = {{0x102030, 0x405060, 0x708090}, {0xA0B0C0, 0xD0E0F0, 0x010203}};
    bmp_test::BmpSpec indexed = fill;
    indexed.bit_count = 8;
    indexed.palette = {0, 0, 255, 0, 0, 255, 0, 0};
    indexed.colors_used = 2;
    indexed.rows = {{0, 1, 0}, {1, 0, 1}};
    const std::string fill_file = dir.file("fill.bmp");
    const std::string indexed_file = dir.file("indexed.bmp");
    const std::string garbage_file = dir.file("garbage.bmp");
    ASSERT_TRUE(bmp_test::write_file(fill_file, bmp_test::encode(fill)));
    ASSERT_TRUE(bmp_test::write_file(indexed_file, bmp_test::encode(indexed)));
    ASSERT_TRUE(bmp_test::write_file(garbage_file, {'B', 'M', 1, 2, 3}));

    const auto calls = trace({"bmp:" + fill_file, "bmp:" + indexed_file, "bmp:" + dir.file("missing.bmp"),
                              "bmp:" + garbage_file, "list_bmp_twice:" + fill_file});
    for (int i = 0; i < 2; ++i) {
        const std::string n = std::to_string(i + 1);
        EXPECT_EQ(compare(calls[size_t(i)],
                          {
                              // whether a list is being compiled (see TextureLoadTga)
                              "glGetIntegerv(pname = GL_LIST_INDEX, params = &0)",
                              "glEnable(cap = GL_TEXTURE_2D)",
                              "glGenTextures(n = 1, textures = &" + n + ")",
                              "glBindTexture(target = GL_TEXTURE_2D, texture = " + n + ")",
                              "glPixelStorei(pname = GL_UNPACK_ALIGNMENT, param = 4)",
                              "glPixelStorei(pname = GL_UNPACK_ROW_LENGTH, param = 0)",
                              "glPixelStorei(pname = GL_UNPACK_SKIP_ROWS, param = 0)",
                              "glPixelStorei(pname = GL_UNPACK_SKIP_PIXELS, param = 0)",
                              "glTexParameteri(target = GL_TEXTURE_2D, pname = GL_TEXTURE_MIN_FILTER, param = GL_LINEAR)",
                              "glTexParameteri(target = GL_TEXTURE_2D, pname = GL_TEXTURE_MAG_FILTER, param = GL_LINEAR)",
                              "glTexParameteri(target = GL_TEXTURE_2D, pname = GL_TEXTURE_WRAP_S, param = GL_REPEAT)",
                              "glTexParameteri(target = GL_TEXTURE_2D, pname = GL_TEXTURE_WRAP_T, param = GL_REPEAT)",
                              "glTexImage2D(target = GL_TEXTURE_2D, level = 0, internalformat = 3, width = 3, "
                              "height = 2, border = 0, format = GL_RGB, type = GL_UNSIGNED_BYTE, pixels = blob(21))",
                              "glBindTexture(target = GL_TEXTURE_2D, texture = " + n + ")",
                          }),
                  "")
            << (i == 0 ? "24-bit bitmap" : "8-bit bitmap");
    }
    // Files the loader cannot read: no texture, nothing bound, like a missing TGA file.
    EXPECT_TRUE(calls[2].empty());
    EXPECT_TRUE(calls[3].empty());
    // The same file twice into one list: the second load binds the texture of the first,
    // so the list holds one image of it.
    const auto& list = calls[4];
    ASSERT_GE(list.size(), 4u);
    EXPECT_EQ(list[0], "glGenLists(range = 1) = 1");
    EXPECT_EQ(list[1], "glNewList(list = 1, mode = GL_COMPILE)");
    EXPECT_EQ(list[2], "glGetIntegerv(pname = GL_LIST_INDEX, params = &1)");
    EXPECT_EQ(std::count_if(list.begin(), list.end(),
                            [](const std::string& c) { return c.rfind("glTexImage2D(", 0) == 0; }),
              1);
    EXPECT_EQ(compare({list.end() - 4, list.end()}, {"glGetIntegerv(pname = GL_LIST_INDEX, params = &1)",
                                                     "glEnable(cap = GL_TEXTURE_2D)",
                                                     "glBindTexture(target = GL_TEXTURE_2D, texture = 3)",
                                                     "glEndList()"}),
              "");
}

}  // namespace
