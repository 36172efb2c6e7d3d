// libFuzzer target for the TGA reader. The input is handed to the reader as a block of
// memory (LOADTGAFROMMEMORY), which is decoded by the same code as a file and shows the
// same message boxes. Each input is decoded twice, with gap-free rows and with rows filled
// to 4 bytes (as the texture loader asks): both must agree on the outcome, the box and the
// pixels, and the fill bytes must be zero. Every failure must be reported exactly once.
//
// The program links the reader's source and nothing of the platform: it stands in for the
// Win32 calls the reader makes. MessageBoxA records the box and answers OK; the file calls
// must never be made, since a block of memory is read without opening anything.
//
// Built by the sanitizer build as test.sh makes it, which also writes the large seeds:
//   CC=clang CXX=clang++ ./scripts/build.sh build-san -DLUMORA_SANITIZE=ON -DLUMORA_FUZZ=ON -DLUMORA_BENCH=OFF
// The CTest run ("ctest --test-dir build-san -L fuzz") lasts 60 seconds, with inputs of up to
// 1 MiB. A longer run with the same limits, keeping what it finds:
//   mkdir -p /tmp/tga-corpus && build-san/bin/fuzz_tga -max_total_time=3600 -max_len=1048576 \
//       -entropic_scale_per_exec_time=1 -rss_limit_mb=2048 -timeout=10 -jobs=2 -workers=2 \
//       -artifact_prefix=/tmp/ /tmp/tga-corpus fuzz/tga/corpus build-san/fuzz/tga/large-seeds
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "lumora/TgaReader.h"

namespace {

struct Box {
    std::string text;
    std::string caption;
    UINT flags = 0;
    bool operator==(const Box&) const = default;
};

std::vector<Box> boxes;

}  // namespace

// ---- the Win32 calls the reader makes ------------------------------------------------------
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT flags) {
    if (owner != nullptr || text == nullptr || caption == nullptr) std::abort();  // the reader's have no owner
    boxes.push_back(Box{text, caption, flags});
    return IDOK;
}

HANDLE CreateFileA(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) { std::abort(); }
BOOL ReadFile(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) { std::abort(); }
DWORD GetFileType(HANDLE) { std::abort(); }
BOOL GetFileSizeEx(HANDLE, PLARGE_INTEGER) { std::abort(); }
BOOL CloseHandle(HANDLE) { std::abort(); }

namespace {

struct Decoded {
    bool ok = false;
    TGATEXTURE texture{};
    std::vector<Box> boxes;
};

Decoded decode(const uint8_t* data, size_t size, size_t alignment) {
    boxes.clear();
    Decoded d;
    d.ok = LOADTGAFROMMEMORY(d.texture, data, size, alignment);
    d.boxes = boxes;
    if (d.ok ? !d.boxes.empty() : d.boxes.size() != 1) std::abort();  // every failure reported once
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly the input's bytes, so that reading past the block shows.
    const std::vector<uint8_t> block(data, data + size);
    Decoded gap_free = decode(block.data(), block.size(), 1);
    Decoded filled = decode(block.data(), block.size(), 4);
    if (gap_free.ok != filled.ok || !(gap_free.boxes == filled.boxes)) std::abort();
    if (gap_free.ok) {
        const TGATEXTURE& a = gap_free.texture;
        const TGATEXTURE& b = filled.texture;
        if (a.WIDTH != b.WIDTH || a.HEIGHT != b.HEIGHT || a.BPP != b.BPP || a.TYP != b.TYP) std::abort();
        // Every byte the reader claims to have filled: the rows alike, the fill bytes zero.
        const size_t row = size_t{a.BPP / 8} * a.WIDTH;
        const size_t stride = (row + 3) / 4 * 4;
        for (size_t y = 0; y < a.HEIGHT; ++y) {
            if (std::memcmp(a.IMAGEDATA + y * row, b.IMAGEDATA + y * stride, row) != 0) std::abort();
            for (size_t i = row; i < stride; ++i) {
                if (b.IMAGEDATA[y * stride + i] != 0) std::abort();
            }
        }
    }
    std::free(gap_free.texture.IMAGEDATA);
    std::free(filled.texture.IMAGEDATA);
    return 0;
}
