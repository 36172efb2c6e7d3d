// The buggy's mesh tables against the facts the model must keep: per-part counts and
// extents, the stored-normal invariants, the stated rows and shapes, the left/right
// relations and the wheel's ring, order and normal rules. Computed from the compiled tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "model/BuggyMesh.h"

namespace {

struct Vec {
    double x, y, z;
};
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Len(Vec a) { return std::sqrt(Dot(a, a)); }

Vec Pos(const TMESHCORNER& c) { return {c.X, c.Y, c.Z}; }
Vec Nrm(const TMESHCORNER& c) { return {c.NX, c.NY, c.NZ}; }

using Key3 = std::array<float, 3>;
using Key6 = std::array<float, 6>;
Key3 PosKey(const TMESHCORNER& c) { return {c.X, c.Y, c.Z}; }
Key6 CornerKey(const TMESHCORNER& c) { return {c.NX, c.NY, c.NZ, c.X, c.Y, c.Z}; }

double Round4(double v) { return std::round(v * 1e4) / 1e4; }

// True when f is the single nearest to some decimal number with six decimal places.
bool SixDecimals(float f) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6f", static_cast<double>(f));
    return std::strtof(buf, nullptr) == f;
}

struct Range {
    double lo, hi;
};

struct PartFacts {
    const TMESHPART* part;
    int triangles, positions, corners;
    Range x, y, z;
    int flat;  // -1: not stated
};

const std::vector<PartFacts>& AllFacts() {
    static const std::vector<PartFacts> facts = {
        {&BUGGYBODYPARTS[CORPOSUP], 336, 182, 324, {-85.4895, 45.8860}, {-36.0, 36.0}, {-8.8019, 19.0044}, 1},
        {&BUGGYBODYPARTS[CORPOINF], 79, 61, 109, {-81.8313, 41.9894}, {-31.1593, 33.1358}, {-15.9039, 10.4068}, 3},
        {&BUGGYBODYPARTS[CRUSCOTTO], 6, 8, 8, {-5.0562, -0.4337}, {-21.8263, 21.8252}, {0.4008, 12.0163}, 0},
        {&BUGGYBODYPARTS[ASSIRUOTE], 132, 104, 180, {-59.2662, 36.5886}, {-28.4644, 28.4633}, {-15.2782, 5.2292}, 8},
        {&BUGGYBODYPARTS[MOTORE], 20, 12, 30, {-84.3705, -67.3347}, {-13.0009, 12.9998}, {-12.3035, 10.4322}, 10},
        {&BUGGYBODYPARTS[TUBI], 56, 32, 92, {-85.8668, -69.0459}, {-22.1208, -11.3232}, {-14.2910, -9.4591}, 12},
        {&BUGGYBODYPARTS[VETRO], 60, 36, 62, {-0.5752, 3.8901}, {-23.6292, 23.6907}, {3.1498, 27.7783}, 0},
        {&BUGGYBODYPARTS[FANALESIN], 24, 17, 17, {35.0503, 40.5402}, {14.3808, 22.2076}, {9.3750, 17.2028}, 0},
        {&BUGGYBODYPARTS[VETROFANALESIN], 6, 8, 8, {40.5402, 40.5402}, {14.3808, 22.2076}, {9.3750, 17.2028}, 6},
        {&BUGGYBODYPARTS[FANALEDES], 24, 17, 17, {35.0503, 40.5402}, {-23.5237, -15.6970}, {9.3750, 17.2028}, 0},
        {&BUGGYBODYPARTS[VETROFANALEDES], 6, 8, 8, {40.5402, 40.5402}, {-23.5237, -15.6970}, {9.3750, 17.2028}, 6},
        {&BUGGYBODYPARTS[SEDILESIN], 20, 12, 36, {-35.6583, -7.4802}, {1.7375, 22.2614}, {-13.0657, 16.4214}, 12},
        {&BUGGYBODYPARTS[SEDILEDES], 20, 12, 36, {-35.6583, -7.4802}, {-22.2625, -1.7386}, {-13.0657, 16.4214}, 12},
        {&BUGGYBODYPARTS[RINFORZO], 156, 88, 158, {-54.5652, -33.6824}, {-22.0186, 22.0175}, {-3.9762, 29.0564}, 0},
        {&BUGGYBODYPARTS[PARAURTI], 98, 58, 179, {31.6253, 45.7524}, {-12.4658, 12.7339}, {-8.5144, 14.6260}, 0},
        {&BUGGYWHEELPARTS[PNEUMATICO], 108, 72, 72, {-15.7569, 15.7564}, {-3.5, 8.5}, {-16.0, 16.0}, -1},
        {&BUGGYWHEELPARTS[CERCHIONE], 180, 110, 145, {-14.4966, 14.4961}, {-3.5, 8.5}, {-14.7202, 14.7197}, -1},
    };
    return facts;
}

