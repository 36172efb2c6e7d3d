// One whole frame of the viewer, read from an apitrace of its own start-up and frame loop on
// the headless host (frame_trace_driver). The driver plays a left drag (30 px right, 20 px
// up) and a right drag (50 px down) before the traced frame, so the mouse transform carries
// real values: at speed 2 the left drag turns 1 degree per pixel (-20 about x, 30 about y)
// and the right drag lowers the distance by 0.2 per pixel (to -10, applied negated).
//
// The display-list names and the texture names of slots 0 to 3 are taken from the start-up
// part of the same trace: the five lists are compiled in the order BUGGYL, BUGGYM1, BUGGYM2,
// BUGGYRUOTAL, BUGGYRUOTALL, and the four slot textures are the four made before the first
// list.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/apitrace_calls.h"
#include "tests/support/gl_call_lists.h"

namespace {

using apitrace_calls::compare;
using apitrace_calls::marker;
using apitrace_calls::name_of;
using Calls = std::vector<std::string>;

std::vector<double> numbers(const std::string& call) {
    static const std::regex num(R"(= &?(-?[0-9.]+(?:e[-+]?[0-9]+)?))");
    std::vector<double> out;
    for (std::sregex_iterator it(call.begin(), call.end(), num), end; it != end; ++it)
        out.push_back(std::strtod((*it)[1].str().c_str(), nullptr));
    return out;
}

// The numbers of a dumped array argument ("m = {1, 0, ...}").
std::vector<double> array_numbers(const std::string& call) {
    std::vector<double> out;
    const size_t open = call.find('{'), close = call.find('}');
    if (open == std::string::npos || close == std::string::npos) return out;
    const char* p = call.c_str() + open + 1;
    const char* const end = call.c_str() + close;
    while (p < end) {
        char* next = nullptr;
        const double v = std::strtod(p, &next);
        if (next == p) break;
        out.push_back(v);
        p = next;
        while (p < end && (*p == ',' || *p == ' ')) ++p;
    }
    return out;
}

std::string fmt(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

const Calls& FX_REFRACTBEGIN_CALLS = gl_call_lists::REFRACT_BEGIN;
const Calls& FX_REFRACTEND_CALLS = gl_call_lists::REFRACT_END;

bool block_at(const Calls& calls, size_t at, const Calls& block) {
    if (at + block.size() > calls.size()) return false;
    return std::equal(block.begin(), block.end(), calls.begin() + long(at));
}

class FrameTrace : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!apitrace_calls::available()) return;
        char dir_template[] = "/tmp/frame_trace_XXXXXX";
        const char* dir = mkdtemp(dir_template);
        ASSERT_NE(dir, nullptr);
        const std::string trace_file = std::string(dir) + "/run.trace";
        trace_ = new apitrace_calls::Trace(apitrace_calls::gl_calls({FRAME_TRACE_DRIVER}, trace_file));
        std::remove(trace_file.c_str());
        rmdir(dir);
        if (!trace_->ok) return;
        const Calls& all = trace_->calls;

