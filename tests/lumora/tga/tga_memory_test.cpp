// How much memory a texture load takes, in a headless GL context: a small TGA file that
// declares an image no texture can hold is refused before anything is allocated, a 24-bit
// TGA image whose rows need filling to OpenGL's 4-byte row alignment is uploaded from the
// one buffer it was read into, and a bitmap of any depth is uploaded with one picture of it
// in GDI's memory. The numbers are printed.
//
// Heap use is counted by standing in for malloc and its companions in this program: the
// blocks the test's own thread allocates while a measurement is open and still holds, and
// their peak. GL's worker threads are not counted. The upload is seen by standing in for
// glTexImage2D (the real one is called from it), so the count can stop where OpenGL starts
// making its own copy, and the GDI objects alive at that moment counted. The resident-set peak (VmHWM, reset through /proc/self/clear_refs)
// is printed and checked too where the kernel offers it.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <pthread.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lumora/Lumora.h"
#include "tests/support/bmp_writer.h"
#include "tests/support/gl_window.h"
#include "tests/support/tga_writer.h"
#include "win32/hosts/virtual/virtual_host.h"

// ---------------------------------------------------------------------------------------
// Heap accounting
// ---------------------------------------------------------------------------------------
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace heap {

struct Block {
    void* p;
    size_t size;
};
constexpr int kMaxBlocks = 4096;

std::atomic<bool> counting{false};
pthread_t owner;
Block blocks[kMaxBlocks];
int block_count = 0;
bool overflowed = false;
size_t current = 0;
size_t peak = 0;

bool measuring() { return counting.load(std::memory_order_relaxed) && pthread_equal(pthread_self(), owner); }

void added(void* p, size_t size) {
    if (p == nullptr || !measuring()) return;
    if (block_count == kMaxBlocks) {
        overflowed = true;
        return;
    }
    blocks[block_count++] = Block{p, size};
    current += size;
    peak = std::max(peak, current);
}

void removed(void* p) {
    if (p == nullptr || !measuring()) return;
    for (int i = block_count - 1; i >= 0; --i) {
        if (blocks[i].p == p) {
            current -= blocks[i].size;
            blocks[i] = blocks[--block_count];
            return;
        }
    }
}

void start() {
    block_count = 0;
    overflowed = false;
    current = peak = 0;
    owner = pthread_self();
    counting = true;
}

size_t stop() {
    counting = false;
    return peak;
}

}  // namespace heap

extern "C" void* malloc(size_t n) {
    void* p = __libc_malloc(n);
    heap::added(p, n);
    return p;
}
extern "C" void* calloc(size_t n, size_t size) {
    void* p = __libc_calloc(n, size);
    heap::added(p, n * size);
    return p;
}
extern "C" void* realloc(void* old, size_t n) {
    void* p = __libc_realloc(old, n);
    if (p != nullptr || n == 0) {
        heap::removed(old);
        heap::added(p, n);
    }
    return p;
}
extern "C" void* memalign(size_t alignment, size_t n) {
    void* p = __libc_memalign(alignment, n);
    heap::added(p, n);
    return p;
}
extern "C" void* aligned_alloc(size_t alignment, size_t n) { return memalign(alignment, n); }
extern "C" int posix_memalign(void** out, size_t alignment, size_t n) {
    void* p = memalign(alignment, n);
    if (p == nullptr) return ENOMEM;
    *out = p;
    return 0;
}
extern "C" void free(void* p) {
    heap::removed(p);
    __libc_free(p);
}

// ---------------------------------------------------------------------------------------
// The upload
// ---------------------------------------------------------------------------------------
namespace {
struct Upload {
    bool seen = false;
    size_t heap_before = 0;  // peak heap of the load up to the upload
    DWORD gdi_objects = 0;   // GDI objects alive at the upload
};
Upload g_upload;
}  // namespace

extern "C" void glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height,
                             GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    if (heap::measuring()) g_upload.heap_before = heap::stop();
    g_upload.seen = true;
    g_upload.gdi_objects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    using TexImage2D = void (*)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const GLvoid*);
    static const auto real = reinterpret_cast<TexImage2D>(dlsym(RTLD_NEXT, "glTexImage2D"));
    real(target, level, internalformat, width, height, border, format, type, pixels);
}

namespace {

using render_test::GlWindow;
using namespace tga_test;

constexpr size_t kMiB = size_t{1} << 20;

long long status_bytes(const char* key) {
    long long kib = -1;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        const size_t length = std::strlen(key);
        while (std::fgets(line, sizeof line, f) != nullptr) {
            if (std::strncmp(line, key, length) == 0 && line[length] == ':') {
                kib = std::atoll(line + length + 1);
                break;
            }
        }
        std::fclose(f);
    }
    return kib < 0 ? -1 : kib * 1024;
}

bool reset_peak_resident_set() {
    FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (f == nullptr) return false;
    const bool written = std::fputs("5", f) >= 0;
    return std::fclose(f) == 0 && written;
}

struct Measured {
    size_t heap_peak = 0;
    long long resident_growth = -1;  // -1: the kernel cannot reset the peak
};

