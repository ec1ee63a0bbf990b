#include "catalogue.h"

#include <cstdio>

namespace ks::gen {

namespace {

std::string numbered(const char* stem, int number, const char* suffix, const char* extension) {
    char name[96];
    std::snprintf(name, sizeof name, "%s-%02d%s.%s", stem, number, suffix, extension);
    return name;
}

// Light and dark versions of `count` compositions, named "<stem>-NN-light.jpg" and
// "<stem>-NN-dark.jpg"; the composition numbered `flipAt` is mirrored and says so.
void addVariantPairs(PlannedPack& pack, const char* stem, Scene scene, int count, int flipAt,
                     std::uint64_t seedBase) {
    for (int n = 1; n <= count; ++n) {
        const bool flipped = n == flipAt;
        const char* flip = flipped ? "-flip" : "";
        for (const bool dark : {false, true}) {
            const std::string suffix = std::string(flip) + (dark ? "-dark" : "-light");
            SceneRequest request{scene, 1920,   1080, seedBase + static_cast<std::uint64_t>(n),
                                 dark,  flipped};
            pack.pictures.push_back({numbered(stem, n, suffix.c_str(), "jpg"),
                                     dark ? Variant::dark : Variant::light, request});
        }
    }
}

void addNeutral(PlannedPack& pack, std::string fileName, Scene scene, std::uint64_t seed,
                bool flipped = false) {
    pack.pictures.push_back({std::move(fileName), Variant::neutral,
                             SceneRequest{scene, 1920, 1080, seed, false, flipped}});
}

} // namespace

std::vector<PlannedPack> demoCatalogue() {
    std::vector<PlannedPack> packs;

    PlannedPack dunes{"dunes", "Dunes", true, "dunes-02-light.jpg", true, {}};
    addVariantPairs(dunes, "dunes", Scene::dunes, 5, 4, 100);
    addNeutral(dunes, "dunes-at-noon.heic", Scene::dunes, 177);
    packs.push_back(std::move(dunes));

    PlannedPack mountains{"mountains", "Mountains", true, std::nullopt, true, {}};
    addVariantPairs(mountains, "mountains", Scene::mountains, 4, 0, 200);
    addNeutral(mountains, "mountains-panorama.png", Scene::mountains, 277);
    packs.push_back(std::move(mountains));

    PlannedPack gradients{"gradients", "Gradients", false, "gradient-aurora.webp", true, {}};
    for (int n = 1; n <= 6; ++n)
        addNeutral(gradients, numbered("gradient", n, "", "jpg"), Scene::gradient,
                   300 + static_cast<std::uint64_t>(n));
    addNeutral(gradients, "gradient-aurora.webp", Scene::gradient, 311);
    packs.push_back(std::move(gradients));

    PlannedPack nebula{"nebula", "Nebula", true, "nebula-03-dark.jpg", false, {}};
    addVariantPairs(nebula, "nebula", Scene::nebula, 4, 2, 400);
    packs.push_back(std::move(nebula));

    PlannedPack waves{"waves", "Waves", false, std::nullopt, false, {}};
    for (int n = 1; n <= 6; ++n)
        addNeutral(waves, numbered("waves", n, "", "jpg"), Scene::waves,
                   500 + static_cast<std::uint64_t>(n));
    packs.push_back(std::move(waves));

    PlannedPack horizons{"horizons", "Horizons", false, "Evening_Horizon.jpg", false, {}};
    addNeutral(horizons, "Evening_Horizon.jpg", Scene::horizons, 601);
    addNeutral(horizons, "Morning_Horizon.jpg", Scene::horizons, 602);
    addNeutral(horizons, "Horizon-Flipped.jpg", Scene::horizons, 601, true);
    for (int n = 4; n <= 6; ++n)
        addNeutral(horizons, numbered("horizon", n, "", "jpg"), Scene::horizons,
                   600 + static_cast<std::uint64_t>(n));
    packs.push_back(std::move(horizons));

    return packs;
}

} // namespace ks::gen
