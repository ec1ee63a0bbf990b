#include "commands.h"
#include "messages.h"

#include "base/file_io.h"
#include "library/blob_name.h"
#include "library/pack_archive.h"

#include <filesystem>
#include <set>

namespace ks::pack {

int runCreate(const Args& args) {
    if (args.size() < 2)
        return usageError("create needs OUT.pack and at least one FILE");
    std::vector<PackArchive::Entry> entries;
    std::set<std::string> names;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string name = std::filesystem::path(args[i]).filename().string();
        if (!isPlainFileName(name))
            return fail(args[i] + ": has no file name an archive entry can carry");
        // Extracting would write both to one file and keep only the last.
        if (!names.insert(name).second)
            return fail(args[i] + ": another file is also named " + name);
        auto bytes = readWholeFile(args[i]);
        if (!bytes)
            return fail("cannot read " + args[i]);
        entries.push_back({name, std::move(*bytes)});
    }
    const auto archive = PackArchive::pack(entries);
    if (!archive)
        return fail("these files do not fit in one archive");
    if (!replaceFileAtomically(args[0], *archive))
        return fail("cannot write " + args[0]);
    return 0;
}

} // namespace ks::pack