Measured measure(const std::function<void()>& work) {
    Measured m;
    const long long resident = status_bytes("VmRSS");
    const bool peak_reset = resident >= 0 && reset_peak_resident_set();
    heap::start();
    work();
    m.heap_peak = heap::stop();
    EXPECT_FALSE(heap::overflowed) << "more blocks than the accounting holds";
    if (peak_reset) m.resident_growth = status_bytes("VmHWM") - resident;
    return m;
}

GLint bound_texture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

class TgaMemory : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<GlWindow>(64, 64);
        ASSERT_TRUE(window->ready());
        TEXTURETGA = TGATEXTURE{};
        std::memset(TEXTURETGA2, 0, sizeof TEXTURETGA2);
        win32::virtual_host::clear_message_boxes();
        g_upload = Upload{};
    }
    std::unique_ptr<GlWindow> window;
    TempDir dir;
};

// A 32-bit run-length encoded file of width x height pixels, all of them covered by run
// packets of 128 pixels (width x height must be a multiple of 128). Written in pieces, so
// the test itself holds no copy of it.
std::string write_runs(const std::string& path, unsigned width, unsigned height, uint64_t& file_size) {
    const TgaFile head = header(10, width, height, 32);
    const uint64_t packets = uint64_t{width} * height / 128;
    std::vector<uint8_t> piece;
    for (int i = 0; i < 4096; ++i) piece.insert(piece.end(), {255, 10, 20, 30, 40});
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return path;
    std::fwrite(head.bytes.data(), 1, head.bytes.size(), out);
    for (uint64_t left = packets; left > 0;) {
        const uint64_t n = std::min<uint64_t>(left, 4096);
        std::fwrite(piece.data(), 5, n, out);
        left -= n;
    }
    std::fclose(out);
    file_size = head.bytes.size() + packets * 5;
    return path;
}

TEST_F(TgaMemory, AHugeImageInASmallFileIsRefusedBeforeAnythingIsAllocated) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    ASSERT_GT(largest, 0);
    ASSERT_LT(largest, 65535) << "this context holds textures of any width a TGA file can declare";

    // 65535 x 16384 pixels of 4 bytes: 4 294 901 760 bytes, just within 32 bits, and every
    // pixel really is in the file: 8 388 480 run packets of 128 pixels, 5 bytes each.
    uint64_t file_size = 0;
    const std::string file = write_runs(dir.file("huge.tga"), 65535, 16384, file_size);
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    ASSERT_EQ(uint64_t(st.st_size), file_size);
    const uint64_t declared = uint64_t{65535} * 16384 * 4;

    glBindTexture(GL_TEXTURE_2D, 0);
    const Measured m = measure([&] {
        TEXTURELOADTGA(file);
        TEXTURELOADTGAID(file, 9);
    });
    std::printf("file %.1f MB declaring %.2f GB of pixels; context's largest texture side %d\n", file_size / 1e6,
                declared / 1e9, largest);
    std::printf("two loads: peak heap %zu bytes, peak resident-set growth %s\n", m.heap_peak,
                m.resident_growth < 0 ? "not measurable here"
                                      : (std::to_string(m.resident_growth) + " bytes").c_str());

    const auto& boxes = win32::virtual_host::message_box_log();
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.text, "Could not allocate memory for image");
        EXPECT_EQ(box.caption, "ERROR");
        EXPECT_EQ(box.flags, unsigned(MB_OK));
    }
    EXPECT_FALSE(g_upload.seen) << "nothing is uploaded";
    EXPECT_EQ(TEXTURETGA.TEXID, 0u);
    EXPECT_EQ(TEXTURETGA2[9].TEXID, 0u);
    EXPECT_EQ(TEXTURETGA.IMAGEDATA, nullptr);
    EXPECT_EQ(TEXTURETGA2[9].IMAGEDATA, nullptr);
    EXPECT_EQ(bound_texture(), 0);
    EXPECT_LT(m.heap_peak, kMiB);
    if (m.resident_growth >= 0) {
        EXPECT_LT(m.resident_growth, 16 * (long long)kMiB);
    }
}

// A 24-bit picture of random colours, as R, G, B texels and as a TGA file of either type.
// The run-length file mixes raw and run packets of every length, many of them across the
// end of a row.
struct Picture {
    std::vector<uint8_t> texels;  // R, G, B, rows in file order, no gaps
    TgaFile file;
};