class MeshFacts : public ::testing::TestWithParam<PartFacts> {};

std::string PartName(const ::testing::TestParamInfo<PartFacts>& info) { return info.param.part->NAME; }

TEST_P(MeshFacts, CountsAndExtents) {
    const PartFacts& f = GetParam();
    const TMESHPART& p = *f.part;
    ASSERT_EQ(p.TRIANGLES, f.triangles);
    std::set<Key3> positions;
    std::set<Key6> corners;
    int flat = 0;
    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
    for (int t = 0; t < p.TRIANGLES; ++t) {
        const TMESHCORNER* c = p.CORNERS + 3 * t;
        if (c[0].NX == c[1].NX && c[0].NY == c[1].NY && c[0].NZ == c[1].NZ &&
            c[0].NX == c[2].NX && c[0].NY == c[2].NY && c[0].NZ == c[2].NZ)
            ++flat;
        for (int k = 0; k < 3; ++k) {
            positions.insert(PosKey(c[k]));
            corners.insert(CornerKey(c[k]));
            const double v[3] = {c[k].X, c[k].Y, c[k].Z};
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], v[a]);
                hi[a] = std::max(hi[a], v[a]);
            }
        }
    }
    EXPECT_EQ(static_cast<int>(positions.size()), f.positions);
    EXPECT_EQ(static_cast<int>(corners.size()), f.corners);
    if (f.flat >= 0) {
        EXPECT_EQ(flat, f.flat);
    }
    const Range want[3] = {f.x, f.y, f.z};
    for (int a = 0; a < 3; ++a) {
        EXPECT_DOUBLE_EQ(Round4(lo[a]), Round4(want[a].lo)) << "axis " << a;
        EXPECT_DOUBLE_EQ(Round4(hi[a]), Round4(want[a].hi)) << "axis " << a;
    }
}

