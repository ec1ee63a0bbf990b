#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ks {

// The daily time field's text of minutes after midnight: "07:30".
std::string dailyTimeText(std::int64_t minutes);

// What the field shows after an edit turned its text into `typed`: digits only, at most
// "HH:MM", a colon after the hours. A colon the user typed after one digit ("7:3") marks the
// hours ("07:3"). `lastCount` is the text's length before the edit; a shorter text is a
// deletion, which adds no colon, so backspacing over the colon removes it.
std::string normalizedDailyTimeText(std::string_view typed, std::size_t lastCount);

// `minutes` moved by `halfHours` half hours, folded into one day.
std::int64_t steppedDailyMinutes(std::int64_t minutes, int halfHours);

} // namespace ks
