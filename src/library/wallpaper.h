#pragma once

#include "base/bytes.h"
#include "library/variant.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace ks {

struct Pack;

// One picture of the catalogue: an immutable value, copied freely into background work.
struct Wallpaper {
    std::string packID;
    std::string fileName;
    Variant variant = Variant::neutral;
    std::string blob;

    // "<packID>/<fileName>", nothing escaped: the wallpaper's identity in every setting.
    std::string key() const;
    // The file name without its last extension.
    std::string displayName() const;
    // The name shown in the menu: the pack's name, a number or the remaining words, and the
    // variant and flip tags.
    std::string title(const Pack& pack) const;

    // Where its blob is, downloaded or shipped; none when it is in neither place.
    std::optional<std::filesystem::path> blobURL() const;
    // The blob's whole content; none when it is missing or unreadable.
    std::optional<Bytes> imageData() const;

    friend bool operator==(const Wallpaper&, const Wallpaper&) = default;
};

} // namespace ks

template <> struct std::hash<ks::Wallpaper> {
    std::size_t operator()(const ks::Wallpaper& w) const noexcept;
};
