#pragma once

#include <filesystem>

namespace ks::Config {

// The application data folder's "packs": downloaded blobs. Created (with its parents) on
// every access; a failure to create it is ignored.
std::filesystem::path downloadedPacksDir();

} // namespace ks::Config
