// Soak run of the viewer: its own start-up and frame loop on the headless host for many
// frames, fed with random (seeded) mouse drags, moves, clicks and keys as a user makes them,
// then Escape. Built with AddressSanitizer and LeakSanitizer it shows that no frame touches
// memory it does not own and that nothing leaks; in any build it checks that memory stays
// flat once the run has settled: the heap in use and the resident size after frame 100 and
// after the last frame are printed and compared with a small slack.
//
// Usage: buggy-soak [FRAMES [SEED [WxH]]]   (defaults 10000, 1, 320x240)
// Run from the folder with the image files. Exit code 0 when the run ended by its own
// Escape after FRAMES frames, drew every frame, and memory stayed within the slack.
//
// Screen: the run answers Yes to the full-screen question and uses a small virtual screen
// (320 x 240 by default), so every frame is cheap to draw and to read back on llvmpipe under
// AddressSanitizer: about 5 ms a frame there (10,000 frames in under a minute on two cores),
// against about 21 ms at 800 x 600 (some 3.5 minutes). The window procedure, the pump, the
// lists and the texture re-specifications inside them are the same at any size.
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "app/Viewer.h"
#include "lumora/Lumora.h"
#include "win32/hosts/virtual/virtual_host.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOAK_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define SOAK_ASAN 1
#endif
#ifdef SOAK_ASAN
#include <sanitizer/allocator_interface.h>
#endif

namespace vh = win32::virtual_host;

