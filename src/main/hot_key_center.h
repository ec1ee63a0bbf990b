#pragma once

#include "platform/hot_keys.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace ks {

class MainLoop;

// The application's global hot keys: registers combinations with the platform and runs the
// handler registered under a number when its combination is pressed. One per process, on the
// main thread; registrations last as long as the process.
class HotKeyCenter {
public:
    // "KSWP", the signature of every identifier we register.
    static constexpr std::uint32_t kSignature = 0x4B535750;

    // `hotKeys` and `loop` must outlive the center.
    HotKeyCenter(HotKeys& hotKeys, MainLoop& loop);
    ~HotKeyCenter();
    HotKeyCenter(const HotKeyCenter&) = delete;
    HotKeyCenter& operator=(const HotKeyCenter&) = delete;

    // The application's center, set by its owner; asking before that aborts.
    static HotKeyCenter& shared();
    static void setShared(HotKeyCenter* center);

    // Registers the combination and, when the platform takes it, runs `handler` on the main
    // loop on each press from then on, in place of what `id` ran before. A refusal is logged
    // and leaves `id` as it was. The combination keeps working until the process ends.
    void registerHotKey(std::uint32_t id, std::uint32_t keyCode, std::uint32_t modifiers,
                        std::function<void()> handler);

private:
    void pressed(std::uint32_t id);

    HotKeys& m_hotKeys;
    MainLoop& m_loop;
    std::map<std::uint32_t, std::function<void()>> m_handlers;
    bool m_installed = false;
    // Presses still on their way hold this weakly and do nothing once the center is gone.
    std::shared_ptr<int> m_alive = std::make_shared<int>();
};

} // namespace ks
