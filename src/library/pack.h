#pragma once

#include "library/wallpaper.h"

#include <optional>
#include <string>
#include <vector>

namespace ks {

struct Pack {
    std::string id;
    std::string displayName;
    std::vector<Wallpaper> wallpapers;
    bool hasVariants = false;
    std::optional<std::string> coverFileName;

    // The wallpaper named by `coverFileName`, else the first one; none for an empty pack.
    std::optional<Wallpaper> cover() const;

    friend bool operator==(const Pack&, const Pack&) = default;
};

} // namespace ks
