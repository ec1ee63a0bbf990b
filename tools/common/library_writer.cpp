#include "library_writer.h"

#include "base/file_io.h"
#include "library/library_index.h"
#include "library/pack_archive.h"
#include "library/vault.h"

#include <set>
#include <system_error>

namespace ks::tools {

namespace fs = std::filesystem;

namespace {

Pack catalogueEntry(const SourcePack& source) {
    Pack pack{source.id, source.displayName, {}, source.hasVariants, source.coverFileName};
    for (const auto& picture : source.pictures) {
        Wallpaper wallpaper{source.id, picture.fileName, picture.variant, {}};
        wallpaper.blob = Vault::blobName(wallpaper.key());
        pack.wallpapers.push_back(std::move(wallpaper));
    }
    return pack;
}

bool writeFile(const fs::path& path, ByteView bytes, WriteReport& report) {
    if (replaceFileAtomically(path, bytes))
        return true;
    report.error = "could not write " + path.string();
    return false;
}

void removeStaleFiles(const fs::path& dir, const std::set<std::string>& keep) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error))
        if (entry.is_regular_file() && !keep.count(entry.path().filename().string()))
            fs::remove(entry.path(), error);
}

} // namespace

WriteReport writeLibrary(const std::vector<SourcePack>& packs, const fs::path& resourcesDir,
                         const fs::path& packServerDir) {
    WriteReport report;
    const fs::path libraryDir = resourcesDir / Vault::libraryDirName;
    std::error_code error;
    fs::create_directories(libraryDir, error);
    fs::create_directories(packServerDir, error);

    std::vector<Pack> catalogue;
    std::set<std::string> written{std::string(Vault::indexFileName)};
    for (const auto& source : packs) {
        Pack pack = catalogueEntry(source);
        std::vector<PackArchive::Entry> entries;
        for (std::size_t i = 0; i < source.pictures.size(); ++i) {
            const auto& blob = pack.wallpapers[i].blob;
            const auto& bytes = source.pictures[i].bytes;
            if (source.shipped) {
                if (!writeFile(libraryDir / blob, bytes, report))
                    return report;
                written.insert(blob);
                ++report.shippedBlobs;
            } else {
                entries.push_back({blob, bytes});
            }
        }
        if (!source.shipped) {
            const auto archive = PackArchive::pack(entries);
            if (!archive) {
                report.error = "pack " + source.id + " does not fit in an archive";
                return report;
            }
            if (!writeFile(packServerDir / Vault::archiveName(source.id), *archive, report))
                return report;
            ++report.archives;
        }
        catalogue.push_back(std::move(pack));
    }
    if (!writeFile(libraryDir / Vault::indexFileName, asBytes(serializeLibraryIndex(catalogue)),
                   report))
        return report;
    removeStaleFiles(libraryDir, written);
    return report;
}

} // namespace ks::tools
