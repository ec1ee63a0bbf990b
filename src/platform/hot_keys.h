#pragma once

#include <cstdint>
#include <functional>

namespace ks {

// A key combination: a platform key code and the modifiers held with it.
struct KeyCombination {
    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;
};

// Key combinations that reach the application whatever has the focus.
class HotKeys {
public:
    virtual ~HotKeys() = default;
    // Calls `handler` on the main thread while `combination` is pressed anywhere. False when
    // the system refused it (another application holds it).
    virtual bool registerHotKey(int id, KeyCombination combination,
                                std::function<void()> handler) = 0;
    virtual void unregisterHotKey(int id) = 0;
};

} // namespace ks
