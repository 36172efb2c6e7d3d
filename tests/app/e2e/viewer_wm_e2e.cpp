// The real viewer under a real window manager (Openbox, started by the launcher with
// `xvfb.sh --wm openbox`), used as a user would: the question box is a focused dialog
// that can be neither resized, maximized nor minimized; the window is framed by the
// manager and keeps the client area of our frame metrics; a drag turns the buggy; the
// manager's close ends the program cleanly.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <thread>

#include "tests/support/desktop.h"

using namespace std::chrono_literals;

namespace {

const std::string kTitle = "Esempio di TextureAutoMap e FX_Refract";
constexpr uint32_t kSky = 0x659FD9;
const char* const kErrorCaptions[] = {"Error", "ERROR", "Invalid Image"};

bool eventually(std::chrono::milliseconds timeout, const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& n : names) text += (text.empty() ? "" : " ") + n;
    return text;
}

// The caption of an error box on the screen, or empty.
std::string error_box_shown() {
    for (const char* caption : kErrorCaptions) {
        if (desktop::find_window(caption, 0ms)) return caption;
    }
    return "";
}

struct Running {
    desktop::Process process;
    ~Running() { desktop::kill_process(process); }
};

}  // namespace

TEST(ViewerUnderWindowManager, DialogFramedWindowDragAndClose) {
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(desktop::window_manager(), "Openbox") << "run this test through tests/support/xvfb.sh --wm openbox";
    const desktop::Geometry screen = desktop::screen_geometry();

    Running viewer{desktop::start({"./buggy"})};
    ASSERT_GT(viewer.process.pid, 0);

    // ---- the question box ----
    const unsigned long box = desktop::find_window("Video!", 20s);
    ASSERT_NE(box, 0u) << "the question box \"Video!\" did not appear\n" << desktop::read_stderr(viewer.process);
    EXPECT_TRUE(eventually(5s, [&] { return desktop::focused_window() == box && desktop::active_window() == box; }))
        << "the box has not the keyboard: focus " << desktop::focused_window() << ", active " << desktop::active_window()
        << ", box " << box;
    EXPECT_EQ(joined(desktop::atom_names(box, "_NET_WM_WINDOW_TYPE")), "_NET_WM_WINDOW_TYPE_DIALOG");

    // What the manager lets a user do with it: move it, never resize or maximize it.
    ASSERT_TRUE(eventually(2s, [&] { return !desktop::atom_names(box, "_NET_WM_ALLOWED_ACTIONS").empty(); }));
    const std::vector<std::string> actions = desktop::atom_names(box, "_NET_WM_ALLOWED_ACTIONS");
    EXPECT_TRUE(contains(actions, "_NET_WM_ACTION_MOVE")) << joined(actions);
    for (const char* refused : {"_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ",
                                "_NET_WM_ACTION_MAXIMIZE_VERT"}) {
        EXPECT_FALSE(contains(actions, refused)) << joined(actions);
    }
    // A Yes/No question has no close: the box asks for moving only. Openbox offers minimize
    // and close on every managed window whatever the window asks (it ignores the Motif
    // function bits for them), so the box asks there and takes care of the rest.
    const std::vector<unsigned long> mwm = desktop::property_values(box, "_MOTIF_WM_HINTS");
    ASSERT_EQ(mwm.size(), 5u);
    EXPECT_TRUE(mwm[0] & 1) << "functions given";
    EXPECT_EQ(mwm[1], 1ul << 2) << "move only";
    const desktop::SizeHints hints = desktop::size_hints(box);
    const desktop::Geometry client = desktop::window_geometry(box);
    EXPECT_EQ(hints.min_width, client.width);
    EXPECT_EQ(hints.max_width, client.width);
    EXPECT_EQ(hints.min_height, client.height);
    EXPECT_EQ(hints.max_height, client.height);

    // Framed, with the frame (not just the client area) in the middle of the screen.
    const std::vector<unsigned long> box_frame = desktop::property_values(box, "_NET_FRAME_EXTENTS");
    ASSERT_EQ(box_frame.size(), 4u);
    EXPECT_GT(box_frame[2], 0u) << "a title bar";
    const int frame_cx2 = 2 * (client.x - static_cast<int>(box_frame[0])) +
                          client.width + static_cast<int>(box_frame[0] + box_frame[1]);
    const int frame_cy2 = 2 * (client.y - static_cast<int>(box_frame[2])) +
                          client.height + static_cast<int>(box_frame[2] + box_frame[3]);
    EXPECT_NEAR(frame_cx2, screen.width, 2) << "twice the frame's centre x";
    EXPECT_NEAR(frame_cy2, screen.height, 2) << "twice the frame's centre y";

    // Minimized by the manager anyway, the box is back at once, with the keyboard.
    EXPECT_TRUE(desktop::iconify(box, 3s)) << "the window manager did not minimize the box";
    EXPECT_TRUE(eventually(3s, [&] {
        return desktop::window_viewable(box) && desktop::focused_window() == box && desktop::active_window() == box;
    })) << "the minimized box did not come back with the keyboard";

    // Closed by the manager anyway, the box stays up: it must be answered Yes or No.
    desktop::wm_close(box);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(desktop::window_exists(box) && desktop::window_viewable(box)) << "the close took the box away";
    EXPECT_EQ(desktop::find_window(kTitle, 0ms), 0u) << "the close answered the box";

    // Answered No with the N key, typed to whatever has the keyboard.
    desktop::type_key("n");
    const unsigned long window = desktop::find_window(kTitle, 20s);
    ASSERT_NE(window, 0u) << "no viewer window after N\n" << desktop::read_stderr(viewer.process);
    EXPECT_FALSE(desktop::window_viewable(box) && desktop::window_exists(box)) << "the box is still up";
    EXPECT_EQ(error_box_shown(), "");

    // ---- the window ----
    EXPECT_NE(desktop::parent_window(window), desktop::root_window()) << "not reparented into a frame";
    const std::vector<unsigned long> frame = desktop::property_values(window, "_NET_FRAME_EXTENTS");
    ASSERT_EQ(frame.size(), 4u);
    EXPECT_GT(frame[0] + frame[1] + frame[2] + frame[3], 0u) << "the window manager drew no frame";
    const desktop::Geometry g = desktop::window_geometry(window);
    // An 800 x 600 window's client area by our frame metrics: 3-pixel borders, 19 at the top.
    EXPECT_EQ(g.width, 794);
    EXPECT_EQ(g.height, 578);
    EXPECT_TRUE(eventually(3s, [&] { return desktop::focused_window() == window && desktop::active_window() == window; }))
        << "the window has not the keyboard after the box";

    std::this_thread::sleep_for(500ms);
    const picture::Image first = desktop::screenshot(window);
    picture::write_png(first, "e2e-wm-first.png");
    EXPECT_GT(picture::fraction_not(first, kSky, 6), 0.03) << "the buggy is on screen";
    const int cx = g.x + g.width / 2, cy = g.y + g.height / 2;
    desktop::drag(1, cx, cy, cx + 90, cy);
    std::this_thread::sleep_for(400ms);
    const picture::Image turned = desktop::screenshot(window);
    picture::write_png(turned, "e2e-wm-turned.png");
    const double changed = picture::fraction_changed(first, turned, 24);
    EXPECT_GT(changed, 0.04) << "a left drag of 90 pixels turns the buggy a quarter round";

    // ---- the window manager's close ----
    desktop::wm_close(window);
    std::optional<int> code;
    std::string error_box;
    const auto closing = std::chrono::steady_clock::now();
    while (!code && error_box.empty() && std::chrono::steady_clock::now() - closing < 5s) {
        code = desktop::wait_exit(viewer.process, 100ms);
        if (!code) error_box = error_box_shown();
    }
    EXPECT_EQ(error_box, "") << "an error box appeared on closing";
    ASSERT_TRUE(code.has_value()) << "the close did not end the viewer within 5 s";
    EXPECT_EQ(*code, 0);
    const std::string errors = desktop::read_stderr(viewer.process);
    EXPECT_EQ(errors.find("Error"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("ERROR"), std::string::npos) << errors;

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("viewer under Openbox, from start to close: %.2f s (turn changed %.1f%% of the window)\n", seconds,
                100 * changed);
    RecordProperty("seconds", std::to_string(seconds));
}
