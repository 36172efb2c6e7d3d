// Deterministic pseudo-random numbers and tileable noise.
//
// Nothing here depends on std::random distributions (whose output is not
// fixed by the standard), so the same seed paints the same bytes with every
// standard library.  All noise is periodic on the unit square: a texture
// sampled with GL_REPEAT shows no seam.
#pragma once

#include <cstdint>

namespace painter {

// SplitMix64: tiny, well mixed, fully specified.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }

private:
    std::uint64_t state_;
};

// Hash of a lattice point, the basis of every noise below.
std::uint32_t lattice_hash(std::int64_t x, std::int64_t y, std::uint32_t seed);

// Gradient (Perlin-style) noise over the unit square, tiling with a period of
// `cells` lattice cells in both directions.  Result roughly in [-1, 1].
double periodic_noise(double s, double t, int cells, std::uint32_t seed);

// The same with different periods along s and t, for stretched patterns such
// as brushing marks.
double periodic_noise(double s, double t, int cells_s, int cells_t, std::uint32_t seed);

// Sum of `octaves` layers of periodic noise, each with twice the cells and
// `gain` times the amplitude of the one before; normalised to about [-1, 1].
double periodic_fbm(double s, double t, int cells, int octaves, double gain, std::uint32_t seed);

// Ridged variant: sharp crests where the noise crosses zero.  Result in [0, 1].
double periodic_ridged(double s, double t, int cells, int octaves, std::uint32_t seed);

// Cellular (Worley) noise with one jittered feature point per cell, tiling
// with period `cells`.  Gives the distances (in cell units) to the nearest
// and second-nearest feature points.
struct CellDistances {
    double f1 = 0, f2 = 0;
};
CellDistances periodic_cells(double s, double t, int cells, std::uint32_t seed);

}  // namespace painter
