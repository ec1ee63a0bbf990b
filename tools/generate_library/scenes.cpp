#include "scenes.h"
#include "noise.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace ks::gen {

namespace {

constexpr float kPi = 3.14159265f;

struct Sky {
    Color top, horizon;
};

void paintSky(Canvas& canvas, Sky sky, float horizonY) {
    for (int y = 0; y < canvas.height(); ++y) {
        const float t = std::pow(clamp01(static_cast<float>(y) / horizonY), 1.4f);
        const Color c = mix(sky.top, sky.horizon, t);
        for (int x = 0; x < canvas.width(); ++x)
            canvas.at(x, y) = c;
    }
}

void paintStars(Canvas& canvas, std::uint64_t seed, int count, float maxY) {
    Random random(seed ^ 0x5749ull);
    for (int i = 0; i < count; ++i) {
        const float x = random.range(0, static_cast<float>(canvas.width()));
        const float y = random.range(0, maxY);
        const float size = random.range(0.4f, 1.6f);
        canvas.glow(x, y, size, size * 1.5f, hex(0xF4F1FF), random.range(0.35f, 0.95f));
    }
}

// A ridge line across the picture: height in pixels from the top for every column.
std::vector<float> ridge(int width, float base, float amplitude, float frequency,
                         std::uint64_t seed, int octaves, bool sharp) {
    std::vector<float> heights(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
        float n = fbm1(static_cast<float>(x) * frequency, seed, octaves);
        if (sharp)
            n = 1.f - std::abs(n * 2.f - 1.f);
        heights[static_cast<std::size_t>(x)] = base - n * amplitude;
    }
    return heights;
}

// Fills everything below the ridge, shading each column by its slope against the light.
void paintLayer(Canvas& canvas, const std::vector<float>& heights, Color lit, Color shade,
                float lightFromLeft, Color haze, float hazeAmount) {
    const int w = canvas.width();
    for (int x = 0; x < w; ++x) {
        const float h = heights[static_cast<std::size_t>(x)];
        // Slope over a wide window: neighbouring columns must shade alike or the layer streaks.
        const float slope = (heights[static_cast<std::size_t>(std::min(x + 12, w - 1))] -
                             heights[static_cast<std::size_t>(std::max(x - 12, 0))]) /
                            24.f;
        const float facing = clamp01(0.5f + slope * 1.2f * lightFromLeft);
        const Color faceted = mix(mix(shade, lit, facing), haze, hazeAmount);
        const Color flat = mix(mix(shade, lit, 0.45f), haze, hazeAmount);
        for (int y = std::max(0, static_cast<int>(h)); y < canvas.height(); ++y) {
            // Facets show near the crest and melt into the layer's own colour below it.
            const float depth = static_cast<float>(y) - h;
            Color c = mix(faceted, scale(flat, 0.85f), smoothstep(0, 220, depth));
            if (static_cast<float>(y) < h + 1.f)
                c = mix(canvas.at(x, y), c, h + 1.f - static_cast<float>(y) > 0 ? 0.5f : 1.f);
            canvas.at(x, y) = c;
        }
    }
}

void renderDunes(Canvas& canvas, const SceneRequest& r) {
    const float h = static_cast<float>(canvas.height());
    const Sky sky = r.dark ? Sky{hex(0x0B1030), hex(0x3A3560)} : Sky{hex(0x6FA8DC), hex(0xF6D7A7)};
    paintSky(canvas, sky, h * 0.55f);
    if (r.dark) {
        paintStars(canvas, r.seed, 420, h * 0.5f);
        canvas.glow(canvas.width() * 0.78f, h * 0.2f, 38, 90, hex(0xF3EFD9), 0.95f);
    } else {
        canvas.glow(canvas.width() * 0.22f, h * 0.24f, 60, 260, hex(0xFFF4D6), 0.9f);
    }
    const Color lit = r.dark ? hex(0x6E6A94) : hex(0xF0B872);
    const Color shade = r.dark ? hex(0x262447) : hex(0xB86F3C);
    const Color haze = sky.horizon;
    for (int layer = 0; layer < 5; ++layer) {
        const float base = h * (0.52f + 0.1f * static_cast<float>(layer));
        const auto heights = ridge(canvas.width(), base, h * (0.16f - 0.015f * layer),
                                   0.0018f + 0.0007f * layer, r.seed * 31 + layer, 3, false);
        paintLayer(canvas, heights, lit, shade, r.dark ? -1.f : 1.f, haze,
                   0.55f - 0.12f * static_cast<float>(layer));
    }
}

void renderMountains(Canvas& canvas, const SceneRequest& r) {
    const float h = static_cast<float>(canvas.height());
    const Sky sky = r.dark ? Sky{hex(0x10142E), hex(0x5B4A7A)} : Sky{hex(0x3F7CC0), hex(0xD9E9F5)};
    paintSky(canvas, sky, h * 0.6f);
    if (r.dark)
        paintStars(canvas, r.seed, 500, h * 0.45f);
    const std::array<Color, 2> rock = r.dark ? std::array{hex(0x3D3B63), hex(0x17172E)}
                                             : std::array{hex(0x8A9BB4), hex(0x3C4B63)};
    for (int layer = 0; layer < 4; ++layer) {
        const float base = h * (0.5f + 0.13f * static_cast<float>(layer));
        const auto heights = ridge(canvas.width(), base, h * (0.38f - 0.06f * layer),
                                   0.0016f + 0.0008f * layer, r.seed * 17 + layer, 4, true);
        paintLayer(canvas, heights, rock[0], rock[1], 1.f, sky.horizon,
                   0.6f - 0.18f * static_cast<float>(layer));
    }
}

struct Blob {
    float x, y, radius;
    Color color;
};

void renderGradient(Canvas& canvas, const SceneRequest& r) {
    static const std::array<std::array<std::uint32_t, 4>, 6> kPalettes{{
        {0x1D2671, 0xC33764, 0xF7971E, 0xFFD200},
        {0x0F2027, 0x2C5364, 0x38EF7D, 0x11998E},
        {0x41295A, 0x2F0743, 0xF5AF19, 0xF12711},
        {0xE0EAFC, 0xCFDEF3, 0x89F7FE, 0x66A6FF},
        {0x232526, 0x414345, 0xB993D6, 0x8CA6DB},
        {0xFF9A8B, 0xFF6A88, 0xFF99AC, 0xFAD0C4},
    }};
    const auto& palette = kPalettes[r.seed % kPalettes.size()];
    Random random(r.seed);
    const float angle = random.range(0, kPi);
    const float dx = std::cos(angle), dy = std::sin(angle);
    const float w = static_cast<float>(canvas.width()), hh = static_cast<float>(canvas.height());
    std::vector<Blob> blobs;
    for (int i = 0; i < 5; ++i)
        blobs.push_back({random.range(0, w), random.range(0, hh), random.range(0.25f, 0.6f) * w,
                         hex(palette[static_cast<std::size_t>(i) % 4])});
    const NoiseField grain(canvas.width(), canvas.height(), 8, 0.004f, r.seed, 3);
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const float fx = static_cast<float>(x), fy = static_cast<float>(y);
            const float t = clamp01(((fx - w / 2) * dx + (fy - hh / 2) * dy) / (w * 0.9f) + 0.5f);
            Color c = t < 0.5f ? mix(hex(palette[0]), hex(palette[1]), t * 2)
                               : mix(hex(palette[1]), hex(palette[2]), t * 2 - 1);
            for (const auto& b : blobs) {
                const float d = std::hypot(fx - b.x, fy - b.y) / b.radius;
                c = mix(c, b.color, 0.45f * std::exp(-d * d * 2.5f));
            }
            canvas.at(x, y) = add(c, scale({1, 1, 1}, (grain.at(x, y) - 0.5f) * 0.06f));
        }
}

