// GDI objects: DIB sections and device bitmaps, BitBlt across depths and its clipping,
// selection and deletion rules, palettes, object accounting and stale handles.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "win32/windows.h"

namespace {

DWORD live_objects() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

// A BITMAPINFO with room for a full 256-entry colour table or three masks.
struct Info {
    BITMAPINFOHEADER header{};
    RGBQUAD colors[256]{};
    const BITMAPINFO* get() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};

Info info(int width, int height, int bpp, DWORD compression = BI_RGB) {
    Info i;
    i.header.biSize = sizeof(BITMAPINFOHEADER);
    i.header.biWidth = width;
    i.header.biHeight = height;
    i.header.biPlanes = 1;
    i.header.biBitCount = WORD(bpp);
    i.header.biCompression = compression;
    return i;
}

// A memory DC holding a 32-bit top-down DIB section, for reading pixels back.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    uint32_t* bits = nullptr;
    int width = 0;

    Canvas(int w, int h) : width(w) {
        Info i = info(w, -h, 32);
        dc = CreateCompatibleDC(nullptr);
        void* p = nullptr;
        bitmap = CreateDIBSection(dc, i.get(), DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<uint32_t*>(p);
        previous = SelectObject(dc, bitmap);
    }
    ~Canvas() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    uint32_t at(int x, int y) const { return bits[y * width + x] & 0x00FFFFFF; }
};

// A source DIB section in its own memory DC.
struct Source {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    uint8_t* bits = nullptr;

