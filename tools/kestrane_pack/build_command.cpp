#include "commands.h"
#include "messages.h"
#include "pack_folders.h"

#include "library/vault.h"
#include "library_writer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

namespace ks::pack {

namespace fs = std::filesystem;

namespace {

fs::path resolved(const fs::path& path) {
    std::error_code error;
    fs::path result = fs::weakly_canonical(fs::absolute(path, error), error);
    return result.filename().empty() ? result.parent_path() : result;
}

bool isWithin(const fs::path& inner, const fs::path& outer) {
    const auto a = resolved(inner);
    const auto b = resolved(outer);
    const auto [end, _] = std::mismatch(b.begin(), b.end(), a.begin(), a.end());
    return end == b.end();
}

} // namespace

int runBuild(const Args& args) {
    std::vector<std::string> positional;
    std::set<std::string> ship;
    bool shipGiven = false;
    for (const auto& arg : args) {
        if (arg == "--ship")
            shipGiven = true;
        else if (arg.starts_with("--"))
            return usageError("unknown option " + arg);
        else if (shipGiven)
            ship.insert(arg);
        else
            positional.push_back(arg);
    }
    if (positional.size() != 2)
        return usageError("build needs SRC and DIR");
    if (shipGiven && ship.empty())
        return usageError("--ship needs at least one pack id");
    const fs::path source = positional[0], dir = positional[1];
    // The writer clears DIR/wp of files it did not write, and DIR must not turn into a pack
    // folder of the next build.
    if (isWithin(dir, source) || isWithin(source, dir / Vault::libraryDirName))
        return fail("DIR and SRC must not lie inside one another");

    std::string error;
    auto packs = readPackFolders(source, error);
    if (!packs)
        return fail(error);
    if (shipGiven) {
        for (const auto& id : ship)
            if (std::none_of(packs->begin(), packs->end(),
                             [&](const auto& pack) { return pack.id == id; }))
                return fail("--ship: no pack has the id " + id);
        for (auto& pack : *packs)
            pack.shipped = ship.count(pack.id) > 0;
    }

    const auto report = tools::writeLibrary(*packs, dir, dir / "packserver");
    if (!report.ok())
        return fail(report.error);
    std::size_t wallpapers = 0;
    for (const auto& pack : *packs)
        wallpapers += pack.pictures.size();
    std::printf("built %zu packs, %zu wallpapers: %d blobs in %s, %d archives in %s\n",
                packs->size(), wallpapers, report.shippedBlobs,
                (dir / Vault::libraryDirName).c_str(), report.archives,
                (dir / "packserver").c_str());
    return 0;
}

} // namespace ks::pack
