// Encoders: what the writers produce must decode back to the same pixels
// under the strict readers, whatever the pixel pattern.

#include <gtest/gtest.h>

#include <stdexcept>

#include "decoded_image.hpp"
#include "image_files.hpp"
#include "noise.hpp"

using painter::Bytes;
using painter::TgaKind;
using painter_test::decode_bmp;
using painter_test::decode_tga;

namespace {

// Pixels in file order (B, G, R (, A)) built by a generator of one byte
// triple per pixel.
template <typename F>
std::vector<std::uint8_t> make_pixels(int w, int h, int bpp, F&& colour_of) {
    std::vector<std::uint8_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = colour_of(x, y);
            for (int k = 0; k < bpp; ++k) px.push_back(static_cast<std::uint8_t>(c >> (8 * k)));
        }
    return px;
}

void expect_round_trip(int w, int h, int bpp, const std::vector<std::uint8_t>& px) {
    for (TgaKind kind : {TgaKind::Uncompressed, TgaKind::RunLength}) {
        SCOPED_TRACE(kind == TgaKind::RunLength ? "run-length" : "uncompressed");
        const Bytes file = painter::encode_tga_pixels(w, h, bpp, kind, px);
        const auto img = decode_tga(file);
        ASSERT_TRUE(img.has_value());
        EXPECT_EQ(img->width, w);
        EXPECT_EQ(img->height, h);
        EXPECT_EQ(img->bytes_per_pixel, bpp);
        // The decoder hands back R, G, B; the file order was B, G, R.
        std::vector<std::uint8_t> back = img->pixels;
        for (std::size_t i = 0; i + 2 < back.size(); i += bpp) std::swap(back[i], back[i + 2]);
        EXPECT_EQ(back, px);
    }
}

}  // namespace

TEST(TgaEncoder, RoundTripsEveryRowShape) {
    // Long runs (over the 128-pixel packet limit), alternating pixels (all
    // literals), runs that would continue into the next row, and noise.
    expect_round_trip(300, 3, 3, make_pixels(300, 3, 3, [](int, int) { return 0x112233u; }));
    expect_round_trip(257, 2, 4, make_pixels(257, 2, 4, [](int x, int) { return (x & 1) ? 0xFF00FF00u : 0x00FF00FFu; }));
    expect_round_trip(5, 4, 3, make_pixels(5, 4, 3, [](int x, int y) { return x >= 3 || y == 2 ? 7u : 9u * x + y; }));
    painter::Rng rng(5);
    expect_round_trip(131, 7, 4, make_pixels(131, 7, 4, [&](int, int) {
        return static_cast<std::uint32_t>(rng.next() % 3) * 0x01010101u;  // short random runs
    }));
    expect_round_trip(1, 1, 3, {1, 2, 3});
}

TEST(TgaEncoder, RunLengthActuallyCompressesFlatRows) {
    const auto px = make_pixels(256, 4, 4, [](int, int) { return 0x80808080u; });
    const Bytes packed = painter::encode_tga_pixels(256, 4, 4, TgaKind::RunLength, px);
    EXPECT_LT(packed.size(), 18u + 4u * 2u * 5u + 1u);  // two packets of 5 bytes per row
}

TEST(TgaEncoder, RejectsSizesTheFormatCannotHold) {
    EXPECT_THROW(painter::encode_tga_pixels(0, 4, 3, TgaKind::Uncompressed, {}), std::invalid_argument);
    EXPECT_THROW(painter::encode_tga_pixels(70000, 1, 3, TgaKind::Uncompressed, std::vector<std::uint8_t>(210000)),
                 std::invalid_argument);
    EXPECT_THROW(painter::encode_tga_pixels(2, 2, 2, TgaKind::Uncompressed, std::vector<std::uint8_t>(8)),
                 std::invalid_argument);
    EXPECT_THROW(painter::encode_tga_pixels(2, 2, 3, TgaKind::Uncompressed, std::vector<std::uint8_t>(11)),
                 std::invalid_argument);
    painter::Canvas c(2, 2);
    EXPECT_THROW(painter::encode_tga(c, TgaKind::Uncompressed, 16), std::invalid_argument);
}

TEST(BmpEncoder, PadsRowsAndKeepsBottomUpOrder) {
    // Width 5: 15 bytes of pixels, one fill byte per row.
    painter::Canvas c(5, 3);
    c.fill([](double s, double t) { return painter::Rgb{s, t, 0.25}; });
    const Bytes file = painter::encode_bmp24(c);
    EXPECT_EQ(file.size(), 54u + 16u * 3u);
    const auto img = decode_bmp(file);
    ASSERT_TRUE(img.has_value());
    // Row 0 in the file is the canvas's row 0, the bottom row (t smallest).
    EXPECT_LT(img->g(0, 0), img->g(0, 2));
    EXPECT_LT(img->r(0, 0), img->r(4, 0));
    EXPECT_EQ(img->b(2, 1), 64);
    EXPECT_THROW(painter::encode_bmp24(painter::Canvas(0, 3)), std::invalid_argument);
}
