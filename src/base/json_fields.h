#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

// Strict readers of one member of a JSON object, shared by every document we read from disk:
// each answers none for a missing member or a value of the wrong type, so that one bad
// record makes its whole document unreadable instead of half-read.
namespace ks::json {

using Json = nlohmann::json;

inline const Json* member(const Json& object, const char* key) {
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

inline std::optional<std::string> requiredString(const Json& object, const char* key) {
    const Json* value = member(object, key);
    if (!value || !value->is_string())
        return std::nullopt;
    return value->get<std::string>();
}

inline std::optional<bool> requiredBool(const Json& object, const char* key) {
    const Json* value = member(object, key);
    if (!value || !value->is_boolean())
        return std::nullopt;
    return value->get<bool>();
}

inline const Json* requiredArray(const Json& object, const char* key) {
    const Json* value = member(object, key);
    return value && value->is_array() ? value : nullptr;
}

inline std::optional<std::vector<std::string>> requiredStrings(const Json& object,
                                                               const char* key) {
    const Json* array = requiredArray(object, key);
    if (!array)
        return std::nullopt;
    std::vector<std::string> strings;
    strings.reserve(array->size());
    for (const Json& element : *array) {
        if (!element.is_string())
            return std::nullopt;
        strings.push_back(element.get<std::string>());
    }
    return strings;
}

// Absent and null both mean "no value"; the outer optional is the failure.
inline std::optional<std::optional<std::string>> optionalString(const Json& object,
                                                                const char* key) {
    const Json* value = member(object, key);
    if (!value || value->is_null())
        return std::optional<std::string>{};
    if (!value->is_string())
        return std::nullopt;
    return std::optional<std::string>{value->get<std::string>()};
}

} // namespace ks::json