TEST_P(MeshFacts, StoredNormalsAndValues) {
    const TMESHPART& p = *GetParam().part;
    for (int t = 0; t < p.TRIANGLES; ++t) {
        const TMESHCORNER* c = p.CORNERS + 3 * t;
        const Vec face = Cross(Pos(c[1]) - Pos(c[0]), Pos(c[2]) - Pos(c[0]));
        ASSERT_GT(Len(face), 1e-4) << "degenerate triangle " << t;
        for (int k = 0; k < 3; ++k) {
            const Vec n = Nrm(c[k]);
            EXPECT_NEAR(Len(n), 1.0, 1e-6) << "triangle " << t << " corner " << k;
            // The emitted normal (the negation) lies within 47 degrees of the
            // counter-clockwise face normal: the stored one points into the solid.
            const double cosang = -Dot(n, face) / (Len(n) * Len(face));
            EXPECT_GE(cosang, std::cos(47.0 * M_PI / 180.0)) << "triangle " << t << " corner " << k;
            const float vals[6] = {c[k].NX, c[k].NY, c[k].NZ, c[k].X, c[k].Y, c[k].Z};
            for (float v : vals) EXPECT_TRUE(SixDecimals(v)) << v << " in triangle " << t;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllParts, MeshFacts, ::testing::ValuesIn(AllFacts()), PartName);

// ----------------------------------------------------------------------------------------
// Topology and stated shapes.

// Every edge of a closed solid is used by exactly two triangles, once in each direction.
bool IsClosedSolid(const TMESHPART& p, int first, int count) {
    std::map<std::pair<Key3, Key3>, int> directed;
    for (int t = first; t < first + count; ++t) {
        const TMESHCORNER* c = p.CORNERS + 3 * t;
        for (int k = 0; k < 3; ++k) directed[{PosKey(c[k]), PosKey(c[(k + 1) % 3])}]++;
    }
    for (const auto& [e, n] : directed) {
        if (n != 1) return false;
        auto it = directed.find({e.second, e.first});
        if (it == directed.end() || it->second != 1) return false;
    }
    return true;
}

std::set<Key3> PositionsOf(const TMESHPART& p, int first, int count) {
    std::set<Key3> s;
    for (int i = 3 * first; i < 3 * (first + count); ++i) s.insert(PosKey(p.CORNERS[i]));
    return s;
}

TEST(BodyShapes, EngineIsAStraightPrismOverItsProfile) {
    const TMESHPART& e = BUGGYBODYPARTS[MOTORE];
    const double profile[6][2] = {{-84.3705, -2.6906}, {-82.5021, -12.3035}, {-67.3347, -11.4555},
                                  {-75.2617, -2.6906}, {-75.2617, 6.9217},   {-79.4571, 10.4322}};
    std::set<std::pair<int, int>> seen;
    for (const Key3& k : PositionsOf(e, 0, e.TRIANGLES)) {
        int which = -1;
        for (int i = 0; i < 6; ++i)
            if (std::fabs(k[0] - profile[i][0]) < 1e-4 && std::fabs(k[2] - profile[i][1]) < 1e-4) which = i;
        ASSERT_GE(which, 0) << k[0] << " " << k[2];
        const bool low = std::fabs(k[1] + 13.0009) < 1e-4, high = std::fabs(k[1] - 12.9998) < 1e-4;
        ASSERT_TRUE(low || high) << k[1];
        seen.insert({which, high});
    }
    EXPECT_EQ(seen.size(), 12u);
    int ends[2] = {0, 0}, sides = 0;
    for (int t = 0; t < e.TRIANGLES; ++t) {
        const TMESHCORNER* c = e.CORNERS + 3 * t;
        if (c[0].Y == c[1].Y && c[1].Y == c[2].Y)
            ends[c[0].Y > 0]++;
        else
            sides++;
    }
    EXPECT_EQ(sides, 12);
    EXPECT_EQ(ends[0], 4);
    EXPECT_EQ(ends[1], 4);
    EXPECT_TRUE(IsClosedSolid(e, 0, e.TRIANGLES));
}

TEST(BodyShapes, SeatsAreClosedPrisms) {
    for (int part : {SEDILESIN, SEDILEDES}) {
        const TMESHPART& s = BUGGYBODYPARTS[part];
        EXPECT_TRUE(IsClosedSolid(s, 0, s.TRIANGLES)) << s.NAME;
    }
}

TEST(BodyShapes, ExhaustIsTwoClosedSixSidedTubes) {
    const TMESHPART& p = BUGGYBODYPARTS[TUBI];
    ASSERT_EQ(p.TRIANGLES, 56);
    double centre_y[2];
    for (int tube = 0; tube < 2; ++tube) {
        EXPECT_TRUE(IsClosedSolid(p, 28 * tube, 28)) << "tube " << tube;
        const std::set<Key3> pos = PositionsOf(p, 28 * tube, 28);
        EXPECT_EQ(pos.size(), 16u);
        // Cross-section rings: six corners sharing one x, at the corner radius.
        std::map<float, std::vector<Key3>> by_x;
        for (const Key3& k : pos) by_x[k[0]].push_back(k);
        int rings = 0;
        for (const auto& [x, pts] : by_x) {
            if (pts.size() != 6) continue;
            ++rings;
            double cy = 0, cz = 0;
            for (const Key3& k : pts) cy += k[1] / 6.0, cz += k[2] / 6.0;
            for (const Key3& k : pts) EXPECT_NEAR(std::hypot(k[1] - cy, k[2] - cz), 2.43, 0.002);
            centre_y[tube] = cy;
        }
        EXPECT_EQ(rings, 2) << "tube " << tube;
        float xmin = 1e9f;
        for (const Key3& k : pos) xmin = std::min(xmin, k[0]);
        EXPECT_NEAR(xmin, -85.8668, 1e-4);  // each is closed at the rear end
    }
    EXPECT_NEAR(std::fabs(centre_y[0] - centre_y[1]), 5.9371, 1e-3);
}

TEST(BodyShapes, HeadlightGlassIsTheStatedOctagon) {
    const TMESHPART& g = BUGGYBODYPARTS[VETROFANALESIN];
    const std::map<int, std::pair<double, double>> corner = {
        {0, {22.2076, 13.2889}},   {45, {21.0617, 16.0564}},  {90, {18.2942, 17.2028}},
        {135, {15.5267, 16.0564}}, {180, {14.3808, 13.2889}}, {225, {15.5267, 10.5214}},
        {270, {18.2942, 9.3750}},  {315, {21.0617, 10.5214}}};
    const int order[6][3] = {{180, 225, 135}, {225, 270, 135}, {270, 315, 135},
                             {315, 0, 135},   {0, 45, 135},    {45, 90, 135}};
    ASSERT_EQ(g.TRIANGLES, 6);
    for (int t = 0; t < 6; ++t) {
        for (int k = 0; k < 3; ++k) {
            const TMESHCORNER& c = g.CORNERS[3 * t + k];
            const auto& want = corner.at(order[t][k]);
            EXPECT_NEAR(c.X, 40.5402, 5e-5);
            EXPECT_NEAR(Round4(c.Y), want.first, 1e-9) << "triangle " << t << " corner " << k;
            EXPECT_NEAR(Round4(c.Z), want.second, 1e-9) << "triangle " << t << " corner " << k;
            EXPECT_EQ(c.NX, -1.0f);
            EXPECT_EQ(c.NY, 0.0f);
            EXPECT_EQ(c.NZ, 0.0f);
        }
    }
    // The right glass, by the mirror rule, is centred at y = -19.6103.
    const TMESHPART& r = BUGGYBODYPARTS[VETROFANALEDES];
    double ylo = 1e9, yhi = -1e9;
    for (int i = 0; i < 18; ++i) ylo = std::min<double>(ylo, r.CORNERS[i].Y), yhi = std::max<double>(yhi, r.CORNERS[i].Y);
    float top_y = 0;
    for (int i = 0; i < 18; ++i)
        if (Round4(r.CORNERS[i].Z) == 17.2028) top_y = r.CORNERS[i].Y;
    EXPECT_NEAR(Round4(top_y), -19.6103, 1e-9);
}

TEST(BodyShapes, HeadlightIsAnOpenShellOfTwoOctagonsAndAnApex) {
    const TMESHPART& h = BUGGYBODYPARTS[FANALESIN];
    std::map<float, int> by_x;
    for (const Key3& k : PositionsOf(h, 0, h.TRIANGLES)) by_x[k[0]]++;
    std::vector<int> sizes;
    for (const auto& [x, n] : by_x) sizes.push_back(n);
    EXPECT_EQ(sizes, (std::vector<int>{1, 8, 8}));
    // Its open rim is the glass octagon.
    const std::set<Key3> glass = PositionsOf(BUGGYBODYPARTS[VETROFANALESIN], 0, 6);
    const std::set<Key3> lamp = PositionsOf(h, 0, h.TRIANGLES);
    for (const Key3& k : glass) EXPECT_TRUE(lamp.count(k)) << k[1] << " " << k[2];
}

TEST(BodyShapes, UpperBodyIsAnOpenTubeLoft) {
    const TMESHPART& u = BUGGYBODYPARTS[CORPOSUP];
    std::map<float, int> by_x;
    for (const Key3& k : PositionsOf(u, 0, u.TRIANGLES)) by_x[k[0]]++;
    EXPECT_EQ(by_x.size(), 13u);
    for (const auto& [x, n] : by_x) EXPECT_EQ(n, 14) << "station " << x;
}

TEST(BodyRows, FirstUpperBodyTriangle) {
    const float want[3][6] = {
        {-0.242383f, 0.255820f, -0.935845f, 36.633099f, -27.128405f, 10.275766f},
        {0.103607f, -0.022087f, -0.994373f, 29.128025f, -23.787411f, 11.549073f},
        {0.042755f, 0.350983f, -0.935405f, 29.128025f, -29.003799f, 10.678477f},
    };
    const TMESHCORNER* c = BUGGYBODYPARTS[CORPOSUP].CORNERS;
    for (int k = 0; k < 3; ++k) {
        const float got[6] = {c[k].NX, c[k].NY, c[k].NZ, c[k].X, c[k].Y, c[k].Z};
        for (int i = 0; i < 6; ++i) EXPECT_EQ(got[i], want[k][i]) << "corner " << k << " value " << i;
    }
}

// ----------------------------------------------------------------------------------------
// Left and right.

TEST(BodyRelations, RightSeatIsTheLeftMovedByMinus24) {
    const TMESHPART& l = BUGGYBODYPARTS[SEDILESIN];
    const TMESHPART& r = BUGGYBODYPARTS[SEDILEDES];
    ASSERT_EQ(l.TRIANGLES, r.TRIANGLES);
    for (int i = 0; i < 3 * l.TRIANGLES; ++i) {
        const TMESHCORNER &a = l.CORNERS[i], &b = r.CORNERS[i];
        EXPECT_EQ(a.NX, b.NX);
        EXPECT_EQ(a.NY, b.NY);
        EXPECT_EQ(a.NZ, b.NZ);
        EXPECT_EQ(a.X, b.X);
        EXPECT_EQ(a.Z, b.Z);
        EXPECT_NEAR(b.Y, a.Y - 24.0, 4e-6) << "corner " << i;
    }
}

TEST(BodyRelations, RightHeadlightAndGlassMirrorTheLeftOnes) {
    for (auto [left, right] : {std::pair{FANALESIN, FANALEDES}, std::pair{VETROFANALESIN, VETROFANALEDES}}) {
        const TMESHPART& l = BUGGYBODYPARTS[left];
        const TMESHPART& r = BUGGYBODYPARTS[right];
        ASSERT_EQ(l.TRIANGLES, r.TRIANGLES);
        for (int t = 0; t < l.TRIANGLES; ++t) {
            for (int k = 0; k < 3; ++k) {
                const TMESHCORNER& a = l.CORNERS[3 * t + k];
                const TMESHCORNER& b = r.CORNERS[3 * t + 2 - k];  // corners in reverse order
                EXPECT_EQ(b.X, a.X);
                EXPECT_NEAR(b.Y, -1.316183 - a.Y, 4e-6) << r.NAME << " triangle " << t;
                EXPECT_EQ(b.Z, a.Z);
                EXPECT_EQ(b.NX, a.NX);
                EXPECT_EQ(b.NY, -a.NY);
                EXPECT_EQ(b.NZ, a.NZ);
            }
        }
    }
}

TEST(BodyTotals, FifteenPartsOf1043Triangles) {
    int total = 0;
    for (int i = 0; i < BUGGYBODYPARTCOUNT; ++i) total += BUGGYBODYPARTS[i].TRIANGLES;
    EXPECT_EQ(total, 1043);
    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
    for (int i = 0; i < BUGGYBODYPARTCOUNT; ++i) {
        const TMESHPART& p = BUGGYBODYPARTS[i];
        for (int c = 0; c < 3 * p.TRIANGLES; ++c) {
            const double v[3] = {p.CORNERS[c].X, p.CORNERS[c].Y, p.CORNERS[c].Z};
            for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], v[a]), hi[a] = std::max(hi[a], v[a]);
        }
    }
    EXPECT_DOUBLE_EQ(Round4(lo[0]), -85.8668);
    EXPECT_DOUBLE_EQ(Round4(hi[0]), 45.8860);
    EXPECT_DOUBLE_EQ(Round4(lo[1]), -36.0);
    EXPECT_DOUBLE_EQ(Round4(hi[1]), 36.0);
    EXPECT_DOUBLE_EQ(Round4(lo[2]), -15.9039);
    EXPECT_DOUBLE_EQ(Round4(hi[2]), 29.0564);
}

