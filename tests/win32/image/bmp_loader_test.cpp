// LoadImageA over BMP files the tests write: every depth in both row orders lands in a DIB
// section of the same depth with bottom-up rows padded to 4 bytes, its colour table and
// masks with it; anything missing, cut short, malformed or not a regular file gives 0.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstring>
#include <random>

#include "tests/support/bmp_writer.h"
#include "tests/support/special_files.h"
#include "tests/support/tga_writer.h"
#include "win32/windows.h"

using bmp_test::BmpSpec;

namespace {

constexpr UINT kFlags = LR_LOADFROMFILE | LR_LOADTRANSPARENT | LR_CREATEDIBSECTION;

HBITMAP load(const std::string& path, UINT flags = kFlags, UINT type = IMAGE_BITMAP) {
    return static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), path.c_str(), type, 0, 0, flags));
}

struct Depth {
    const char* name;
    int bit_count;
    uint32_t compression;
    uint32_t masks[3];
    uint32_t header_size;
};

// A 5 x 3 picture of distinct pixel values that fit the depth.
BmpSpec picture(const Depth& d, bool top_down) {
    BmpSpec s;
    s.width = 5;
    s.height = 3;
    s.bit_count = d.bit_count;
    s.top_down = top_down;
    s.compression = d.compression;
    std::memcpy(s.masks, d.masks, sizeof s.masks);
    s.header_size = d.header_size;
    const uint32_t max_value = d.bit_count >= 32 ? 0xFFFFFFFFu : (1u << d.bit_count) - 1;
    for (int y = 0; y < s.height; ++y) {
        std::vector<uint32_t> row;
        for (int x = 0; x < s.width; ++x) {
            const uint32_t v = uint32_t(y * 5 + x + 1) * 0x9E3779B1u;
            row.push_back(d.bit_count <= 8 ? uint32_t(y * 5 + x) % (max_value + 1) : (v ^ (v >> 7)) & max_value);
        }
        s.rows.push_back(row);
    }
    if (d.bit_count <= 8) {
        const size_t entries = size_t{1} << d.bit_count;
        for (size_t i = 0; i < entries; ++i) {
            const size_t channels = d.header_size == 12 ? 3 : 4;
            for (size_t c = 0; c < channels; ++c) s.palette.push_back(uint8_t(i * 7 + c * 50 + (c == 3 ? 0 : 1)));
            if (channels == 4) s.palette.back() = 0;
        }
    }
    return s;
}

const Depth kDepths[] = {
    {"1 bit", 1, BI_RGB, {0, 0, 0}, 40},
    {"4 bits", 4, BI_RGB, {0, 0, 0}, 40},
    {"8 bits", 8, BI_RGB, {0, 0, 0}, 40},
    {"8 bits, core header", 8, BI_RGB, {0, 0, 0}, 12},
    {"16 bits 5-5-5", 16, BI_RGB, {0, 0, 0}, 40},
    {"16 bits 5-6-5 bit fields", 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, 40},
    {"16 bits 4-4-4 bit fields in a V5 header", 16, BI_BITFIELDS, {0x0F00, 0x00F0, 0x000F}, 124},
    {"24 bits", 24, BI_RGB, {0, 0, 0}, 40},
    {"24 bits, V4 header", 24, BI_RGB, {0, 0, 0}, 108},
    {"24 bits, core header", 24, BI_RGB, {0, 0, 0}, 12},
    {"32 bits", 32, BI_RGB, {0, 0, 0}, 40},
    {"32 bits bit fields", 32, BI_BITFIELDS, {0x000000FF, 0x0000FF00, 0x00FF0000}, 40},
    {"32 bits 10-10-10 bit fields in a V4 header", 32, BI_BITFIELDS, {0x3FF00000, 0x000FFC00, 0x000003FF}, 108},
};

class BmpLoader : public ::testing::Test {
protected:
    tga_test::TempDir dir;
    std::string write(const std::vector<uint8_t>& bytes, const std::string& name = "image.bmp") {
        const std::string path = dir.file(name);
        EXPECT_TRUE(bmp_test::write_file(path, bytes));
        return path;
    }
};

