#include "main/countdown_text.h"

#include "settings/duration_option.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace ks {

std::string countdownText(const CountdownInputs& in) {
    if (in.paused)
        return "Rotation paused";
    if (in.pauseOnBattery && in.onBattery)
        return "Paused on battery";
    if (in.intervalSeconds == DurationOption::never)
        return "Stays until you change it";
    if (in.intervalSeconds == DurationOption::onWake)
        return "Changes when your computer wakes";
    if (!in.nextChange)
        return {};
    if (in.intervalSeconds == DurationOption::daily)
        return "Next change at " +
               (in.shortTime ? in.shortTime(*in.nextChange) : twentyFourHourTime(*in.nextChange));

    const double left = std::chrono::duration<double>(*in.nextChange - in.now).count();
    // A date decades away still prints; llround would be undefined past its range.
    const long long s = left > 0 ? static_cast<long long>(std::round(std::min(left, 1e15))) : 0;
    char text[64];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "Next in %lld:%02lld:%02lld", s / 3600, s % 3600 / 60,
                      s % 60);
    else
        std::snprintf(text, sizeof text, "Next in %lld:%02lld", s / 60, s % 60);
    return text;
}

std::string twentyFourHourTime(SysTime date) {
    const std::time_t t = std::chrono::system_clock::to_time_t(date);
    std::tm local{};
    localtime_r(&t, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M", &local);
    return text;
}

} // namespace ks
