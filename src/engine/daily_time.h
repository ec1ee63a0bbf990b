#pragma once

#include "base/clock.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ks {

// A typed daily time ("8", "8pm", "7:05", "7h05", "0930", "2:30 p", ...) as minutes after
// midnight, 0 to 1439; none for anything else. Letters are compared without case and
// whitespace is ignored wherever it stands, Unicode spaces included.
std::optional<int> parseDailyTime(std::string_view text);

// "HH:MM" of minutes after midnight. A value outside a day is shown as it is ("24:00",
// "00:-5"), never folded into a day, so the label of a damaged value does not parse back
// into a different, valid time.
std::string dailyTimeLabel(std::int64_t minutes);

// The first moment strictly after `now` at which the local clock (process time zone, TZ
// honoured on every call) shows the given minutes after midnight, second 0. A time the clock
// skips that day gives the moment the skip ends; a time it shows twice counts at its first
// showing only. None for minutes outside 0..1439 or when the clock cannot be read.
std::optional<SysTime> nextDailyDate(std::int64_t minutesAfterMidnight, SysTime now);

} // namespace ks
