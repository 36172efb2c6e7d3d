// The one rule for whether an image fits a texture, for the TGA reader (which refuses an
// image before allocating it) and the bitmap loader (which refuses a bitmap before
// converting it). It makes no OpenGL call itself: how large a texture can be is asked of the
// caller.
#pragma once

#include "lumora/Lumora.h"

// Tells the largest width and height a texture can have, or 0 when it cannot tell.
typedef LONGWORD (*TGASIDEQUERY)();

// Image sides up to this are taken without asking: every OpenGL implementation the library
// runs on holds them (OpenGL 3.0 and later must, and Windows' own software OpenGL 1.1 does),
// and such an image takes at most 4 MiB. Only larger images make the rule ask, so loads of
// ordinary images make exactly the GL calls they always made.
constexpr LONGWORD SIDEEVERYCONTEXTHOLDS = 1024;

// The largest side when the caller cannot tell (no OpenGL context is current, or the image
// is not meant for one): 16384 is what OpenGL 4.1 asks at least, what Mesa's software
// renderers and most desktop GPUs hold, so an image read before a context exists will still
// fit one later on most machines; at 32 bits such an image takes at most 1 GiB.
constexpr LONGWORD SIDEWITHOUTCONTEXT = 16384;

// Whether an image of WIDTH x HEIGHT can become a texture: sides up to
// SIDEEVERYCONTEXTHOLDS always; larger ones against what LARGESTSIDE tells, or
// SIDEWITHOUTCONTEXT without a query (nullptr) or when it answers 0.
inline bool TEXTUREFITS(LONGWORD WIDTH, LONGWORD HEIGHT, TGASIDEQUERY LARGESTSIDE) {
    const LONGWORD side = WIDTH > HEIGHT ? WIDTH : HEIGHT;
    if (side <= SIDEEVERYCONTEXTHOLDS) return true;
    const LONGWORD told = LARGESTSIDE != nullptr ? LARGESTSIDE() : 0;
    return side <= (told > 0 ? told : SIDEWITHOUTCONTEXT);
}
