// The contents of the five display lists, read from an apitrace of a headless start-up of
// the lists (model_list_driver): the order of parts, texture loads, texture-generation
// switches and placement blocks in BUGGYL, the parts of BUGGYM1 and BUGGYM2 and of the two
// wheel lists, and every emitted triangle checked against its mesh table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "model/BuggyMesh.h"
#include "tests/support/apitrace_calls.h"
#include "tests/support/tga_writer.h"

namespace {

using apitrace_calls::between;
using apitrace_calls::compare;
using apitrace_calls::name_of;

std::vector<double> numbers(const std::string& call) {
    static const std::regex num(R"(= (-?[0-9.]+(?:e[-+]?[0-9]+)?))");
    std::vector<double> out;
    for (std::sregex_iterator it(call.begin(), call.end(), num), end; it != end; ++it)
        out.push_back(std::strtod((*it)[1].str().c_str(), nullptr));
    return out;
}

std::string fmt(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.5g", v);
    return buf;
}

struct Tri {
    double n[3][3], v[3][3];
};

// The mesh part whose table matches the triangles at `at` (normals negated on emission).
bool Matches(const TMESHPART& p, const std::vector<Tri>& tris, size_t at) {
    if (at + p.TRIANGLES > tris.size()) return false;
    for (int t = 0; t < p.TRIANGLES; ++t) {
        for (int k = 0; k < 3; ++k) {
            const TMESHCORNER& c = p.CORNERS[3 * t + k];
            const double want_n[3] = {-c.NX, -c.NY, -c.NZ}, want_v[3] = {c.X, c.Y, c.Z};
            for (int a = 0; a < 3; ++a) {
                if (std::fabs(tris[at + t].n[k][a] - want_n[a]) > 2e-5) return false;
                if (std::fabs(tris[at + t].v[k][a] - want_v[a]) > 1e-4 * std::max(1.0, std::fabs(want_v[a])))
                    return false;
            }
        }
    }
    return true;
}

// Condenses a call list: each run of mesh triangles becomes "MESH <part>" per part it
// matches (or "MESH ?" with the count), each texture load that makes a texture "BMP WxH" /
// "TGA WxH" (from its image specification; a BMP load sets pixel-store modes), a load that
// binds a texture made before "BIND <that load's summary> #<its place among the loads>",
// matrix calls keep their numbers, every other call stays as dumped. Queries (glGet*) are
// left out: a display list does not record them. A malformed triangle becomes "BAD TRIANGLE".
std::vector<std::string> Summary(const std::vector<std::string>& calls) {
    std::vector<std::string> out;
    std::vector<Tri> run;
    auto flush = [&]() {
        size_t at = 0;
        while (at < run.size()) {
            const TMESHPART* found = nullptr;
            for (int i = 0; i < BUGGYBODYPARTCOUNT && !found; ++i)
                if (Matches(BUGGYBODYPARTS[i], run, at)) found = &BUGGYBODYPARTS[i];
            for (int i = 0; i < BUGGYWHEELPARTCOUNT && !found; ++i)
                if (Matches(BUGGYWHEELPARTS[i], run, at)) found = &BUGGYWHEELPARTS[i];
            if (!found) {
                out.push_back("MESH ? " + std::to_string(run.size() - at));
                break;
            }
            out.push_back(std::string("MESH ") + found->NAME);
            at += found->TRIANGLES;
        }
        run.clear();
    };
    static const std::regex gen_texture(R"(^glGenTextures\(n = 1, textures = &(\d+)\)$)");
    static const std::regex bind_texture(R"(^glBindTexture\(target = GL_TEXTURE_2D, texture = (\d+)\)$)");
    std::map<std::string, std::string> made;  // texture name -> the summary of the load that made it
    int loads = 0;
    for (size_t i = 0; i < calls.size(); ++i) {
        const std::string name = name_of(calls[i]);
        if (name.rfind("glGet", 0) == 0) continue;
        if (name == "glBegin") {
            Tri t{};
            bool ok = calls[i] == "glBegin(mode = GL_TRIANGLES)" && i + 7 < calls.size();
            for (int k = 0; ok && k < 3; ++k) {
                const auto n = numbers(calls[i + 1 + 2 * k]);
                const auto v = numbers(calls[i + 2 + 2 * k]);
                ok = name_of(calls[i + 1 + 2 * k]) == "glNormal3f" && name_of(calls[i + 2 + 2 * k]) == "glVertex3f" &&
                     n.size() == 3 && v.size() == 3;
                for (int a = 0; ok && a < 3; ++a) t.n[k][a] = n[a], t.v[k][a] = v[a];
            }
            ok = ok && calls[i + 7] == "glEnd()";
            if (!ok) {
                flush();
                out.push_back("BAD TRIANGLE");
                continue;
            }
            run.push_back(t);
            i += 7;
            continue;
        }
        flush();
        std::smatch m;
        if (calls[i] == "glEnable(cap = GL_TEXTURE_2D)" && i + 1 < calls.size() &&
            std::regex_match(calls[i + 1], m, bind_texture) && made.count(m[1])) {
            // A load that binds a texture an earlier load made.
            out.push_back("BIND " + made.at(m[1]));
            ++i;
            continue;
        }
        if (calls[i] == "glEnable(cap = GL_TEXTURE_2D)") {
            // A texture load: up to its closing bind.
            std::string texture;
            if (i + 1 < calls.size() && std::regex_match(calls[i + 1], m, gen_texture)) texture = m[1];
            size_t j = i + 1;
            std::string size = "?";
            bool bmp = false;
            int binds = 0;
            for (; j < calls.size(); ++j) {
                const std::string n = name_of(calls[j]);
                if (n == "glTexImage2D") {
                    const auto v = numbers(calls[j]);
                    if (v.size() >= 4) size = fmt(v[2]) + "x" + fmt(v[3]);
                }
                if (n == "glPixelStorei") bmp = true;
                if (n == "glBindTexture" && ++binds == 2) break;
            }
            out.push_back(std::string(bmp ? "BMP " : "TGA ") + size);
            made[texture] = out.back() + " #" + std::to_string(++loads);
            i = j;
            continue;
        }
        if (name == "glTranslatef" || name == "glScalef" || name == "glRotatef") {
            std::string s = name;
            for (double v : numbers(calls[i])) s += " " + fmt(v);
            out.push_back(s);
            continue;
        }
        out.push_back(calls[i]);
    }
    flush();
    return out;
}

const std::string TEXTURE_MODE = "glMatrixMode(mode = GL_TEXTURE)";
const std::string MODELVIEW_MODE = "glMatrixMode(mode = GL_MODELVIEW)";

std::vector<std::string> Placement(const std::string& translate, const std::string& scale, bool rotated,
                                   const std::vector<std::string>& parts) {
    std::vector<std::string> v = {TEXTURE_MODE, "glPushMatrix()", translate, scale};
    if (rotated) v.push_back("glRotatef 90 0 0 1");
    for (const auto& p : parts) v.push_back("MESH " + p);
    v.push_back("glPopMatrix()");
    v.push_back(MODELVIEW_MODE);
    return v;
}

void Append(std::vector<std::string>& a, const std::vector<std::string>& b) { a.insert(a.end(), b.begin(), b.end()); }

const std::vector<std::string> AUTOMAP_ON = {
    "glEnable(cap = GL_TEXTURE_GEN_S)", "glEnable(cap = GL_TEXTURE_GEN_T)",
    "glTexGenf(coord = GL_S, pname = GL_TEXTURE_GEN_MODE, param = GL_OBJECT_LINEAR)",
    "glTexGenf(coord = GL_T, pname = GL_TEXTURE_GEN_MODE, param = GL_OBJECT_LINEAR)"};
const std::vector<std::string> AUTOMAP_OFF = {"glDisable(cap = GL_TEXTURE_GEN_S)", "glDisable(cap = GL_TEXTURE_GEN_T)"};

class ModelLists : public ::testing::Test {
protected:
    void SetUp() override {
        if (!apitrace_calls::available()) GTEST_SKIP() << "apitrace is not installed";
        const auto t = apitrace_calls::gl_calls({MODEL_LIST_DRIVER, dir.path(), "buggy", "ruota"},
                                                dir.file("lists.trace"));
        ASSERT_TRUE(t.ok) << t.error;
        buggy = Summary(between(t.calls, "buggy", "end buggy"));
        ruota = Summary(between(t.calls, "ruota", "end ruota"));
        ASSERT_FALSE(buggy.empty());
        ASSERT_FALSE(ruota.empty());
    }

