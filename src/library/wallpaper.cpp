#include "library/wallpaper.h"

#include "base/file_io.h"
#include "library/blob_store.h"
#include "library/hash_combine.h"

namespace ks {

std::string Wallpaper::key() const {
    return packID + "/" + fileName;
}

std::string Wallpaper::displayName() const {
    // Only the last path component can carry the extension, and a leading dot marks a
    // hidden name rather than an extension.
    const auto componentStart = fileName.find_last_of('/');
    const auto nameStart = componentStart == std::string::npos ? 0 : componentStart + 1;
    const auto dot = fileName.find_last_of('.');
    if (dot == std::string::npos || dot <= nameStart)
        return fileName;
    return fileName.substr(0, dot);
}

std::optional<std::filesystem::path> Wallpaper::blobURL() const {
    return BlobStore::url(blob);
}

std::optional<Bytes> Wallpaper::imageData() const {
    const auto url = blobURL();
    if (!url)
        return std::nullopt;
    return readWholeFile(*url);
}

} // namespace ks

std::size_t std::hash<ks::Wallpaper>::operator()(const ks::Wallpaper& w) const noexcept {
    std::size_t seed = 0;
    ks::hashCombine(seed, w.packID);
    ks::hashCombine(seed, w.fileName);
    ks::hashCombine(seed, w.variant);
    ks::hashCombine(seed, w.blob);
    return seed;
}