Picture odd_width_picture(uint8_t type, unsigned width, unsigned height) {
    Picture p;
    p.file = header(type, width, height, 24);
    const size_t count = size_t{width} * height;
    uint32_t seed = 0x2545F491u;
    auto next = [&] {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        return seed;
    };
    auto random_pixel = [&] {
        const uint32_t r = next();
        return FilePixel{uint8_t(r), uint8_t(r >> 8), uint8_t(r >> 16), 0};
    };
    auto add_texel = [&](const FilePixel& px) { p.texels.insert(p.texels.end(), {px.r, px.g, px.b}); };
    if (type == 2) {
        for (size_t i = 0; i < count; ++i) {
            const FilePixel px = random_pixel();
            add_pixel(p.file, Part::pixels, px, 3);
            add_texel(px);
        }
        return p;
    }
    for (size_t done = 0; done < count;) {
        const unsigned n = unsigned(std::min<size_t>(count - done, next() % 128 + 1));
        if (next() & 1) {
            const FilePixel px = random_pixel();
            add_run_packet(p.file, n, px, 3);
            for (unsigned i = 0; i < n; ++i) add_texel(px);
        } else {
            std::vector<FilePixel> raw;
            for (unsigned i = 0; i < n; ++i) raw.push_back(random_pixel());
            add_raw_packet(p.file, raw, 3);
            for (const auto& px : raw) add_texel(px);
        }
        done += n;
    }
    return p;
}

TEST_F(TgaMemory, AnOddWidthImageIsUploadedFromTheOneBufferItWasReadInto) {
    const unsigned width = 1023, height = 1024;  // rows of 3069 bytes, filled up to 3072
    const size_t row = size_t{width} * 3, stride = (row + 3) & ~size_t{3};
    const size_t image = stride * height;
    for (uint8_t type : {uint8_t{2}, uint8_t{10}}) {
        SCOPED_TRACE("type " + std::to_string(type));
        const Picture picture = odd_width_picture(type, width, height);
        const std::string file = dir.write("odd.tga", picture.file.bytes);
        g_upload = Upload{};
        heap::start();
        TEXTURELOADTGA(file);
        heap::stop();
        ASSERT_TRUE(g_upload.seen) << "no upload";
        ASSERT_NE(TEXTURETGA.TEXID, 0u);
        EXPECT_EQ(bound_texture(), GLint(TEXTURETGA.TEXID));
        EXPECT_TRUE(win32::virtual_host::message_box_log().empty());

        std::printf("type %d, %u x %u at 24 bits: image with filled rows %zu bytes, peak heap of the load "
                    "before the upload %zu bytes (%.3f images)\n",
                    type, width, height, image, g_upload.heap_before, double(g_upload.heap_before) / image);
        EXPECT_GE(g_upload.heap_before, image) << "the image buffer was not counted";
        EXPECT_LE(g_upload.heap_before, image + 64 * 1024 + stride) << "more than one image at a time";

        std::vector<uint8_t> texels(row * height);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        EXPECT_TRUE(texels == picture.texels) << "the texture does not show the file's pixels";
    }
}

// A bitmap that is not 24 bits deep is converted to 24 bits by GDI, and the file's own bitmap
// is released before the upload: at the upload the converted copy is the only GDI object the
// load holds, and afterwards none. A 24-bit bitmap is uploaded from its own memory.
TEST_F(TgaMemory, ABitmapOfAnyDepthIsUploadedWithOnePictureOfItInGdi) {
    const int width = 4096, height = 1024;
    for (int bpp : {1, 8, 32, 24}) {
        SCOPED_TRACE(std::to_string(bpp) + " bits");
        // Two colours at 1 bit, 256 at 8, many at 32 and 24; every texel checked below.
        bmp_test::Picture picture{width, height, {}};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint32_t v = uint32_t(x * 7 + y * 13);
                const uint32_t index = bpp == 1 ? (x + y) % 2 : v % 256;
                picture.pixels.push_back(bpp <= 8 ? bmp_test::Rgb{uint8_t(index * 3), uint8_t(255 - index), 40}
                                                  : bmp_test::Rgb{uint8_t(v), uint8_t(v >> 8), uint8_t(x ^ y)});
            }
        const std::string file = dir.file("picture.bmp");
        ASSERT_TRUE(bmp_test::write(file, picture, bpp));

        const DWORD objects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
        g_upload = Upload{};
        TEXTURELOAD(file.c_str());
        ASSERT_TRUE(g_upload.seen) << "no upload";
        const double file_pixels = double(((size_t(width) * size_t(bpp) + 31) / 32) * 4 * size_t(height));
        std::printf("%2d bits, %d x %d: the file's pixels %.1f MiB, at 24 bits %.1f MiB; bitmaps of the load alive at "
                    "the upload: %ld\n",
                    bpp, width, height, file_pixels / double(kMiB), double(width) * height * 3 / double(kMiB),
                    long(g_upload.gdi_objects) - long(objects));
        EXPECT_EQ(g_upload.gdi_objects, objects + 1) << "bitmaps held at the upload besides the one uploaded";
        EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), objects) << "bitmaps left behind";

        std::vector<uint8_t> texels(size_t(width) * height * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        size_t wrong = 0;
        for (int t = 0; t < height; ++t)  // texture row 0 is the picture's bottom row
            for (int x = 0; x < width; ++x) {
                const bmp_test::Rgb& want = picture.at(x, height - 1 - t);
                const uint8_t* got = texels.data() + (size_t(t) * width + x) * 3;
                wrong += got[0] != want.r || got[1] != want.g || got[2] != want.b;
            }
        EXPECT_EQ(wrong, 0u) << "texels that differ from the file";
    }
}

}  // namespace
