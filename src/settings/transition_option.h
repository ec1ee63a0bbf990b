#pragma once

#include <span>
#include <string>
#include <string_view>

namespace ks {

// One choice of cross-fade length; 0 is no fade.
class TransitionOption {
public:
    constexpr TransitionOption(double seconds, std::string_view label)
        : m_seconds(seconds), m_label(label) {}

    constexpr double seconds() const { return m_seconds; }
    constexpr std::string_view label() const { return m_label; }

    // The choices offered, shortest first.
    static std::span<const TransitionOption> all();
    // The label of the first choice of `all` with exactly these seconds; otherwise the
    // shortest decimal form with at least one digit after the point, followed by " sec".
    static std::string label(double seconds);

private:
    double m_seconds;
    std::string_view m_label;
};

} // namespace ks
