#pragma once

#include "library/pack.h"
#include "settings/wallpaper_collection.h"

#include <optional>
#include <string>
#include <string_view>

namespace ks {

class Library;

// A collection shown as if it were a pack, under an identifier no real pack can have.
inline constexpr std::string_view kFavoritesPackID = "__favorites__";
inline constexpr std::string_view kCollectionPackPrefix = "__collection__:";

std::string collectionPackID(std::string_view collectionID);
// The collection a pseudo-pack identifier names; none for a real pack's identifier.
std::optional<std::string> collectionIDFromPackID(std::string_view packID);
// The collection as a pack: its name, and the library's wallpapers it holds in library
// order (keys that left the library are skipped).
Pack collectionPack(const WallpaperCollection& collection, const Library& library);

} // namespace ks
