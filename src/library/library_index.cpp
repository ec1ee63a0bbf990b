#include "library/library_index.h"

#include "base/json_fields.h"

#include <algorithm>
#include <cstdint>

namespace ks {

namespace {

using json::Json;
using json::optionalString;
using json::requiredArray;
using json::requiredBool;
using json::requiredString;

std::optional<Wallpaper> parseWallpaper(const Json& record, const std::string& packID) {
    if (!record.is_object())
        return std::nullopt;
    auto fileName = requiredString(record, "fileName");
    auto variant = requiredString(record, "variant");
    auto blob = requiredString(record, "blob");
    if (!fileName || !variant || !blob)
        return std::nullopt;
    return Wallpaper{packID, std::move(*fileName), variantFromIndex(*variant), std::move(*blob)};
}

std::optional<Pack> parsePack(const Json& record) {
    if (!record.is_object())
        return std::nullopt;
    auto id = requiredString(record, "id");
    auto displayName = requiredString(record, "displayName");
    const auto hasVariants = requiredBool(record, "hasVariants");
    auto cover = optionalString(record, "coverFileName");
    const Json* wallpapers = requiredArray(record, "wallpapers");
    if (!id || !displayName || !hasVariants || !cover || !wallpapers)
        return std::nullopt;
    Pack pack{std::move(*id), std::move(*displayName), {}, *hasVariants, std::move(*cover)};
    pack.wallpapers.reserve(wallpapers->size());
    for (const auto& item : *wallpapers) {
        auto wallpaper = parseWallpaper(item, pack.id);
        if (!wallpaper)
            return std::nullopt;
        pack.wallpapers.push_back(std::move(*wallpaper));
    }
    return pack;
}

std::optional<std::vector<Pack>> parsePacks(const Json& root) {
    if (!root.is_object())
        return std::nullopt;
    const Json* records = requiredArray(root, "packs");
    if (!records)
        return std::nullopt;
    std::vector<Pack> packs;
    packs.reserve(records->size());
    for (const auto& record : *records) {
        auto pack = parsePack(record);
        if (!pack)
            return std::nullopt;
        packs.push_back(std::move(*pack));
    }
    return packs;
}

Json wallpaperJson(const Wallpaper& wallpaper) {
    return Json{{"fileName", wallpaper.fileName},
                {"variant", std::string(toString(wallpaper.variant))},
                {"blob", wallpaper.blob}};
}

Json packJson(const Pack& pack) {
    Json wallpapers = Json::array();
    for (const auto& wallpaper : pack.wallpapers)
        wallpapers.push_back(wallpaperJson(wallpaper));
    Json record{{"id", pack.id},
                {"displayName", pack.displayName},
                {"hasVariants", pack.hasVariants},
                {"wallpapers", std::move(wallpapers)}};
    if (pack.coverFileName)
        record["coverFileName"] = *pack.coverFileName;
    return record;
}

} // namespace

std::optional<std::vector<Pack>> parseLibraryIndex(ByteView document) {
    // The parser takes a raw NUL byte for the end of the input and would accept whatever
    // garbage follows it; valid JSON never holds one (inside strings it is written \u0000).
    if (std::ranges::find(document, std::uint8_t{0}) != document.end())
        return std::nullopt;
    try {
        // No exceptions from the parser itself: garbage, truncation and invalid UTF-8 all
        // come back as a discarded value.
        const Json root = Json::parse(document.begin(), document.end(), nullptr, false);
        if (root.is_discarded())
            return std::nullopt;
        return parsePacks(root);
    } catch (const std::exception&) {
        // Running out of memory on a huge document is the only way left to get here.
        return std::nullopt;
    }
}

std::string serializeLibraryIndex(const std::vector<Pack>& packs) {
    Json packsJson = Json::array();
    for (const auto& pack : packs)
        packsJson.push_back(packJson(pack));
    const Json root{{"packs", std::move(packsJson)}};
    // JSON cannot carry invalid UTF-8; replacing it beats throwing out of the writer.
    return root.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

} // namespace ks
