#pragma once

#include <cstdint>
#include <functional>

namespace ks {

// A key combination in numbers of our own, the same on every platform: the key's position as
// a Mac ANSI virtual key code (platform/key_codes.h) and the modifier bits below.
struct KeyCombination {
    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;
};

inline constexpr std::uint32_t kCommandModifier = 256;
inline constexpr std::uint32_t kShiftModifier = 512;
inline constexpr std::uint32_t kOptionModifier = 2048;
inline constexpr std::uint32_t kControlModifier = 4096;

// What a registration is known by when its combination is pressed: the application's
// four-character signature and a number of its choosing.
struct HotKeyID {
    std::uint32_t signature = 0;
    std::uint32_t id = 0;
};

// Key combinations that reach the application whatever has the focus.
class HotKeys {
public:
    virtual ~HotKeys() = default;
    // Calls `handler` on the main thread with the identifier of every registered combination
    // pressed from now on; a later call replaces it.
    virtual void installPressedHandler(std::function<void(HotKeyID)> handler) = 0;
    // 0 once `combination` is registered under `id`, else the platform's status code (for
    // one, that another application holds the combination).
    virtual int registerHotKey(HotKeyID id, KeyCombination combination) = 0;
};

} // namespace ks
