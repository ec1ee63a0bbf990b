#pragma once

#include "base/property_list.h"

#include <plist/plist.h>

#include <cstdio>
#include <map>
#include <string>

namespace ks::test {

// A property-list tree as one line of text, so that a test states a whole store at once:
// {key=value,…} with keys sorted, […], "string", integers, reals to 17 digits, dates as Unix
// seconds (@…), and data as <tree> when it is itself a property list, else <N bytes>.
inline std::string plistText(const void* node) {
    const auto n = static_cast<plist_t>(const_cast<void*>(node));
    if (!n)
        return "null";
    char buffer[64];
    switch (plist_get_node_type(n)) {
    case PLIST_DICT: {
        std::map<std::string, std::string> items;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(n, &it);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(n, it, &key, &value);
            if (!value) {
                std::free(key);
                break;
            }
            items[key] = plistText(value);
            std::free(key);
        }
        std::free(it);
        std::string text = "{";
        for (const auto& [key, value] : items)
            text += (text.size() > 1 ? "," : "") + key + "=" + value;
        return text + "}";
    }
    case PLIST_ARRAY: {
        std::string text = "[";
        for (std::uint32_t i = 0; i < plist_array_get_size(n); ++i)
            text += (i ? "," : "") + plistText(plist_array_get_item(n, i));
        return text + "]";
    }
    case PLIST_STRING: {
        std::uint64_t length = 0;
        const char* s = plist_get_string_ptr(n, &length);
        return "\"" + std::string(s, length) + "\"";
    }
    case PLIST_UINT: {
        std::uint64_t value = 0;
        plist_get_uint_val(n, &value);
        return std::to_string(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(n, &value);
        std::snprintf(buffer, sizeof buffer, "%.17g", value);
        return buffer;
    }
    case PLIST_BOOLEAN: {
        std::uint8_t value = 0;
        plist_get_bool_val(n, &value);
        return value ? "true" : "false";
    }
    case PLIST_DATE: {
        std::int32_t sec = 0, usec = 0;
        plist_get_date_val(n, &sec, &usec);
        std::snprintf(buffer, sizeof buffer, "@%lld.%06d", 978307200LL + sec, usec);
        return buffer;
    }
    case PLIST_DATA: {
        std::uint64_t length = 0;
        const char* data = plist_get_data_ptr(n, &length);
        const ByteView bytes(reinterpret_cast<const std::uint8_t*>(data), length);
        if (const auto inner = parsePropertyList(bytes))
            return "<" + plistText(inner.get()) + ">";
        return "<" + std::to_string(length) + " bytes>";
    }
    default:
        return "?";
    }
}

inline std::string real(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

} // namespace ks::test
