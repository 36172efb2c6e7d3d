// BITMAPTOREGION on a 1024 x 1024 24-bit picture with about 100,000 opaque runs, against a
// bare scan of the same 32-bit pixels that only finds the runs. Both run in this process;
// the ratio of their times is printed at the end (the goal is 2.0 or less).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "lumora/Lumora.h"

namespace {

constexpr int SIDE = 1024;
constexpr COLORREF KEY = 0x00FF00FF;
constexpr BYTE TOLERANCE = 1;

std::string g_path;
std::vector<uint32_t> g_pixels;  // 0x00RRGGBB, top row first
size_t g_runs = 0;

// Rows of opaque runs and magenta gaps, each 1 to 10 pixels long.
void make_picture() {
    std::mt19937 rng(2024);
    g_pixels.assign(size_t(SIDE) * SIDE, 0x00FF00FF);
    for (int y = 0; y < SIDE; ++y) {
        int x = int(rng() % 10);
        while (x < SIDE) {
            const int len = 1 + int(rng() % 10);
            const uint32_t colour = 0x00204080u + (rng() % 64);
            for (int i = x; i < x + len && i < SIDE; ++i) g_pixels[size_t(y) * SIDE + size_t(i)] = colour;
            x += len + 1 + int(rng() % 10);
        }
    }
    // A 24-bit bottom-up BMP file.
    const size_t stride = SIDE * 3;
    std::vector<uint8_t> file(54 + stride * SIDE);
    auto put32 = [&](size_t o, uint32_t v) {
        for (int i = 0; i < 4; ++i) file[o + size_t(i)] = uint8_t(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, uint32_t(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, SIDE);
    put32(22, SIDE);
    file[26] = 1;
    file[28] = 24;
    for (int y = 0; y < SIDE; ++y) {
        uint8_t* row = file.data() + 54 + stride * size_t(SIDE - 1 - y);
        for (int x = 0; x < SIDE; ++x) {
            const uint32_t p = g_pixels[size_t(y) * SIDE + size_t(x)];
            row[3 * x] = uint8_t(p);
            row[3 * x + 1] = uint8_t(p >> 8);
            row[3 * x + 2] = uint8_t(p >> 16);
        }
    }
    char tmpl[] = "/tmp/lumora-region-bench-XXXXXX";
    const int fd = mkstemp(tmpl);
    if (fd < 0 || write(fd, file.data(), file.size()) != ssize_t(file.size())) std::abort();
    close(fd);
    g_path = tmpl;
}

// Finds the runs of one picture with the same colour test, and nothing else.
size_t bare_scan(const std::vector<uint32_t>& px) {
    const BYTE LR = GetRValue(KEY), LG = GetGValue(KEY), LB = GetBValue(KEY);
    const BYTE HR = BYTE(std::min(255, LR + TOLERANCE)), HG = BYTE(std::min(255, LG + TOLERANCE)),
               HB = BYTE(std::min(255, LB + TOLERANCE));
    size_t runs = 0;
    for (int y = 0; y < SIDE; ++y) {
        const uint32_t* row = px.data() + size_t(y) * SIDE;
        int x = 0;
        while (x < SIDE) {
            const int x0 = x;
            while (x < SIDE) {
                const uint32_t p = row[x];
                const BYTE r = BYTE(p >> 16), g = BYTE(p >> 8), b = BYTE(p);
                if (LR <= r && r <= HR && LG <= g && g <= HG && LB <= b && b <= HB) break;
                ++x;
            }
            if (x > x0) ++runs;
            ++x;
        }
    }
    return runs;
}

void BM_BareScan(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(bare_scan(g_pixels));
    state.counters["runs"] = double(g_runs);
}

void BM_BitmapToRegion(benchmark::State& state) {
    for (auto _ : state) {
        HRGN rgn = BITMAPTOREGION(g_path, KEY, TOLERANCE);
        if (!rgn) {
            state.SkipWithError("BITMAPTOREGION failed");
            return;
        }
        DeleteObject(rgn);
    }
}

BENCHMARK(BM_BareScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BitmapToRegion)->Unit(benchmark::kMillisecond);

// Prints as usual and keeps each benchmark's real and CPU time per iteration (the median
// when repetitions are asked for).
class Recorder : public benchmark::ConsoleReporter {
public:
    std::map<std::string, std::pair<double, double>> times;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (r.run_type == Run::RT_Iteration || median)
                times[r.run_name.function_name] = {r.GetAdjustedRealTime(), r.GetAdjustedCPUTime()};
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    make_picture();
    g_runs = bare_scan(g_pixels);
    // The region covers exactly the opaque pixels the scan counts.
    HRGN check = BITMAPTOREGION(g_path, KEY, TOLERANCE);
    const bool first_opaque = g_pixels[0] != 0x00FF00FF;
    if (!check || (PtInRegion(check, 0, 0) != FALSE) != first_opaque) {
        std::fprintf(stderr, "BITMAPTOREGION gave an unexpected region\n");
        return 1;
    }
    DeleteObject(check);
    benchmark::Initialize(&argc, argv);
    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    benchmark::Shutdown();
    unlink(g_path.c_str());
    const auto scan = recorder.times["BM_BareScan"], region = recorder.times["BM_BitmapToRegion"];
    if (scan.first > 0 && scan.second > 0)
        std::printf("BITMAPTOREGION / bare scan over %zu runs: %.2f in real time, %.2f in CPU time (goal <= 2.00)\n",
                    g_runs, region.first / scan.first, region.second / scan.second);
    return 0;
}
