#include "ui/daily_time_text.h"

#include "engine/daily_time.h"

namespace ks {

namespace {

constexpr std::int64_t kMinutesPerDay = 24 * 60;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string digitsOf(std::string_view text) {
    std::string digits;
    for (char c : text)
        if (isDigit(c))
            digits += c;
    return digits;
}

// Digits alone: the first two are the hours.
std::string fromDigits(std::string digits, bool deleting) {
    if (digits.size() > 4)
        digits.resize(4);
    if (digits.size() > 2)
        return digits.substr(0, 2) + ':' + digits.substr(2);
    if (digits.size() == 2 && !deleting)
        return digits + ':';
    return digits;
}

} // namespace

std::string dailyTimeText(std::int64_t minutes) {
    return dailyTimeLabel(minutes);
}

std::string normalizedDailyTimeText(std::string_view typed, std::size_t lastCount) {
    const bool deleting = typed.size() < lastCount;
    const std::size_t colon = typed.find(':');
    if (colon == std::string_view::npos)
        return fromDigits(digitsOf(typed), deleting);
    const std::string hours = digitsOf(typed.substr(0, colon));
    // A colon after no hours or after too many says nothing about where the hours end.
    if (hours.empty() || hours.size() > 2)
        return fromDigits(digitsOf(typed), deleting);
    std::string minutes = digitsOf(typed.substr(colon + 1));
    if (minutes.size() > 2)
        minutes.resize(2);
    // Deleting the hours' first digit leaves "7:30" as it is rather than putting a 0 back.
    if (hours.size() == 1 && deleting)
        return hours + ':' + minutes;
    return (hours.size() == 1 ? "0" + hours : hours) + ':' + minutes;
}

std::int64_t steppedDailyMinutes(std::int64_t minutes, int halfHours) {
    // Folded before adding, so no stored value overflows.
    const std::int64_t step = (static_cast<std::int64_t>(halfHours) * 30) % kMinutesPerDay;
    const std::int64_t folded = (minutes % kMinutesPerDay + step) % kMinutesPerDay;
    return folded < 0 ? folded + kMinutesPerDay : folded;
}

} // namespace ks
