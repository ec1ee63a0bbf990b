#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace ks::BlobStore {

// The downloaded copy if there is one, else the shipped copy, else none.
std::optional<std::filesystem::path> url(std::string_view blobName);
bool isDownloaded(std::string_view blobName);

} // namespace ks::BlobStore