TEST_F(BmpLoader, EveryDepthAndRowOrderKeepsItsPixels) {
    for (const Depth& d : kDepths) {
        for (bool top_down : {false, true}) {
            if (top_down && d.header_size == 12) continue;  // the core header has no top-down form
            SCOPED_TRACE(std::string(d.name) + (top_down ? ", top-down" : ", bottom-up"));
            const BmpSpec s = picture(d, top_down);
            HBITMAP bitmap = load(write(bmp_test::encode(s)));
            ASSERT_NE(bitmap, nullptr);

            DIBSECTION ds{};
            ASSERT_EQ(GetObjectA(bitmap, sizeof ds, &ds), int(sizeof ds));
            EXPECT_EQ(ds.dsBm.bmWidth, s.width);
            EXPECT_EQ(ds.dsBm.bmHeight, s.height);
            EXPECT_EQ(ds.dsBm.bmBitsPixel, s.bit_count);
            EXPECT_GT(ds.dsBmih.biHeight, 0) << "the DIB section is bottom-up";
            const size_t stride = ((size_t(s.width) * s.bit_count + 31) / 32) * 4;
            EXPECT_EQ(size_t(ds.dsBm.bmWidthBytes), stride);
            ASSERT_NE(ds.dsBm.bmBits, nullptr);
            const auto* bits = static_cast<const uint8_t*>(ds.dsBm.bmBits);
            for (int y = 0; y < s.height; ++y) {  // memory row y holds picture row height-1-y
                const auto want = bmp_test::encode_row(s, s.rows[size_t(s.height - 1 - y)]);
                const size_t used = (size_t(s.width) * s.bit_count + 7) / 8;
                EXPECT_EQ(std::memcmp(bits + size_t(y) * stride, want.data(), used), 0) << "memory row " << y;
            }
            if (d.compression == BI_BITFIELDS) {
                EXPECT_EQ(ds.dsBmih.biCompression, DWORD(BI_BITFIELDS));
                for (int i = 0; i < 3; ++i) EXPECT_EQ(ds.dsBitfields[i], d.masks[i]);
            }
            if (d.bit_count <= 8) {
                HDC dc = CreateCompatibleDC(nullptr);
                HGDIOBJ old = SelectObject(dc, bitmap);
                std::vector<RGBQUAD> table(256);
                const UINT n = GetDIBColorTable(dc, 0, 256, table.data());
                SelectObject(dc, old);
                DeleteDC(dc);
                ASSERT_EQ(n, 1u << d.bit_count);
                const size_t channels = d.header_size == 12 ? 3 : 4;
                for (UINT i = 0; i < n; ++i) {
                    EXPECT_EQ(table[i].rgbBlue, s.palette[i * channels]);
                    EXPECT_EQ(table[i].rgbGreen, s.palette[i * channels + 1]);
                    EXPECT_EQ(table[i].rgbRed, s.palette[i * channels + 2]);
                }
            }
            EXPECT_TRUE(DeleteObject(bitmap));
        }
    }
}

