#include "engine/wallpaper_file_cache.h"

#include "base/file_io.h"
#include "base/locations.h"
#include "library/picture_probe.h"
#include "library/vault.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace ks {

namespace fs = std::filesystem;

fs::path WallpaperFileCache::defaultFolder() {
    return Locations::applicationSupportDir() / ".cache";
}

std::string WallpaperFileCache::fileName(const Wallpaper& w) {
    std::string extension = fs::path(w.fileName).extension().string();
    if (!extension.empty())
        extension.erase(0, 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return "d" + Vault::blobName(w.key()).substr(0, 20) + "." + extension;
}

bool WallpaperFileCache::folderIsOurs() const {
    // A link in place of the folder could point at the user's own pictures, which the
    // cleanup would then delete.
    std::error_code error;
    const auto status = fs::symlink_status(m_folder, error);
    return !error && fs::is_directory(status);
}

std::optional<WallpaperFileCache::Entry> WallpaperFileCache::write(const Wallpaper& w) const {
    const fs::path target = m_folder / fileName(w);
    auto url = FileUrl::fromPath(target);
    auto bytes = w.imageData();
    if (!url || !bytes || !holdsPicture(*bytes))
        return std::nullopt;
    std::error_code error;
    if (!fs::exists(m_folder, error))
        fs::create_directories(m_folder, error);
    if (!folderIsOurs())
        return std::nullopt;
    // The name depends only on the key, so a file already there holds these very bytes.
    if (fs::is_regular_file(fs::symlink_status(target, error)))
        return Entry{std::move(*url), std::move(*bytes)};
    if (!replaceFileAtomically(target, *bytes))
        return std::nullopt;
    return Entry{std::move(*url), std::move(*bytes)};
}

void WallpaperFileCache::cleanup(const std::set<std::string>& keeping) const {
    if (!folderIsOurs())
        return;
    std::error_code error;
    fs::directory_iterator entries(m_folder, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const fs::path& entry = entries->path();
        if (keeping.count(entry.filename().string()))
            continue;
        std::error_code ignored;
        // remove_all removes a link itself, not what it points at.
        fs::remove_all(entry, ignored);
    }
}

bool WallpaperFileCache::contains(const fs::path& path) const {
    const auto folder = m_folder.lexically_normal().string();
    const auto candidate = path.lexically_normal().string();
    return candidate.size() > folder.size() && candidate.starts_with(folder) &&
           candidate[folder.size()] == '/';
}

} // namespace ks
