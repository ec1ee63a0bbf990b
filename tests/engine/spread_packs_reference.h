#pragma once

#include "library/wallpaper.h"

#include <cstddef>
#include <utility>
#include <vector>

namespace ks::test {

// The pack-spreading walk written the plain way, rescanning for every swap: the yardstick
// the fast version is held to.
inline void spreadPacksByScanning(std::vector<Wallpaper>& list) {
    const std::size_t n = list.size();
    for (std::size_t i = 1; i < n; ++i) {
        if (list[i].packID != list[i - 1].packID || i == n - 1)
            continue;
        for (std::size_t j = i + 1; j < n; ++j) {
            if (list[j].packID != list[i - 1].packID) {
                std::swap(list[i], list[j]);
                break;
            }
        }
    }
}

} // namespace ks::test
