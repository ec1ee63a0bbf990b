#include "icons.h"
#include "encode.h"
#include "scenes.h"

#include <cmath>

namespace ks::gen {

namespace {

// Coverage of the icon's shape at a point of the unit square: a rounded frame, a sun and
// two hills.
float iconCoverage(float u, float v) {
    const float inset = 0.06f, radius = 0.22f;
    const float qx = std::max(std::abs(u - 0.5f) - (0.5f - inset - radius), 0.f);
    const float qy = std::max(std::abs(v - 0.5f) - (0.5f - inset - radius), 0.f);
    const float frameDistance = std::hypot(qx, qy) - radius;
    const bool inFrame = frameDistance < 0 && frameDistance > -0.09f;
    const bool sun = std::hypot(u - 0.66f, v - 0.36f) < 0.11f;
    const bool hillA = v > 0.78f - 0.26f * std::exp(-std::pow((u - 0.36f) / 0.2f, 2.f));
    const bool hillB = v > 0.8f - 0.16f * std::exp(-std::pow((u - 0.7f) / 0.18f, 2.f));
    const bool insideFrame = frameDistance < -0.09f;
    return inFrame || (insideFrame && (sun || hillA || hillB)) ? 1.f : 0.f;
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
