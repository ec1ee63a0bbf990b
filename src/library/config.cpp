#include "library/config.h"

#include "base/locations.h"

#include <system_error>

namespace ks::Config {

std::filesystem::path downloadedPacksDir() {
    auto dir = Locations::applicationSupportDir() / "packs";
    // Made again on every access so a folder deleted while we run comes back; when it
    // cannot be made, lookups simply find nothing there.
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
    return dir;
}

} // namespace ks::Config
