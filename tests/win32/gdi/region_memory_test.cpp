// Regions (creation, combination, point tests, data export and import, validation of
// RGNDATA from the caller) and movable global memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "win32/internal.h"
#include "win32/windows.h"

namespace {

std::vector<uint8_t> rgndata(const std::vector<RECT>& rects, DWORD claimed_count) {
    std::vector<uint8_t> buf(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    RGNDATAHEADER h{};
    h.dwSize = sizeof(RGNDATAHEADER);
    h.iType = RDH_RECTANGLES;
    h.nCount = claimed_count;
    h.rcBound = RECT{0, 0, 0, 0};
    std::memcpy(buf.data(), &h, sizeof(h));
    if (!rects.empty()) std::memcpy(buf.data() + sizeof(h), rects.data(), rects.size() * sizeof(RECT));
    return buf;
}

HRGN from_rects(const std::vector<RECT>& rects) {
    auto buf = rgndata(rects, DWORD(rects.size()));
    return ExtCreateRegion(nullptr, DWORD(buf.size()), reinterpret_cast<const RGNDATA*>(buf.data()));
}

int area(HRGN r, int w, int h) {
    int n = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) n += PtInRegion(r, x, y) ? 1 : 0;
    return n;
}

TEST(Regions, RectangleRegionsAndTheirCombinations) {
    HRGN a = CreateRectRgn(0, 0, 10, 10);
    HRGN b = CreateRectRgn(15, 5, 5, 15);  // reversed corners are put in order
    RECT box;
    EXPECT_EQ(GetRgnBox(b, &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 5);
    EXPECT_EQ(box.bottom, 15);
    // Pixels are half-open squares.
    EXPECT_TRUE(PtInRegion(a, 9, 9));
    EXPECT_FALSE(PtInRegion(a, 10, 9));
    EXPECT_FALSE(PtInRegion(a, -1, 0));

    HRGN d = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetRgnBox(d, &box), NULLREGION);
    EXPECT_EQ(box.right, 0);
    EXPECT_EQ(CombineRgn(d, a, b, RGN_OR), COMPLEXREGION);
    EXPECT_EQ(area(d, 20, 20), 100 + 100 - 25);
    EXPECT_EQ(CombineRgn(d, a, b, RGN_AND), SIMPLEREGION);
    EXPECT_EQ(area(d, 20, 20), 25);
    EXPECT_EQ(CombineRgn(d, a, b, RGN_DIFF), COMPLEXREGION);
    EXPECT_EQ(area(d, 20, 20), 75);
    EXPECT_EQ(CombineRgn(d, a, b, RGN_XOR), COMPLEXREGION);
    EXPECT_EQ(area(d, 20, 20), 150);
    EXPECT_FALSE(PtInRegion(d, 7, 7));
    EXPECT_EQ(CombineRgn(d, b, nullptr, RGN_COPY), SIMPLEREGION);
    EXPECT_TRUE(EqualRgn(d, b));
    EXPECT_FALSE(EqualRgn(d, a));
    // The destination may be one of the sources.
    EXPECT_EQ(CombineRgn(a, a, b, RGN_OR), COMPLEXREGION);
    EXPECT_EQ(area(a, 20, 20), 175);
    EXPECT_EQ(CombineRgn(a, a, b, 99), ERROR);
    EXPECT_EQ(CombineRgn(a, a, reinterpret_cast<HRGN>(0x1234), RGN_OR), ERROR);
    EXPECT_TRUE(DeleteObject(a));
    EXPECT_TRUE(DeleteObject(b));
    EXPECT_TRUE(DeleteObject(d));
}

TEST(Regions, RegionDataRoundTripsThroughExtCreateRegion) {
    HRGN r = from_rects({{0, 0, 4, 1}, {6, 0, 8, 1}, {0, 1, 4, 2}, {2, 5, 3, 9}});
    ASSERT_NE(r, nullptr);
    const DWORD size = GetRegionData(r, 0, nullptr);
    ASSERT_GE(size, sizeof(RGNDATAHEADER));
    std::vector<uint8_t> buf(size);
    EXPECT_EQ(GetRegionData(r, size - 1, reinterpret_cast<RGNDATA*>(buf.data())), 0u);
    ASSERT_EQ(GetRegionData(r, size, reinterpret_cast<RGNDATA*>(buf.data())), size);
    RGNDATAHEADER h;
    std::memcpy(&h, buf.data(), sizeof(h));
    EXPECT_EQ(h.iType, DWORD(RDH_RECTANGLES));
    EXPECT_EQ(h.rcBound.left, 0);
    EXPECT_EQ(h.rcBound.top, 0);
    EXPECT_EQ(h.rcBound.right, 8);
    EXPECT_EQ(h.rcBound.bottom, 9);
    EXPECT_EQ(size, sizeof(RGNDATAHEADER) + h.nCount * sizeof(RECT));
    HRGN copy = ExtCreateRegion(nullptr, size, reinterpret_cast<const RGNDATA*>(buf.data()));
    EXPECT_TRUE(EqualRgn(r, copy));
    EXPECT_EQ(area(copy, 10, 10), 8 + 2 + 4);
    // A translation moves every rectangle.
    XFORM shift{1, 0, 0, 1, 10, 20};
    HRGN moved = ExtCreateRegion(&shift, size, reinterpret_cast<const RGNDATA*>(buf.data()));
    EXPECT_TRUE(PtInRegion(moved, 12, 25));
    EXPECT_FALSE(PtInRegion(moved, 2, 5));
    DeleteObject(r);
    DeleteObject(copy);
    DeleteObject(moved);
}

TEST(Regions, ExtCreateRegionValidatesTheCallersData) {
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    std::vector<RECT> rects{{0, 0, 1, 1}, {1, 1, 2, 2}};
    // nCount claims more rectangles than the buffer holds.
    auto buf = rgndata(rects, 3);
    EXPECT_EQ(ExtCreateRegion(nullptr, DWORD(buf.size()), reinterpret_cast<const RGNDATA*>(buf.data())), nullptr);
    // A count so large that its byte size overflows.
    buf = rgndata(rects, 0x80000000u);
    EXPECT_EQ(ExtCreateRegion(nullptr, DWORD(buf.size()), reinterpret_cast<const RGNDATA*>(buf.data())), nullptr);
    // A size smaller than the header, a wrong type, a missing buffer.
    buf = rgndata(rects, 2);
    EXPECT_EQ(ExtCreateRegion(nullptr, 31, reinterpret_cast<const RGNDATA*>(buf.data())), nullptr);
    reinterpret_cast<RGNDATAHEADER*>(buf.data())->iType = 2;
    EXPECT_EQ(ExtCreateRegion(nullptr, DWORD(buf.size()), reinterpret_cast<const RGNDATA*>(buf.data())), nullptr);
    EXPECT_EQ(ExtCreateRegion(nullptr, 100, nullptr), nullptr);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);

