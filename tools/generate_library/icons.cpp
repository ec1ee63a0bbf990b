#include "icons.h"
#include "encode.h"
#include "scenes.h"

#include <cmath>

namespace ks::gen {

namespace {

// What the icons are drawn from, at a point of the unit square: a rounded frame, a sun and two
// hills.
struct Shapes {
    float frameDistance; // negative inside the rounded square
    bool sun;
    bool frontHill;
    bool backHill;
};

Shapes shapesAt(float u, float v) {
    const float inset = 0.06f, radius = 0.22f;
    const float qx = std::max(std::abs(u - 0.5f) - (0.5f - inset - radius), 0.f);
    const float qy = std::max(std::abs(v - 0.5f) - (0.5f - inset - radius), 0.f);
    return {std::hypot(qx, qy) - radius, std::hypot(u - 0.66f, v - 0.36f) < 0.11f,
            v > 0.78f - 0.26f * std::exp(-std::pow((u - 0.36f) / 0.2f, 2.f)),
            v > 0.8f - 0.16f * std::exp(-std::pow((u - 0.7f) / 0.18f, 2.f))};
}

// Coverage of the tray icon's shape: the frame as a ring, the sun and hills inside it.
float iconCoverage(float u, float v) {
    const Shapes s = shapesAt(u, v);
    const bool inFrame = s.frameDistance < 0 && s.frameDistance > -0.09f;
    const bool insideFrame = s.frameDistance < -0.09f;
    return inFrame || (insideFrame && (s.sun || s.frontHill || s.backHill)) ? 1.f : 0.f;
}

// The application icon's colour at a point inside the frame: the tray icon's scene filled in,
// an evening sky with a glow round the sun, the nearer hill darker, and a faint light rim.
Color appIconColor(float u, float v) {
    const Shapes s = shapesAt(u, v);
    Color color;
    if (s.frontHill) {
        color = mix(hex(0x2F6B5E), hex(0x1B423D), smoothstep(0.55f, 0.95f, v));
    } else if (s.backHill) {
        color = mix(hex(0x5E9C8A), hex(0x3F7A6E), smoothstep(0.6f, 0.9f, v));
    } else if (s.sun) {
        color = hex(0xFFD97A);
    } else {
        color = mix(hex(0x24427A), hex(0xF0A36B), smoothstep(0.08f, 0.8f, v));
        const float glow = 1.f - smoothstep(0.11f, 0.38f, std::hypot(u - 0.66f, v - 0.36f));
        color = mix(color, hex(0xFFE2A8), 0.55f * glow);
    }
    if (s.frameDistance > -0.025f)
        color = mix(color, hex(0xFFFFFF), 0.35f);
    return color;
}

} // namespace

Bytes menuIconPng(int size) {
    Canvas canvas(size, size);
    std::vector<float> alpha(static_cast<std::size_t>(size) * size);
    const int samples = 8; // supersampling gives smooth edges at 16 px
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float covered = 0;
            for (int sy = 0; sy < samples; ++sy)
                for (int sx = 0; sx < samples; ++sx)
                    covered += iconCoverage(
                        (static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / samples) / size,
                        (static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / samples) / size);
            canvas.at(x, y) = {1, 1, 1};
            alpha[static_cast<std::size_t>(y) * size + x] = covered / (samples * samples);
        }
    return encodePngWithAlpha(canvas, alpha);
}

Bytes appIconPng(int size) {
    Canvas canvas(size, size);
    std::vector<float> alpha(static_cast<std::size_t>(size) * size);
    const int samples = 6;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            Color sum;
            float covered = 0;
            for (int sy = 0; sy < samples; ++sy)
                for (int sx = 0; sx < samples; ++sx) {
                    const float u =
                        (static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / samples) / size;
                    const float v =
                        (static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / samples) / size;
                    if (shapesAt(u, v).frameDistance >= 0)
                        continue; // outside the rounded square: transparent
                    sum = add(sum, appIconColor(u, v));
                    covered += 1;
                }
            // The colour of the covered samples alone, so the edge does not darken.
            canvas.at(x, y) = covered > 0 ? scale(sum, 1.f / covered) : Color{};
            alpha[static_cast<std::size_t>(y) * size + x] = covered / (samples * samples);
        }
    return encodePngWithAlpha(canvas, alpha);
}

Bytes allPacksJpeg() {
    const int width = 960, height = 540, columns = 6;
    const Scene scenes[columns] = {Scene::dunes,  Scene::mountains, Scene::gradient,
                                   Scene::nebula, Scene::waves,     Scene::horizons};
    Canvas tile(width, height);
    for (int c = 0; c < columns; ++c) {
        const Canvas part = render(
            {scenes[c], width, height, 900 + static_cast<std::uint64_t>(c), c % 2 == 1, false});
        const int x0 = c * width / columns, x1 = (c + 1) * width / columns;
        for (int y = 0; y < height; ++y)
            for (int x = x0; x < x1; ++x)
                tile.at(x, y) = part.at(x, y);
    }
    return encode(tile, Format::jpeg);
}

} // namespace ks::gen
