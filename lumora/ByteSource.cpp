// The byte source of Lumora's decoders: a file on disk through a lent buffer, or a block of
// memory (see ByteSource.h).
#include "lumora/ByteSource.h"

#include <algorithm>
#include <cstring>

namespace {

// Reads up to n bytes of the file straight to dst; 0 at the end of the file or on a read
// error, after which the source has ended.
size_t read_file(TBYTESOURCE& source, unsigned char* dst, size_t n) {
    if (source.FILEHANDLE == INVALID_HANDLE_VALUE || source.ENDED || n == 0) return 0;
    DWORD got = 0;
    const DWORD want = n > 0x7FFFFFFFu ? 0x7FFFFFFFu : static_cast<DWORD>(n);
    if (!ReadFile(source.FILEHANDLE, dst, want, &got, nullptr) || got == 0) {
        source.ENDED = true;  // end of file or a read error: either way the data stops here
        return 0;
    }
    source.CONSUMED += got;
    return got;
}

// Tops the buffer up from the file; false when no more bytes came (always, for memory).
bool refill(TBYTESOURCE& source) {
    if (source.ENDED || source.BUFFER == nullptr) return false;
    // Keep what is left at the front so a value split across two blocks stays whole.
    const size_t left = source.LEN - source.POS;
    if (left != 0 && source.POS != 0) std::memmove(source.BUFFER, source.BUFFER + source.POS, left);
    source.POS = 0;
    source.LEN = left;
    const size_t r = read_file(source, source.BUFFER + left, source.CAPACITY - left);
    source.LEN += r;
    return r != 0;
}

size_t take_at_hand(TBYTESOURCE& source, unsigned char* out, size_t n) {
    const size_t step = std::min(n, source.LEN - source.POS);
    if (step != 0) std::memcpy(out, source.DATA + source.POS, step);
    source.POS += step;
    return step;
}

}  // namespace

void SOURCECLOSE(TBYTESOURCE& SOURCE) {
    if (SOURCE.FILEHANDLE != INVALID_HANDLE_VALUE) CloseHandle(SOURCE.FILEHANDLE);
    SOURCE = TBYTESOURCE{};
}

bool SOURCEOPENFILE(TBYTESOURCE& SOURCE, const char* NAME, unsigned char* BUFFER, size_t CAPACITY) {
    SOURCECLOSE(SOURCE);
    if (NAME == nullptr || BUFFER == nullptr || CAPACITY == 0) return false;
    HANDLE file = CreateFileA(NAME, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return false;
    }
    LARGE_INTEGER size{};
    SOURCE.SIZEKNOWN = GetFileSizeEx(file, &size) && size.QuadPart >= 0;
    SOURCE.FILESIZE = SOURCE.SIZEKNOWN ? static_cast<uint64_t>(size.QuadPart) : 0;
    SOURCE.FILEHANDLE = file;
    SOURCE.BUFFER = BUFFER;
    SOURCE.CAPACITY = CAPACITY;
    SOURCE.DATA = BUFFER;
    SOURCE.ENDED = false;
    return true;
}

void SOURCEOPENMEMORY(TBYTESOURCE& SOURCE, const unsigned char* DATA, size_t SIZE) {
    SOURCECLOSE(SOURCE);
    SOURCE.DATA = DATA;
    SOURCE.LEN = DATA != nullptr ? SIZE : 0;
    SOURCE.FILESIZE = SOURCE.LEN;
}

size_t SOURCEREAD(TBYTESOURCE& SOURCE, void* DST, size_t N) {
    auto* out = static_cast<unsigned char*>(DST);
    size_t got = take_at_hand(SOURCE, out, N);
    while (got < N && !SOURCE.ENDED) {
        const size_t want = N - got;
        if (want >= SOURCE.CAPACITY) {
            const size_t r = read_file(SOURCE, out + got, want);
            if (r == 0) break;
            got += r;
        } else {
            if (!refill(SOURCE)) break;
            got += take_at_hand(SOURCE, out + got, want);
        }
    }
    return got;
}

size_t SOURCESKIP(TBYTESOURCE& SOURCE, size_t N) {
    size_t got = 0;
    while (got < N) {
        if (SOURCE.POS == SOURCE.LEN && !refill(SOURCE)) break;
        const size_t step = std::min(N - got, SOURCE.LEN - SOURCE.POS);
        SOURCE.POS += step;
        got += step;
    }
    return got;
}

uint64_t SOURCEREMAINING(const TBYTESOURCE& SOURCE) {
    if (!SOURCE.SIZEKNOWN) return UINT64_MAX;
    if (SOURCE.FILEHANDLE == INVALID_HANDLE_VALUE) return SOURCE.LEN - SOURCE.POS;
    const uint64_t in_file = SOURCE.FILESIZE > SOURCE.CONSUMED ? SOURCE.FILESIZE - SOURCE.CONSUMED : 0;
    return in_file + (SOURCE.LEN - SOURCE.POS);
}

bool SOURCEENSURE(TBYTESOURCE& SOURCE, size_t N) {
    while (SOURCE.LEN - SOURCE.POS < N) {
        if (!refill(SOURCE)) return false;
    }
    return true;
}