    // An empty list makes an empty region; empty and inverted rectangles add nothing; a
    // buffer larger than the rectangles that count is fine.
    std::vector<RECT> spare{{0, 0, 0, 5}, {3, 3, 1, 4}, {9, 9, 9, 9}};
    buf = rgndata(spare, 0);
    HRGN empty = ExtCreateRegion(nullptr, DWORD(buf.size()), reinterpret_cast<const RGNDATA*>(buf.data()));
    ASSERT_NE(empty, nullptr);
    RECT box;
    EXPECT_EQ(GetRgnBox(empty, &box), NULLREGION);
    HRGN still_empty = from_rects(spare);
    ASSERT_NE(still_empty, nullptr);
    EXPECT_EQ(GetRgnBox(still_empty, &box), NULLREGION);
    DeleteObject(empty);
    DeleteObject(still_empty);
}

// Merging a region into one above it, in place, as a region built row chunk by row chunk
// is: the result must be the very region (same rectangles) a fresh union gives.
TEST(Regions, MergingChunksInPlaceGivesTheSameRectanglesAsAFreshUnion) {
    std::mt19937 rng(5);
    auto rows = [&](int y0, int y1, int first_x, bool full_rows) {
        std::vector<RECT> rects;
        for (int y = y0; y < y1; ++y) {
            if (full_rows) {  // the same two runs on every row, the seam row cut between them
                if (y != y0 || first_x == 0) rects.push_back(RECT{0, y, 10, y + 1});
                if (y != y1 - 1 || first_x != 0) rects.push_back(RECT{20, y, 30, y + 1});
                continue;
            }
            for (int x = (y == y0 ? first_x : int(rng() % 4)); x < 60; x += 2 + int(rng() % 6))
                rects.push_back(RECT{x, y, x + 1 + int(rng() % 3), y + 1});
        }
        return from_rects(rects);
    };
    for (int trial = 0; trial < 300; ++trial) {
        SCOPED_TRACE(trial);
        const int split = 3 + int(rng() % 10);
        const bool full = trial % 3 == 0;  // identical rows coalesce across the seam
        // A ends in row split (cut somewhere along it), B goes on in that row or below.
        HRGN a = rows(0, split + 1, 0, full);
        const int b_start = full ? split : split + int(rng() % 3) - (trial % 5 == 0 ? 3 : 0);
        HRGN b = rows(b_start, split + 8, full ? 20 : 30 + int(rng() % 30), full);
        HRGN fresh = CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(CombineRgn(fresh, a, b, RGN_OR), ERROR);
        ASSERT_NE(CombineRgn(a, a, b, RGN_OR), ERROR);
        ASSERT_TRUE(EqualRgn(a, fresh));
        const DWORD size = GetRegionData(a, 0, nullptr);
        ASSERT_EQ(size, GetRegionData(fresh, 0, nullptr));
        std::vector<uint8_t> da(size), df(size);
        GetRegionData(a, size, reinterpret_cast<RGNDATA*>(da.data()));
        GetRegionData(fresh, size, reinterpret_cast<RGNDATA*>(df.data()));
        ASSERT_EQ(da, df);
        // And merging on into it keeps working.
        HRGN c = rows(split + 8, split + 12, 0, false);
        ASSERT_NE(CombineRgn(fresh, fresh, c, RGN_OR), ERROR);
        HRGN again = CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(CombineRgn(again, a, c, RGN_OR), ERROR);
        ASSERT_TRUE(EqualRgn(again, fresh));
        for (HRGN r : {a, b, c, fresh, again}) DeleteObject(r);
    }
}

