// The complete set of files the painter produces, in a fixed order.

#include "pictures.hpp"

namespace painter {

std::vector<PaintedFile> paint_all() {
    std::vector<PaintedFile> files;
    // Model textures, loaded as 24-bit bitmaps.
    files.push_back({"buggy.bmp", encode_bmp24(paint_body_livery())});
    files.push_back({"Metal1-00.bmp", encode_bmp24(paint_brushed_metal())});
    files.push_back({"giger.bmp", encode_bmp24(paint_biomech())});
    files.push_back({"water3.bmp", encode_bmp24(paint_water())});
    // TGA files: between them all four accepted variants appear
    // (uncompressed and run-length encoded, 24 and 32 bits).
    files.push_back({"riflesso.tga", encode_tga(paint_sky_reflection(), TgaKind::RunLength, 24)});
    files.push_back({"sun.tga", encode_tga(paint_sun_reflection(), TgaKind::Uncompressed, 32)});
    files.push_back({"riflesso2.tga", encode_tga(paint_studio_reflection(), TgaKind::RunLength, 32)});
    files.push_back({"pneumatico.tga", encode_tga(paint_tread(), TgaKind::Uncompressed, 24)});
    // Image buttons: prefix + state letter + ".BMP".
    const struct {
        const char* prefix;
        ButtonShape shape;
    } buttons[] = {{"stella", ButtonShape::Star}, {"goccia", ButtonShape::Drop}, {"freccia", ButtonShape::Arrow}};
    const struct {
        const char* letter;
        ButtonState state;
    } states[] = {{"N", ButtonState::Normal}, {"H", ButtonState::Hover}, {"P", ButtonState::Pressed}};
    for (const auto& b : buttons)
        for (const auto& s : states)
            files.push_back({std::string(b.prefix) + s.letter + ".BMP", encode_bmp24(paint_button(b.shape, s.state))});
    return files;
}

}  // namespace painter
