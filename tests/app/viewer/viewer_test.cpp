// The viewer as a whole on the headless host: the start-up question, what the first frame
// shows, the reflection passes, and what drags and Escape do to the picture.
#include <gtest/gtest.h>

#include <cmath>

#include "app/Viewer.h"
#include "app/snapshot/ScriptedRun.h"
#include "frame_probe.h"
#include "lumora/Lumora.h"
#include "model/Buggy.h"
#include "model/BuggyRuota.h"

namespace vh = win32::virtual_host;
using probe::Image;

namespace {

constexpr int CLIENT_W = 794;  // an 800 x 600 captioned window
constexpr int CLIENT_H = 578;

// The viewer's placement of the scene and the model before any mouse input, as the frame
// sets it up: perspective, 80 units in front of the eye, the (zero) mouse transform.
void scene_transform() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 800.0 / 600.0, 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, -8, -80);
    SETGLMOUSEMOVE(GL_M0, 2);
}

void draw_wheels(void (*wheel)(SINGLE, SINGLE, SINGLE, SINGLE, SINGLE, SINGLE)) {
    wheel(-14, -3.5f, 8.5f, 0, 0, 0);
    wheel(8, -3.5f, 8.5f, 0, 0, 0);
    wheel(-14, -3.5f, -8.5f, 0, 180, 0);
    wheel(8, -3.5f, -8.5f, 0, 180, 0);
}

// Parts drawn under the body's list transform, in immediate mode.
void body_parts(std::initializer_list<void (*)()> parts) {
    glPushMatrix();
    glScalef(0.25f, 0.25f, 0.25f);
    glRotatef(-90, 1, 0, 0);
    for (auto part : parts) part();
    glPopMatrix();
}

// Which part shows at each pixel: red where the metal and glass list (BUGGYM1) is the
// visible surface, green for the upper body and headlights (BUGGYM2), blue for the lower
// body, dashboard and seats; black elsewhere.
Image visible_parts() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene_transform();
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    BUGGY();
    draw_wheels(RUOTA);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    glColor3f(1, 0, 0);
    BUGGYMASK();
    glColor3f(0, 1, 0);
    BUGGYMASK2();
    glColor3f(0, 0, 1);
    body_parts({BUGGYCORPOINF, BUGGYCRUSCOTTO, BUGGYSEDILESIN, BUGGYSEDILEDES});
    Image parts = probe::read_gl(CLIENT_W, CLIENT_H);
    glPopAttrib();
    return parts;
}

// The frame as the textured lists alone draw it: the viewer's frame without any reflection
// pass.
Image frame_without_passes() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    probe::scene_setup();
    BUGGY();
    draw_wheels(RUOTA);
    glPopMatrix();
    Image frame = probe::read_gl(CLIENT_W, CLIENT_H);
    glPopAttrib();
    return frame;
}

// Eye-space depth of the nearest surface at a client pixel of the last frame.
double depth_at(double x, double y) {
    float depth = 1;
    glReadPixels(static_cast<int>(std::lround(x)), CLIENT_H - 1 - static_cast<int>(std::lround(y)), 1, 1,
                 GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return probe::eye_z(depth);
}

}  // namespace

namespace {

// The viewer's window as the host saw it during the first frame.
vh::SurfaceState window_during_first_frame(int answer) {
    vh::SurfaceState window;
    EXPECT_EQ(probe::run(answer,
                         [&](uint64_t) {
                             if (!vh::surfaces().empty()) window = vh::surfaces().front();
                             return false;
                         }),
              0);
    return window;
}

}  // namespace

TEST(ViewerStartUp, AnsweringNoOpensTheWindowedWindow) {
    vh::set_screen_size(1280, 720);
    const auto surface = window_during_first_frame(IDNO);
    EXPECT_EQ(surface.outer.right - surface.outer.left, 800);
    EXPECT_EQ(surface.outer.bottom - surface.outer.top, 600);
    EXPECT_TRUE(surface.decorated);
    EXPECT_EQ(surface.title, "Esempio di TextureAutoMap e FX_Refract");
    ASSERT_FALSE(vh::message_box_log().empty());
    const auto& question = vh::message_box_log().front();
    EXPECT_EQ(question.text, "Settare lo schermo intero?  ");
    EXPECT_EQ(question.caption, "Video!");
    EXPECT_EQ(question.flags, 0x24u);
}

