// libFuzzer target for the TGA reader (LOADTGA). The input is handed to the reader as a
// file: an in-memory file reached through /proc/self/fd, so no disk is touched. Message
// boxes are answered at once by the virtual host (empty answer queue) and its log is
// cleared after every input. No GL is needed: the reader only reads a file.
//
// Built with the fuzz build:  CC=clang CXX=clang++ cmake -G Ninja -B build-fuzz -DLUMORA_FUZZ=ON
//                             ninja -C build-fuzz fuzz_tga
// The CTest run ("ctest -L fuzz") lasts 60 seconds. A longer run, keeping what it finds:
//   mkdir -p /tmp/tga-corpus && build-fuzz/bin/fuzz_tga -max_total_time=3600 -jobs=2 \
//       -artifact_prefix=/tmp/ /tmp/tga-corpus fuzz/tga/corpus
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "lumora/Lumora.h"
#include "win32/hosts/virtual/virtual_host.h"

namespace {

int memory_file() {
    static const int fd = memfd_create("fuzz.tga", MFD_CLOEXEC);
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = memory_file();
    if (fd < 0) std::abort();
    if (ftruncate(fd, 0) != 0) std::abort();
    size_t written = 0;
    while (written < size) {
        const ssize_t n = pwrite(fd, data + written, size - written, off_t(written));
        if (n <= 0) std::abort();
        written += size_t(n);
    }
    TGATEXTURE texture{};
    if (LOADTGA(texture, "/proc/self/fd/" + std::to_string(fd))) {
        // Touch every byte the reader claims to have filled.
        const size_t bytes = size_t{texture.BPP / 8} * texture.WIDTH * texture.HEIGHT;
        volatile uint8_t sum = 0;
        for (size_t i = 0; i < bytes; ++i) sum = uint8_t(sum + texture.IMAGEDATA[i]);
        std::free(texture.IMAGEDATA);
    } else if (win32::virtual_host::message_box_log().size() != 1) {
        std::abort();  // every failure is reported exactly once
    }
    win32::virtual_host::clear_message_boxes();
    return 0;
}
