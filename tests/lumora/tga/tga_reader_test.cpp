// The TGA reader over files written by the tests: pixel order, accepted and rejected
// headers, every failure with its message box, and files cut short at every byte; and
// blocks of memory holding the same bytes, which must read as those files do.
// Run under AddressSanitizer (label asan) these also prove that no path over-reads, writes
// past the image or leaks a buffer.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <pwd.h>

#include "lumora/Lumora.h"
#include "lumora/TgaReader.h"
#include "tests/support/special_files.h"
#include "tests/lumora/tga/tga_test_support.h"
#include "tests/support/tga_writer.h"

using namespace tga_test;

namespace {

struct Load {
    bool ok = false;
    TGATEXTURE texture{};
    std::vector<uint8_t> pixels;  // IMAGEDATA copied out, when the load succeeded
    std::vector<Box> boxes;
};

int open_descriptors() {
    int count = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d) != nullptr) ++count;
        closedir(d);
    }
    return count;
}

// Loads a file and collects what the user was shown. Also checks that the file was closed
// and, on failure, that no image buffer is left behind.
Load load(const std::string& path) {
    take_boxes();
    const int fds_before = open_descriptors();
    Load l;
    l.texture.TEXID = 77;  // the reader must not touch it
    l.ok = LOADTGA(l.texture, path);
    EXPECT_EQ(open_descriptors(), fds_before) << "the file is left open: " << path;
    EXPECT_EQ(l.texture.TEXID, 77u);
    if (l.ok && l.texture.IMAGEDATA != nullptr) {
        const size_t size = size_t{l.texture.BPP / 8} * l.texture.WIDTH * l.texture.HEIGHT;
        l.pixels.assign(l.texture.IMAGEDATA, l.texture.IMAGEDATA + size);
        std::free(l.texture.IMAGEDATA);
        l.texture.IMAGEDATA = nullptr;
    }
    l.boxes = take_boxes();
    return l;
}

// Expects a failed load with exactly one box of the given text and caption, OK only.
void expect_failure(const Load& l, const std::string& text, const std::string& caption = "ERROR") {
    EXPECT_FALSE(l.ok);
    ASSERT_EQ(l.boxes.size(), 1u);
    EXPECT_EQ(l.boxes[0].text, text);
    EXPECT_EQ(l.boxes[0].caption, caption);
    EXPECT_EQ(l.boxes[0].flags, static_cast<unsigned>(MB_OK));
}

const char* message_for(Part part) {
    switch (part) {
    case Part::file_header: return "Could not read file header";
    case Part::info_header: return "Could not read info header";
    case Part::pixels: return "Could not read image data";
    case Part::rle_header: return "Could not read RLE header";
    case Part::raw_pixel: return "Could not read image data";
    case Part::run_pixel: return "Could not read from file";
    }
    return "";
}

class TgaReader : public ::testing::Test {
protected:
    TempDir dir;
    std::string write(const TgaFile& f, size_t length = SIZE_MAX) { return dir.write("image.tga", f.bytes, length); }
};

// ---------------------------------------------------------------------------------------
// Pixels that come out
// ---------------------------------------------------------------------------------------
TEST_F(TgaReader, UncompressedPixelsComeOutRedGreenBlue) {
    TgaFile f = header(2, 2, 1, 24);
    f.add(Part::pixels, {1, 2, 3, 4, 5, 6});
    Load l = load(write(f));
    ASSERT_TRUE(l.ok);
    EXPECT_TRUE(l.boxes.empty());
    EXPECT_EQ(l.pixels, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
    EXPECT_EQ(l.texture.TYP, static_cast<LONGWORD>(GL_RGB));
    EXPECT_EQ(l.texture.BPP, 24u);
    EXPECT_EQ(l.texture.WIDTH, 2u);
    EXPECT_EQ(l.texture.HEIGHT, 1u);

    TgaFile f32 = header(2, 1, 2, 32);
    f32.add(Part::pixels, {10, 20, 30, 40, 50, 60, 70, 80});
    l = load(write(f32));
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.pixels, (std::vector<uint8_t>{30, 20, 10, 40, 70, 60, 50, 80}));
    EXPECT_EQ(l.texture.TYP, static_cast<LONGWORD>(GL_RGBA));
    EXPECT_EQ(l.texture.BPP, 32u);
    EXPECT_EQ(l.texture.HEIGHT, 2u);
}

