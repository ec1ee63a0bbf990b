#pragma once

#include <span>
#include <string>
#include <string_view>

namespace ks {

// One choice of how often the wallpaper changes. Negative values stand for modes rather
// than durations.
class DurationOption {
public:
    static constexpr double onWake = -1;
    static constexpr double never = -2;
    static constexpr double daily = -3;

    constexpr DurationOption(double seconds, std::string_view label)
        : m_seconds(seconds), m_label(label) {}

    constexpr double seconds() const { return m_seconds; }
    constexpr std::string_view label() const { return m_label; }

    // The choices offered, in menu order.
    static std::span<const DurationOption> all();
    // The label of the first choice of `all` with exactly these seconds; otherwise the whole
    // seconds followed by " sec".
    static std::string label(double seconds);

private:
    double m_seconds;
    std::string_view m_label;
};

} // namespace ks
