#include "settings/appearance_filter.h"

namespace ks {

std::string_view rawValue(AppearanceFilter filter) {
    switch (filter) {
    case AppearanceFilter::light:
        return "light";
    case AppearanceFilter::dark:
        return "dark";
    case AppearanceFilter::both:
        return "both";
    case AppearanceFilter::system:
        return "system";
    }
    return "system";
}

std::string_view label(AppearanceFilter filter) {
    switch (filter) {
    case AppearanceFilter::light:
        return "Light";
    case AppearanceFilter::dark:
        return "Dark";
    case AppearanceFilter::both:
        return "Light & Dark";
    case AppearanceFilter::system:
        return "Auto";
    }
    return "Auto";
}

std::optional<AppearanceFilter> appearanceFilterFromRaw(std::string_view raw) {
    for (const AppearanceFilter filter : kAllAppearanceFilters) {
        if (rawValue(filter) == raw)
            return filter;
    }
    return std::nullopt;
}

} // namespace ks
