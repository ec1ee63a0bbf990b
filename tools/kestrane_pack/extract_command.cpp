#include "archive_file.h"
#include "commands.h"
#include "messages.h"

#include "base/file_io.h"
#include "library/blob_name.h"

#include <filesystem>
#include <system_error>

namespace ks::pack {

namespace fs = std::filesystem;

int runExtract(const Args& args) {
    if (args.size() != 2)
        return usageError("extract needs ARCHIVE and DIR");
    const auto entries = readArchive(args[0]);
    if (!entries)
        return kExitFailure;
    const fs::path dir = args[1];
    std::error_code error;
    fs::create_directories(dir, error);
    if (!fs::is_directory(dir, error))
        return fail("cannot create the folder " + args[1]);

    int status = 0;
    for (const auto& entry : *entries) {
        // Only a plain name stays inside DIR. A symlink already in DIR under that name is
        // replaced by the new file, never written through: the write is a rename.
        if (!isPlainFileName(entry.name)) {
            complain("skipped an entry with an unsafe name: \"" + printable(entry.name) + "\"");
            status = kExitFailure;
            continue;
        }
        if (!replaceFileAtomically(dir / entry.name, entry.data)) {
            complain("cannot write " + (dir / printable(entry.name)).string());
            status = kExitFailure;
        }
    }
    return status;
}

} // namespace ks::pack
