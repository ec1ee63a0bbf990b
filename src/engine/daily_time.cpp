#include "engine/daily_time.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <limits>
#include <vector>

namespace ks {

namespace {

// UTF-8 forms of the Unicode white space characters beyond ASCII: U+0085, U+00A0, U+1680,
// U+2000..U+200A, U+2028, U+2029, U+202F, U+205F and U+3000.
std::size_t unicodeSpaceLength(std::string_view text) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (text.size() >= 2 && byte(0) == 0xC2 && (byte(1) == 0x85 || byte(1) == 0xA0))
        return 2;
    if (text.size() < 3)
        return 0;
    const unsigned b0 = byte(0), b1 = byte(1), b2 = byte(2);
    if (b0 == 0xE1 && b1 == 0x9A && b2 == 0x80)
        return 3;
    if (b0 == 0xE2 && b1 == 0x80 &&
        ((b2 >= 0x80 && b2 <= 0x8A) || b2 == 0xA8 || b2 == 0xA9 || b2 == 0xAF))
        return 3;
    if (b0 == 0xE2 && b1 == 0x81 && b2 == 0x9F)
        return 3;
    if (b0 == 0xE3 && b1 == 0x80 && b2 == 0x80)
        return 3;
    return 0;
}

bool isAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Lower-case ASCII letters only: no other character lower-cases into one this parser
// reads ("a", "p", "m", "h"), so the result is the same as full Unicode lower-casing.
std::string compacted(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (isAsciiSpace(text[i])) {
            ++i;
        } else if (const std::size_t skip = unicodeSpaceLength(text.substr(i))) {
            i += skip;
        } else {
            const char c = text[i++];
            out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
        }
    }
    return out;
}

bool removeSuffix(std::string_view& text, std::string_view suffix) {
    if (text.size() < suffix.size() || text.substr(text.size() - suffix.size()) != suffix)
        return false;
    text.remove_suffix(suffix.size());
    return true;
}

// An optional sign and one or more ASCII digits; none when anything else is there or the
// value does not fit.
std::optional<std::int64_t> decimalInteger(std::string_view piece) {
    bool negative = false;
    if (!piece.empty() && (piece.front() == '+' || piece.front() == '-')) {
        negative = piece.front() == '-';
        piece.remove_prefix(1);
    }
    if (piece.empty())
        return std::nullopt;
    constexpr std::uint64_t limit = std::numeric_limits<std::int64_t>::max();
    std::uint64_t value = 0;
    for (const char c : piece) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (limit + (negative ? 1 : 0) - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    if (negative)
        return value == limit + 1 ? std::numeric_limits<std::int64_t>::min()
                                  : -static_cast<std::int64_t>(value);
    return static_cast<std::int64_t>(value);
}

} // namespace

std::optional<int> parseDailyTime(std::string_view text) {
    const std::string compact = compacted(text);
    std::string_view rest = compact;

    enum class Meridiem { none, morning, afternoon };
    Meridiem meridiem = Meridiem::none;
    if (removeSuffix(rest, "pm"))
        meridiem = Meridiem::afternoon;
    else if (removeSuffix(rest, "am"))
        meridiem = Meridiem::morning;
    else if (removeSuffix(rest, "p"))
        meridiem = Meridiem::afternoon;
    else if (removeSuffix(rest, "a"))
        meridiem = Meridiem::morning;

    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= rest.size(); ++i) {
        if (i == rest.size() || rest[i] == ':' || rest[i] == '.' || rest[i] == 'h') {
            if (i > start)
                pieces.push_back(rest.substr(start, i - start));
            // Three pieces already make the text invalid; no need to keep splitting.
            if (pieces.size() > 2)
                return std::nullopt;
            start = i + 1;
        }
    }

    std::int64_t hour = 0;
    std::int64_t minute = 0;
    if (pieces.size() == 1) {
        const auto n = decimalInteger(pieces[0]);
        if (!n)
            return std::nullopt;
        if (pieces[0].size() >= 3) {
            hour = *n / 100;
            minute = *n % 100;
        } else {
            hour = *n;
        }
    } else if (pieces.size() == 2) {
        const auto h = decimalInteger(pieces[0]);
        const auto m = decimalInteger(pieces[1]);
        if (!h || !m || pieces[1].size() >= 3)
            return std::nullopt;
        hour = *h;
        minute = *m;
    } else {
        return std::nullopt;
    }

    if (meridiem != Meridiem::none) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        if (hour == 12)
            hour = 0;
        if (meridiem == Meridiem::afternoon)
            hour += 12;
    }
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59)
        return std::nullopt;
    return static_cast<int>(hour * 60 + minute);
}