// ----------------------------------------------------------------------------------------
// The wheel: ring table, emission order, normal table.

struct RingDef {
    double y, r;
};
const std::map<std::string, RingDef> RINGS = {
    {"T0", {-3.5, 14.7199}},      {"T1", {-1.500092, 15.9998}}, {"T2", {6.499908, 15.9998}},
    {"T3", {8.5, 14.7199}},       {"C0", {-3.5, 9.0283}},       {"C1", {-3.5, 14.7199}},
    {"C2", {-0.000069, 4.0628}},  {"C3", {1.499954, 2.3925}},   {"C4", {8.5, 9.0283}},
    {"C5", {8.5, 14.7199}},
};

double Theta(int k) { return (10.0 + 20.0 * (((k % 18) + 18) % 18)) * M_PI / 180.0; }

struct Expect {
    Vec pos;
    Vec nrm;          // from the normal table (a cos, b, a sin), not normalised
    bool has_ring;    // false for the centre points
};

Expect RingCorner(const std::string& ring, int k, double a, double b) {
    const RingDef& d = RINGS.at(ring);
    const double t = Theta(k);
    return {{d.r * std::cos(t), d.y, d.r * std::sin(t)}, {a * std::cos(t), b, a * std::sin(t)}, true};
}

const std::vector<int>& StepOrder() {
    static const std::vector<int> order = [] {
        std::vector<int> o;
        for (int k = 7; k >= 0; --k) o.push_back(k);
        for (int k = 17; k >= 8; --k) o.push_back(k);
        return o;
    }();
    return order;
}