TEST_F(TgaReader, RunLengthPacketsExpandLikeTheUncompressedImage) {
    for (unsigned bpp : {3u, 4u}) {
        TgaFile run = header(10, 2, 1, uint8_t(bpp * 8));
        add_run_packet(run, 2, {10, 20, 30, 40}, bpp);
        Load l = load(write(run));
        ASSERT_TRUE(l.ok);
        EXPECT_TRUE(l.boxes.empty());
        if (bpp == 3) EXPECT_EQ(l.pixels, (std::vector<uint8_t>{30, 20, 10, 30, 20, 10}));
        else EXPECT_EQ(l.pixels, (std::vector<uint8_t>{30, 20, 10, 40, 30, 20, 10, 40}));

        TgaFile raw = header(10, 2, 1, uint8_t(bpp * 8));
        add_raw_packet(raw, {{1, 2, 3, 9}, {4, 5, 6, 8}}, bpp);
        TgaFile plain = header(2, 2, 1, uint8_t(bpp * 8));
        add_pixel(plain, Part::pixels, {1, 2, 3, 9}, bpp);
        add_pixel(plain, Part::pixels, {4, 5, 6, 8}, bpp);
        Load from_raw = load(write(raw));
        Load from_plain = load(write(plain));
        ASSERT_TRUE(from_raw.ok);
        ASSERT_TRUE(from_plain.ok);
        EXPECT_EQ(from_raw.pixels, from_plain.pixels);
        EXPECT_EQ(from_raw.texture.TYP, from_plain.texture.TYP);
    }
}

TEST_F(TgaReader, LargeMixedRunLengthImageMatchesItsUncompressedTwin) {
    // Packets of every length, crossing the reader's buffer boundaries many times.
    const unsigned width = 1000, height = 70;
    for (unsigned bpp : {3u, 4u}) {
        TgaFile rle = header(10, width, height, uint8_t(bpp * 8));
        TgaFile plain = header(2, width, height, uint8_t(bpp * 8));
        unsigned left = width * height, seed = 12345, length = 1;
        while (left > 0) {
            const unsigned n = std::min(left, length);
            seed = seed * 1103515245u + 12345u;
            if ((seed >> 16) & 1) {
                const FilePixel p{uint8_t(seed >> 3), uint8_t(seed >> 11), uint8_t(seed >> 19), uint8_t(seed >> 27)};
                add_run_packet(rle, n, p, bpp);
                for (unsigned i = 0; i < n; ++i) add_pixel(plain, Part::pixels, p, bpp);
            } else {
                std::vector<FilePixel> px;
                for (unsigned i = 0; i < n; ++i) {
                    seed = seed * 1103515245u + 12345u;
                    px.push_back({uint8_t(seed >> 5), uint8_t(seed >> 13), uint8_t(seed >> 21), uint8_t(seed >> 24)});
                }
                add_raw_packet(rle, px, bpp);
                for (const auto& p : px) add_pixel(plain, Part::pixels, p, bpp);
            }
            left -= n;
            length = length % 128 + 1;
        }
        const Load a = load(dir.write("rle.tga", rle.bytes));
        const Load b = load(dir.write("plain.tga", plain.bytes));
        ASSERT_TRUE(a.ok);
        ASSERT_TRUE(b.ok);
        EXPECT_EQ(a.pixels.size(), size_t{width} * height * bpp);
        EXPECT_TRUE(a.pixels == b.pixels);
    }
}

TEST_F(TgaReader, RowsKeepFileOrderWhateverTheDescriptorSays) {
    for (uint8_t descriptor : {uint8_t{0x00}, uint8_t{0x20}, uint8_t{0x28}}) {
        TgaFile f = header(2, 1, 2, 24, descriptor);
        f.add(Part::pixels, {1, 1, 1, 2, 2, 2});
        Load l = load(write(f));
        ASSERT_TRUE(l.ok);
        EXPECT_EQ(l.pixels, (std::vector<uint8_t>{1, 1, 1, 2, 2, 2})) << int(descriptor);
    }
}

