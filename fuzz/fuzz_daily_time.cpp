#include "engine/daily_time.h"

#include <cstdlib>
#include <string_view>

// Whatever the text, the parser answers with a time of day or nothing; and the label of what
// it accepts reads back as the same time.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto minutes =
        ks::parseDailyTime(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!minutes)
        return 0;
    if (*minutes < 0 || *minutes > 1439 ||
        ks::parseDailyTime(ks::dailyTimeLabel(*minutes)) != minutes)
        std::abort();
    return 0;
}