struct NormalAB {
    double a, b;
};

// Band between leading ring X and trailing ring Y, quad k: (X[k], X[k+1], Y[k+1]), (Y[k], X[k], Y[k+1]).
void Band(std::vector<std::array<Expect, 3>>& out, const std::string& X, NormalAB nx, const std::string& Y,
          NormalAB ny) {
    for (int k : StepOrder()) {
        out.push_back({RingCorner(X, k, nx.a, nx.b), RingCorner(X, k + 1, nx.a, nx.b), RingCorner(Y, k + 1, ny.a, ny.b)});
        out.push_back({RingCorner(Y, k, ny.a, ny.b), RingCorner(X, k, nx.a, nx.b), RingCorner(Y, k + 1, ny.a, ny.b)});
    }
}

void CheckAgainst(const TMESHPART& p, const std::vector<std::array<Expect, 3>>& want) {
    ASSERT_EQ(static_cast<size_t>(p.TRIANGLES), want.size());
    for (int t = 0; t < p.TRIANGLES; ++t) {
        for (int k = 0; k < 3; ++k) {
            const TMESHCORNER& c = p.CORNERS[3 * t + k];
            const Expect& e = want[t][k];
            EXPECT_LE(Len(Pos(c) - e.pos), 0.0006 * std::sqrt(3.0)) << p.NAME << " triangle " << t << " corner " << k;
            if (e.has_ring) {
                EXPECT_EQ(c.Y, static_cast<float>(e.pos.y));
            }
            const Vec d = Nrm(c) - e.nrm;
            EXPECT_LE(std::max({std::fabs(d.x), std::fabs(d.y), std::fabs(d.z)}), 0.05)
                << p.NAME << " triangle " << t << " corner " << k;
        }
    }
}

