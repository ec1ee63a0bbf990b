#pragma once

#include "library/pack.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace ks {

inline constexpr std::string_view kLibraryUnreadableLog =
    "Library: could not read the embedded wallpaper library";

// The catalogue of packs, read once from the index in the resources.
class Library {
public:
    using ResourcesLocator = std::function<std::optional<std::filesystem::path>()>;

    // Reads nothing; `packs` stays empty until `rescan`.
    Library();
    explicit Library(ResourcesLocator locateResources);

    // Replaces `packs` with the index's content, or with nothing (and a log line) when the
    // index cannot be read whole.
    void rescan();

    const std::vector<Pack>& packs() const { return m_packs; }
    // Every pack's wallpapers, in catalogue order.
    std::vector<Wallpaper> allWallpapers() const;
    std::optional<Wallpaper> wallpaper(std::string_view key) const;
    std::optional<Pack> pack(std::string_view id) const;

private:
    ResourcesLocator m_locateResources;
    std::vector<Pack> m_packs;
};

} // namespace ks
