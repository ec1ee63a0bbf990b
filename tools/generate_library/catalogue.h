#pragma once

#include "scenes.h"

#include "library/variant.h"

#include <optional>
#include <string>
#include <vector>

namespace ks::gen {

struct PlannedPicture {
    std::string fileName;
    Variant variant;
    SceneRequest scene;
};

struct PlannedPack {
    std::string id;
    std::string displayName;
    bool hasVariants;
    std::optional<std::string> coverFileName;
    bool shipped;
    std::vector<PlannedPicture> pictures;
};

// The demo library: what every pack holds and how each picture is drawn.
std::vector<PlannedPack> demoCatalogue();

} // namespace ks::gen