TEST(Wheel, TyreFollowsRingsOrderAndNormals) {
    std::vector<std::array<Expect, 3>> want;
    Band(want, "T1", {-0.9596, 0.2815}, "T0", {-0.8413, 0.5384});
    Band(want, "T2", {-0.9596, -0.2815}, "T1", {-0.9596, 0.2815});
    Band(want, "T3", {-0.8413, -0.5384}, "T2", {-0.9596, -0.2815});
    CheckAgainst(BUGGYWHEELPARTS[PNEUMATICO], want);
}

TEST(Wheel, RimFollowsRingsOrderAndNormals) {
    std::vector<std::array<Expect, 3>> want;
    const Vec h0 = {-0.000241, -0.000069, -0.000244}, h1 = {-0.000241, 4.5, -0.000244};
    for (int k : StepOrder())
        want.push_back({RingCorner("C2", k, 0.3611, 0.9323), RingCorner("C2", k + 1, 0.3611, 0.9323),
                        Expect{h0, {0, 1, 0}, false}});
    Band(want, "C0", {0.3013, 0.9533}, "C2", {0.3611, 0.9323});
    Band(want, "C1", {0, 1}, "C0", {0.3013, 0.9533});
    Band(want, "C4", {0.3933, -0.9191}, "C5", {0, -1});
    Band(want, "C3", {0.7251, -0.6874}, "C4", {0.3933, -0.9191});
    for (int k : StepOrder()) {
        const double phi = Theta(k) + 10.0 * M_PI / 180.0;
        want.push_back({RingCorner("C3", k + 1, -0.7819, -0.6235), RingCorner("C3", k, -0.7819, -0.6235),
                        Expect{h1, {-0.6316 * std::cos(phi), -0.7753, -0.6316 * std::sin(phi)}, false}});
    }
    CheckAgainst(BUGGYWHEELPARTS[CERCHIONE], want);
}

