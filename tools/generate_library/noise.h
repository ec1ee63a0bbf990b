#pragma once

#include <cstdint>
#include <vector>

namespace ks::gen {

// A small deterministic generator: the same seed gives the same art on every build and
// every machine, which the standard distributions do not promise.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next();
    // Uniform in [0, 1).
    float unit();
    float range(float lo, float hi) { return lo + (hi - lo) * unit(); }

private:
    std::uint64_t m_state;
};

std::uint64_t hash64(std::uint64_t x);

// Smooth value noise in [0, 1], one- and two-dimensional, and their fractal sums.
float valueNoise1(float x, std::uint64_t seed);
float fbm1(float x, std::uint64_t seed, int octaves);
float valueNoise2(float x, float y, std::uint64_t seed);
float fbm2(float x, float y, std::uint64_t seed, int octaves);

// fbm2 sampled on a coarse grid and read back with bilinear filtering: smooth textures at a
// fraction of the cost of sampling every pixel.
class NoiseField {
public:
    NoiseField(int width, int height, int step, float frequency, std::uint64_t seed, int octaves);
    float at(int x, int y) const;

private:
    int m_step;
    int m_cols;
    int m_rows;
    std::vector<float> m_values;
};

} // namespace ks::gen