std::string dailyTimeLabel(std::int64_t minutes) {
    std::array<char, 64> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%02" PRId64 ":%02" PRId64, minutes / 60,
                  minutes % 60);
    return buffer.data();
}

namespace {

using LocalSeconds = std::int64_t; // seconds of a wall-clock reading, as if it were UTC

// The local clock's offset from UTC at `instant`; none when the instant cannot be converted.
std::optional<std::int64_t> offsetAt(std::int64_t instant) {
    if (instant < std::numeric_limits<std::time_t>::min() ||
        instant > std::numeric_limits<std::time_t>::max())
        return std::nullopt;
    const auto t = static_cast<std::time_t>(instant);
    std::tm local{};
    if (!localtime_r(&t, &local))
        return std::nullopt;
    return local.tm_gmtoff;
}

std::optional<LocalSeconds> wallClockAt(std::int64_t instant) {
    const auto offset = offsetAt(instant);
    if (!offset)
        return std::nullopt;
    return instant + *offset;
}

// The first instant at which the local clock shows `wall`; when the clock skips over it,
// the instant the skip ends.
std::optional<std::int64_t> firstInstantShowing(LocalSeconds wall) {
    constexpr std::int64_t day = 86'400;
    // Offsets in force a day either side cover the transitions of any real zone.
    std::vector<std::int64_t> candidates;
    for (const std::int64_t probe : {wall - day, wall, wall + day}) {
        const auto offset = offsetAt(probe);
        if (!offset)
            return std::nullopt;
        candidates.push_back(wall - *offset);
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

    std::optional<std::int64_t> before; // latest candidate whose clock reads earlier
    std::optional<std::int64_t> after;  // earliest candidate whose clock reads later
    for (const std::int64_t candidate : candidates) {
        const auto shown = wallClockAt(candidate);
        if (!shown)
            return std::nullopt;
        if (*shown == wall)
            return candidate;
        if (*shown < wall)
            before = candidate;
        else if (!after)
            after = candidate;
    }
    if (!before || !after || *before > *after)
        return std::nullopt;
    // Skipped: the clock jumps over `wall` between the two; find the second it lands.
    std::int64_t low = *before;
    std::int64_t high = *after;
    while (high - low > 1) {
        const std::int64_t middle = low + (high - low) / 2;
        const auto shown = wallClockAt(middle);
        if (!shown)
            return std::nullopt;
        (*shown >= wall ? high : low) = middle;
    }
    return high;
}

} // namespace

std::optional<SysTime> nextDailyDate(std::int64_t minutesAfterMidnight, SysTime now) {
    if (minutesAfterMidnight < 0 || minutesAfterMidnight > 24 * 60 - 1)
        return std::nullopt;
    // localtime_r need not look at TZ again; the zone may have changed since the last call.
    tzset();

    using namespace std::chrono;
    const std::int64_t nowSeconds = floor<seconds>(now).time_since_epoch().count();
    const auto nowWall = wallClockAt(nowSeconds);
    if (!nowWall)
        return std::nullopt;
    const sys_days today = floor<days>(sys_seconds(seconds(*nowWall)));
    const std::int64_t timeOfDay = minutesAfterMidnight * 60;
    const std::int64_t latest = duration_cast<seconds>(SysTime::duration::max()).count() - 1;
    const std::int64_t earliest = duration_cast<seconds>(SysTime::duration::min()).count() + 1;

    for (int offset = 0; offset <= 7; ++offset) {
        const sys_days date = today + days(offset);
        const LocalSeconds wall =
            duration_cast<seconds>(date.time_since_epoch()).count() + timeOfDay;
        const auto instant = firstInstantShowing(wall);
        if (!instant)
            continue;
        // The wall clock reaches beyond what a time point can hold near its ends.
        if (*instant > latest || *instant < earliest)
            return std::nullopt;
        const SysTime moment{duration_cast<SysTime::duration>(seconds(*instant))};
        if (moment > now)
            return moment;
    }
    return std::nullopt;
}

} // namespace ks