void renderNebula(Canvas& canvas, const SceneRequest& r) {
    const NoiseField cloud(canvas.width(), canvas.height(), 6, 0.0021f, r.seed, 6);
    const NoiseField tint(canvas.width(), canvas.height(), 12, 0.0009f, r.seed + 99, 3);
    const Color deep = r.dark ? hex(0x05040F) : hex(0xEDE7F6);
    const Color a = r.dark ? hex(0x6A1B9A) : hex(0xF8BBD0);
    const Color b = r.dark ? hex(0x00838F) : hex(0xB3E5FC);
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const float density = smoothstep(0.35f, 0.8f, cloud.at(x, y));
            const Color gas = mix(a, b, smoothstep(0.3f, 0.7f, tint.at(x, y)));
            canvas.at(x, y) = mix(deep, gas, density * 0.9f);
        }
    paintStars(canvas, r.seed, r.dark ? 900 : 250, static_cast<float>(canvas.height()));
}

void renderWaves(Canvas& canvas, const SceneRequest& r) {
    Random random(r.seed);
    const Color top = mix(hex(0x0B3D91), hex(0x1ABC9C), random.unit());
    const Color bottom = mix(hex(0x001F3F), hex(0x6C3483), random.unit());
    const int bands = 7;
    std::array<float, 8> phase{}, frequency{};
    for (int i = 0; i < bands; ++i) {
        phase[static_cast<std::size_t>(i)] = random.range(0, 2 * kPi);
        frequency[static_cast<std::size_t>(i)] = random.range(0.002f, 0.006f);
    }
    const float h = static_cast<float>(canvas.height());
    for (int x = 0; x < canvas.width(); ++x) {
        std::array<float, 8> edge{};
        for (int i = 0; i < bands; ++i) {
            const auto k = static_cast<std::size_t>(i);
            edge[k] = h * (static_cast<float>(i) + 0.7f) / static_cast<float>(bands) +
                      std::sin(static_cast<float>(x) * frequency[k] + phase[k]) * h * 0.05f;
        }
        for (int y = 0; y < canvas.height(); ++y) {
            int band = 0;
            while (band<bands&& static_cast<float>(y)> edge[static_cast<std::size_t>(band)])
                ++band;
            const float t = static_cast<float>(band) / static_cast<float>(bands);
            Color c = mix(top, bottom, t);
            // A soft shadow under each crest gives the bands depth.
            if (band > 0) {
                const float below =
                    static_cast<float>(y) - edge[static_cast<std::size_t>(band - 1)];
                c = scale(c, 0.85f + 0.15f * smoothstep(0, 40, below));
            }
            canvas.at(x, y) = c;
        }
    }
}

