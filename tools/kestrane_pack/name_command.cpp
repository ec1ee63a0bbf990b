#include "commands.h"
#include "messages.h"

#include "library/vault.h"

#include <cstdio>

namespace ks::pack {

int runName(const Args& args) {
    if (args.size() != 2 || (args[0] != "blob" && args[0] != "archive"))
        return usageError("name needs 'blob TEXT' or 'archive PACKID'");
    const std::string name =
        args[0] == "blob" ? Vault::blobName(args[1]) : Vault::archiveName(args[1]);
    std::printf("%s\n", name.c_str());
    return 0;
}

} // namespace ks::pack
