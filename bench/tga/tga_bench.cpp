// Decoding speed and memory of the TGA reader (LOADTGA) against stb_image, measured in the
// same run on the same files: 2048 x 2048 images at 24 and 32 bits, uncompressed and
// run-length encoded, with photographic content (noise over gradients: few runs) and flat
// content (large single-colour areas: long runs). The same bytes are also decoded from
// memory (LOADTGAFROMMEMORY against stbi_load_from_memory).
//
// Prints, per case, time(LOADTGA) / time(stb_image) and, from memory, the same ratio, from
// the median of the repetitions, and the reader's peak heap use beyond the image buffer
// (and stb_image's, for comparison). Goal: no ratio of file decoding above 1.0; extra
// memory no more than one read buffer. The ratios from memory are for information: there
// both decoders copy and swap the same bytes of an uncompressed image, and the reader's
// image buffer is zero-filled (calloc) where stb_image's is not, a pass over the image that
// the file read hides.
//
// Run: build/bin/tga-bench   (Google Benchmark flags apply, e.g. --benchmark_repetitions=9)
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#include <stb/stb_image.h>

#include "lumora/Lumora.h"
#include "lumora/TgaReader.h"

// ---------------------------------------------------------------------------------------
// Heap accounting: every allocation in the program passes through here while a
// measurement window is open.
// ---------------------------------------------------------------------------------------
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
}

namespace heap {
bool counting = false;
long long current = 0;
long long peak = 0;

void added(void* p) {
    if (counting && p != nullptr) {
        current += static_cast<long long>(malloc_usable_size(p));
        if (current > peak) peak = current;
    }
}
void removed(void* p) {
    if (counting && p != nullptr) current -= static_cast<long long>(malloc_usable_size(p));
}
void open_window() {
    current = peak = 0;
    counting = true;
}
long long close_window() {
    counting = false;
    return peak;
}
}  // namespace heap

extern "C" void* malloc(size_t n) {
    void* p = __libc_malloc(n);
    heap::added(p);
    return p;
}
extern "C" void* calloc(size_t n, size_t size) {
    void* p = __libc_calloc(n, size);
    heap::added(p);
    return p;
}
extern "C" void* realloc(void* old, size_t n) {
    heap::removed(old);
    void* p = __libc_realloc(old, n);
    heap::added(p != nullptr ? p : (n != 0 ? old : nullptr));
    return p;
}
extern "C" void free(void* p) {
    heap::removed(p);
    __libc_free(p);
}

namespace {

constexpr int kSize = 2048;

// ---------------------------------------------------------------------------------------
// The test images
// ---------------------------------------------------------------------------------------
struct Case {
    std::string name;
    std::string path;
    std::vector<uint8_t> bytes;  // the file's contents
    size_t image_bytes = 0;
};

uint32_t next_random(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

// Pixels in file order (B, G, R, A), bottom row first.
std::vector<uint8_t> make_pixels(bool photographic, int bytes_per_pixel) {
    std::vector<uint8_t> px(size_t(kSize) * kSize * bytes_per_pixel);
    uint32_t seed = 0x12345678u;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            uint8_t* p = &px[(size_t(y) * kSize + x) * bytes_per_pixel];
            if (photographic) {
                const uint32_t r = next_random(seed);
                p[0] = uint8_t(x / 8 + (r & 15));
                p[1] = uint8_t(y / 8 + ((r >> 4) & 15));
                p[2] = uint8_t((x + y) / 16 + ((r >> 8) & 15));
                if (bytes_per_pixel == 4) p[3] = uint8_t(200 + ((r >> 12) & 31));
            } else {
                const int cell = (x / 256) + (y / 128) * 8;  // blocks of one colour
                p[0] = uint8_t(cell * 37);
                p[1] = uint8_t(cell * 91);
                p[2] = uint8_t(cell * 13);
                if (bytes_per_pixel == 4) p[3] = 255;
            }
        }
    }
    return px;
}

// Run-length encodes rows of pixels into TGA packets (runs of two or more become run packets).
std::vector<uint8_t> rle_encode(const std::vector<uint8_t>& px, int bpp) {
    std::vector<uint8_t> out;
    out.reserve(px.size() + px.size() / 64);
    const size_t count = px.size() / bpp;
    auto same = [&](size_t a, size_t b) { return std::memcmp(&px[a * bpp], &px[b * bpp], bpp) == 0; };
    size_t i = 0;
    while (i < count) {
        size_t run = 1;
        while (i + run < count && run < 128 && same(i, i + run)) ++run;
        if (run >= 2) {
            out.push_back(uint8_t(127 + run));
            out.insert(out.end(), &px[i * bpp], &px[i * bpp] + bpp);
            i += run;
            continue;
        }
        size_t raw = 1;
        while (i + raw < count && raw < 128 && !(i + raw + 1 < count && same(i + raw, i + raw + 1))) ++raw;
        out.push_back(uint8_t(raw - 1));
        out.insert(out.end(), &px[i * bpp], &px[(i + raw) * bpp]);
        i += raw;
    }
    return out;
}

