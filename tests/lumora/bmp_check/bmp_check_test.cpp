// BMPFILEFITS over files the tests write: every layout the loaders take fits when whole and
// not once cut anywhere short of its end; headers that place a table or the pixels beyond
// the end of the file, or whose sizes overflow 32 or 64 bits, do not fit; neither do files
// that are missing or not on disk. Our own LoadImageA refuses such files by itself, so the
// check is asked directly here; tests/lumora/platform shows the loaders refusing them on the
// real API too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "lumora/BmpCheck.h"
#include "lumora/Platform.h"
#include "tests/support/bmp_writer.h"
#include "tests/support/special_files.h"
#include "tests/support/tga_writer.h"

using bmp_test::BmpSpec;

namespace {

struct Layout {
    const char* name;
    int bit_count;
    uint32_t header_size;
    uint32_t compression;
    uint32_t colors_used;  // 0: a full table up to 8 bits, none above
    bool top_down;
};

const Layout kLayouts[] = {
    {"1 bit", 1, 40, BI_RGB, 0, false},
    {"4 bits, top-down", 4, 40, BI_RGB, 0, true},
    {"8 bits", 8, 40, BI_RGB, 0, false},
    {"8 bits, 16 colours used", 8, 40, BI_RGB, 16, false},
    {"8 bits, core header", 8, 12, BI_RGB, 0, false},
    {"16 bits", 16, 40, BI_RGB, 0, false},
    {"16 bits, masks after the header", 16, 40, BI_BITFIELDS, 0, true},
    {"24 bits, 4 colours used", 24, 40, BI_RGB, 4, false},
    {"24 bits, core header", 24, 12, BI_RGB, 0, false},
    {"24 bits, V5 header", 24, 124, BI_RGB, 0, true},
    {"32 bits, masks in a V4 header", 32, 108, BI_BITFIELDS, 0, false},
};

// A 7 x 3 picture of the layout: odd rows, so every depth has fill bytes at the row ends.
std::vector<uint8_t> file_of(const Layout& l) {
    BmpSpec s;
    s.width = 7;
    s.height = 3;
    s.bit_count = l.bit_count;
    s.header_size = l.header_size;
    s.compression = l.compression;
    s.top_down = l.top_down;
    s.colors_used = l.colors_used;
    if (l.compression == BI_BITFIELDS) {
        const uint32_t masks16[3] = {0xF800, 0x07E0, 0x001F}, masks32[3] = {0xFF0000, 0xFF00, 0xFF};
        std::memcpy(s.masks, l.bit_count == 16 ? masks16 : masks32, sizeof s.masks);
    }
    const size_t entries = l.colors_used != 0 ? l.colors_used : l.bit_count <= 8 ? size_t{1} << l.bit_count : 0;
    const size_t entry_size = l.header_size == 12 ? 3 : 4;
    for (size_t i = 0; i < entries * entry_size; ++i) s.palette.push_back(uint8_t(i * 37));
    const uint32_t values = l.bit_count <= 8 ? std::min<uint32_t>(1u << l.bit_count, entries) : 0x10000;
    for (int y = 0; y < s.height; ++y) {
        std::vector<uint32_t> row;
        for (int x = 0; x < s.width; ++x) row.push_back(uint32_t(y * 7 + x) * 2654435761u % values);
        s.rows.push_back(row);
    }
    return bmp_test::encode(s);
}

class BmpFileFits : public ::testing::Test {
protected:
    bool fits(const std::vector<uint8_t>& bytes) { return BMPFILEFITS(dir.write("picture.bmp", bytes).c_str()); }
    tga_test::TempDir dir;
};

TEST_F(BmpFileFits, EveryLayoutFitsWholeAndNotCutAnywhereShortOfItsEnd) {
    for (const Layout& l : kLayouts) {
        SCOPED_TRACE(l.name);
        std::vector<uint8_t> bytes = file_of(l);
        ASSERT_TRUE(fits(bytes));
        for (size_t length = 0; length < bytes.size(); ++length) {
            EXPECT_FALSE(fits({bytes.begin(), bytes.begin() + long(length)})) << "cut at " << length << " of "
                                                                               << bytes.size();
        }
        bytes.push_back(0);  // more than the headers declare is fine
        EXPECT_TRUE(fits(bytes));
    }
}

TEST_F(BmpFileFits, FilesWhoseHeadersPromiseMoreThanTheyHoldDoNotFit) {
    for (const auto& [name, bytes] : bmp_test::whole_files()) EXPECT_TRUE(fits(bytes)) << name;
    for (const auto& [name, bytes] : bmp_test::overrunning_files()) EXPECT_FALSE(fits(bytes)) << name;
}

// The pixel array may start anywhere after the headers, as long as all of it is in the file.
TEST_F(BmpFileFits, ThePixelArrayIsHeldAgainstTheFileFromItsOwnOffset) {
    std::vector<uint8_t> bytes = bmp_test::whole_files()[0].bytes;  // 64 x 64 at 24 bits
    const size_t pixels = 64 * 64 * 3, gap = 100;
    bytes.insert(bytes.begin() + 54, gap, 0);
    bmp_test::set32(bytes, 10, uint32_t(54 + gap));
    EXPECT_TRUE(fits(bytes));
    bmp_test::set32(bytes, 10, uint32_t(54 + gap + 1));  // one byte of the array past the end
    EXPECT_FALSE(fits(bytes));
    bytes.resize(54 + gap + pixels - 1);
    bmp_test::set32(bytes, 10, 54);  // the array starts earlier: all of it in the file again
    EXPECT_TRUE(fits(bytes));
}

TEST_F(BmpFileFits, MissingFilesAndSpecialFilesDoNotFit) {
    EXPECT_FALSE(BMPFILEFITS(nullptr));
    EXPECT_FALSE(BMPFILEFITS(""));
    EXPECT_FALSE(BMPFILEFITS(dir.file("missing.bmp").c_str()));
    special_files::Files files;
    ASSERT_TRUE(files.ok());
    for (const std::string& path : files.all()) {
        const auto fitted = files.within_seconds([path] { return BMPFILEFITS(path.c_str()); });
        ASSERT_TRUE(fitted.has_value()) << path << ": the check waited on it";
        EXPECT_FALSE(*fitted) << path;
    }
}

}  // namespace
