#include "noise.h"

#include <algorithm>
#include <cmath>

namespace ks::gen {

std::uint64_t hash64(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::uint64_t Random::next() {
    m_state += 0x9E3779B97F4A7C15ull;
    return hash64(m_state);
}

float Random::unit() {
    return static_cast<float>(next() >> 40) / static_cast<float>(1ull << 24);
}

namespace {

float lattice(std::int64_t i, std::uint64_t seed) {
    return static_cast<float>(
               hash64(static_cast<std::uint64_t>(i) ^ (seed * 0x2545F4914F6CDD1Dull)) >> 40) /
           static_cast<float>(1ull << 24);
}

float lattice2(std::int64_t i, std::int64_t j, std::uint64_t seed) {
    return lattice(i * 73856093 ^ j * 19349663, seed);
}

float fade(float t) {
    return t * t * (3.f - 2.f * t);
}

} // namespace

float valueNoise1(float x, std::uint64_t seed) {
    const float fl = std::floor(x);
    const auto i = static_cast<std::int64_t>(fl);
    const float t = fade(x - fl);
    return lattice(i, seed) + (lattice(i + 1, seed) - lattice(i, seed)) * t;
}

float fbm1(float x, std::uint64_t seed, int octaves) {
    float sum = 0, amplitude = 0.5f, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += valueNoise1(x, seed + static_cast<std::uint64_t>(o)) * amplitude;
        norm += amplitude;
        x *= 2.f;
        amplitude *= 0.5f;
    }
    return sum / norm;
}

float valueNoise2(float x, float y, std::uint64_t seed) {
    const float fx = std::floor(x), fy = std::floor(y);
    const auto i = static_cast<std::int64_t>(fx), j = static_cast<std::int64_t>(fy);
    const float tx = fade(x - fx), ty = fade(y - fy);
    const float a = lattice2(i, j, seed), b = lattice2(i + 1, j, seed);
    const float c = lattice2(i, j + 1, seed), d = lattice2(i + 1, j + 1, seed);
    const float top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float fbm2(float x, float y, std::uint64_t seed, int octaves) {
    float sum = 0, amplitude = 0.5f, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += valueNoise2(x, y, seed + static_cast<std::uint64_t>(o)) * amplitude;
        norm += amplitude;
        x *= 2.f;
        y *= 2.f;
        amplitude *= 0.5f;
    }
    return sum / norm;
}

NoiseField::NoiseField(int width, int height, int step, float frequency, std::uint64_t seed,
                       int octaves)
    : m_step(step), m_cols(width / step + 2), m_rows(height / step + 2),
      m_values(static_cast<std::size_t>(m_cols) * m_rows) {
    for (int r = 0; r < m_rows; ++r)
        for (int c = 0; c < m_cols; ++c)
            m_values[static_cast<std::size_t>(r) * m_cols + c] =
                fbm2(static_cast<float>(c * step) * frequency,
                     static_cast<float>(r * step) * frequency, seed, octaves);
}

float NoiseField::at(int x, int y) const {
    const int c = std::min(x / m_step, m_cols - 2), r = std::min(y / m_step, m_rows - 2);
    const float tx = static_cast<float>(x - c * m_step) / static_cast<float>(m_step);
    const float ty = static_cast<float>(y - r * m_step) / static_cast<float>(m_step);
    const auto v = [&](int cc, int rr) {
        return m_values[static_cast<std::size_t>(rr) * m_cols + cc];
    };
    const float top = v(c, r) + (v(c + 1, r) - v(c, r)) * tx;
    const float bottom = v(c, r + 1) + (v(c + 1, r + 1) - v(c, r + 1)) * tx;
    return top + (bottom - top) * ty;
}

} // namespace ks::gen