namespace {

// Heap bytes the program holds right now (the sanitizer's count under ASan, where freed
// blocks wait in quarantine; glibc's count otherwise).
size_t heap_in_use() {
#ifdef SOAK_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

// Resident memory of the program. Under ASan the freed blocks waiting in quarantine and the
// allocator's caches are handed back first, so that the figure does not swing with whatever
// large blocks were freed last.
size_t resident_bytes() {
#ifdef SOAK_ASAN
    __sanitizer_purge_allocator();
#endif
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (f == nullptr) return 0;
    unsigned long size = 0, resident = 0;
    const int n = std::fscanf(f, "%lu %lu", &size, &resident);
    std::fclose(f);
    return n == 2 ? resident * 4096ul : 0;
}

struct Sample {
    size_t heap = 0;
    size_t resident = 0;
};

// Keys a user may press at random: everything except the ones that end the run (Escape,
// Alt with F4) or open the window menu (Alt, F10).
UINT random_key(std::mt19937& rng) {
    for (;;) {
        const UINT k = std::uniform_int_distribution<UINT>(0x08, 0xFE)(rng);
        if (k == VK_ESCAPE || k == VK_MENU || k == 0xA4 || k == 0xA5 || k == 0x73 || k == 0x79) continue;
        return k;
    }
}

bool parse_size(const char* text, int& w, int& h) {
    return std::sscanf(text, "%dx%d", &w, &h) == 2 && w >= 16 && h >= 16 && w <= 4096 && h <= 4096;
}

}  // namespace

int main(int argc, char** argv) {
    long frames = 10000;
    unsigned seed = 1;
    int screen_w = 320, screen_h = 240;
    if (argc > 1) frames = std::strtol(argv[1], nullptr, 10);
    if (argc > 2) seed = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
    if ((argc > 3 && !parse_size(argv[3], screen_w, screen_h)) || frames < 200 || frames > 10000000) {
        std::fprintf(stderr, "usage: buggy-soak [FRAMES>=200 [SEED [WxH]]]\n");
        return 2;
    }

    vh::set_screen_size(screen_w, screen_h);
    vh::push_message_box_answer(IDYES);  // full screen: the window is the small screen

    std::mt19937 rng(seed);
    auto chance = [&](int percent) { return std::uniform_int_distribution<int>(0, 99)(rng) < percent; };
    auto coord = [&](int limit) { return std::uniform_int_distribution<int>(-limit / 4, limit + limit / 4)(rng); };

    long drawn = 0;
    bool escaped = false;
    bool left_down = false, right_down = false;
    UINT held_key = 0;
    Sample settled, last;
    long first_bad_frame = -1;
    uint64_t expected_index = 0;
    int frame_w = 0, frame_h = 0;

    vh::set_frame_callback([&](uint64_t index) {
        if (index != expected_index && first_bad_frame < 0) first_bad_frame = long(index);
        expected_index = index + 1;
        // Every frame is read back whole, at the client size of the first one (the screen
        // less the full-screen window's one-pixel border).
        const vh::Frame* frame = vh::last_frame();
        if (frame != nullptr && index == 0) {
            frame_w = frame->width;
            frame_h = frame->height;
        }
        if (frame == nullptr || frame->width != frame_w || frame->height != frame_h || frame_w <= 0 ||
            frame->rgba.size() != size_t(frame_w) * size_t(frame_h) * 4) {
            if (first_bad_frame < 0) first_bad_frame = long(index);
        }
        ++drawn;
        if (drawn == 100) settled = {heap_in_use(), resident_bytes()};
        if (escaped) return;
        if (drawn >= frames) {
            // Let go of whatever is held, then end the run as a user would.
            if (left_down) vh::mouse_button(win32::MouseButton::left, false);
            if (right_down) vh::mouse_button(win32::MouseButton::right, false);
            if (held_key != 0) vh::key(held_key, false);
            last = {heap_in_use(), resident_bytes()};
            vh::key_press(VK_ESCAPE);
            escaped = true;
            return;
        }
        // A burst of random input now and then; the loop works it off one message a frame.
        if (vh::pending_input() > 8) return;
        if (chance(30)) vh::mouse_move(coord(screen_w), coord(screen_h));
        if (chance(6)) {
            left_down = !left_down;
            vh::mouse_button(win32::MouseButton::left, left_down);
        }
        if (chance(4)) {
            right_down = !right_down;
            vh::mouse_button(win32::MouseButton::right, right_down);
        }
        if (chance(5)) {
            if (held_key != 0) {
                vh::key(held_key, false);
                held_key = 0;
            } else {
                held_key = random_key(rng);
                vh::key(held_key, true);
            }
        }
        if (held_key != 0 && chance(10)) vh::key(held_key, true, true);  // auto-repeat
        if (chance(3)) vh::key_press(random_key(rng));
    });

    const int code = VIEWER_MAIN();
    vh::set_frame_callback({});

    // Slack: 1 MiB of heap, 8 MiB of resident memory (allocator and driver pools may round
    // up once more after frame 100; a per-frame leak of even 100 bytes shows as 1 MiB).
    const long long heap_growth = (long long)last.heap - (long long)settled.heap;
    const long long rss_growth = (long long)last.resident - (long long)settled.resident;
    std::printf("frames drawn: %ld (asked %ld), seed %u, screen %dx%d\n", drawn, frames, seed, screen_w, screen_h);
    std::printf("heap in use after frame 100: %zu bytes, after frame %ld: %zu bytes (growth %lld)\n", settled.heap,
                frames, last.heap, heap_growth);
    std::printf("resident after frame 100: %zu bytes, after frame %ld: %zu bytes (growth %lld)\n", settled.resident,
                frames, last.resident, rss_growth);
    bool ok = true;
    if (code != 0) {
        std::printf("FAIL: exit code %d\n", code);
        ok = false;
    }
    // Escape is handled one message later, and that iteration still swaps its frame.
    if (drawn < frames + 1 || drawn > frames + 10) {
        std::printf("FAIL: the run drew %ld frames, expected %ld and the Escape frame\n", drawn, frames);
        ok = false;
    }
    if (first_bad_frame >= 0) {
        std::printf("FAIL: frame %ld was missing or of the wrong size\n", first_bad_frame);
        ok = false;
    }
    if (heap_growth > 1024 * 1024) {
        std::printf("FAIL: the heap grew by %lld bytes between frame 100 and frame %ld\n", heap_growth, frames);
        ok = false;
    }
    if (rss_growth > 8 * 1024 * 1024) {
        std::printf("FAIL: the resident size grew by %lld bytes between frame 100 and frame %ld\n", rss_growth, frames);
        ok = false;
    }
    if (vh::context_count() != 0) {
        std::printf("FAIL: %d GL contexts alive after the tear-down\n", vh::context_count());
        ok = false;
    }
    std::fflush(stdout);
    return ok ? 0 : 1;
}
