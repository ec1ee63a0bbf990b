#include "archive_file.h"

#include "messages.h"

#include "base/file_io.h"

namespace ks::pack {

std::optional<std::vector<PackArchive::Entry>> readArchive(const std::string& path) {
    const auto bytes = readWholeFile(path);
    if (!bytes) {
        complain("cannot read " + path);
        return std::nullopt;
    }
    auto entries = PackArchive::unpack(*bytes);
    if (!entries)
        complain("not a valid pack archive: " + path);
    return entries;
}

} // namespace ks::pack
