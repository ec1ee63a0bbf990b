#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ks {

// The application's notification names.
inline constexpr std::string_view kContentChanged = "ksContentChanged";
inline constexpr std::string_view kTimingChanged = "ksTimingChanged";
inline constexpr std::string_view kSystemDidWake = "systemDidWake";
inline constexpr std::string_view kActiveSpaceChanged = "activeSpaceDidChange";
inline constexpr std::string_view kScreenParametersChanged = "screenParametersDidChange";
inline constexpr std::string_view kSystemClockChanged = "systemClockDidChange";
inline constexpr std::string_view kSystemTimeZoneChanged = "systemTimeZoneDidChange";
inline constexpr std::string_view kAppearanceChanged = "appearanceDidChange";

// Named notifications without payload, delivered synchronously on the main thread.
class NotificationCenter {
public:
    struct Registry;

    // Keeps an observer registered; dropping it removes the observer.
    class Observation {
    public:
        Observation() = default;
        Observation(std::weak_ptr<Registry> registry, std::uint64_t id)
            : m_registry(std::move(registry)), m_id(id) {}
        Observation(Observation&& other) noexcept
            : m_registry(std::move(other.m_registry)), m_id(std::exchange(other.m_id, 0)) {}
        Observation& operator=(Observation&& other) noexcept {
            if (this != &other) {
                reset();
                m_registry = std::move(other.m_registry);
                m_id = std::exchange(other.m_id, 0);
            }
            return *this;
        }
        Observation(const Observation&) = delete;
        Observation& operator=(const Observation&) = delete;
        ~Observation() { reset(); }
        void reset();

    private:
        std::weak_ptr<Registry> m_registry;
        std::uint64_t m_id = 0;
    };

    NotificationCenter();

    // The application's default centre.
    static NotificationCenter& shared();

    [[nodiscard]] Observation addObserver(std::string_view name, std::function<void()> handler);
    // Calls every observer of `name` registered when the post starts and still registered
    // when its turn comes, in registration order.
    void post(std::string_view name);

private:
    std::shared_ptr<Registry> m_registry;
};

} // namespace ks
