// libFuzzer target: BITMAPTOREGION over arbitrary BMP bytes. Each input is written to an
// in-memory file and turned into a region with the button's key (magenta) and a tolerance
// taken from the input. Beyond the sanitizers' checks it asserts that no GDI object
// outlives the call except the returned region, and that the region stays inside the
// picture.
//
// Built by the sanitizer build as test.sh makes it, which also writes the large seeds:
//   CC=clang CXX=clang++ ./scripts/build.sh build-san -DLUMORA_SANITIZE=ON -DLUMORA_FUZZ=ON -DLUMORA_BENCH=OFF
// The CTest run ("ctest --test-dir build-san -L fuzz") lasts 60 seconds, with inputs of up to
// 1 MiB. A longer run with the same limits, keeping what it finds:
//   mkdir -p /tmp/region-corpus && build-san/bin/region_fuzz -max_total_time=3600 -max_len=1048576 \
//       -entropic_scale_per_exec_time=1 -rss_limit_mb=2048 -timeout=10 -jobs=2 -workers=2 \
//       -artifact_prefix=/tmp/ /tmp/region-corpus fuzz/region/corpus build-san/fuzz/region/large-seeds
// and add the inputs it reports as crashes (crash-*) to the seed corpus once fixed.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "lumora/Lumora.h"

namespace {

int memory_file() {
    static int fd = memfd_create("region-fuzz.bmp", 0);
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = memory_file();
    if (fd < 0) return 0;
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size)) return 0;
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    const BYTE tolerance = size ? data[size / 2] : 0;

    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    // The picture's size, as the loader sees it.
    HPALETTE pal = nullptr;
    HBITMAP bmp = LOADBMPFROMFILE(path, pal);
    BITMAP bm{};
    if (bmp) {
        GetObjectA(bmp, sizeof(bm), &bm);
        DeleteObject(bmp);
        DeleteObject(pal);
    }
    HRGN rgn = BITMAPTOREGION(path, 0x00FF00FF, tolerance);
    if (rgn) {
        if (!bmp) std::abort();  // a region from a file the loader refused
        RECT box;
        const int type = GetRgnBox(rgn, &box);
        if (type == ERROR) std::abort();
        if (type != NULLREGION &&
            (box.left < 0 || box.top < 0 || box.right > bm.bmWidth || box.bottom > bm.bmHeight))
            std::abort();
        DeleteObject(rgn);
    }
    if (GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) != before) std::abort();
    return 0;
}