TEST_F(BmpLoader, ShortColourTablesAndWideRowsAreRead) {
    BmpSpec s = picture(kDepths[2], false);  // 8 bits
    s.palette.resize(16 * 4);
    s.colors_used = 16;
    for (auto& row : s.rows) {
        for (auto& v : row) v %= 16;
    }
    HBITMAP bitmap = load(write(bmp_test::encode(s)));
    ASSERT_NE(bitmap, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RGBQUAD table[256];
    EXPECT_EQ(GetDIBColorTable(dc, 0, 256, table), 16u);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);

    BmpSpec wide;  // 1001 pixels of 24 bits: 3003 bytes of pixels and one fill byte per row
    wide.width = 1001;
    wide.height = 2;
    wide.rows.assign(2, std::vector<uint32_t>(1001, 0x123456));
    bitmap = load(write(bmp_test::encode(wide)));
    ASSERT_NE(bitmap, nullptr);
    BITMAP bm{};
    ASSERT_EQ(GetObjectA(bitmap, sizeof bm, &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmWidthBytes, 3004);
    DeleteObject(bitmap);
}

TEST_F(BmpLoader, MissingMalformedAndOverflowingFilesGiveZero) {
    EXPECT_EQ(load(dir.file("absent.bmp")), nullptr);
    EXPECT_EQ(load(dir.path()), nullptr);
    EXPECT_EQ(load(""), nullptr);
    EXPECT_EQ(load(write({})), nullptr);

    const BmpSpec good = picture(kDepths[7], false);  // 24 bits, 40-byte header
    const auto bytes = bmp_test::encode(good);
    auto patched = [&](size_t offset, const std::vector<uint8_t>& values) {
        auto b = bytes;
        std::copy(values.begin(), values.end(), b.begin() + long(offset));
        return load(write(b));
    };
    auto le32 = [](int32_t v) {
        const uint32_t u = uint32_t(v);
        return std::vector<uint8_t>{uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)};
    };
    EXPECT_EQ(patched(0, {'M', 'B'}), nullptr);                      // not a bitmap
    EXPECT_EQ(patched(14, le32(39)), nullptr);                       // unknown header size
    EXPECT_EQ(patched(14, le32(1 << 20)), nullptr);                  // header larger than the file
    EXPECT_EQ(patched(18, le32(0)), nullptr);                        // zero width
    EXPECT_EQ(patched(18, le32(-5)), nullptr);                       // negative width
    EXPECT_EQ(patched(22, le32(0)), nullptr);                        // zero height
    EXPECT_EQ(patched(22, le32(INT32_MIN)), nullptr);                // height with no positive twin
    EXPECT_EQ(patched(26, {2, 0}), nullptr);                         // two planes
    for (uint8_t depth : {0, 2, 7, 15, 48, 64}) EXPECT_EQ(patched(28, {depth, 0}), nullptr) << int(depth);
    EXPECT_EQ(patched(30, le32(BI_RLE8)), nullptr);                  // run-length encoded
    EXPECT_EQ(patched(30, le32(BI_BITFIELDS)), nullptr);             // bit fields at 24 bits
    EXPECT_EQ(patched(30, le32(4)), nullptr);                        // JPEG inside
    EXPECT_EQ(patched(10, le32(int32_t(bytes.size()))), nullptr);    // pixels start at the end
    EXPECT_EQ(patched(10, le32(-1)), nullptr);                       // pixels start far beyond
    EXPECT_EQ(patched(10, le32(20)), nullptr);                       // pixels inside the header
    // Sizes whose pixel array overflows or is far larger than the file.
    EXPECT_EQ(patched(18, le32(0x7FFFFFFF)), nullptr);
    auto huge = bytes;
    for (auto [offset, v] : {std::pair{18, 0x7FFFFFFF}, std::pair{22, 0x7FFFFFFF}}) {
        const auto b = le32(v);
        std::copy(b.begin(), b.end(), huge.begin() + offset);
    }
    EXPECT_EQ(load(write(huge)), nullptr);
    EXPECT_EQ(patched(18, le32(65536)), nullptr);

    // Bit fields with a zero or broken mask.
    BmpSpec fields = picture(kDepths[5], false);
    fields.masks[1] = 0;
    EXPECT_EQ(load(write(bmp_test::encode(fields))), nullptr);
    fields.masks[1] = 0x0505;
    EXPECT_EQ(load(write(bmp_test::encode(fields))), nullptr);

    // A colour table that runs past the end of the file.
    BmpSpec indexed = picture(kDepths[2], false);
    auto cut_table = bmp_test::encode(indexed);
    cut_table.resize(14 + 40 + 100);
    EXPECT_EQ(load(write(cut_table)), nullptr);
}

TEST_F(BmpLoader, FilesCutAtEveryByteGiveZero) {
    for (const Depth& d : {kDepths[0], kDepths[2], kDepths[5], kDepths[9], kDepths[11]}) {
        SCOPED_TRACE(d.name);
        const auto bytes = bmp_test::encode(picture(d, true));
        HBITMAP whole = load(write(bytes));
        ASSERT_NE(whole, nullptr);
        DeleteObject(whole);
        for (size_t length = 0; length < bytes.size(); ++length) {
            const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(length));
            EXPECT_EQ(load(write(cut)), nullptr) << "cut at " << length;
        }
    }
}