TEST(Wheel, FirstTyreTriangleAgreesWithTheStatedOne) {
    const double stated[3][6] = {
        {0.828650, 0.281439, -0.483871, -13.856524, -1.500092, 7.999878},
        {0.944181, 0.281418, -0.171248, -15.756925, -1.500092, 2.778119},
        {0.819894, 0.538366, -0.194769, -14.496563, -3.5, 2.555947},
    };
    const TMESHCORNER* c = BUGGYWHEELPARTS[PNEUMATICO].CORNERS;
    for (int k = 0; k < 3; ++k) {
        const double got[6] = {c[k].NX, c[k].NY, c[k].NZ, c[k].X, c[k].Y, c[k].Z};
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], stated[k][i], 0.05) << "corner " << k;
        for (int i = 3; i < 6; ++i) EXPECT_NEAR(got[i], stated[k][i], 0.0006) << "corner " << k;
    }
}

TEST(Wheel, RadiiStayWithinTheTolerance) {
    // Every ring corner has exactly its ring's y; radii vary by at most 0.0005 per ring.
    for (const TMESHPART* p : {&BUGGYWHEELPARTS[PNEUMATICO], &BUGGYWHEELPARTS[CERCHIONE]}) {
        std::map<float, std::pair<double, double>> by_y_r;  // (y, ring radius class) -> min/max
        for (const Key3& k : PositionsOf(*p, 0, p->TRIANGLES)) {
            const double r = std::hypot(k[0], k[2]);
            if (r < 0.01) continue;
            for (const auto& [name, d] : RINGS) {
                if (static_cast<float>(d.y) == k[1] && std::fabs(r - d.r) < 0.0006) {
                    auto& mm = by_y_r[static_cast<float>(d.y * 1000 + d.r)];
                    if (mm.first == 0 && mm.second == 0) mm = {r, r};
                    mm.first = std::min(mm.first, r), mm.second = std::max(mm.second, r);
                }
            }
        }
        for (const auto& [key, mm] : by_y_r) EXPECT_LE(mm.second - mm.first, 0.0005) << p->NAME << " " << key;
    }
}

}  // namespace
