#include "main/hot_key_center.h"

#include "base/log.h"
#include "base/main_loop.h"
#include "base/process_instance.h"

#include <string>

namespace ks {

HotKeyCenter::HotKeyCenter(HotKeys& hotKeys, MainLoop& loop) : m_hotKeys(hotKeys), m_loop(loop) {}

HotKeyCenter::~HotKeyCenter() = default;

HotKeyCenter& HotKeyCenter::shared() {
    return ProcessInstance<HotKeyCenter>::get("HotKeyCenter");
}

void HotKeyCenter::setShared(HotKeyCenter* center) {
    ProcessInstance<HotKeyCenter>::set(center);
}

void HotKeyCenter::registerHotKey(std::uint32_t id, std::uint32_t keyCode, std::uint32_t modifiers,
                                  std::function<void()> handler) {
    if (!m_installed) {
        m_installed = true;
        // The platform keeps this handler after the center is gone: what it posts then finds
        // the center gone and does nothing.
        m_hotKeys.installPressedHandler(
            [this, loop = &m_loop, alive = std::weak_ptr(m_alive)](HotKeyID pressed) {
                loop->post([this, alive, number = pressed.id] {
                    if (alive.lock())
                        this->pressed(number);
                });
            });
    }
    const int status = m_hotKeys.registerHotKey({kSignature, id}, {keyCode, modifiers});
    if (status != 0) {
        logLine("RegisterEventHotKey failed for id " + std::to_string(id) + ": " +
                std::to_string(status));
        return;
    }
    m_handlers[id] = std::move(handler);
}

void HotKeyCenter::pressed(std::uint32_t id) {
    const auto found = m_handlers.find(id);
    if (found == m_handlers.end())
        return;
    // A copy: the handler may register `id` again, replacing itself while it runs.
    const std::function<void()> handler = found->second;
    if (handler)
        handler();
}

} // namespace ks