    // The calls of the list compiled with name `list`, from glNewList to glEndList.
    static std::vector<std::string> List(const std::vector<std::string>& s, size_t which) {
        size_t seen = 0;
        for (size_t i = 0; i < s.size(); ++i) {
            if (s[i].rfind("glNewList(", 0) != 0) continue;
            if (seen++ != which) continue;
            for (size_t j = i + 1; j < s.size(); ++j)
                if (s[j] == "glEndList()") return {s.begin() + i + 1, s.begin() + j};
        }
        return {};
    }

    tga_test::TempDir dir;
    std::vector<std::string> buggy, ruota;
};

TEST_F(ModelLists, ThreeBodyListsEachFromItsOwnName) {
    // Three lists, in the order BUGGYL, BUGGYM1, BUGGYM2, each from glGenLists(1).
    std::vector<std::string> frame;
    for (const auto& c : buggy)
        if (c.rfind("glGenLists", 0) == 0 || c.rfind("glNewList", 0) == 0 || c == "glEndList()") frame.push_back(c);
    ASSERT_EQ(frame.size(), 9u);
    for (int l = 0; l < 3; ++l) {
        EXPECT_EQ(frame[3 * l].rfind("glGenLists(range = 1) = ", 0), 0u) << frame[3 * l];
        const std::string name = frame[3 * l].substr(std::string("glGenLists(range = 1) = ").size());
        EXPECT_EQ(frame[3 * l + 1], "glNewList(list = " + name + ", mode = GL_COMPILE)");
        EXPECT_EQ(frame[3 * l + 2], "glEndList()");
    }
}

TEST_F(ModelLists, TexturedBodyList) {
    std::vector<std::string> want = AUTOMAP_ON;
    want.push_back("BMP 8x4");  // buggy.bmp
    Append(want, Placement("glTranslatef 0.6 0.75 0", "glScalef 0.0069767 0.0065116 0", false, {"BUGGYCORPOSUP"}));
    Append(want, Placement("glTranslatef 0.9 1.38 0", "glScalef 0.0023256 0.0037209 0", false, {"BUGGYCORPOINF"}));
    Append(want, Placement("glTranslatef 0.2 0.344 0", "glScalef 0.0088 0.03 0", true, {"BUGGYCRUSCOTTO"}));
    want.push_back("BMP 4x8");  // Metal1-00.bmp
    Append(want, Placement("glTranslatef 0.6 0.75 0", "glScalef 0.1 0.1 0", false,
                           {"BUGGYASSIRUOTE", "BUGGYTUBI", "BUGGYVETRO", "BUGGYRINFORZO", "BUGGYPARAURTI"}));
    // buggy.bmp again: the list binds the texture of its first load (one copy of the image
    // in the list, one texture filled from it each time the list runs).
    want.push_back("BIND BMP 8x4 #1");
    Append(want, Placement("glTranslatef 0.8 -0.448 0", "glScalef 0.011 0.03 0", true, {"BUGGYMOTORE"}));
    want.push_back("BMP 8x8");  // giger.bmp
    Append(want, Placement("glTranslatef 0.8 -0.2 0", "glScalef 0.0308 0.084 0", true, {"BUGGYMOTORE"}));
    want.push_back("BMP 16x4");  // water3.bmp
    Append(want, Placement("glTranslatef 0.8 -0.2 0", "glScalef 0.132 0.36 0", true, {"BUGGYSEDILESIN"}));
    Append(want, Placement("glTranslatef 0.8 -0.2 0", "glScalef 0.132 0.36 0", true, {"BUGGYSEDILEDES"}));
    want.push_back("BIND BMP 8x4 #1");  // buggy.bmp once more
    Append(want, Placement("glTranslatef 1.6 0.8 0", "glScalef 0.002 0.002 0", true,
                           {"BUGGYFANALESIN", "BUGGYFANALEDES"}));
    Append(want, {"glPushMatrix()", "MESH BUGGYVETROFANALESIN", "MESH BUGGYVETROFANALEDES", "glPopMatrix()"});
    Append(want, AUTOMAP_OFF);
    EXPECT_EQ(compare(List(buggy, 0), want), "");
}

TEST_F(ModelLists, UntexturedBodySubsets) {
    EXPECT_EQ(compare(List(buggy, 1), {"MESH BUGGYASSIRUOTE", "MESH BUGGYMOTORE", "MESH BUGGYTUBI", "MESH BUGGYVETRO",
                                       "MESH BUGGYVETROFANALESIN", "MESH BUGGYVETROFANALEDES", "MESH BUGGYRINFORZO",
                                       "MESH BUGGYPARAURTI"}),
              "");
    EXPECT_EQ(compare(List(buggy, 2), {"MESH BUGGYCORPOSUP", "MESH BUGGYFANALESIN", "MESH BUGGYFANALEDES"}), "");
}

TEST_F(ModelLists, WheelLists) {
    std::vector<std::string> want = AUTOMAP_ON;
    want.push_back("BMP 4x8");  // Metal1-00.bmp
    Append(want, Placement("glTranslatef 1 0.5 0", "glScalef 0.2 0.02 0", true, {"BUGGYCERCHIONE"}));
    want.push_back("TGA 4x4");  // pneumatico.tga
    Append(want, {TEXTURE_MODE, "glPushMatrix()", "glScalef 0.25 0.25 0", "glRotatef 90 0 0 1", "MESH BUGGYPNEUMATICO",
                  "glPopMatrix()", MODELVIEW_MODE});
    Append(want, AUTOMAP_OFF);
    EXPECT_EQ(compare(List(ruota, 0), want), "");
    // The rim pass list: only the rim, no texture command at all.
    const auto bare = List(ruota, 1);
    EXPECT_EQ(compare(bare, {"MESH BUGGYCERCHIONE"}), "");
    size_t lists = 0;
    for (const auto& c : ruota) lists += c.rfind("glGenLists(range = 1)", 0) == 0;
    EXPECT_EQ(lists, 2u);
}

}  // namespace