TEST(ViewerStartUp, AnsweringYesOpensAWindowTheSizeOfTheScreen) {
    vh::set_screen_size(1280, 720);
    const auto surface = window_during_first_frame(IDYES);
    EXPECT_EQ(surface.outer.left, 0);
    EXPECT_EQ(surface.outer.top, 0);
    EXPECT_EQ(surface.outer.right, 1280);
    EXPECT_EQ(surface.outer.bottom, 720);
    EXPECT_FALSE(surface.decorated);
    EXPECT_EQ(WIDTH, 1280);
    EXPECT_EQ(HEIGHT, 720);
}

TEST(ViewerStartUp, AQuestionThatCannotBeShownMeansFullScreen) {
    vh::set_screen_size(1024, 768);
    EXPECT_EQ(probe::run(0, [](uint64_t) { return false; }), 0);
    EXPECT_EQ(WIDTH, 1024);
    EXPECT_EQ(HEIGHT, 768);
    EXPECT_TRUE(FULLSCREEN);
}

TEST(ViewerFirstFrame, ShowsTheBuggyFromItsRightSideFrontRightRoofUp) {
    Image frame;
    double near_wheel_depth[2] = {0, 0};
    probe::run(IDNO, [&](uint64_t) {
        frame = probe::from_frame(*vh::last_frame());
        // A point on the outer flange of each right wheel (radius 12 of 9..14.7, at 10 degrees).
        for (int i = 0; i < 2; ++i) {
            const double wheel_x = i == 0 ? -14 : 8;
            const double fx = wheel_x + 0.25 * 12 * std::cos(10 * M_PI / 180);
            const double fy = -3.5 + 0.25 * 12 * std::sin(10 * M_PI / 180) - 8;
            const auto p = probe::project_eye(fx, fy, 8.5 + 0.875 - 80, CLIENT_H);
            near_wheel_depth[i] = depth_at(p.x, p.y);
        }
        return false;
    });
    ASSERT_EQ(frame.width, CLIENT_W);
    probe::write_png(frame, "viewer-first-frame.png");

    // Sky all round, and nothing in the upper part of the picture: the light's marker point
    // stands far above the field of view.
    for (auto [x, y] : {std::pair{2, 2}, {CLIENT_W - 3, 2}, {2, CLIENT_H - 3}, {CLIENT_W - 3, CLIENT_H - 3}})
        EXPECT_TRUE(probe::alike(frame.at(x, y), probe::SKY, 4)) << x << "," << y;
    const probe::Box box = probe::not_sky(frame);
    ASSERT_FALSE(box.empty()) << "no buggy in the picture";
    EXPECT_GT(box.top, 250);

    // Engine at the left (body x -85.9), front wheel at the right (x 48), roll frame on top
    // (z 29.1), tyres at the bottom (z -30): the extents the projection gives, within a few
    // pixels. A buggy turned round or upside down lands elsewhere.
    EXPECT_NEAR(box.left, probe::project_body(-85.87, 0, 0, CLIENT_H).x, 25);
    EXPECT_NEAR(box.right, probe::project_eye(0.25 * 48, 0, 8.5 + 0.875 - 80, CLIENT_H).x, 12);
    EXPECT_NEAR(box.top, probe::project_body(0, 0, 29.06, CLIENT_H).y, 10);
    EXPECT_NEAR(box.bottom, probe::project_eye(0, -3.5 - 4 - 8, 8.5 + 0.875 - 80, CLIENT_H).y, 10);
    EXPECT_LT((box.left + box.right) / 2.0, CLIENT_W / 2.0 - 10) << "the body's centre is left of the screen centre";

    // The two right wheels are the nearest surfaces at their flanges, and what shows there is
    // the outer face (y = -3.5 of the wheel, 0.875 in front of the wheel's centre plane).
    for (double z : near_wheel_depth) EXPECT_NEAR(z, -80 + 8.5 + 0.875, 0.1);
}

