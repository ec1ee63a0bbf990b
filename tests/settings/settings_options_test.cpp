#include "settings/appearance_filter.h"
#include "settings/duration_option.h"
#include "settings/transition_option.h"

#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace ks {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(SettingsOptions, AppearanceRawValuesParseExactly) {
    std::vector<std::string_view> labels;
    for (const AppearanceFilter filter : kAllAppearanceFilters) {
        EXPECT_EQ(appearanceFilterFromRaw(rawValue(filter)), filter);
        labels.push_back(label(filter));
    }
    EXPECT_EQ(labels, (std::vector<std::string_view>{"Light", "Dark", "Light & Dark", "Auto"}));
    for (const char* raw : {"Light", " light", "", "auto"})
        EXPECT_EQ(appearanceFilterFromRaw(raw), std::nullopt) << raw;
}

TEST(SettingsOptions, DurationAndTransitionLabels) {
    const std::vector<std::pair<double, std::string>> durations{{-3, "Daily at\xE2\x80\xA6"},
                                                                {10800, "3 hours"},
                                                                {120, "120 sec"},
                                                                {45.7, "45 sec"},
                                                                {-0.5, "0 sec"},
                                                                {1e20, "100000000000000000000 sec"},
                                                                {kNaN, "nan sec"},
                                                                {-kInf, "-inf sec"}};
    for (const auto& [value, expected] : durations)
        EXPECT_EQ(DurationOption::label(value), expected) << value;
    EXPECT_EQ(DurationOption::label(std::numeric_limits<double>::max()).size(), 309u + 4u);

    // Transition labels keep one digit after the point.
    const std::vector<std::pair<double, std::string>> transitions{
        {0, "Off"},
        {1, "1 sec"},
        {2.5, "2.5 sec"},
        {4, "4.0 sec"},
        {0.1 + 0.2, "0.30000000000000004 sec"},
        {-7, "-7.0 sec"},
        {1e16, "1.0e+16 sec"},
        {1.5e-7, "1.5e-07 sec"},
        {kNaN, "nan sec"},
        {kInf, "inf sec"}};
    for (const auto& [value, expected] : transitions)
        EXPECT_EQ(TransitionOption::label(value), expected) << value;
}

} // namespace
} // namespace ks
