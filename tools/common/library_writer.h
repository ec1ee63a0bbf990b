#pragma once

#include "base/bytes.h"
#include "library/variant.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ks::tools {

struct SourcePicture {
    std::string fileName;
    Variant variant = Variant::neutral;
    Bytes bytes;
};

struct SourcePack {
    std::string id;
    std::string displayName;
    bool hasVariants = false;
    std::optional<std::string> coverFileName;
    std::vector<SourcePicture> pictures;
    // Shipped packs go into the resources; the others become archives for the pack server.
    bool shipped = true;
};

struct WriteReport {
    int shippedBlobs = 0;
    int archives = 0;
    std::string error;
    bool ok() const { return error.empty(); }
};

// Writes a library: `<resources>/wp/index.dat` naming every pack, the blobs of the shipped
// packs beside it (each named by the blob name of its wallpaper key), and one archive per
// other pack into `packServerDir`. Files left in `wp/` from an earlier run that the new
// index no longer names are removed. Every file is replaced atomically.
WriteReport writeLibrary(const std::vector<SourcePack>& packs,
                         const std::filesystem::path& resourcesDir,
                         const std::filesystem::path& packServerDir);

} // namespace ks::tools