// A file of either type holding every pixel of its image: zeros, or run packets of 128.
TgaFile complete_file(uint8_t type, unsigned width, unsigned height, unsigned bpp) {
    TgaFile f = header(type, width, height, uint8_t(bpp * 8));
    for (uint64_t left = uint64_t{width} * height; left > 0;) {
        const unsigned n = unsigned(std::min<uint64_t>(left, 128));
        if (type == 2) {
            for (unsigned i = 0; i < n; ++i) add_pixel(f, Part::pixels, {1, 2, 3, 4}, bpp);
        } else {
            add_run_packet(f, n, {1, 2, 3, 4}, bpp);
        }
        left -= n;
    }
    return f;
}

TEST_F(TgaReader, WidthAndHeightAreLittleEndian) {
    for (unsigned bpp : {3u, 4u}) {
        Load l = load(write(complete_file(10, 16384, 1, bpp)));  // width bytes 0, 64
        ASSERT_TRUE(l.ok);
        EXPECT_EQ(l.texture.WIDTH, 16384u);
        EXPECT_EQ(l.texture.HEIGHT, 1u);
        EXPECT_EQ(TGA.WIDTH, 16384u);
        EXPECT_EQ(TGA.HEIGH, 1u);
        EXPECT_EQ(TGA.IMAGESIZE, 16384u * bpp);
        EXPECT_EQ(l.pixels.size(), 16384u * bpp);

        l = load(write(complete_file(2, 1, 258, bpp)));  // height bytes 2, 1
        ASSERT_TRUE(l.ok);
        EXPECT_EQ(l.texture.HEIGHT, 258u);
        EXPECT_EQ(l.pixels.size(), 258u * bpp);
    }
    // 65535 from bytes 255, 255: read, though no texture can be that wide (see below).
    TgaFile widest = header(10, 65535, 258, 24);
    expect_failure(load(write(widest)), "Could not allocate memory for image");
    EXPECT_EQ(TGA.WIDTH, 65535u);
    EXPECT_EQ(TGA.HEIGH, 258u);
    EXPECT_EQ(TGA.IMAGESIZE, 65535u * 258 * 3);
}

TEST_F(TgaReader, BytesAfterTheImageAreIgnored) {
    TgaFile f = header(10, 2, 1, 24);
    add_run_packet(f, 2, {10, 20, 30, 0}, 3);
    f.add(Part::pixels, {0xFF, 0xFF, 0xFF, 0xFF});  // a bogus packet that is never read
    Load l = load(write(f));
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.pixels, (std::vector<uint8_t>{30, 20, 10, 30, 20, 10}));
}

// ---------------------------------------------------------------------------------------
// Every failure: its message, its caption, nothing left allocated or open
// ---------------------------------------------------------------------------------------
TEST_F(TgaReader, OnlyFilesOnDiskCanBeOpened) {
    expect_failure(load(dir.file("absent.tga")), "Could not open texture file");
    expect_failure(load(dir.path()), "Could not open texture file");
    expect_failure(load(""), "Could not open texture file");

    // A FIFO and devices are refused at once, never waited on: a FIFO nobody writes to, one
    // whose writer has put a whole image in it and stays, and devices that give no bytes or
    // endless zeros.
    const std::string fifo = dir.file("fifo.tga");
    ASSERT_TRUE(special_files::make_fifo(fifo));
    auto result = special_files::within_seconds([&] { return load(fifo); }, [&] { special_files::release_fifo(fifo); });
    ASSERT_TRUE(result) << "loading a FIFO nobody writes to blocked";
    expect_failure(*result, "Could not open texture file");
    TgaFile image = header(2, 1, 1, 24);
    image.add(Part::pixels, {1, 2, 3});
    int writer = open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, image.bytes.data(), image.bytes.size()), ssize_t(image.bytes.size()));
    result = special_files::within_seconds([&] { return load(fifo); }, [&] {
        if (writer >= 0) close(writer);
        writer = -1;
    });
    if (writer >= 0) close(writer);
    ASSERT_TRUE(result) << "loading a FIFO whose writer stays blocked";
    expect_failure(*result, "Could not open texture file");
    for (const char* device : {"/dev/null", "/dev/zero"}) {
        if (access(device, R_OK) != 0) continue;
        result = special_files::within_seconds([&] { return load(device); }, [] {});
        ASSERT_TRUE(result) << "loading " << device << " blocked";
        expect_failure(*result, "Could not open texture file");
    }
}