        // Start-up: the texture names made before the first list are slots 0 to 3; the lists
        // are compiled in their fixed order.
        static const std::regex gen_texture(R"(^glGenTextures\(n = 1, textures = &(\d+)\)$)");
        static const std::regex new_list(R"(^glNewList\(list = (\d+), mode = GL_COMPILE\)$)");
        static const char* const list_names[] = {"BUGGYL", "BUGGYM1", "BUGGYM2", "BUGGYRUOTAL", "BUGGYRUOTALL"};
        std::smatch m;
        for (const auto& call : all) {
            if (call == marker("frame")) break;
            if (std::regex_match(call, m, gen_texture) && lists_.empty() && slots_.size() < 4) {
                slots_[m[1]] = int(slots_.size());
            } else if (std::regex_match(call, m, new_list) && lists_.size() < 5) {
                lists_[m[1]] = list_names[lists_.size()];
            }
        }
        frame_ = new Calls(apitrace_calls::between(all, "frame", "end frame"));
    }

    static void TearDownTestSuite() {
        delete trace_;
        delete frame_;
        trace_ = nullptr;
        frame_ = nullptr;
    }

    void SetUp() override {
        if (!apitrace_calls::available()) GTEST_SKIP() << "apitrace is not installed";
        ASSERT_TRUE(trace_->ok) << trace_->error;
        ASSERT_EQ(slots_.size(), 4u) << "the four reflection slots were not loaded at start";
        ASSERT_EQ(lists_.size(), 5u) << "the five display lists were not compiled at start";
        ASSERT_FALSE(frame_->empty()) << "no traced frame between the markers";
    }

    static std::string list_of(const std::string& call) {
        static const std::regex call_list(R"(^glCallList\(list = (\d+)\)$)");
        std::smatch m;
        if (!std::regex_match(call, m, call_list)) return "";
        auto it = lists_.find(m[1]);
        return it == lists_.end() ? "list " + m[1].str() : it->second;
    }

    // The frame condensed to the procedures that drew it: FX_REFRACTBEGIN / FX_REFRACTEND
    // by their exact call blocks, slot selections by texture name, the model's draw
    // procedures (push, scale 0.25, turn -90 about x, call, pop) by their list, and RUOTA /
    // RUOTA2 (push, translate, turns about x, y, z, wheel draw, pop) with their six numbers.
    // Every other call stays as dumped.
    static Calls summary(const Calls& calls) {
        static const std::map<std::string, std::string> draw_of = {
            {"BUGGYL", "BUGGY"},           {"BUGGYM1", "BUGGYMASK"},           {"BUGGYM2", "BUGGYMASK2"},
            {"BUGGYRUOTAL", "BUGGYRUOTA"}, {"BUGGYRUOTALL", "BUGGYRUOTAMASK"}};
        static const std::regex bind(R"(^glBindTexture\(target = GL_TEXTURE_2D, texture = (\d+)\)$)");
        Calls first;
        for (size_t i = 0; i < calls.size();) {
            std::smatch m;
            if (block_at(calls, i, FX_REFRACTBEGIN_CALLS)) {
                first.push_back("FX_REFRACTBEGIN");
                i += FX_REFRACTBEGIN_CALLS.size();
            } else if (block_at(calls, i, FX_REFRACTEND_CALLS)) {
                first.push_back("FX_REFRACTEND");
                i += FX_REFRACTEND_CALLS.size();
            } else if (std::regex_match(calls[i], m, bind) && slots_.count(m[1])) {
                first.push_back("TEXTURETGASELECTID(" + std::to_string(slots_.at(m[1])) + ")");
                ++i;
            } else if (i + 5 <= calls.size() && calls[i] == "glPushMatrix()" &&
                       calls[i + 1] == "glScalef(x = 0.25, y = 0.25, z = 0.25)" &&
                       calls[i + 2] == "glRotatef(angle = -90, x = 1, y = 0, z = 0)" &&
                       draw_of.count(list_of(calls[i + 3])) && calls[i + 4] == "glPopMatrix()") {
                first.push_back(draw_of.at(list_of(calls[i + 3])));
                i += 5;
            } else {
                first.push_back(calls[i++]);
            }
        }
        Calls out;
        for (size_t i = 0; i < first.size();) {
            if (i + 7 <= first.size() && first[i] == "glPushMatrix()" && name_of(first[i + 1]) == "glTranslatef" &&
                name_of(first[i + 2]) == "glRotatef" && name_of(first[i + 3]) == "glRotatef" &&
                name_of(first[i + 4]) == "glRotatef" &&
                (first[i + 5] == "BUGGYRUOTA" || first[i + 5] == "BUGGYRUOTAMASK") && first[i + 6] == "glPopMatrix()") {
                const auto t = numbers(first[i + 1]), rx = numbers(first[i + 2]), ry = numbers(first[i + 3]),
                           rz = numbers(first[i + 4]);
                const bool axes = rx.size() == 4 && ry.size() == 4 && rz.size() == 4 && rx[1] == 1 && rx[2] == 0 &&
                                  rx[3] == 0 && ry[1] == 0 && ry[2] == 1 && ry[3] == 0 && rz[1] == 0 &&
                                  rz[2] == 0 && rz[3] == 1;
                if (t.size() == 3 && axes) {
                    out.push_back(std::string(first[i + 5] == "BUGGYRUOTA" ? "RUOTA" : "RUOTA2") + "(" + fmt(t[0]) +
                                  ", " + fmt(t[1]) + ", " + fmt(t[2]) + ", " + fmt(rx[0]) + ", " + fmt(ry[0]) +
                                  ", " + fmt(rz[0]) + ")");
                    i += 7;
                    continue;
                }
            }
            out.push_back(first[i++]);
        }
        return out;
    }

    static apitrace_calls::Trace* trace_;
    static Calls* frame_;
    static std::map<std::string, int> slots_;          // texture name -> slot
    static std::map<std::string, std::string> lists_;  // list name -> BUGGYL ...
};

