// The TGA reader's entries for the texture loader and for the programs that exercise the
// reader on its own (its tests, fuzz target and benchmark): a file or a block of memory,
// decoded by the same code. The library's public header, Lumora.h, does not declare them.
//
// The reader makes no OpenGL call. How large a texture can be is asked of the caller.
#pragma once

#include <cstddef>
#include <string>

#include "lumora/Lumora.h"
#include "lumora/TextureSize.h"

// LOADTGA on the file FILENAME, its rows filled up to a multiple of ROWALIGNMENT bytes with
// zeros (1: the record's gap-free rows) and its sides bounded by LARGESTSIDE
// (TEXTUREFITS: asked only for images wider or taller than 1024).
bool LOADTGAFROMFILE(TGATEXTURE& TEXTURE, const std::string& FILENAME, size_t ROWALIGNMENT = 1,
                     TGASIDEQUERY LARGESTSIDE = nullptr);

// The same for the SIZE bytes at DATA, read as a file of those bytes would be: the same
// pixels, the same checks and the same message boxes. A block is always there to read, so
// "Could not open texture file" is never shown; a null DATA is an empty block.
bool LOADTGAFROMMEMORY(TGATEXTURE& TEXTURE, const unsigned char* DATA, size_t SIZE, size_t ROWALIGNMENT = 1,
                       TGASIDEQUERY LARGESTSIDE = nullptr);
