#include "settings/transition_option.h"

#include "settings/number_text.h"

#include <array>

namespace ks {

namespace {

constexpr std::array<TransitionOption, 6> kAll{{
    {0, "Off"},
    {0.5, "0.5 sec"},
    {1, "1 sec"},
    {1.5, "1.5 sec"},
    {2, "2 sec"},
    {3, "3 sec"},
}};

} // namespace

std::span<const TransitionOption> TransitionOption::all() {
    return kAll;
}

std::string TransitionOption::label(double seconds) {
    for (const TransitionOption& option : kAll) {
        if (option.seconds() == seconds)
            return std::string(option.label());
    }
    return shortestDecimalText(seconds) + " sec";
}

} // namespace ks