TEST_F(BmpLoader, OnlyBitmapFilesAreLoaded) {
    const std::string path = write(bmp_test::encode(picture(kDepths[7], false)));
    EXPECT_EQ(load(path, kFlags, IMAGE_ICON), nullptr);
    EXPECT_EQ(load(path, kFlags, IMAGE_CURSOR), nullptr);
    EXPECT_EQ(load(path, LR_CREATEDIBSECTION), nullptr);  // a resource name, not a file
    HBITMAP plain = load(path, LR_LOADFROMFILE);
    EXPECT_NE(plain, nullptr);
    DeleteObject(plain);
}

// A picture large enough for memory that is kept and handed out again once released: what
// a released bitmap left in it never shows through, in either row order, and the rows'
// fill bytes are the file's own.
TEST_F(BmpLoader, LargePicturesInReusedMemoryAreTheFilesBytes) {
    BmpSpec s;
    s.width = 301;  // 903 bytes of pixels and one fill byte per row
    s.height = 1000;
    std::mt19937 rng(3);
    s.rows.assign(size_t(s.height), std::vector<uint32_t>(size_t(s.width)));
    for (auto& row : s.rows)
        for (auto& v : row) v = rng() & 0xFFFFFF;
    const size_t stride = 904;
    for (bool top_down : {false, true}) {
        SCOPED_TRACE(top_down ? "top-down" : "bottom-up");
        s.top_down = top_down;
        auto bytes = bmp_test::encode(s);
        const size_t offset = bytes.size() - stride * size_t(s.height);
        for (int y = 0; y < s.height; ++y) bytes[offset + stride * size_t(y) + 903] = uint8_t(0x5A + y);
        const std::string path = write(bytes);

        // A bitmap of the same size, filled with a pattern and released.
        BITMAPINFO bi{};
        bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), s.width, s.height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        void* spent = nullptr;
        HBITMAP before = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &spent, nullptr, 0);
        ASSERT_NE(before, nullptr);
        std::memset(spent, 0xAB, stride * size_t(s.height));
        DeleteObject(before);

        HBITMAP bitmap = load(path);
        ASSERT_NE(bitmap, nullptr);
        BITMAP bm{};
        ASSERT_EQ(GetObjectA(bitmap, sizeof bm, &bm), int(sizeof bm));
        const auto* bits = static_cast<const uint8_t*>(bm.bmBits);
        for (int y = 0; y < s.height; ++y) {  // memory rows bottom-up
            const size_t file_row = size_t(top_down ? s.height - 1 - y : y);
            ASSERT_EQ(std::memcmp(bits + stride * size_t(y), bytes.data() + offset + stride * file_row, stride), 0)
                << "memory row " << y;
        }
        DeleteObject(bitmap);
    }
}

// The pixel array a header declares must be in the file before memory is taken for it: a
// small file that declares 256 MiB of pixels is refused without the process growing.
TEST_F(BmpLoader, NothingIsAllocatedForPixelsTheFileDoesNotHold) {
    BmpSpec s = picture(kDepths[7], false);  // 24 bits
    auto bytes = bmp_test::encode(s);
    const int32_t side = 9459;  // 9459 x 9459 x 3 bytes: a little over 256 MiB
    for (int i = 0; i < 4; ++i) {
        bytes[18 + size_t(i)] = uint8_t(uint32_t(side) >> (8 * i));
        bytes[22 + size_t(i)] = uint8_t(uint32_t(side) >> (8 * i));
    }
    const std::string path = write(bytes);
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_EQ(load(path), nullptr);
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "kilobytes taken for a refused file";
}

// A FIFO nobody writes, a directory and /dev/zero named like image and cursor files: each
// is a file that cannot be read, and neither LoadImageA nor LoadCursorFromFileA waits on it.
TEST(SpecialFiles, AreUnreadableAndNeverWaitedOn) {
    special_files::Files files;
    ASSERT_TRUE(files.ok());
    const DWORD objects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (const std::string& path : files.all()) {
        SCOPED_TRACE(path);
        const auto image = files.within_seconds([path] { return load(path); });
        ASSERT_TRUE(image.has_value()) << "LoadImageA blocked";
        EXPECT_EQ(*image, nullptr);
        const auto cursor = files.within_seconds([path] { return LoadCursorFromFileA(path.c_str()); });
        ASSERT_TRUE(cursor.has_value()) << "LoadCursorFromFileA blocked";
        EXPECT_EQ(*cursor, nullptr);
    }
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), objects);
}

}  // namespace
