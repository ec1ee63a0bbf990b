#pragma once

#include "base/clock.h"

#include <functional>
#include <optional>
#include <string>

namespace ks {

// What decides the menu's countdown row.
struct CountdownInputs {
    bool paused = false;
    bool pauseOnBattery = false;
    bool onBattery = false;
    double intervalSeconds = 0;
    std::optional<SysTime> nextChange;
    SysTime now;
    // The time of day of a date in the locale's short style, without seconds.
    std::function<std::string(SysTime)> shortTime;
};

// The row's text; empty when the row is hidden.
std::string countdownText(const CountdownInputs& inputs);

// "14:05" in the local time zone: the short style where no locale says otherwise.
std::string twentyFourHourTime(SysTime date);

} // namespace ks
