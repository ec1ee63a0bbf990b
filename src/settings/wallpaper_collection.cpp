#include "settings/wallpaper_collection.h"

#include <nlohmann/json.hpp>

namespace ks {

namespace {

using Json = nlohmann::json;

std::optional<std::string> requiredString(const Json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string())
        return std::nullopt;
    return it->get<std::string>();
}

std::optional<std::vector<std::string>> requiredStrings(const Json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_array())
        return std::nullopt;
    std::vector<std::string> strings;
    strings.reserve(it->size());
    for (const Json& element : *it) {
        if (!element.is_string())
            return std::nullopt;
        strings.push_back(element.get<std::string>());
    }
    return strings;
}

std::optional<WallpaperCollection> decodeOne(const Json& element) {
    if (!element.is_object())
        return std::nullopt;
    auto id = requiredString(element, "id");
    auto name = requiredString(element, "name");
    auto wallpapers = requiredStrings(element, "wallpapers");
    if (!id || !name || !wallpapers)
        return std::nullopt;
    return WallpaperCollection{std::move(*id), std::move(*name), std::move(*wallpapers)};
}

} // namespace

std::string encodeCollections(const std::vector<WallpaperCollection>& collections) {
    Json array = Json::array();
    for (const WallpaperCollection& collection : collections) {
        array.push_back(Json{{"id", collection.id},
                             {"name", collection.name},
                             {"wallpapers", collection.wallpapers}});
    }
    return array.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::optional<std::vector<WallpaperCollection>> decodeCollections(ByteView document) {
    const Json parsed = Json::parse(document.begin(), document.end(), nullptr, false);
    if (parsed.is_discarded() || !parsed.is_array())
        return std::nullopt;
    std::vector<WallpaperCollection> collections;
    collections.reserve(parsed.size());
    for (const Json& element : parsed) {
        auto collection = decodeOne(element);
        if (!collection)
            return std::nullopt;
        collections.push_back(std::move(*collection));
    }
    return collections;
}

} // namespace ks
