#include "archive_file.h"
#include "commands.h"
#include "messages.h"

#include <cstdio>

namespace ks::pack {

int runList(const Args& args) {
    if (args.size() != 1)
        return usageError("list needs exactly one ARCHIVE");
    const auto entries = readArchive(args[0]);
    if (!entries)
        return kExitFailure;
    for (const auto& entry : *entries)
        std::printf("%s\t%zu\n", printable(entry.name).c_str(), entry.data.size());
    return 0;
}

} // namespace ks::pack