    explicit Source(const Info& i) {
        dc = CreateCompatibleDC(nullptr);
        void* p = nullptr;
        bitmap = CreateDIBSection(dc, i.get(), DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<uint8_t*>(p);
        previous = SelectObject(dc, bitmap);
    }
    ~Source() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

TEST(DibSection, ReportsStrideBitsAndLayoutForEveryDepth) {
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bpp);
        Info i = info(13, 7, bpp);
        void* bits = nullptr;
        HBITMAP b = CreateDIBSection(nullptr, i.get(), DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(b, nullptr);
        ASSERT_NE(bits, nullptr);
        BITMAP bm{};
        ASSERT_EQ(GetObjectA(b, sizeof(BITMAP), &bm), int(sizeof(BITMAP)));
        EXPECT_EQ(bm.bmWidth, 13);
        EXPECT_EQ(bm.bmHeight, 7);
        EXPECT_EQ(bm.bmBitsPixel, bpp);
        EXPECT_EQ(bm.bmPlanes, 1);
        EXPECT_EQ(bm.bmWidthBytes % 4, 0);
        EXPECT_GE(bm.bmWidthBytes * 8, 13 * bpp);
        EXPECT_LT((bm.bmWidthBytes - 4) * 8, 13 * bpp);
        EXPECT_EQ(bm.bmBits, bits);
        DIBSECTION ds{};
        ASSERT_EQ(GetObjectA(b, sizeof(DIBSECTION), &ds), int(sizeof(DIBSECTION)));
        EXPECT_EQ(ds.dsBmih.biBitCount, bpp);
        EXPECT_EQ(ds.dsBmih.biSizeImage, DWORD(bm.bmWidthBytes * 7));
        EXPECT_EQ(GetObjectType(b), DWORD(OBJ_BITMAP));
        // The pixel memory is fully writable.
        std::memset(bits, 0xAB, size_t(bm.bmWidthBytes) * 7);
        EXPECT_TRUE(DeleteObject(b));
    }
}

TEST(DibSection, RejectsBadHeadersAndOverflowingSizes) {
    const DWORD before = live_objects();
    void* bits = reinterpret_cast<void*>(1);
    Info huge = info(0x7FFFFFFF, 0x7FFFFFFF, 32);
    EXPECT_EQ(CreateDIBSection(nullptr, huge.get(), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    Info wide = info(0x40000000, 2, 32);  // the row size alone overflows 32 bits
    EXPECT_EQ(CreateDIBSection(nullptr, wide.get(), DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
    Info zero = info(0, 5, 24);
    EXPECT_EQ(CreateDIBSection(nullptr, zero.get(), DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
    Info flat = info(5, 0, 24);
    EXPECT_EQ(CreateDIBSection(nullptr, flat.get(), DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
    Info minimum = info(5, INT32_MIN, 24);
    EXPECT_EQ(CreateDIBSection(nullptr, minimum.get(), DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
    Info depth = info(5, 5, 12);
    EXPECT_EQ(CreateDIBSection(nullptr, depth.get(), DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
    Info fields24 = info(5, 5, 24, BI_BITFIELDS);
    EXPECT_EQ(CreateDIBSection(nullptr, fields24.get(), DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
    Info rle = info(5, 5, 8, BI_RLE8);
    EXPECT_EQ(CreateDIBSection(nullptr, rle.get(), DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
    Info short_header = info(5, 5, 24);
    short_header.header.biSize = 12;
    EXPECT_EQ(CreateDIBSection(nullptr, short_header.get(), DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(live_objects(), before);
}

// A DIB section's pixels start black, also when its memory was a released bitmap's (small
// pictures and ones large enough for memory that is kept and handed out again).
TEST(DibSection, PixelsStartZeroedEvenInMemoryUsedBefore) {
    for (auto [width, height, bpp] : {std::tuple{13, 7, 32}, std::tuple{512, 300, 32}, std::tuple{700, 701, 24}}) {
        SCOPED_TRACE(width);
        for (int round = 0; round < 3; ++round) {
            Info i = info(width, height, bpp);
            void* bits = nullptr;
            HBITMAP b = CreateDIBSection(nullptr, i.get(), DIB_RGB_COLORS, &bits, nullptr, 0);
            ASSERT_NE(b, nullptr);
            BITMAP bm{};
            ASSERT_EQ(GetObjectA(b, sizeof(BITMAP), &bm), int(sizeof(BITMAP)));
            const size_t bytes = size_t(bm.bmWidthBytes) * size_t(height);
            const auto* p = static_cast<const uint8_t*>(bits);
            size_t dirty = 0;
            for (size_t k = 0; k < bytes; ++k) dirty += p[k] != 0;
            EXPECT_EQ(dirty, 0u) << "round " << round;
            std::memset(bits, 0xAB, bytes);
            DeleteObject(b);
        }
    }
}

TEST(DibSection, RowOrderFollowsTheSignOfTheHeight) {
    Canvas out(2, 2);
    for (int sign : {1, -1}) {
        SCOPED_TRACE(sign);
        Source src(info(2, 2 * sign, 32));
        // The first row in memory.
        const uint32_t red = 0x00FF0000;
        std::memcpy(src.bits, &red, 4);
        ASSERT_TRUE(BitBlt(out.dc, 0, 0, 2, 2, src.dc, 0, 0, SRCCOPY));
        const int memory_first_row = sign > 0 ? 1 : 0;  // bottom-up: the first row is the bottom one
        EXPECT_EQ(out.at(0, memory_first_row), red);
        EXPECT_EQ(out.at(0, 1 - memory_first_row), 0u);
    }
}

TEST(BitBlt, IndexedSourcesUseTheirColourTable) {
    Canvas out(8, 1);
    // 1 bit: two colours.
    {
        Info i = info(8, 1, 1);
        i.colors[0] = RGBQUAD{0x10, 0x20, 0x30, 0};
        i.colors[1] = RGBQUAD{0xF0, 0xE0, 0xD0, 0};
        Source src(i);
        src.bits[0] = 0xA0;  // 1 0 1 0 0 0 0 0
        ASSERT_TRUE(BitBlt(out.dc, 0, 0, 8, 1, src.dc, 0, 0, SRCCOPY));
        EXPECT_EQ(out.at(0, 0), 0x00D0E0F0u);
        EXPECT_EQ(out.at(1, 0), 0x00302010u);
        EXPECT_EQ(out.at(2, 0), 0x00D0E0F0u);
        EXPECT_EQ(out.at(7, 0), 0x00302010u);
    }
    // 4 bits: the high nibble is the left pixel; a short table leaves the rest black.
    {
        Info i = info(3, 1, 4);
        i.header.biClrUsed = 3;
        i.colors[1] = RGBQUAD{0, 0, 0xFF, 0};
        i.colors[2] = RGBQUAD{0, 0xFF, 0, 0};
        Source src(i);
        src.bits[0] = 0x21;
        src.bits[1] = 0x90;  // index 9 is past the table
        ASSERT_TRUE(BitBlt(out.dc, 0, 0, 3, 1, src.dc, 0, 0, SRCCOPY));
        EXPECT_EQ(out.at(0, 0), 0x0000FF00u);
        EXPECT_EQ(out.at(1, 0), 0x00FF0000u);
        EXPECT_EQ(out.at(2, 0), 0u);
    }
    // 8 bits.
    {
        Info i = info(2, 1, 8);
        i.colors[200] = RGBQUAD{1, 2, 3, 0};
        Source src(i);
        src.bits[1] = 200;
        ASSERT_TRUE(BitBlt(out.dc, 0, 0, 2, 1, src.dc, 0, 0, SRCCOPY));
        EXPECT_EQ(out.at(1, 0), 0x00030201u);
    }
}

TEST(BitBlt, ConvertsBetweenDirectColourDepths) {
    // 16-bit 5-5-5 (BI_RGB) and 5-6-5 (BI_BITFIELDS) sources, full scale stays full scale.
    Canvas out(2, 1);
    {
        Source src(info(2, 1, 16));
        const uint16_t px[2] = {0x7C00, 0x03FF};  // red; green + blue
        std::memcpy(src.bits, px, 4);
        ASSERT_TRUE(BitBlt(out.dc, 0, 0, 2, 1, src.dc, 0, 0, SRCCOPY));
        EXPECT_EQ(out.at(0, 0), 0x00FF0000u);
        EXPECT_EQ(out.at(1, 0), 0x0000FFFFu);
    }
    {
        Info i = info(2, 1, 16, BI_BITFIELDS);
        const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
        std::memcpy(i.colors, masks, sizeof(masks));
        Source src(i);
        const uint16_t px[2] = {0x07E0, 0x0400};  // full green; green 32 of 63
        std::memcpy(src.bits, px, 4);
        ASSERT_TRUE(BitBlt(out.dc, 0, 0, 2, 1, src.dc, 0, 0, SRCCOPY));
        EXPECT_EQ(out.at(0, 0), 0x0000FF00u);
        EXPECT_EQ(out.at(1, 0) >> 8, 0x82u);
    }
    // 24 -> 16 -> 32 keeps the top five bits of each channel.
    {
        Source src24(info(1, 1, 24));
        src24.bits[0] = 0x18;  // blue
        src24.bits[1] = 0x80;  // green
        src24.bits[2] = 0xF8;  // red
        Source mid(info(1, 1, 16));
        ASSERT_TRUE(BitBlt(mid.dc, 0, 0, 1, 1, src24.dc, 0, 0, SRCCOPY));
        ASSERT_TRUE(BitBlt(out.dc, 0, 0, 1, 1, mid.dc, 0, 0, SRCCOPY));
        EXPECT_EQ(out.at(0, 0) & 0x00F8F8F8, 0x00F88018u);
    }
    // 32 -> 24 keeps the colour and drops the fourth byte.
    {
        Source src32(info(1, 1, 32));
        const uint32_t px = 0xAA123456;
        std::memcpy(src32.bits, &px, 4);
        Source dst24(info(1, 1, 24));
        ASSERT_TRUE(BitBlt(dst24.dc, 0, 0, 1, 1, src32.dc, 0, 0, SRCCOPY));
        EXPECT_EQ(dst24.bits[0], 0x56);
        EXPECT_EQ(dst24.bits[1], 0x34);
        EXPECT_EQ(dst24.bits[2], 0x12);
    }
}

// Row copies into 32 bits, from 24 bits, from 8 bits and from 32 bits in another channel
// order, for every width and at several offsets: each pixel lands where it belongs with its
// fourth byte 0, and nothing beside the copied span is touched.
TEST(BitBlt, RowsOfEveryWidthAndOffsetConvertIntoThirtyTwoBits) {
    constexpr int W = 41, H = 3;
    std::mt19937 rng(9);
    Info i8 = info(W, H, 8);
    for (RGBQUAD& c : i8.colors) c = RGBQUAD{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0};
    Info bgr = info(W, H, 32, BI_BITFIELDS);
    const DWORD masks[3] = {0x000000FF, 0x0000FF00, 0x00FF0000};  // red in the low byte
    std::memcpy(bgr.colors, masks, sizeof(masks));
    for (const Info& format : {info(W, H, 24), i8, bgr}) {
        const int bpp = format.header.biBitCount;
        SCOPED_TRACE(bpp);
        Source src(format);
        const size_t stride = ((size_t(W) * size_t(bpp) + 31) / 32) * 4;
        for (size_t k = 0; k < stride * H; ++k) src.bits[k] = uint8_t(rng());
        // The colour of source pixel (x, 1) as 0x00RRGGBB (the picture is bottom-up).
        auto expected = [&](int x) -> uint32_t {
            const uint8_t* row = src.bits + stride * size_t(H - 2);
            switch (bpp) {
            case 24: return uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x];
            case 8: {
                const RGBQUAD& c = format.colors[row[x]];
                return uint32_t(c.rgbRed) << 16 | uint32_t(c.rgbGreen) << 8 | c.rgbBlue;
            }
            default: return uint32_t(row[4 * x]) << 16 | uint32_t(row[4 * x + 1]) << 8 | row[4 * x + 2];
            }
        };
        constexpr uint32_t untouched = 0xDEADBEEF;
        Canvas out(W + 8, H);
        for (int sx : {0, 1, 2, 3, 5}) {
            for (int dx : {0, 3}) {
                for (int n = 1; sx + n <= W; ++n) {
                    std::fill(out.bits, out.bits + (W + 8) * H, untouched);
                    ASSERT_TRUE(BitBlt(out.dc, dx, 1, n, 1, src.dc, sx, 1, SRCCOPY));
                    for (int y = 0; y < H; ++y)
                        for (int x = 0; x < W + 8; ++x) {
                            const bool copied = y == 1 && x >= dx && x < dx + n;
                            const uint32_t want = copied ? expected(sx + x - dx) : untouched;
                            ASSERT_EQ(out.bits[y * (W + 8) + x], want)
                                << "sx " << sx << " dx " << dx << " n " << n << " at " << x << "," << y;
                        }
                }
            }
        }
    }
}

TEST(BitBlt, IndexedDestinationsTakeTheNearestTableColour) {
    Info i = info(3, 1, 8);
    i.header.biClrUsed = 3;
    i.colors[0] = RGBQUAD{0, 0, 0, 0};
    i.colors[1] = RGBQUAD{0, 0, 0xFF, 0};      // red
    i.colors[2] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};  // white
    Source dst(i);
    Source src(info(3, 1, 24));
    const uint8_t px[9] = {0x10, 0x10, 0xE0, 0xF0, 0xF0, 0xF0, 0x05, 0x05, 0x05};
    std::memcpy(src.bits, px, sizeof(px));
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 3, 1, src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(dst.bits[0], 1);
    EXPECT_EQ(dst.bits[1], 2);
    EXPECT_EQ(dst.bits[2], 0);
}

TEST(BitBlt, ClipsToBothBitmaps) {
    Source src(info(4, -4, 32));
    for (int k = 0; k < 16; ++k) {
        const uint32_t v = 0x00010000u * uint32_t(k + 1);
        std::memcpy(src.bits + 4 * k, &v, 4);
    }
    Canvas out(3, 3);
    // Destination origin left of and above the canvas: source moves with it.
    ASSERT_TRUE(BitBlt(out.dc, -1, -1, 10, 10, src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(out.at(0, 0), 0x00060000u);  // source (1, 1)
    EXPECT_EQ(out.at(2, 2), 0x00100000u);  // source (3, 3)
    // Source origin outside the source: only the overlapping part is copied.
    Canvas out2(3, 3);
    ASSERT_TRUE(BitBlt(out2.dc, 0, 0, 3, 3, src.dc, 3, -2, SRCCOPY));
    EXPECT_EQ(out2.at(0, 2), 0x00040000u);  // source (3, 0)
    EXPECT_EQ(out2.at(1, 2), 0u);
    EXPECT_EQ(out2.at(0, 1), 0u);
    // Entirely outside, or from far away coordinates: nothing happens, nothing breaks.
    EXPECT_TRUE(BitBlt(out2.dc, 5000, 0, 3, 3, src.dc, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(out2.dc, 0, 0, INT32_MAX, INT32_MAX, src.dc, INT32_MIN, INT32_MIN, SRCCOPY));
    EXPECT_TRUE(BitBlt(out2.dc, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, src.dc, 0, 0, SRCCOPY));
    // Copy within one bitmap, overlapping downwards.
    ASSERT_TRUE(BitBlt(src.dc, 0, 1, 4, 3, src.dc, 0, 0, SRCCOPY));
    uint32_t v;
    std::memcpy(&v, src.bits + 4 * 12, 4);
    EXPECT_EQ(v, 0x00090000u);  // row 3 took old row 2
    std::memcpy(&v, src.bits + 4 * 4, 4);
    EXPECT_EQ(v, 0x00010000u);  // row 1 took old row 0
}

TEST(MemoryDc, StartsWithTheMonochromeStockBitmap) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetObjectType(dc), DWORD(OBJ_MEMDC));
    HBITMAP mono = CreateCompatibleBitmap(dc, 10, 10);
    BITMAP bm{};
    ASSERT_EQ(GetObjectA(mono, sizeof(BITMAP), &bm), int(sizeof(BITMAP)));
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(bm.bmBits, nullptr);
    EXPECT_EQ(bm.bmWidthBytes, 2);

    Info i = info(2, 2, 24);
    HBITMAP dib = CreateDIBSection(dc, i.get(), DIB_RGB_COLORS, nullptr, nullptr, 0);
    HGDIOBJ stock = SelectObject(dc, dib);
    ASSERT_NE(stock, nullptr);
    ASSERT_EQ(GetObjectA(stock, sizeof(BITMAP), &bm), int(sizeof(BITMAP)));
    EXPECT_EQ(bm.bmWidth, 1);
    EXPECT_EQ(bm.bmHeight, 1);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), dib);
    // Colours written into a monochrome bitmap: white stays white, everything else is black.
    HDC mono_dc = CreateCompatibleDC(nullptr);
    HGDIOBJ mono_prev = SelectObject(mono_dc, mono);
    Canvas out(2, 1);
    Source src(info(2, 1, 32));
    const uint32_t px[2] = {0x00FFFFFF, 0x00FFFFFE};
    std::memcpy(src.bits, px, 8);
    ASSERT_TRUE(BitBlt(mono_dc, 0, 0, 2, 1, src.dc, 0, 0, SRCCOPY));
    ASSERT_TRUE(BitBlt(out.dc, 0, 0, 2, 1, mono_dc, 0, 0, SRCCOPY));
    EXPECT_EQ(out.at(0, 0), 0x00FFFFFFu);
    EXPECT_EQ(out.at(1, 0), 0u);
    SelectObject(mono_dc, mono_prev);
    DeleteDC(mono_dc);

    // A bitmap is selected into one DC at a time, and is not deleted while selected.
    HDC other = CreateCompatibleDC(dc);
    EXPECT_EQ(SelectObject(other, dib), nullptr);
    EXPECT_FALSE(DeleteObject(dib));
    EXPECT_EQ(SelectObject(dc, stock), dib);
    EXPECT_NE(SelectObject(other, dib), nullptr);
    EXPECT_FALSE(DeleteObject(dib));
    // Deleting the DC frees what it held.
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_TRUE(DeleteObject(dib));
    EXPECT_TRUE(DeleteObject(mono));
    EXPECT_TRUE(DeleteDC(dc));
}

TEST(Handles, StaleAndForeignHandlesFailCleanly) {
    HDC dc = CreateCompatibleDC(nullptr);
    HRGN rgn = CreateRectRgn(0, 0, 1, 1);
    HPALETTE pal = CreateHalftonePalette(nullptr);
    ASSERT_TRUE(DeleteDC(dc));
    ASSERT_TRUE(DeleteObject(rgn));
    ASSERT_TRUE(DeleteObject(pal));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_FALSE(DeleteObject(rgn));
    EXPECT_EQ(GetObjectType(rgn), 0u);
    EXPECT_EQ(SelectObject(dc, GetStockObject(WHITE_BRUSH)), nullptr);
    EXPECT_FALSE(PtInRegion(rgn, 0, 0));
    RECT box;
    EXPECT_EQ(GetRgnBox(rgn, &box), ERROR);
    EXPECT_EQ(GetPaletteEntries(pal, 0, 1, nullptr), 0u);
    EXPECT_EQ(CreateCompatibleDC(dc), nullptr);
    EXPECT_FALSE(BitBlt(dc, 0, 0, 1, 1, dc, 0, 0, SRCCOPY));
    BITMAP bm;
    EXPECT_EQ(GetObjectA(reinterpret_cast<HANDLE>(0x12345678), sizeof(bm), &bm), 0);
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(0x7)));
    EXPECT_FALSE(DeleteObject(nullptr));
    // A region handle is not a DC and a DC handle is not a region.
    HRGN live = CreateRectRgn(0, 0, 2, 2);
    HDC live_dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(live), GetStockObject(WHITE_BRUSH)), nullptr);
    EXPECT_FALSE(PtInRegion(reinterpret_cast<HRGN>(live_dc), 0, 0));
    EXPECT_FALSE(DeleteObject(live_dc));  // DCs go through DeleteDC
    EXPECT_TRUE(DeleteDC(live_dc));
    EXPECT_TRUE(DeleteObject(live));
}

TEST(Accounting, CountsLiveObjectsButNotStockOnes) {
    const DWORD base = live_objects();
    for (int i : {WHITE_BRUSH, NULL_BRUSH, DEFAULT_PALETTE}) {
        HGDIOBJ s = GetStockObject(i);
        ASSERT_NE(s, nullptr);
        EXPECT_TRUE(DeleteObject(s));  // harmless, and the object survives
        EXPECT_NE(GetObjectType(s), 0u);
    }
    EXPECT_EQ(GetObjectType(GetStockObject(NULL_BRUSH)), DWORD(OBJ_BRUSH));
    EXPECT_EQ(live_objects(), base);

    HDC dc = CreateCompatibleDC(nullptr);
    HRGN rgn = CreateRectRgn(0, 0, 5, 5);
    HPALETTE pal = CreateHalftonePalette(nullptr);
    Info i = info(4, 4, 8);
    HBITMAP bmp = CreateDIBSection(dc, i.get(), DIB_RGB_COLORS, nullptr, nullptr, 0);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    EXPECT_EQ(live_objects(), base + 5);
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_TRUE(DeleteObject(bmp));
    EXPECT_TRUE(DeleteObject(pal));
    EXPECT_TRUE(DeleteObject(rgn));
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_EQ(live_objects(), base);
}

TEST(Palettes, HalftoneSelectionAndColourTables) {
    HPALETTE half = CreateHalftonePalette(nullptr);
    ASSERT_EQ(GetPaletteEntries(half, 0, 0, nullptr), 256u);
    std::vector<PALETTEENTRY> e(256);
    ASSERT_EQ(GetPaletteEntries(half, 0, 256, e.data()), 256u);
    auto has = [&](BYTE r, BYTE g, BYTE b) {
        for (const PALETTEENTRY& p : e)
            if (p.peRed == r && p.peGreen == g && p.peBlue == b) return true;
        return false;
    };
    EXPECT_TRUE(has(0, 0, 0));
    EXPECT_TRUE(has(255, 255, 255));
    for (BYTE r : {0x00, 0x33, 0x66, 0x99, 0xCC, 0xFF})
        for (BYTE b : {0x00, 0x33, 0x66, 0x99, 0xCC, 0xFF}) EXPECT_TRUE(has(r, 0x99, b));
    EXPECT_EQ(GetPaletteEntries(half, 250, 100, e.data()), 6u);
    WORD count = 0;
    EXPECT_EQ(GetObjectA(half, sizeof(count), &count), int(sizeof(WORD)));
    EXPECT_EQ(count, 256);

    HDC dc = CreateCompatibleDC(nullptr);
    HPALETTE first = SelectPalette(dc, half, TRUE);
    EXPECT_EQ(first, GetStockObject(DEFAULT_PALETTE));
    EXPECT_EQ(RealizePalette(dc), 256u);
    EXPECT_FALSE(DeleteObject(half));  // selected
    EXPECT_EQ(SelectPalette(dc, first, FALSE), half);
    EXPECT_TRUE(DeleteObject(half));

    // CreatePalette copies the entries and checks the version.
    struct {
        WORD version, count;
        PALETTEENTRY entries[2];
    } log{0x300, 2, {{1, 2, 3, 0}, {4, 5, 6, 0}}};
    HPALETTE pal = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&log));
    ASSERT_NE(pal, nullptr);
    PALETTEENTRY got[2];
    ASSERT_EQ(GetPaletteEntries(pal, 0, 2, got), 2u);
    EXPECT_EQ(got[1].peGreen, 5);
    log.version = 0x200;
    EXPECT_EQ(CreatePalette(reinterpret_cast<const LOGPALETTE*>(&log)), nullptr);
    DeleteObject(pal);

    // GetDIBColorTable reads the table of the DIB selected into a DC, and only of such.
    Info i = info(2, 2, 4);
    i.header.biClrUsed = 5;
    i.colors[4] = RGBQUAD{9, 8, 7, 0};
    HBITMAP dib = CreateDIBSection(nullptr, i.get(), DIB_RGB_COLORS, nullptr, nullptr, 0);
    RGBQUAD table[256]{};
    EXPECT_EQ(GetDIBColorTable(dc, 0, 256, table), 0u);  // the stock bitmap has none
    HGDIOBJ prev = SelectObject(dc, dib);
    EXPECT_EQ(GetDIBColorTable(dc, 0, 256, table), 5u);
    EXPECT_EQ(table[4].rgbBlue, 9);
    EXPECT_EQ(table[4].rgbRed, 7);
    EXPECT_EQ(table[5].rgbBlue, 0);
    EXPECT_EQ(GetDIBColorTable(dc, 3, 256, table), 2u);
    SelectObject(dc, prev);
    DeleteObject(dib);
    DeleteDC(dc);
}

TEST(Palettes, PaletteIndexColourTablesReadTheDcPalette) {
    struct {
        WORD version, count;
        PALETTEENTRY entries[3];
    } log{0x300, 3, {{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}}};
    HPALETTE pal = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&log));
    HDC dc = CreateCompatibleDC(nullptr);
    HPALETTE prev = SelectPalette(dc, pal, FALSE);
    struct {
        BITMAPINFOHEADER header;
        WORD indexes[2];
    } bi{};
    bi.header = info(2, 1, 1).header;
    bi.indexes[0] = 2;
    bi.indexes[1] = 0;
    HBITMAP dib = CreateDIBSection(dc, reinterpret_cast<const BITMAPINFO*>(&bi), DIB_PAL_COLORS, nullptr, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    HGDIOBJ old = SelectObject(dc, dib);
    RGBQUAD table[2]{};
    ASSERT_EQ(GetDIBColorTable(dc, 0, 2, table), 2u);
    EXPECT_EQ(table[0].rgbRed, 70);
    EXPECT_EQ(table[1].rgbBlue, 30);
    SelectObject(dc, old);
    SelectPalette(dc, prev, FALSE);
    DeleteObject(dib);
    DeleteObject(pal);
    DeleteDC(dc);
}

}  // namespace