apitrace_calls::Trace* FrameTrace::trace_ = nullptr;
Calls* FrameTrace::frame_ = nullptr;
std::map<std::string, int> FrameTrace::slots_;
std::map<std::string, std::string> FrameTrace::lists_;

// The loop around the frame: the colour-only clear, then the frame, then the swap, after
// which the next iteration starts with its colour-only clear again. The message handled in
// between (none, in a quiet frame) issues no GL call.
TEST_F(FrameTrace, LoopClearsColourBeforeTheFrameAndSwapsAfterIt) {
    const Calls& all = trace_->calls;
    const auto at = std::find(all.begin(), all.end(), marker("frame")) - all.begin();
    ASSERT_GE(at, 2);
    EXPECT_EQ(all[size_t(at) - 1], "glClear(mask = GL_COLOR_BUFFER_BIT)");
    EXPECT_NE(all[size_t(at) - 2].find("string = \"swap "), std::string::npos)
        << "the frame's iteration does not follow a swap: " << all[size_t(at) - 2];
    const auto end = std::find(all.begin(), all.end(), marker("end frame")) - all.begin();
    ASSERT_LT(size_t(end) + 2, all.size());
    EXPECT_NE(all[size_t(end) + 1].find("string = \"swap "), std::string::npos) << all[size_t(end) + 1];
    EXPECT_EQ(all[size_t(end) + 2], "glClear(mask = GL_COLOR_BUFFER_BIT)");

    // Every iteration of the run, from the first to the one Escape ended, has the same
    // shape: a colour clear straight after each swap, and a depth clear only inside frames.
    int swaps = 0, colour_clears_after_swap = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].find("string = \"swap ") == std::string::npos) continue;
        ++swaps;
        if (i + 1 < all.size() && all[i + 1] == "glClear(mask = GL_COLOR_BUFFER_BIT)") ++colour_clears_after_swap;
    }
    EXPECT_GE(swaps, 5);
    EXPECT_EQ(colour_clears_after_swap, swaps - 1) << "only the last swap may end the loop";
    EXPECT_EQ(std::count(all.begin(), all.end(), "glClear(mask = GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT)"), swaps);
}

