#include "engine/daily_time.h"

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ks {
namespace {

using namespace std::string_literals;

std::vector<std::string> split(std::string_view text, char separator) {
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find(separator, at), text.size());
        pieces.emplace_back(text.substr(at, end - at));
        at = end + 1;
    }
    return pieces;
}

TEST(ParseDailyTime, AcceptedWritings) {
    // "text=minutes|..."; the Unicode ones are no-break, ideographic, narrow no-break and
    // thin spaces, next line and line separator.
    const std::string cases = "8=480|8pm=1200|12am=0|12 PM=720|7:05=425|7.05=425|7h05=425|"
                              "0930=570|930=570|1430=870|2:30p=870|7:=420|23:59=1439|12a=0|"
                              "11:59pm=1439|7H=420|+8=480|-0=0|::7::=420| 8 : 3 0 =510|\t9\n=540|"
                              "8\u00A0pm=1200|\u30008\u202Fp\u2009m=1200|\u00858pm\u2028=1200";
    for (const std::string& item : split(cases, '|')) {
        const auto parts = split(item, '=');
        EXPECT_EQ(parseDailyTime(parts[0]), std::stoi(parts[1])) << '"' << parts[0] << '"';
    }
    EXPECT_EQ(parseDailyTime(std::string(10'000, '0') + "1:05"), 65);
}

TEST(ParseDailyTime, RejectedWritingsAndHostileInput) {
    // Past 64 bits must fail, not wrap: 18446744073709552330 is 2^64 + 714, that is 7:14.
    // Then digits of other scripts (fullwidth, Arabic-Indic, Devanagari, superscript),
    // fullwidth letters, a zero-width space and broken UTF-8.
    auto cases = split("13pm|0am|24:00|7:60|7:005|1:2:3||h|pm|  |-30|2400|8 a.m.|x8|7:-5|+|-|"
                       "+-8|1e2|8pa|18446744073709552330|-9223372036854775809|"
                       "-9223372036854775808|\uFF18|\u0668:00|\u096E|\u00B9\u00B2|"
                       "8\uFF50\uFF4D|8\u200Bpm|\xFF|8\xC2",
                       '|');
    for (const std::string& text :
         {std::string(10'000, '9'), "9:" + std::string(50, '0'), "8\0pm"s, "\0"s, "7:0\0"s})
        cases.push_back(text);
    for (const std::string& text : cases)
        EXPECT_EQ(parseDailyTime(text), std::nullopt) << '"' << text.substr(0, 40) << '"';
}

TEST(DailyTimeLabel, LabelsParseBackAndValuesOutsideADayDoNot) {
    EXPECT_EQ(dailyTimeLabel(0), "00:00");
    EXPECT_EQ(dailyTimeLabel(480), "08:00");
    EXPECT_EQ(dailyTimeLabel(1439), "23:59");
    for (int minutes = 0; minutes < 1440; ++minutes)
        ASSERT_EQ(parseDailyTime(dailyTimeLabel(minutes)), minutes) << minutes;
    const std::vector<std::pair<std::int64_t, std::string>> outside{
        {1440, "24:00"}, {-5, "00:-5"}, {-65, "-1:-5"}, {INT64_MIN, "-153722867280912930:-8"}};
    for (const auto& [minutes, label] : outside) {
        EXPECT_EQ(dailyTimeLabel(minutes), label);
        EXPECT_EQ(parseDailyTime(label), std::nullopt) << label;
    }
}

SysTime utc(const char* text) {
    std::tm parts{};
    EXPECT_NE(::strptime(text, "%Y-%m-%d %H:%M", &parts), nullptr) << text;
    return std::chrono::system_clock::from_time_t(::timegm(&parts));
}

struct DailyCase {
    const char* zone;
    std::int64_t minutes;
    const char* now;  // UTC
    const char* next; // UTC; nullptr for none
};

// 2024 clock changes: New York 10 Mar / 3 Nov, Lord Howe (half an hour) 5 Oct / 6 Apr,
// Santiago (at midnight) 8 Sep / 7 Apr.
const DailyCase kDailyCases[] = {
    {"UTC", 480, "2024-05-01 08:00", "2024-05-02 08:00"}, // at the time itself: tomorrow
    {"UTC", 480, "2024-05-01 07:59", "2024-05-01 08:00"},
    {"UTC", 0, "2024-12-31 23:59", "2025-01-01 00:00"},
    {"UTC", 1440, "2024-05-01 07:59", nullptr},
    {"UTC", -1, "2024-05-01 07:59", nullptr},
    {"Asia/Tokyo", 480, "2024-05-01 12:00", "2024-05-01 23:00"},
    // A skipped time fires when the clock lands.
    {"America/New_York", 150, "2024-03-10 05:00", "2024-03-10 07:00"},
    {"America/New_York", 150, "2024-03-10 07:00", "2024-03-11 06:30"},
    {"America/New_York", 119, "2024-03-10 05:00", "2024-03-10 06:59"},
    {"Australia/Lord_Howe", 135, "2024-10-05 12:00", "2024-10-05 15:30"},
    {"America/Santiago", 0, "2024-09-07 16:00", "2024-09-08 04:00"},
    // A repeated time fires at its first showing only.
    {"America/New_York", 90, "2024-11-03 04:00", "2024-11-03 05:30"},
    {"America/New_York", 90, "2024-11-03 05:30", "2024-11-04 06:30"},
    {"America/New_York", 90, "2024-11-03 06:10", "2024-11-04 06:30"},
    {"Australia/Lord_Howe", 105, "2024-04-06 12:00", "2024-04-06 14:45"},
    {"Australia/Lord_Howe", 105, "2024-04-06 15:00", "2024-04-07 15:15"},
    {"America/Santiago", 1410, "2024-04-07 03:10", "2024-04-08 03:30"},
};

TEST(NextDailyDate, LocalClockWithItsSkippedAndRepeatedTimes) {
    const char* saved = std::getenv("TZ");
    const std::optional<std::string> old = saved ? std::optional(std::string(saved)) : std::nullopt;
    for (const DailyCase& c : kDailyCases) {
        if (!std::filesystem::exists(std::filesystem::path("/usr/share/zoneinfo") / c.zone))
            continue; // Older time zone data may lack a zone.
        ::setenv("TZ", c.zone, 1);
        const auto expected = c.next ? std::optional(utc(c.next)) : std::nullopt;
        EXPECT_EQ(nextDailyDate(c.minutes, utc(c.now)), expected)
            << c.zone << " " << c.minutes << " after " << c.now;
    }
    ::setenv("TZ", "UTC", 1);
    using namespace std::chrono_literals;
    EXPECT_EQ(nextDailyDate(480, utc("2024-05-01 08:00") - 1ns), utc("2024-05-01 08:00"));
    EXPECT_EQ(nextDailyDate(480, utc("2024-05-01 08:00") + 1ns), utc("2024-05-02 08:00"));
    EXPECT_EQ(nextDailyDate(0, SysTime::max()), std::nullopt);
    old ? ::setenv("TZ", old->c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
}

} // namespace
} // namespace ks