TEST(ViewerFirstFrame, ReflectionPassesCoverMetalAndUpperBodyOnly) {
    Image frame, parts, bare;
    probe::run(IDNO, [&](uint64_t) {
        frame = probe::from_frame(*vh::last_frame());
        parts = visible_parts();
        bare = frame_without_passes();
        return false;
    });
    probe::write_png(parts, "viewer-parts.png");
    probe::write_png(bare, "viewer-without-passes.png");
    auto is = [&](uint32_t colour) { return [&, colour](int x, int y) { return parts.at(x, y) == colour; }; };
    size_t counts[3] = {0, 0, 0};
    for (uint32_t p : parts.pixels) {
        if (p == 0xFF0000) ++counts[0];
        if (p == 0x00FF00) ++counts[1];
        if (p == 0x0000FF) ++counts[2];
    }
    ASSERT_GT(counts[0], 500u) << "metal parts visible";
    ASSERT_GT(counts[1], 5000u) << "upper body visible";
    ASSERT_GT(counts[2], 300u) << "lower body, dashboard or seats visible";

    // The maps leave mid-grey areas as they were, so not every pixel changes; a pass that does
    // not run changes none.
    EXPECT_GT(probe::fraction_changed(frame, bare, 6, is(0xFF0000)), 0.25) << "passes 1-3 change the metal parts";
    EXPECT_GT(probe::fraction_changed(frame, bare, 6, is(0x00FF00)), 0.25) << "passes 3-4 change the upper body";
    EXPECT_LT(probe::fraction_changed(frame, bare, 2, is(0x0000FF)), 0.01)
        << "the lower body, dashboard and seats stay as the textured list drew them";
}

// ---- interaction ------------------------------------------------------------------------------

namespace {

POINT client_centre_on_screen() {
    POINT p{CLIENT_W / 2, CLIENT_H / 2};
    ClientToScreen(HWINDOW, &p);
    return p;
}

}  // namespace

TEST(ViewerInteraction, ALeftDragTurnsTheModelByItsPixels) {
    // The picture with the angles set directly, then the same angles reached by a drag of
    // 10 pixels right and 5 down: the drag must show exactly that turn.
    Image first, expected, dragged;
    int stage = 0;
    probe::run(IDNO, [&](uint64_t) {
        switch (stage) {
        case 0:
            first = probe::from_frame(*vh::last_frame());
            XROT = 5;
            YROT = 10;
            stage = 1;
            return true;
        case 1: {
            expected = probe::from_frame(*vh::last_frame());
            XROT = YROT = XROT2 = YROT2 = 0;
            const POINT c = client_centre_on_screen();
            vh::mouse_button_at(win32::MouseButton::left, true, c.x, c.y);
            vh::mouse_move(c.x + 4, c.y + 2);
            vh::mouse_move(c.x + 10, c.y + 5);
            vh::mouse_button(win32::MouseButton::left, false);
            stage = 2;
            return true;
        }
        default:
            if (buggy::input_pending()) return true;
            dragged = probe::from_frame(*vh::last_frame());
            return false;
        }
    });
    EXPECT_FLOAT_EQ(YROT, 10.0f);
    EXPECT_FLOAT_EQ(XROT, 5.0f);
    EXPECT_GT(probe::fraction_changed(first, dragged, 8), 0.01) << "the turn shows";
    EXPECT_EQ(probe::fraction_changed(expected, dragged, 0), 0.0);
}

TEST(ViewerInteraction, ARightDragDownBringsTheBuggyNearerAndUpTakesItAway) {
    Image first, nearer, farther;
    int stage = 0;
    probe::run(IDNO, [&](uint64_t) {
        if (buggy::input_pending()) return true;
        const POINT c = client_centre_on_screen();
        switch (stage++) {
        case 0:
            first = probe::from_frame(*vh::last_frame());
            vh::mouse_button_at(win32::MouseButton::right, true, c.x, c.y);
            vh::mouse_move(c.x, c.y + 100);  // DEPTH -20: 20 units nearer
            vh::mouse_button(win32::MouseButton::right, false);
            return true;
        case 1:
            nearer = probe::from_frame(*vh::last_frame());
            vh::mouse_button_at(win32::MouseButton::right, true, c.x, c.y);
            vh::mouse_move(c.x, c.y - 250);  // DEPTH +50 in all: 30 units farther than at first
            vh::mouse_button(win32::MouseButton::right, false);
            return true;
        default:
            farther = probe::from_frame(*vh::last_frame());
            return false;
        }
    });
    EXPECT_FLOAT_EQ(DEPTH, 30.0f);
    const auto w0 = probe::not_sky(first).width();
    const auto w1 = probe::not_sky(nearer).width();
    const auto w2 = probe::not_sky(farther).width();
    EXPECT_GT(w1, w0 * 1.2);
    EXPECT_LT(w2, w0 * 0.8);
}

