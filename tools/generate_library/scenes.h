#pragma once

#include "canvas.h"

#include <cstdint>
#include <string_view>

namespace ks::gen {

enum class Scene { dunes, mountains, gradient, nebula, waves, horizons };

struct SceneRequest {
    Scene scene = Scene::gradient;
    int width = 1920;
    int height = 1080;
    std::uint64_t seed = 1;
    // The night version of the same composition.
    bool dark = false;
    // Mirrored left to right.
    bool flipped = false;
};

Canvas render(const SceneRequest& request);

} // namespace ks::gen
