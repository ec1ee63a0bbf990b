#pragma once

#include "base/bytes.h"
#include "base/file_url.h"
#include "library/wallpaper.h"

#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace ks {

// The desktop takes picture files, while the library keeps its pictures as blobs: every
// wallpaper shown is written once into a private folder, under a name that depends only on
// its key, and the files no display shows any more are deleted after each change.
class WallpaperFileCache {
public:
    struct Entry {
        FileUrl url;
        Bytes bytes;
    };

    // `folder`: where the files go; made on demand.
    explicit WallpaperFileCache(std::filesystem::path folder) : m_folder(std::move(folder)) {}
    // "<application data>/.cache".
    static std::filesystem::path defaultFolder();

    const std::filesystem::path& folder() const { return m_folder; }

    // "d", the first 20 hex digits of the blob name of w's key, ".", w's extension in lower
    // case.
    static std::string fileName(const Wallpaper& w);

    // The file of w and the picture's bytes; written atomically unless it is there already.
    // None when w's bytes are missing or hold no picture, or the file cannot be written.
    std::optional<Entry> write(const Wallpaper& w) const;

    // Deletes every entry of the folder, hidden ones included, whose name is not in
    // `keeping`. Links are removed, never followed; a folder that is itself a link is left
    // alone. Errors are ignored.
    void cleanup(const std::set<std::string>& keeping) const;

    // Whether `path` lies inside the folder.
    bool contains(const std::filesystem::path& path) const;

private:
    bool folderIsOurs() const;

    std::filesystem::path m_folder;
};

} // namespace ks
