#include "library/pack.h"

#include <algorithm>

namespace ks {

std::optional<Wallpaper> Pack::cover() const {
    if (wallpapers.empty())
        return std::nullopt;
    if (coverFileName) {
        const auto named =
            std::find_if(wallpapers.begin(), wallpapers.end(),
                         [&](const Wallpaper& w) { return w.fileName == *coverFileName; });
        if (named != wallpapers.end())
            return *named;
    }
    return wallpapers.front();
}

} // namespace ks