std::vector<Case> make_cases(const std::string& dir) {
    std::vector<Case> cases;
    for (int bits : {24, 32}) {
        for (bool rle : {false, true}) {
            for (bool photo : {true, false}) {
                const int bpp = bits / 8;
                const auto px = make_pixels(photo, bpp);
                std::vector<uint8_t> file = {0, 0, uint8_t(rle ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                             uint8_t(kSize & 255), uint8_t(kSize >> 8), uint8_t(kSize & 255),
                                             uint8_t(kSize >> 8), uint8_t(bits), uint8_t(bits == 32 ? 8 : 0)};
                const auto data = rle ? rle_encode(px, bpp) : px;
                file.insert(file.end(), data.begin(), data.end());
                Case c;
                c.name = std::to_string(bits) + "-bit " + (rle ? "RLE" : "uncompressed") + " " +
                         (photo ? "photographic" : "flat");
                c.path = dir + "/" + std::to_string(bits) + (rle ? "_rle" : "_raw") + (photo ? "_photo" : "_flat") + ".tga";
                c.image_bytes = px.size();
                c.bytes = file;
                if (FILE* f = std::fopen(c.path.c_str(), "wb")) {
                    std::fwrite(file.data(), 1, file.size(), f);
                    std::fclose(f);
                }
                cases.push_back(c);
            }
        }
    }
    return cases;
}

// ---------------------------------------------------------------------------------------
// The two decoders
// ---------------------------------------------------------------------------------------
void decode_ours(benchmark::State& state, const Case* c) {
    for (auto _ : state) {
        TGATEXTURE t{};
        if (!LOADTGA(t, c->path)) state.SkipWithError("LOADTGA failed");
        benchmark::DoNotOptimize(t.IMAGEDATA);
        std::free(t.IMAGEDATA);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c->image_bytes));
}

void decode_ours_from_memory(benchmark::State& state, const Case* c) {
    for (auto _ : state) {
        TGATEXTURE t{};
        if (!LOADTGAFROMMEMORY(t, c->bytes.data(), c->bytes.size())) {
            state.SkipWithError("LOADTGAFROMMEMORY failed");
        }
        benchmark::DoNotOptimize(t.IMAGEDATA);
        std::free(t.IMAGEDATA);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c->image_bytes));
}

void decode_stb_from_memory(benchmark::State& state, const Case* c) {
    for (auto _ : state) {
        int w = 0, h = 0, n = 0;
        stbi_uc* p = stbi_load_from_memory(c->bytes.data(), int(c->bytes.size()), &w, &h, &n, 0);
        if (p == nullptr) state.SkipWithError("stb_image failed");
        benchmark::DoNotOptimize(p);
        stbi_image_free(p);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c->image_bytes));
}

void decode_stb(benchmark::State& state, const Case* c) {
    for (auto _ : state) {
        int w = 0, h = 0, n = 0;
        stbi_uc* p = stbi_load(c->path.c_str(), &w, &h, &n, 0);
        if (p == nullptr) state.SkipWithError("stb_image failed");
        benchmark::DoNotOptimize(p);
        stbi_image_free(p);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c->image_bytes));
}

// Collects the median real time of every benchmark while printing as usual.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
                medians[r.run_name.function_name] = r.GetAdjustedRealTime();
            } else if (r.run_type == Run::RT_Iteration && medians.count(r.run_name.function_name) == 0) {
                medians[r.run_name.function_name] = r.GetAdjustedRealTime();  // single repetition
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;
};

}  // namespace

int main(int argc, char** argv) {
    char templ[] = "/tmp/tga_bench_XXXXXX";
    if (mkdtemp(templ) == nullptr) return 1;
    const std::string dir = templ;
    const std::vector<Case> cases = make_cases(dir);

    for (const Case& c : cases) {
        benchmark::RegisterBenchmark(("LOADTGA/" + c.name).c_str(), decode_ours, &c)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5);
        benchmark::RegisterBenchmark(("stb_image/" + c.name).c_str(), decode_stb, &c)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5);
        benchmark::RegisterBenchmark(("LOADTGAFROMMEMORY/" + c.name).c_str(), decode_ours_from_memory, &c)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5);
        benchmark::RegisterBenchmark(("stb_image memory/" + c.name).c_str(), decode_stb_from_memory, &c)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5);
    }
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n%-32s %12s %12s %8s %12s %12s %8s %16s %16s\n", "case", "LOADTGA ms", "stb ms", "ratio",
                "memory ms", "stb mem ms", "ratio", "our extra bytes", "stb extra bytes");
    bool all_within = true;
    for (const Case& c : cases) {
        const double ours = reporter.medians["LOADTGA/" + c.name];
        const double stb = reporter.medians["stb_image/" + c.name];
        const double ours_memory = reporter.medians["LOADTGAFROMMEMORY/" + c.name];
        const double stb_memory = reporter.medians["stb_image memory/" + c.name];

        TGATEXTURE t{};
        heap::open_window();
        const bool ok = LOADTGA(t, c.path);
        const long long our_peak = heap::close_window();
        const long long image = ok ? static_cast<long long>(malloc_usable_size(t.IMAGEDATA)) : 0;
        std::free(t.IMAGEDATA);

        int w, h, n;
        heap::open_window();
        stbi_uc* p = stbi_load(c.path.c_str(), &w, &h, &n, 0);
        const long long stb_peak = heap::close_window();
        const long long stb_image_bytes = p != nullptr ? static_cast<long long>(malloc_usable_size(p)) : 0;
        stbi_image_free(p);

        const double ratio = stb > 0 ? ours / stb : 0;
        const double memory_ratio = stb_memory > 0 ? ours_memory / stb_memory : 0;
        all_within = all_within && ratio <= 1.0;
        std::printf("%-32s %12.2f %12.2f %8.3f %12.2f %12.2f %8.3f %16lld %16lld\n", c.name.c_str(), ours, stb, ratio,
                    ours_memory, stb_memory, memory_ratio, our_peak - image, stb_peak - stb_image_bytes);
    }
    std::printf("\nread buffer: 64 KiB, held by the reader for the open file (not on the heap)\n");
    std::printf("goal (every ratio of file decoding <= 1.0): %s\n", all_within ? "met" : "NOT met");

    for (const Case& c : cases) unlink(c.path.c_str());
    rmdir(dir.c_str());
    return 0;
}