TEST_F(TgaReader, HeadersOtherThanTheTwoPatternsAreInvalidImages) {
    TgaFile good = header(2, 1, 1, 24);
    good.add(Part::pixels, {1, 2, 3});
    for (size_t offset = 0; offset < 12; ++offset) {
        for (uint8_t value : {uint8_t{1}, uint8_t{3}, uint8_t{0xFF}}) {
            TgaFile f = good;
            if (offset == 2 && value == 3) value = 11;  // type 3 (grey) is checked below
            f.bytes[offset] = (offset == 2) ? value : uint8_t(f.bytes[offset] + value);
            SCOPED_TRACE("byte " + std::to_string(offset) + " = " + std::to_string(f.bytes[offset]));
            expect_failure(load(write(f)), "TGA file be type 2 or type 10", "Invalid Image");
        }
    }
    for (uint8_t type : {uint8_t{1}, uint8_t{3}, uint8_t{9}, uint8_t{11}}) {
        TgaFile f = header(type, 1, 1, 24);
        f.add(Part::pixels, {1, 2, 3});
        expect_failure(load(write(f)), "TGA file be type 2 or type 10", "Invalid Image");
    }
}

TEST_F(TgaReader, ZeroSizeOrUnsupportedDepthIsInvalidTextureInformation) {
    struct Case {
        unsigned w, h;
        uint8_t bpp;
    };
    for (uint8_t type : {uint8_t{2}, uint8_t{10}}) {
        for (const Case& c : {Case{0, 1, 24}, Case{1, 0, 32}, Case{0, 0, 24}, Case{1, 1, 16}, Case{1, 1, 15},
                              Case{1, 1, 8}, Case{1, 1, 0}, Case{1, 1, 25}, Case{1, 1, 255}}) {
            TgaFile f = header(type, c.w, c.h, c.bpp);
            f.add(Part::pixels, {1, 2, 3, 4, 5, 6, 7, 8});
            SCOPED_TRACE(std::to_string(type) + ": " + std::to_string(c.w) + "x" + std::to_string(c.h) + "x" +
                         std::to_string(c.bpp));
            expect_failure(load(write(f)), "Invalid texture information");
        }
    }
}

