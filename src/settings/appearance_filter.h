#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace ks {

// Which variants of the packs rotate. `system` follows the desktop's current appearance;
// the engine resolves it.
enum class AppearanceFilter { light, dark, both, system };

inline constexpr std::array<AppearanceFilter, 4> kAllAppearanceFilters{
    AppearanceFilter::light, AppearanceFilter::dark, AppearanceFilter::both,
    AppearanceFilter::system};

// The stored form.
std::string_view rawValue(AppearanceFilter filter);
std::string_view label(AppearanceFilter filter);
// Exactly one of the four raw values, nothing else (no trimming, no case folding).
std::optional<AppearanceFilter> appearanceFilterFromRaw(std::string_view raw);

} // namespace ks
