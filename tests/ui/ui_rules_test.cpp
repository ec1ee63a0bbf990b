// The controls' rules without the toolkit: which step a value or a pointer picks, how typed
// text becomes "HH:MM", and half-hour steps across midnight.

#include "ui/daily_time_text.h"
#include "ui/step_slider_rules.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace ks {
namespace {

TEST(StepSliderRules, NearestStepPicksTheClosestAndTheEarlierOnATie) {
    const std::vector<double> steps{60, 300, 900, 3600};
    const struct {
        std::vector<double> steps;
        double value;
        int index;
    } cases[] = {
        {steps, 300, 1}, {steps, 301, 1}, {steps, 600, 1}, // halfway: the lower
        {steps, 601, 2}, {steps, -5, 0},  {steps, 1e9, 3},
        {{7}, 100, 0},   {{}, 3, 0},      {steps, std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nearestStepIndex(c.steps, c.value), c.index) << c.value;
}

TEST(StepSliderRules, PositionBeyondEitherEndPicksThatEnd) {
    // 200 wide, knob 18: centres run from 9 to 191, five steps 45.5 apart.
    const struct {
        double x;
        int index;
    } cases[] = {{-100, 0}, {0, 0}, {9, 0}, {31, 0}, {33, 1}, {100, 2}, {191, 4}, {500, 4}};
    for (const auto& c : cases)
        EXPECT_EQ(stepIndexAtPosition(c.x, 200, 18, 5), c.index) << c.x;
    EXPECT_EQ(stepIndexAtPosition(150, 200, 18, 1), 0);
    EXPECT_EQ(stepIndexAtPosition(150, 10, 18, 5), 0); // narrower than the knob
}

TEST(DailyTimeTextRules, TypedAndPastedTextBecomesHoursAndMinutes) {
    const struct {
        const char* typed;
        std::size_t lastCount;
        const char* shown;
    } cases[] =
        {
            {"0730", 0, "07:30"},  {"7:30", 0, "07:30"},     {" 07:3", 0, "07:3"},
            {"abc", 0, ""},        {"12345678", 0, "12:34"}, {"0", 5, "0"},
            {"07", 1, "07:"}, // the colon comes with the second digit
            {"07", 3, "07"},  // backspace over the colon takes it away
            {"073", 2, "07:3"},    {"07:305", 5, "07:30"},   {"07::", 3, "07:"},
            {"7:", 1, "07:"},      {"7:30", 5, "7:30"}, // deleting the first digit
            {"123:4", 4, "12:34"}, {"1a2b", 0, "12:"},
        };
    for (const auto& c : cases)
        EXPECT_EQ(normalizedDailyTimeText(c.typed, c.lastCount), c.shown)
            << '"' << c.typed << "\" after " << c.lastCount;
}

TEST(DailyTimeTextRules, HalfHourStepsWrapAroundMidnight) {
    const struct {
        std::int64_t minutes;
        int halfHours;
        std::int64_t stepped;
    } cases[] = {
        {15, -1, 1425}, {1425, 1, 15},  {450, 2, 510},
        {0, -49, 1410}, {2000, 1, 590}, {std::numeric_limits<std::int64_t>::max(), 1, 1117},
    };
    for (const auto& c : cases)
        EXPECT_EQ(steppedDailyMinutes(c.minutes, c.halfHours), c.stepped) << c.minutes;
    EXPECT_EQ(dailyTimeText(450), "07:30");
    EXPECT_EQ(dailyTimeText(5), "00:05");
}

} // namespace
} // namespace ks