TEST_F(TgaReader, ShortFilesFailAtTheStepThatRunsOutOfData) {
    TgaFile f = header(2, 2, 2, 24);
    f.add(Part::pixels, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    expect_failure(load(write(f, 0)), "Could not read file header");
    expect_failure(load(write(f, 11)), "Could not read file header");
    expect_failure(load(write(f, 12)), "Could not read info header");
    expect_failure(load(write(f, 17)), "Could not read info header");
    expect_failure(load(write(f, 18)), "Could not read image data");
    expect_failure(load(write(f, f.bytes.size() - 1)), "Could not read image data");

    TgaFile c = header(10, 3, 1, 24);
    expect_failure(load(write(c)), "Could not read RLE header");
    add_raw_packet(c, {{1, 2, 3, 0}, {4, 5, 6, 0}}, 3);
    expect_failure(load(write(c)), "Could not read RLE header");
    expect_failure(load(write(c, c.bytes.size() - 1)), "Could not read image data");
    add_run_packet(c, 1, {7, 8, 9, 0}, 3);
    ASSERT_TRUE(load(write(c)).ok);
    expect_failure(load(write(c, c.bytes.size() - 1)), "Could not read from file");
}

TEST_F(TgaReader, PacketsRunningPastTheImageAreTooManyPixels) {
    for (unsigned bpp : {3u, 4u}) {
        TgaFile run = header(10, 2, 1, uint8_t(bpp * 8));
        add_run_packet(run, 3, {10, 20, 30, 40}, bpp);
        expect_failure(load(write(run)), "Too many pixels read");

        TgaFile raw = header(10, 2, 1, uint8_t(bpp * 8));
        add_raw_packet(raw, {{1, 1, 1, 1}, {2, 2, 2, 2}, {3, 3, 3, 3}}, bpp);
        expect_failure(load(write(raw)), "Too many pixels read");

        // The last packet overshoots a large image, with plenty of data in the file.
        TgaFile big = header(10, 200, 1, uint8_t(bpp * 8));
        add_run_packet(big, 128, {1, 2, 3, 4}, bpp);
        add_run_packet(big, 100, {1, 2, 3, 4}, bpp);
        for (int i = 0; i < 100; ++i) add_pixel(big, Part::pixels, {0, 0, 0, 0}, bpp);
        expect_failure(load(write(big)), "Too many pixels read");

        // A raw packet that overshoots with its extra pixel missing fails on the missing pixel.
        TgaFile cut = header(10, 2, 1, uint8_t(bpp * 8));
        add_raw_packet(cut, {{1, 1, 1, 1}, {2, 2, 2, 2}, {3, 3, 3, 3}}, bpp);
        expect_failure(load(write(cut, cut.bytes.size() - 1)), "Could not read image data");
    }
}

// An image no texture can hold cannot be had: it fails as a failed allocation would, before
// the pixels are read. No OpenGL context is current in this program, so the largest side
// is the reader's own 16384. The files hold all their pixels, so nothing else stops them.
TEST_F(TgaReader, ImagesBeyondTheLargestTextureFailForWantOfMemory) {
    struct Size {
        unsigned width, height;
    };
    for (uint8_t type : {uint8_t{2}, uint8_t{10}}) {
        for (unsigned bpp : {3u, 4u}) {
            SCOPED_TRACE("type " + std::to_string(type) + ", " + std::to_string(bpp * 8) + " bits");
            for (const Size& size : {Size{16385, 1}, Size{1, 16385}, Size{65535, 2}}) {
                expect_failure(load(write(complete_file(type, size.width, size.height, bpp))),
                               "Could not allocate memory for image");
            }
            EXPECT_TRUE(load(write(complete_file(type, 1, 16384, bpp))).ok);
            // Beyond 32 bits of pixel data: 65535 x 65535 at 3 and 4 bytes.
            TgaFile f = header(type, 65535, 65535, uint8_t(bpp * 8));
            f.add(Part::pixels, {0x80, 1, 2, 3, 4});
            expect_failure(load(write(f)), "Could not allocate memory for image");
        }
    }
}

TEST_F(TgaReader, AHugeImageInATinyFileFailsAsTheShortReadWouldWithoutAllocating) {
    // 16384 x 16384 x 4 bytes, the largest image that can be had here (1 GiB), but the file
    // holds a few bytes: the reader answers at once with the short read's message.
    TgaFile plain = header(2, 16384, 16384, 32);
    plain.add(Part::pixels, {1, 2, 3, 4});
    expect_failure(load(write(plain)), "Could not read image data");

    TgaFile runs = header(10, 16384, 16384, 32);
    add_run_packet(runs, 128, {1, 2, 3, 4}, 4);
    expect_failure(load(write(runs)), "Could not read RLE header");
    add_raw_packet(runs, {{1, 2, 3, 4}, {5, 6, 7, 8}}, 4);
    expect_failure(load(write(runs, runs.bytes.size() - 2)), "Could not read image data");
    add_run_packet(runs, 7, {1, 2, 3, 4}, 4);
    expect_failure(load(write(runs, runs.bytes.size() - 1)), "Could not read from file");
}

#if defined(__SANITIZE_ADDRESS__)
#define TGA_TEST_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TGA_TEST_UNDER_ASAN 1
#endif
#endif

// Proof that nothing was allocated for such files, or for blocks of memory holding the same
// bytes: in a child process whose address space is capped well below the declared image,
// allocating it would fail with "Could not allocate memory for image"; the reader must
// answer with the short read's message instead.
TEST_F(TgaReader, NoImageBufferIsAllocatedForAFileThatCannotHoldIt) {
#ifdef TGA_TEST_UNDER_ASAN
    GTEST_SKIP() << "the address-space cap cannot be combined with AddressSanitizer";
#else
    TgaFile plain = header(2, 16384, 16384, 32);  // 1 GiB of pixels declared
    plain.add(Part::pixels, {1, 2, 3, 4});
    TgaFile runs = header(10, 16384, 16384, 32);
    add_run_packet(runs, 128, {1, 2, 3, 4}, 4);
    const std::string plain_file = dir.write("plain.tga", plain.bytes);
    const std::string runs_file = dir.write("runs.tga", runs.bytes);
    take_boxes();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        long pages = 0;
        if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
            std::fclose(statm);
        }
        const rlim_t cap = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t{512} << 20);
        const rlimit limit{cap, cap};
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
        TGATEXTURE t{};
        const bool plain_ok = LOADTGA(t, plain_file);
        const bool runs_ok = LOADTGA(t, runs_file);
        const bool plain_memory_ok = LOADTGAFROMMEMORY(t, plain.bytes.data(), plain.bytes.size());
        const bool runs_memory_ok = LOADTGAFROMMEMORY(t, runs.bytes.data(), runs.bytes.size());
        const auto boxes = take_boxes();
        if (plain_ok || runs_ok || plain_memory_ok || runs_memory_ok || boxes.size() != 4) _exit(4);
        if (boxes[0].text != "Could not read image data" || boxes[2].text != boxes[0].text) _exit(5);
        if (boxes[1].text != "Could not read RLE header" || boxes[3].text != boxes[1].text) _exit(6);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "4: a load succeeded; 5, 6: wrong message (an allocation was tried)";
