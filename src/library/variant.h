#pragma once

#include <optional>
#include <string_view>

namespace ks {

enum class Variant { light, dark, neutral };

// "light", "dark" or "neutral".
std::string_view toString(Variant variant);
// Succeeds only for the three exact, lower-case names.
std::optional<Variant> variantFromString(std::string_view text);
// The index's rule: "light" and "dark" (exactly) give those; any other text gives neutral.
Variant variantFromIndex(std::string_view text);

} // namespace ks
