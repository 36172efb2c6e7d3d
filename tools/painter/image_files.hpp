// Encoders for the two image file formats the viewer reads:
//  - 24-bit uncompressed (BI_RGB) bottom-up Windows bitmaps;
//  - Truevision TGA, true colour, 24 or 32 bits, uncompressed (type 2) or
//    run-length encoded (type 10), origin in the bottom-left corner.
//
// The TGA header is written with no image ID, no colour map and a zero
// origin, because the viewer's reader compares the first 12 bytes with
// exactly {0,0,2,0,...} or {0,0,10,0,...} and refuses anything else.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "canvas.hpp"

namespace painter {

using Bytes = std::vector<std::uint8_t>;

enum class TgaKind : std::uint8_t { Uncompressed = 2, RunLength = 10 };

// Bitmap of the canvas, 24 bits per pixel, rows bottom-up, each row filled to
// a multiple of 4 bytes.
Bytes encode_bmp24(const Canvas& canvas);

// TGA of the canvas with 24 or 32 bits per pixel.  For 32 bits the alpha
// channel comes from canvas.alpha (opaque when that is empty).
Bytes encode_tga(const Canvas& canvas, TgaKind kind, int bits_per_pixel);

// TGA from pixels already in file order: rows bottom-up, each pixel
// blue, green, red (, alpha).  `bytes_per_pixel` is 3 or 4.
Bytes encode_tga_pixels(int width, int height, int bytes_per_pixel, TgaKind kind,
                        const std::vector<std::uint8_t>& file_order_pixels);

}  // namespace painter