#endif
}

TEST_F(TgaReader, ReadOnlyFilesAreRead) {
    TgaFile f = header(2, 1, 1, 24);
    f.add(Part::pixels, {1, 2, 3});
    const std::string path = write(f);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    if (geteuid() != 0) {
        Load l = load(path);
        EXPECT_TRUE(l.ok);
        EXPECT_TRUE(l.boxes.empty());
        return;
    }
    // Root may write anything; a user without write permission shows the open mode.
    const passwd* nobody = getpwnam("nobody");
    if (nobody == nullptr) GTEST_SKIP() << "no unprivileged user to test with";
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) _exit(3);
        TGATEXTURE t{};
        const bool ok = LOADTGA(t, path);
        std::free(t.IMAGEDATA);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a read-only TGA file could not be loaded";
}

// ---------------------------------------------------------------------------------------
// Cut at every byte
// ---------------------------------------------------------------------------------------
// Valid files of each kind, with raw and run packets, the first raw packet long enough that
// cuts in it leave more data than the smallest possible packet stream.
std::vector<std::pair<std::string, TgaFile>> sample_files() {
    std::vector<std::pair<std::string, TgaFile>> files;
    for (unsigned bpp : {3u, 4u}) {
        TgaFile plain = header(2, 5, 3, uint8_t(bpp * 8));
        for (unsigned i = 0; i < 15; ++i) add_pixel(plain, Part::pixels, {uint8_t(i), 1, 2, 3}, bpp);
        files.emplace_back("type 2, " + std::to_string(bpp * 8) + " bits", plain);

        TgaFile rle = header(10, 300, 1, uint8_t(bpp * 8));
        std::vector<FilePixel> first(128), second(50);
        for (unsigned i = 0; i < 128; ++i) first[i] = {uint8_t(i), uint8_t(i * 3), 7, 9};
        for (unsigned i = 0; i < 50; ++i) second[i] = {5, uint8_t(i), uint8_t(i * 5), 1};
        add_raw_packet(rle, first, bpp);
        add_run_packet(rle, 100, {1, 2, 3, 4}, bpp);
        add_raw_packet(rle, second, bpp);
        add_run_packet(rle, 22, {9, 8, 7, 6}, bpp);
        files.emplace_back("type 10, " + std::to_string(bpp * 8) + " bits", rle);
    }
    return files;
}

TEST_F(TgaReader, CutAtEveryByteFailsWithTheMessageOfTheStarvedRead) {
    for (const auto& [name, f] : sample_files()) {
        SCOPED_TRACE(name);
        Load whole = load(write(f));
        ASSERT_TRUE(whole.ok);
        for (size_t length = 0; length < f.bytes.size(); ++length) {
            SCOPED_TRACE("cut at " + std::to_string(length));
            expect_failure(load(write(f, length)), message_for(f.part_at[length]));
        }
    }
}

// An operating-system read error at byte k is handled like a file that ends at byte k. The
// error comes from the test's own read() (see read_fault.cpp), which fails once a set number
// of bytes has been delivered.
TEST_F(TgaReader, ReadErrorsAreHandledLikeTheShortReadTheyCause) {
    for (const auto& [name, f] : sample_files()) {
        SCOPED_TRACE(name);
        const std::string path = write(f);
        for (size_t at = 0; at < f.bytes.size(); ++at) {
            SCOPED_TRACE("read error at " + std::to_string(at));
            fail_reads_after(at);
            const Load l = load(path);
            fail_reads_after(SIZE_MAX);
            expect_failure(l, message_for(f.part_at[at]));
        }
    }
}

