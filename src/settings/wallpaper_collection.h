#pragma once

#include "base/bytes.h"

#include <optional>
#include <string>
#include <vector>

namespace ks {

// A named, ordered list of wallpaper keys made by the user. Keys keep the order they were
// added in and may repeat.
struct WallpaperCollection {
    std::string id;
    std::string name;
    std::vector<std::string> wallpapers;

    friend bool operator==(const WallpaperCollection&, const WallpaperCollection&) = default;
};

// The stored form: a JSON array of {"id", "name", "wallpapers"} objects. Text that is not
// valid UTF-8 is written with U+FFFD in its place, so one odd file name cannot cost the
// user every collection.
std::string encodeCollections(const std::vector<WallpaperCollection>& collections);

// Reads the stored form strictly: every element needs all three members with the right
// types (other members are ignored); anything else makes the whole document none.
std::optional<std::vector<WallpaperCollection>> decodeCollections(ByteView document);

} // namespace ks
