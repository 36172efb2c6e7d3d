// The look Lumora takes at a bitmap file before the platform's image loader (LoadImageA)
// gets it. The loader believes what a file's headers say; the real one reads past the end of
// a file whose headers promise more than it holds and brings the program down. Every place
// that hands a BMP file to LoadImageA (texture loading, button pictures, bitmap regions)
// asks this first and treats a refused file as one that cannot be loaded.
#pragma once

// True when FILENAME is a file on disk that holds everything its headers declare: the file
// header, the info header of the size it gives, the bit masks and colour table that follow
// it, and the pixel array at the offset the file header gives, with no size overflowing.
// Read through the Win32 file API (the first 54 bytes of the file); nothing is allocated.
// Whether the loader can decode the pixels (depth, compression) is left to the loader.
bool BMPFILEFITS(const char* FILENAME);