// ---------------------------------------------------------------------------------------
// From memory
// ---------------------------------------------------------------------------------------
// What one read left: its result, the record and its pixels (rows as laid out, fill bytes
// included), and the boxes shown.
struct Read {
    bool ok = false;
    LONGWORD bpp = 0, width = 0, height = 0, typ = 0;
    std::vector<uint8_t> pixels;
    std::vector<Box> boxes;
};

Read finish_read(bool ok, TGATEXTURE& t, size_t alignment) {
    Read r;
    r.ok = ok;
    if (ok) {
        r.bpp = t.BPP;
        r.width = t.WIDTH;
        r.height = t.HEIGHT;
        r.typ = t.TYP;
        const size_t row = size_t{t.BPP / 8} * t.WIDTH;
        const size_t stride = (row + alignment - 1) / alignment * alignment;
        r.pixels.assign(t.IMAGEDATA, t.IMAGEDATA + stride * t.HEIGHT);
        std::free(t.IMAGEDATA);
    }
    r.boxes = take_boxes();
    return r;
}

// Decoding a block of memory gives what reading a file of the same bytes gives: the same
// result, record, pixels and message box, for files of both types cut at every byte and
// for every way a header or a size can be refused, with gap-free rows (LOADTGA) and with
// rows filled to 4 bytes. The block is a copy of exactly its bytes, so an over-read shows
// under AddressSanitizer.
TEST_F(TgaReader, MemoryIsDecodedLikeAFileOfTheSameBytes) {
    std::vector<std::pair<std::string, TgaFile>> files = sample_files();
    TgaFile grey = header(3, 1, 1, 24);
    grey.add(Part::pixels, {1, 2, 3});
    files.emplace_back("type 3", grey);
    TgaFile shallow = header(10, 1, 1, 16);
    shallow.add(Part::pixels, {0x80, 1, 2});
    files.emplace_back("16 bits", shallow);
    TgaFile overshoot = header(10, 2, 1, 24);
    add_run_packet(overshoot, 3, {1, 2, 3, 4}, 3);
    files.emplace_back("too many pixels", overshoot);
    TgaFile huge = header(2, 16384, 16384, 32);
    huge.add(Part::pixels, {1, 2, 3, 4});
    files.emplace_back("huge image in a tiny file", huge);
    TgaFile huge_runs = header(10, 16384, 16384, 32);
    add_run_packet(huge_runs, 128, {1, 2, 3, 4}, 4);
    files.emplace_back("huge run-length image in a tiny file", huge_runs);
    files.emplace_back("wider than any texture", complete_file(10, 16385, 1, 3));

    for (const auto& [name, f] : files) {
        SCOPED_TRACE(name);
        for (size_t alignment : {size_t{1}, size_t{4}}) {
            for (size_t length = 0; length <= f.bytes.size(); ++length) {
                SCOPED_TRACE("alignment " + std::to_string(alignment) + ", " + std::to_string(length) + " bytes");
                take_boxes();
                TGATEXTURE from_file{};
                const std::string path = write(f, length);
                const bool file_ok = alignment == 1 ? LOADTGA(from_file, path)
                                                    : LOADTGAFROMFILE(from_file, path, alignment);
                const Read file = finish_read(file_ok, from_file, alignment);

                const std::vector<uint8_t> block(f.bytes.begin(), f.bytes.begin() + std::ptrdiff_t(length));
                TGATEXTURE from_memory{};
                from_memory.TEXID = 77;
                const bool memory_ok = LOADTGAFROMMEMORY(from_memory, block.data(), block.size(), alignment);
                EXPECT_EQ(from_memory.TEXID, 77u);
                const Read memory = finish_read(memory_ok, from_memory, alignment);

                EXPECT_EQ(memory.ok, file.ok);
                EXPECT_EQ(memory.boxes, file.boxes);
                EXPECT_EQ(memory.bpp, file.bpp);
                EXPECT_EQ(memory.width, file.width);
                EXPECT_EQ(memory.height, file.height);
                EXPECT_EQ(memory.typ, file.typ);
                EXPECT_TRUE(memory.pixels == file.pixels);
            }
        }
    }
}

}  // namespace