TEST(ViewerInteraction, EscapeMidRunStillSwapsItsFrameThenEndsWithZero) {
    uint64_t escape_after = 0;
    bool pressed = false;
    vh::push_message_box_answer(IDNO);
    vh::set_frame_callback([&](uint64_t index) {
        if (index == 5 && !pressed) {
            pressed = true;
            escape_after = index;
            vh::key_press(VK_ESCAPE);
        }
    });
    const int code = VIEWER_MAIN();
    vh::set_frame_callback({});
    EXPECT_EQ(code, 0);
    // The frame in which Escape was handled was drawn and swapped; none after it.
    EXPECT_EQ(vh::frame_count(), escape_after + 2);
    EXPECT_FALSE(ACTIVE);
    EXPECT_FALSE(IsWindow(HWINDOW));
    EXPECT_EQ(vh::context_count(), 0);
}

// ---- at a desktop's pace: a 60 Hz display, a 1000 Hz mouse ------------------------------------

namespace {

struct Settling {
    int frames_changed_after = 0;  // frames after the last move that still changed the picture
};

// Runs the viewer on a 60 Hz display, plays `play` after the first frame (it returns the tick
// count of its last move) and watches the pictures until ten frames in a row are still.
template <typename Play>
Settling play_and_settle(Play play) {
    vh::set_display_rate(buggy::kDisplayHz);
    Settling s;
    std::vector<uint8_t> previous;
    int64_t last_move = -1;
    int still = 0;
    probe::run(IDNO, [&](uint64_t index) {
        const vh::Frame& frame = *vh::last_frame();
        const bool changed = frame.rgba != previous;
        previous = frame.rgba;
        if (index == 0) {
            last_move = play();
            return true;
        }
        if (GetTickCount() <= static_cast<uint32_t>(last_move)) return true;
        if (changed) {
            ++s.frames_changed_after;
            still = 0;
        }
        return ++still < 10 || buggy::input_pending();
    });
    vh::set_display_rate(0);
    return s;
}

}  // namespace

TEST(ViewerAtDesktopPace, ATwoSecondDragTurnsByItsDistanceAndTheTurnStopsWithTheHand) {
    // 2,000 reports of one pixel each: at 60 Hz about 17 of them arrive in every frame.
    const Settling left = play_and_settle([] { return buggy::inject_drag({false, 2000, 0}); });
    EXPECT_FLOAT_EQ(YROT, 2000.0f);
    EXPECT_FLOAT_EQ(XROT, 0.0f);
    EXPECT_LE(left.frames_changed_after, 1);
}

TEST(ViewerAtDesktopPace, ATwoSecondRightDragMovesByItsDistanceAndStopsWithTheHand) {
    const Settling right = play_and_settle([] { return buggy::inject_drag({true, 0, 100, 2000}); });
    EXPECT_FLOAT_EQ(DEPTH, -20.0f);
    EXPECT_LE(right.frames_changed_after, 1);
}

TEST(ViewerAtDesktopPace, EscapeRightAfterABurstOfMovesEndsTheLoopWithinTwoFrames) {
    vh::set_display_rate(buggy::kDisplayHz);
    uint64_t burst_frame = 0;
    probe::run(IDNO, [&](uint64_t index) {
        const POINT centre = client_centre_on_screen();
        if (index == 0) {
            vh::mouse_button_at(win32::MouseButton::left, true, centre.x, centre.y);
        } else if (!burst_frame && !buggy::input_pending()) {
            for (int i = 1; i <= 2000; ++i) vh::mouse_move(centre.x + i % 300 - 150, centre.y + i % 100 - 50);
            vh::key_press(VK_ESCAPE);
            burst_frame = index;
        }
        return true;
    });
    vh::set_display_rate(0);
    ASSERT_GT(burst_frame, 0u);
    EXPECT_LE(vh::frame_count() - 1 - burst_frame, 2u);
    EXPECT_FALSE(ACTIVE);
}

TEST(ViewerAtDesktopPace, DragsLeavingTheWindowThroughEachEdgeTurnByTheirWholeDistance) {
    // From the centre of the 794 x 578 client area, each drag ends outside it with the
    // button held: right 500, left 600, down 400, up 500.
    buggy::ScriptedRun script;
    script.drags = {{false, 500, 0}, {false, -600, 0}, {false, 0, 400}, {false, 0, -500}};
    buggy::run_viewer(script);
    EXPECT_FLOAT_EQ(YROT, -100.0f);
    EXPECT_FLOAT_EQ(XROT, -100.0f);
}