// Steps 1 to 9: clear, identity, the 2D step (orthographic, zero translation, perspective
// again), the scene 80 units in front of the eye, the light and its marker point, the
// material, the push and the mouse transform.
TEST_F(FrameTrace, StepsUpToTheMouseTransform) {
    const Calls expected = gl_call_lists::joined({{
        "glClear(mask = GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT)",
        "glLoadIdentity()",
    },
    gl_call_lists::opengl_i2d("red = 0, green = 0, blue = 0, alpha = 0"),  // OPENGL_I2D(0, 0, 0, 0)
    {
        // SETPOSXY(0, 0)
        "glTranslatef(x = -0, y = 0, z = 0)",
    },
    gl_call_lists::OPENGL_INIT_VIEWER,  // OPENGL_INIT(100, 0, 119/300, 187/300, 0.85)
    {
        // the scene, the light and its marker point, the material
        "glTranslatef(x = 0, y = -8, z = -80)",
        "glLightfv(light = GL_LIGHT0, pname = GL_POSITION, params = {0, 124, 0, 0.1})",
        "glPointSize(size = 5)",
        "glBegin(mode = GL_POINTS)",
        "glNormal3f(nx = 0, ny = 0, nz = 1)",
        "glVertex3f(x = 0, y = 124, z = 0)",
        "glEnd()",
        "glMaterialfv(face = GL_FRONT, pname = GL_AMBIENT, params = {0.85, 0.85, 0.85, 1})",
        "glMaterialfv(face = GL_FRONT, pname = GL_DIFFUSE, params = {0, 0, 0, 1})",
        "glMaterialfv(face = GL_FRONT, pname = GL_SPECULAR, params = {0.425, 0.425, 0.425, 1})",
        "glMaterialfv(face = GL_FRONT, pname = GL_EMISSION, params = {0, 0, 0, 1})",
        "glMaterialfv(face = GL_FRONT, pname = GL_SHININESS, params = &50)",
        "glPushMatrix()",
        // SETGLMOUSEMOVE(GL_M0, 2) after the drags: distance -10, angles -20 and 30
        "glTranslatef(x = 0, y = 0, z = 10)",
        "glRotatef(angle = -20, x = 1, y = 0, z = 0)",
        "glRotatef(angle = 30, x = 0, y = 1, z = 0)",
    }});
    ASSERT_GE(frame_->size(), expected.size());
    const Calls head(frame_->begin(), frame_->begin() + long(expected.size()));
    EXPECT_EQ(compare(head, expected), "");

    // gluPerspective(45, 800/600, 0.1, 100) as the matrix GLU hands to GL (column-major).
    const auto m = array_numbers((*frame_)[17]);
    ASSERT_EQ(m.size(), 16u) << (*frame_)[17];
    const double f = 1.0 / std::tan(22.5 * M_PI / 180.0), n = 0.1, far = 100.0;
    const double want[16] = {f / (800.0 / 600.0), 0, 0, 0, 0, f, 0, 0, 0, 0, (far + n) / (n - far), -1,
                             0, 0, 2 * far * n / (n - far), 0};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[size_t(i)], want[i], 1e-9) << "element " << i;
}

// Steps 10 to 15, condensed to procedures: the body, four nested reflection passes with
// slots 0 to 3 over BUGGYMASK / BUGGYMASK2, four ends, the four wheels in the placement
// order, the rim pass with slot 3, and the pop.
TEST_F(FrameTrace, BodyPassesWheelsAndRimPassInOrder) {
    const Calls s = summary(*frame_);
    const auto after = std::find(s.begin(), s.end(), "glRotatef(angle = 30, x = 0, y = 1, z = 0)");
    ASSERT_NE(after, s.end());
    const Calls rest(after + 1, s.end());
    const Calls expected = {
        "BUGGY",
        "TEXTURETGASELECTID(0)", "FX_REFRACTBEGIN", "BUGGYMASK",
        "TEXTURETGASELECTID(1)", "FX_REFRACTBEGIN", "BUGGYMASK",
        "TEXTURETGASELECTID(2)", "FX_REFRACTBEGIN", "BUGGYMASK", "BUGGYMASK2",
        "TEXTURETGASELECTID(3)", "FX_REFRACTBEGIN", "BUGGYMASK2",
        "FX_REFRACTEND", "FX_REFRACTEND", "FX_REFRACTEND", "FX_REFRACTEND",
        "RUOTA(-14, -3.5, 8.5, 0, 0, 0)",
        "RUOTA(8, -3.5, 8.5, 0, 0, 0)",
        "RUOTA(-14, -3.5, -8.5, 0, 180, 0)",
        "RUOTA(8, -3.5, -8.5, 0, 180, 0)",
        "TEXTURETGASELECTID(3)", "FX_REFRACTBEGIN",
        "RUOTA2(-14, -3.5, 8.5, 0, 0, 0)",
        "RUOTA2(8, -3.5, 8.5, 0, 0, 0)",
        "RUOTA2(-14, -3.5, -8.5, 0, 180, 0)",
        "RUOTA2(8, -3.5, -8.5, 0, 180, 0)",
        "FX_REFRACTEND",
        "glPopMatrix()",
    };
    EXPECT_EQ(compare(rest, expected), "");
}

