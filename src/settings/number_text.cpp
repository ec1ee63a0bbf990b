#include "settings/number_text.h"

#include <array>
#include <charconv>
#include <cmath>

namespace ks {

namespace {

std::string nonFiniteText(double value) {
    if (std::isnan(value))
        return "nan";
    return value < 0 ? "-inf" : "inf";
}

} // namespace

std::string wholeNumberText(double value) {
    if (!std::isfinite(value))
        return nonFiniteText(value);
    // Formatting the truncated double itself, rather than converting it to an integer type,
    // keeps values beyond any integer's range defined. Adding zero turns -0 into 0.
    const double whole = std::trunc(value) + 0.0;
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), whole,
                                      std::chars_format::fixed, 0);
    return std::string(buffer.data(), result.ptr);
}

std::string shortestDecimalText(double value) {
    if (!std::isfinite(value))
        return nonFiniteText(value);
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    std::string text(buffer.data(), result.ptr);
    const auto exponent = text.find('e');
    const auto mantissaEnd = exponent == std::string::npos ? text.size() : exponent;
    if (text.find('.') == std::string::npos)
        text.insert(mantissaEnd, ".0");
    return text;
}

} // namespace ks
