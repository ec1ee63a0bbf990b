#include "base/notification_center.h"

#include <algorithm>

namespace ks {

struct NotificationCenter::Registry {
    struct Observer {
        std::uint64_t id;
        std::string name;
        std::shared_ptr<std::function<void()>> handler;
    };
    std::vector<Observer> observers;
    std::uint64_t nextId = 1;

    void remove(std::uint64_t id) {
        std::erase_if(observers, [id](const Observer& o) { return o.id == id; });
    }
    bool contains(std::uint64_t id) const {
        return std::any_of(observers.begin(), observers.end(),
                           [id](const Observer& o) { return o.id == id; });
    }
};

void NotificationCenter::Observation::reset() {
    if (auto registry = m_registry.lock(); registry && m_id != 0)
        registry->remove(m_id);
    m_registry.reset();
    m_id = 0;
}

NotificationCenter::NotificationCenter() : m_registry(std::make_shared<Registry>()) {}

NotificationCenter& NotificationCenter::shared() {
    static NotificationCenter center;
    return center;
}

NotificationCenter::Observation NotificationCenter::addObserver(std::string_view name,
                                                                std::function<void()> handler) {
    const auto id = m_registry->nextId++;
    m_registry->observers.push_back(
        {id, std::string(name), std::make_shared<std::function<void()>>(std::move(handler))});
    return Observation(m_registry, id);
}

void NotificationCenter::post(std::string_view name) {
    // Observers may add or remove observers while being called.
    std::vector<std::pair<std::uint64_t, std::shared_ptr<std::function<void()>>>> targets;
    for (const auto& observer : m_registry->observers)
        if (observer.name == name)
            targets.emplace_back(observer.id, observer.handler);
    for (const auto& [id, handler] : targets)
        if (m_registry->contains(id))
            (*handler)();
}

} // namespace ks
