#include "ui/daily_time_text.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

// The daily time field's text after any edit: at most "HH:MM", digits and one colon after the
// hours, and left as it is when nothing more is typed; and stepping any stored value by any
// number of half hours stays within one day.
// Input: one byte for the length before the edit, eight for a stored value, four for the
// steps, then the text as typed.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 13)
        return 0;
    const std::size_t lastCount = data[0];
    std::int64_t minutes = 0;
    std::int32_t halfHours = 0;
    std::memcpy(&minutes, data + 1, sizeof minutes);
    std::memcpy(&halfHours, data + 9, sizeof halfHours);
    const std::string_view typed(reinterpret_cast<const char*>(data + 13), size - 13);

    const std::string text = ks::normalizedDailyTimeText(typed, lastCount);
    if (text.size() > 5)
        std::abort();
    const std::size_t colon = text.find(':');
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i != colon && (text[i] < '0' || text[i] > '9'))
            std::abort();
    if (colon != std::string::npos && (colon == 0 || colon > 2 || text.size() - colon - 1 > 2))
        std::abort();
    const bool deleting = typed.size() < lastCount;
    if (ks::normalizedDailyTimeText(text, text.size() + (deleting ? 1 : 0)) != text)
        std::abort();

    const std::int64_t stepped = ks::steppedDailyMinutes(minutes, halfHours);
    if (stepped < 0 || stepped >= 24 * 60)
        std::abort();
    return 0;
}
