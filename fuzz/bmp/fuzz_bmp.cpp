// libFuzzer target for the platform's BMP loader (LoadImageA from a file). The input is an
// in-memory file reached through /proc/self/fd. A loaded bitmap is described with GetObjectA
// and its whole pixel array read, then deleted.
//
// Built by the sanitizer build as test.sh makes it, which also writes the large seeds:
//   CC=clang CXX=clang++ ./scripts/build.sh build-san -DLUMORA_SANITIZE=ON -DLUMORA_FUZZ=ON -DLUMORA_BENCH=OFF
// The CTest run ("ctest --test-dir build-san -L fuzz") lasts 60 seconds, with inputs of up to
// 1 MiB. A longer run with the same limits, keeping what it finds:
//   mkdir -p /tmp/bmp-corpus && build-san/bin/fuzz_bmp -max_total_time=3600 -max_len=1048576 \
//       -entropic_scale_per_exec_time=1 -rss_limit_mb=2048 -timeout=10 -jobs=2 -workers=2 \
//       -artifact_prefix=/tmp/ /tmp/bmp-corpus fuzz/bmp/corpus build-san/fuzz/bmp/large-seeds
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "win32/windows.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int fd = memfd_create("fuzz.bmp", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, 0) != 0) std::abort();
    size_t written = 0;
    while (written < size) {
        const ssize_t n = pwrite(fd, data + written, size - written, off_t(written));
        if (n <= 0) std::abort();
        written += size_t(n);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    HANDLE image = LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                              LR_LOADFROMFILE | LR_LOADTRANSPARENT | LR_CREATEDIBSECTION);
    if (image != nullptr) {
        DIBSECTION ds{};
        if (GetObjectA(image, sizeof ds, &ds) != int(sizeof ds) || ds.dsBm.bmBits == nullptr) std::abort();
        const auto* bits = static_cast<const uint8_t*>(ds.dsBm.bmBits);
        const size_t bytes = size_t(ds.dsBm.bmWidthBytes) * size_t(ds.dsBm.bmHeight);
        volatile uint8_t sum = 0;
        for (size_t i = 0; i < bytes; ++i) sum = uint8_t(sum + bits[i]);
        if (!DeleteObject(image)) std::abort();
    }
    return 0;
}
