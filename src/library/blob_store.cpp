#include "library/blob_store.h"

#include "base/locations.h"
#include "library/blob_name.h"
#include "library/config.h"
#include "library/vault.h"

#include <system_error>

namespace ks::BlobStore {

namespace {

// Regular files only: a folder cannot be read, and a pipe or device would block the reader.
bool isFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace

std::optional<std::filesystem::path> url(std::string_view blobName) {
    if (!isPlainFileName(blobName))
        return std::nullopt;
    if (auto downloaded = Config::downloadedPacksDir() / blobName; isFile(downloaded))
        return downloaded;
    const auto resources = Locations::resourcesDir();
    if (!resources)
        return std::nullopt;
    if (auto shipped = *resources / Vault::libraryDirName / blobName; isFile(shipped))
        return shipped;
    return std::nullopt;
}

bool isDownloaded(std::string_view blobName) {
    return isPlainFileName(blobName) && isFile(Config::downloadedPacksDir() / blobName);
}

} // namespace ks::BlobStore
