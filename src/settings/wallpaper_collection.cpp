#include "settings/wallpaper_collection.h"

#include "base/json_fields.h"

namespace ks {

namespace {

using json::Json;
using json::requiredString;
using json::requiredStrings;

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