// Rectangles given in banded order (rows top to bottom, left to right), as a scan makes
// them, and the same rectangles in any other order make the very same region: touching
// neighbours merged, equal rows that touch coalesced, empty rectangles left out.
TEST(Regions, BandedAndShuffledRectanglesMakeTheSameRegion) {
    std::mt19937 rng(21);
    auto data_of = [](HRGN r) {
        std::vector<uint8_t> d(GetRegionData(r, 0, nullptr));
        GetRegionData(r, DWORD(d.size()), reinterpret_cast<RGNDATA*>(d.data()));
        return d;
    };
    for (int trial = 0; trial < 400; ++trial) {
        SCOPED_TRACE(trial);
        std::vector<RECT> banded;
        std::vector<RECT> previous_row;
        int y = int(rng() % 3);
        const int rows = 1 + int(rng() % 6);
        for (int r = 0; r < rows; ++r) {
            const int height = 1 + int(rng() % 3);
            std::vector<RECT> row;
            if (!previous_row.empty() && rng() % 3 == 0) {
                for (RECT rc : previous_row) row.push_back(RECT{rc.left, y, rc.right, y + height});  // same spans
            } else {
                for (int x = int(rng() % 4) - 2; x < 40; x += int(rng() % 4)) {  // gaps of 0 to 3
                    const int w = 1 + int(rng() % 5);
                    row.push_back(RECT{x, y, x + w, y + height});
                    x += w;
                }
            }
            for (const RECT& rc : row) {
                banded.push_back(rc);
                if (rng() % 8 == 0) banded.push_back(RECT{rc.right, y, rc.right, y + height});  // empty
            }
            previous_row = row;
            y += height + int(rng() % 2);  // rows that touch or leave a gap
        }
        std::vector<RECT> shuffled = banded;
        std::shuffle(shuffled.begin(), shuffled.end(), rng);
        if (std::memcmp(shuffled.data(), banded.data(), banded.size() * sizeof(RECT)) == 0)
            std::reverse(shuffled.begin(), shuffled.end());
        HRGN a = from_rects(banded);
        HRGN b = from_rects(shuffled);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(data_of(a), data_of(b));
        RECT box_a, box_b;
        EXPECT_EQ(GetRgnBox(a, &box_a), GetRgnBox(b, &box_b));
        EXPECT_EQ(std::memcmp(&box_a, &box_b, sizeof(RECT)), 0);
        DeleteObject(a);
        DeleteObject(b);
    }
}

