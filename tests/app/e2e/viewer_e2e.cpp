// The real viewer on an X server, used as a user would: answer the question, look at the
// window, press Escape or close it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/support/desktop.h"

using namespace std::chrono_literals;

namespace {

const std::string kTitle = "Esempio di TextureAutoMap e FX_Refract";
constexpr uint32_t kSky = 0x659FD9;  // (119/300, 187/300, 0.85) in 8-bit channels

struct Viewer {
    desktop::Process process;
    unsigned long window = 0;

    // Starts the viewer (from `directory`, or the current one) and answers the full-screen
    // question with the given key.
    explicit Viewer(const std::string& answer, const std::string& directory = "") {
        process = desktop::start({directory.empty() ? "./buggy" : directory + "/buggy"}, directory);
        unsigned long box = desktop::find_window("Video!", 20s);
        EXPECT_NE(box, 0u) << "the question box \"Video!\" did not appear";
        if (!box) return;
        // A key that reaches the box before it is ready to read keys is pressed again, as a
        // user would.
        for (int attempt = 0; attempt < 5 && !window; ++attempt) {
            if (desktop::window_exists(box)) desktop::key(box, answer);
            window = desktop::find_window(kTitle, 4s);
        }
        EXPECT_NE(window, 0u) << "the viewer window did not appear";
    }
    ~Viewer() { desktop::kill_process(process); }
};

}  // namespace

TEST(ViewerDesktop, WindowedWindowHasTheClientSizeAndEscapeEndsWithZero) {
    Viewer viewer("n");
    ASSERT_NE(viewer.window, 0u);
    const desktop::Geometry g = desktop::window_geometry(viewer.window);
    // An 800 x 600 outer window with 3-pixel borders and the client origin at (3, 19).
    EXPECT_EQ(g.width, 794);
    EXPECT_EQ(g.height, 578);

    std::this_thread::sleep_for(500ms);
    const picture::Image frame = desktop::screenshot(viewer.window);
    picture::write_png(frame, "e2e-windowed.png");
    // The frame is drawn: the corners show the sky.
    EXPECT_LT(picture::fraction_not(picture::Image{1, 1, {frame.at(2, 2)}}, kSky, 6), 0.5);

    desktop::key(viewer.window, "Escape");
    const auto code = desktop::wait_exit(viewer.process, 5s);
    ASSERT_TRUE(code.has_value()) << "Escape did not end the viewer within 5 s";
    EXPECT_EQ(*code, 0);
}

TEST(ViewerDesktop, WindowManagerCloseEndsWithZero) {
    Viewer viewer("n");
    ASSERT_NE(viewer.window, 0u);
    desktop::request_close(viewer.window);
    const auto code = desktop::wait_exit(viewer.process, 5s);
    ASSERT_TRUE(code.has_value()) << "the close request did not end the viewer within 5 s";
    EXPECT_EQ(*code, 0);
}

TEST(ViewerDesktop, AnsweringYesGivesAWindowTheSizeOfTheScreen) {
    Viewer viewer("y");
    ASSERT_NE(viewer.window, 0u);
    const desktop::Geometry screen = desktop::screen_geometry();
    const desktop::Geometry g = desktop::window_geometry(viewer.window);
    EXPECT_EQ(g.width, screen.width);
    EXPECT_EQ(g.height, screen.height);
    desktop::key(viewer.window, "Escape");
    const auto code = desktop::wait_exit(viewer.process, 5s);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0);
}

namespace {

// The client area's top-left corner and centre on the screen.
struct Place {
    int x, y, cx, cy;
};
Place place_of(unsigned long window) {
    const desktop::Geometry g = desktop::window_geometry(window);
    return {g.x, g.y, g.x + g.width / 2, g.y + g.height / 2};
}

// Where the picture is not sky.
picture::Extent buggy_extent(const picture::Image& image) { return picture::extent_not(image, kSky, 6); }

picture::Image settled_screenshot(unsigned long window) {
    std::this_thread::sleep_for(400ms);
    return desktop::screenshot(window);
}

}  // namespace

