#include "library/library.h"

#include "base/file_io.h"
#include "base/locations.h"
#include "base/log.h"
#include "library/library_index.h"
#include "library/vault.h"

#include <algorithm>

namespace ks {

namespace {
// Far beyond any real catalogue; a bigger file is not an index.
constexpr std::size_t kLargestIndex = std::size_t{64} << 20;
} // namespace

Library::Library() : Library(&Locations::resourcesDir) {}

Library::Library(ResourcesLocator locateResources)
    : m_locateResources(std::move(locateResources)) {}

void Library::rescan() {
    std::optional<std::vector<Pack>> packs;
    if (const auto resources = m_locateResources ? m_locateResources() : std::nullopt) {
        const auto index = *resources / Vault::libraryDirName / Vault::indexFileName;
        if (const auto document = readWholeFile(index, kLargestIndex))
            packs = parseLibraryIndex(*document);
    }
    if (!packs) {
        logLine(kLibraryUnreadableLog);
        m_packs.clear();
        return;
    }
    m_packs = std::move(*packs);
}

std::vector<Wallpaper> Library::allWallpapers() const {
    std::vector<Wallpaper> all;
    for (const auto& pack : m_packs)
        all.insert(all.end(), pack.wallpapers.begin(), pack.wallpapers.end());
    return all;
}

std::optional<Wallpaper> Library::wallpaper(std::string_view key) const {
    for (const auto& pack : m_packs) {
        for (const auto& wallpaper : pack.wallpapers) {
            if (wallpaper.key() == key)
                return wallpaper;
        }
    }
    return std::nullopt;
}

std::optional<Pack> Library::pack(std::string_view id) const {
    const auto it =
        std::find_if(m_packs.begin(), m_packs.end(), [&](const Pack& p) { return p.id == id; });
    if (it == m_packs.end())
        return std::nullopt;
    return *it;
}

} // namespace ks
