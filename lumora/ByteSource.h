// The bytes of an image file for Lumora's decoders (the TGA reader, the BMP file check): a
// file on disk read through a buffer the caller lends (large blocks, never one system call
// per byte), or a block of memory. A decoder reads both the same way.
//
// Files are opened through the Win32 file API, for reading only, and only if they are files
// on disk: directories and missing files fail, and so do pipes, FIFOs and devices, whose
// reads would wait for a writer or never end (they are closed at once). The bytes come as
// they are in the file (a Win32 file handle has no text mode). An operating-system read
// error ends the data just as the end of the file does: the reader sees a short read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lumora/Platform.h"

// Where a decoder takes its bytes from. The bytes at hand are DATA[POS, LEN): for a block of
// memory the whole block, for a file the lent buffer, refilled from the file when it runs
// dry. A source that is closed, or a block read to its end, has no more bytes.
struct TBYTESOURCE {
    const unsigned char* DATA = nullptr;
    size_t POS = 0;
    size_t LEN = 0;
    unsigned char* BUFFER = nullptr;  // the lent read buffer of a file; none for memory
    size_t CAPACITY = 0;
    HANDLE FILEHANDLE = INVALID_HANDLE_VALUE;  // the file behind the buffer; none for memory
    bool ENDED = true;                   // nothing beyond DATA[LEN) to be had
    bool SIZEKNOWN = true;               // a file's size could be asked (memory: always)
    uint64_t FILESIZE = 0;
    uint64_t CONSUMED = 0;  // bytes of the file already in the buffer or given out
};

// Opens the file NAME, read through the CAPACITY bytes at BUFFER (which must outlive the
// source). False, with the source closed, for anything but an existing file on disk.
bool SOURCEOPENFILE(TBYTESOURCE& SOURCE, const char* NAME, unsigned char* BUFFER, size_t CAPACITY);

// The SIZE bytes at DATA, all at hand from the start; a null DATA is an empty block.
void SOURCEOPENMEMORY(TBYTESOURCE& SOURCE, const unsigned char* DATA, size_t SIZE);

// Closes the file, if any; the source then has no bytes.
void SOURCECLOSE(TBYTESOURCE& SOURCE);

// Copies up to N bytes to DST; returns how many arrived. Reads of a buffer's size or more go
// straight from the file to DST.
size_t SOURCEREAD(TBYTESOURCE& SOURCE, void* DST, size_t N);

// Skips up to N bytes; returns how many were there.
size_t SOURCESKIP(TBYTESOURCE& SOURCE, size_t N);

// Bytes not yet handed out, when the source's size is known; otherwise UINT64_MAX.
uint64_t SOURCEREMAINING(const TBYTESOURCE& SOURCE);

// Makes at least N bytes (N no more than the buffer) at hand, DATA[POS, POS + N), if the
// source has them.
bool SOURCEENSURE(TBYTESOURCE& SOURCE, size_t N);
