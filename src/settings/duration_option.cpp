#include "settings/duration_option.h"

#include "settings/number_text.h"

#include <array>
#include <cmath>

namespace ks {

namespace {

constexpr std::array<DurationOption, 11> kAll{{
    {30, "30 sec"},
    {60, "1 min"},
    {300, "5 min"},
    {900, "15 min"},
    {1800, "30 min"},
    {3600, "1 hour"},
    {10800, "3 hours"},
    {86400, "1 day"},
    {DurationOption::daily, "Daily at\u2026"},
    {DurationOption::onWake, "On wake"},
    {DurationOption::never, "Never"},
}};

} // namespace

std::span<const DurationOption> DurationOption::all() {
    return kAll;
}

std::string DurationOption::label(double seconds) {
    for (const DurationOption& option : kAll) {
        if (option.seconds() == seconds)
            return std::string(option.label());
    }
    return wholeNumberText(seconds) + " sec";
}

} // namespace ks
