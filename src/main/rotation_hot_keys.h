#pragma once

#include "platform/hot_keys.h"

#include <cstdint>

namespace ks {

// The hot keys of the rotation, in the numbers HotKeyCenter::registerHotKey takes.
struct RotationHotKey {
    std::uint32_t id;
    std::uint32_t keyCode;
    std::uint32_t modifiers;
};

// Control+Option+Command, Control+Alt+Super on a PC keyboard: 6400.
inline constexpr std::uint32_t kRotationModifiers =
    kControlModifier | kOptionModifier | kCommandModifier;
// The N and P keys.
inline constexpr RotationHotKey kNextWallpaperHotKey{1, 45, kRotationModifiers};
inline constexpr RotationHotKey kPreviousWallpaperHotKey{2, 35, kRotationModifiers};

} // namespace ks
