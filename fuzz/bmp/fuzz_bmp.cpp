// libFuzzer target for the platform's BMP loader (LoadImageA from a file). The input is an
// in-memory file reached through /proc/self/fd. A loaded bitmap is described with GetObjectA
// and its whole pixel array read, then deleted.
//
// Built with the fuzz build:  CC=clang CXX=clang++ cmake -G Ninja -B build-fuzz -DLUMORA_FUZZ=ON
//                             ninja -C build-fuzz fuzz_bmp
// The CTest run ("ctest -L fuzz") lasts 60 seconds. A longer run, keeping what it finds:
//   mkdir -p /tmp/bmp-corpus && build-fuzz/bin/fuzz_bmp -max_total_time=3600 -jobs=2 \
//       -artifact_prefix=/tmp/ /tmp/bmp-corpus fuzz/bmp/corpus
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
