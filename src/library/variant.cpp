#include "library/variant.h"

namespace ks {

std::string_view toString(Variant variant) {
    switch (variant) {
    case Variant::light:
        return "light";
    case Variant::dark:
        return "dark";
    case Variant::neutral:
        break;
    }
    return "neutral";
}

std::optional<Variant> variantFromString(std::string_view text) {
    if (text == "light")
        return Variant::light;
    if (text == "dark")
        return Variant::dark;
    if (text == "neutral")
        return Variant::neutral;
    return std::nullopt;
}

Variant variantFromIndex(std::string_view text) {
    return variantFromString(text).value_or(Variant::neutral);
}

} // namespace ks