// Only display lists are replayed, each the stated number of times; the only immediate
// geometry is the light's marker point, and the frame clears depth exactly once.
TEST_F(FrameTrace, ListsReplayedAndNoImmediateGeometry) {
    std::map<std::string, int> calls_of;
    int begins = 0, points = 0, clears = 0;
    for (const auto& call : *frame_) {
        if (name_of(call) == "glCallList") ++calls_of[list_of(call)];
        if (name_of(call) == "glCallLists") ++calls_of["glCallLists"];
        if (name_of(call) == "glBegin") ++begins;
        if (call == "glBegin(mode = GL_POINTS)") ++points;
        if (name_of(call) == "glClear") ++clears;
    }
    const std::map<std::string, int> expected = {
        {"BUGGYL", 1}, {"BUGGYM1", 3}, {"BUGGYM2", 2}, {"BUGGYRUOTAL", 4}, {"BUGGYRUOTALL", 4}};
    EXPECT_EQ(calls_of, expected);
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(points, 1);
    EXPECT_EQ(clears, 1);
}

// The model-view stack: every push popped within the frame, never popped below the frame's
// own level, at most six levels at once, reached while BUGGYM2 is drawn in the fourth pass
// (the frame's push, four FX_REFRACTBEGIN levels, the push inside BUGGYMASK2). Texture-matrix
// pushes, if any, are counted apart and must balance too.
TEST_F(FrameTrace, ModelViewStackBalancedAndAtMostSixDeep) {
    std::string mode = "GL_MODELVIEW";
    std::map<std::string, int> depth, deepest;
    int pushes = 0, pops = 0, second_m2_depth = -1, m2_seen = 0;
    bool underflow = false;
    for (const auto& call : *frame_) {
        if (name_of(call) == "glMatrixMode") mode = call.substr(call.find("= ") + 2, call.size() - call.find("= ") - 3);
        if (call == "glPushMatrix()") {
            deepest[mode] = std::max(deepest[mode], ++depth[mode]);
            if (mode == "GL_MODELVIEW") ++pushes;
        }
        if (call == "glPopMatrix()") {
            if (--depth[mode] < 0) underflow = true;
            if (mode == "GL_MODELVIEW") ++pops;
        }
        if (list_of(call) == "BUGGYM2" && ++m2_seen == 2) second_m2_depth = depth["GL_MODELVIEW"];
    }
    EXPECT_EQ(mode, "GL_MODELVIEW") << "the frame must end with the model-view matrix current";
    EXPECT_FALSE(underflow);
    for (const auto& [m, d] : depth) EXPECT_EQ(d, 0) << m << " left unbalanced";
    // step 8, five reflection begins, six body draws, and two pushes for each of eight wheels
    EXPECT_EQ(pushes, 1 + 5 + 6 + 8 * 2);
    EXPECT_EQ(pops, pushes);
    EXPECT_EQ(deepest["GL_MODELVIEW"], 6);
    EXPECT_EQ(second_m2_depth, 6);
}

}  // namespace