void renderHorizons(Canvas& canvas, const SceneRequest& r) {
    const float h = static_cast<float>(canvas.height());
    Random random(r.seed);
    const Sky sky{mix(hex(0x2E3192), hex(0x1BFFFF), random.unit() * 0.3f),
                  mix(hex(0xFF8C42), hex(0xFFD56B), random.unit())};
    paintSky(canvas, sky, h * 0.62f);
    canvas.glow(canvas.width() * random.range(0.3f, 0.7f), h * 0.56f, 70, 240, hex(0xFFF1C1),
                0.85f);
    const Color hill = mix(hex(0x2D1E2F), hex(0x4A3B5C), random.unit());
    for (int layer = 0; layer < 4; ++layer) {
        const auto heights = ridge(canvas.width(), h * (0.62f + 0.1f * layer), h * 0.12f,
                                   0.0012f + 0.0005f * layer, r.seed * 7 + layer, 2, false);
        paintLayer(canvas, heights, scale(hill, 1.3f), hill, 1.f, sky.horizon,
                   0.7f - 0.2f * static_cast<float>(layer));
    }
}

void mirror(Canvas& canvas) {
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width() / 2; ++x)
            std::swap(canvas.at(x, y), canvas.at(canvas.width() - 1 - x, y));
}

} // namespace

Canvas render(const SceneRequest& request) {
    Canvas canvas(request.width, request.height);
    switch (request.scene) {
    case Scene::dunes:
        renderDunes(canvas, request);
        break;
    case Scene::mountains:
        renderMountains(canvas, request);
        break;
    case Scene::gradient:
        renderGradient(canvas, request);
        break;
    case Scene::nebula:
        renderNebula(canvas, request);
        break;
    case Scene::waves:
        renderWaves(canvas, request);
        break;
    case Scene::horizons:
        renderHorizons(canvas, request);
        break;
    }
    if (request.flipped)
        mirror(canvas);
    return canvas;
}

} // namespace ks::gen