TEST(ViewerDesktop, DragsTurnAndMoveTheBuggy) {
    Viewer viewer("n");
    ASSERT_NE(viewer.window, 0u);
    const picture::Image first = settled_screenshot(viewer.window);
    picture::write_png(first, "e2e-first.png");
    EXPECT_GT(picture::fraction_not(first, kSky, 6), 0.03) << "the buggy is on screen";
    const picture::Extent side = buggy_extent(first);

    // A left drag 90 pixels to the right turns the buggy a quarter round: seen end-on it is
    // much narrower, about as tall.
    const Place p = place_of(viewer.window);
    desktop::drag(1, p.cx, p.cy, p.cx + 90, p.cy);
    const picture::Image turned = settled_screenshot(viewer.window);
    picture::write_png(turned, "e2e-turned.png");
    const picture::Extent end_on = buggy_extent(turned);
    EXPECT_LT(end_on.width(), side.width() * 0.8);
    EXPECT_GT(end_on.height(), side.height() * 0.7);
    EXPECT_LT(end_on.height(), side.height() * 1.5);

    // A right drag 100 pixels down brings it 20 units nearer: bigger.
    desktop::drag(3, p.cx, p.cy, p.cx, p.cy + 100);
    const picture::Image nearer = settled_screenshot(viewer.window);
    picture::write_png(nearer, "e2e-nearer.png");
    EXPECT_GT(buggy_extent(nearer).height(), end_on.height() * 1.15);

    desktop::key(viewer.window, "Escape");
    const auto code = desktop::wait_exit(viewer.process, 5s);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0);
}

namespace {

const char* const kImageFiles[] = {"buggy.bmp",   "Metal1-00.bmp", "giger.bmp",     "water3.bmp",
                                   "riflesso.tga", "sun.tga",       "riflesso2.tga", "pneumatico.tga"};

// A folder holding the viewer and its image files, less the ones left out.
std::string viewer_folder(const std::string& name, const std::string& left_out) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("buggy-e2e-" + name + "-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::create_symlink(fs::current_path() / "buggy", folder / "buggy");
    for (const char* file : kImageFiles)
        if (left_out != file) fs::create_symlink(fs::current_path() / file, folder / file);
    return folder;
}

// Runs the viewer to its window and ends it with Escape, answering every box on the way
// with Return. Returns the exit code, or -1 if the window never came.
int run_to_window_and_escape(const std::string& folder, int* boxes_answered) {
    desktop::Process process = desktop::start({folder + "/buggy"}, folder);
    const unsigned long question = desktop::find_window("Video!", 20s);
    if (!question) return -1;
    unsigned long window = 0;
    for (int attempt = 0; attempt < 5 && desktop::find_window("Video!", 100ms); ++attempt) {
        desktop::key(question, "n");
        std::this_thread::sleep_for(500ms);
    }
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!window && std::chrono::steady_clock::now() < deadline) {
        for (const char* caption : {"Invalid Image", "ERROR"}) {
            if (unsigned long box = desktop::find_window(caption, 100ms)) {
                desktop::key(box, "Return");
                ++*boxes_answered;
                std::this_thread::sleep_for(200ms);
            }
        }
        window = desktop::find_window(kTitle, 200ms);
    }
    if (!window) {
        desktop::kill_process(process);
        return -1;
    }
    std::this_thread::sleep_for(300ms);
    desktop::key(window, "Escape");
    const auto code = desktop::wait_exit(process, 5s);
    desktop::kill_process(process);
    return code.value_or(-1);
}

}  // namespace

TEST(ViewerDesktop, AnyOneMissingImageFileStillReachesTheWindow) {
    for (const char* file : kImageFiles) {
        const std::string folder = viewer_folder("missing", file);
        int boxes = 0;
        EXPECT_EQ(run_to_window_and_escape(folder, &boxes), 0) << "without " << file;
        EXPECT_EQ(boxes, 0) << "a missing file is skipped silently: " << file;
        std::filesystem::remove_all(folder);
    }
}

TEST(ViewerDesktop, ABrokenTgaFileShowsItsMessageAndTheStartUpGoesOn) {
    const std::string folder = viewer_folder("broken", "sun.tga");
    {
        std::ofstream broken(folder + "/sun.tga", std::ios::binary);
        broken << "this is not a TGA file";
    }
    int boxes = 0;
    EXPECT_EQ(run_to_window_and_escape(folder, &boxes), 0);
    EXPECT_EQ(boxes, 1) << "the reader reports the broken file once";
    std::filesystem::remove_all(folder);
}