TEST(Regions, MaskAndContainmentForTheWindowLayer) {
    HRGN r = from_rects({{1, 0, 3, 1}, {0, 1, 1, 2}, {-5, -5, -1, -1}});
    std::vector<uint8_t> mask;
    ASSERT_TRUE(win32::internal::region_mask(r, 3, 2, mask));
    const std::vector<uint8_t> expected{0, 1, 1, 1, 0, 0};
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(mask[i] != 0, expected[i] != 0) << i;
    EXPECT_TRUE(win32::internal::region_contains(r, 2, 0));
    EXPECT_FALSE(win32::internal::region_contains(r, 0, 0));
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    win32::internal::delete_region(r);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before - 1);
    EXPECT_FALSE(win32::internal::region_mask(r, 3, 2, mask));
    EXPECT_FALSE(win32::internal::region_contains(r, 2, 0));
}

TEST(GlobalMemory, MovableBlocksCountLocksAndKeepTheirContentWhenResized) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 32);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalSize(h), 32u);
    auto* p = static_cast<uint8_t*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    EXPECT_NE(static_cast<void*>(p), h);  // a movable handle is not the address
    for (int i = 0; i < 32; ++i) p[i] = uint8_t(i);
    EXPECT_EQ(GlobalLock(h), p);
    EXPECT_TRUE(GlobalUnlock(h));   // still locked once
    EXPECT_FALSE(GlobalUnlock(h));  // now unlocked
    EXPECT_FALSE(GlobalUnlock(h));  // nothing to unlock

    HGLOBAL h2 = GlobalReAlloc(h, 100000, GMEM_MOVEABLE);
    ASSERT_EQ(h2, h);  // a movable block keeps its handle
    EXPECT_EQ(GlobalSize(h), 100000u);
    p = static_cast<uint8_t*>(GlobalLock(h));
    for (int i = 0; i < 32; ++i) ASSERT_EQ(p[i], i);
    p[99999] = 1;
    // Growing a locked block without permission to move it fails and leaves it intact.
    EXPECT_EQ(GlobalReAlloc(h, 200000, 0), nullptr);
    EXPECT_EQ(GlobalSize(h), 100000u);
    GlobalUnlock(h);

    EXPECT_EQ(GlobalFree(h), nullptr);
    EXPECT_EQ(GlobalSize(h), 0u);
    EXPECT_EQ(GlobalLock(h), nullptr);
    EXPECT_EQ(GlobalFree(h), h);  // a second free fails
    EXPECT_EQ(GlobalReAlloc(h, 10, GMEM_MOVEABLE), nullptr);

    // Fixed blocks: the handle is the address; zero-initialised on request.
    HGLOBAL f = GlobalAlloc(GPTR, 64);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(GlobalLock(f), f);
    EXPECT_EQ(static_cast<uint8_t*>(f)[63], 0);
    EXPECT_EQ(GlobalFree(f), nullptr);
    // Absurd sizes are refused.
    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, ~SIZE_T(0)), nullptr);
}

}  // namespace
