// kestrane-pack: the content tool. Builds libraries from folders of pictures and makes,
// lists and unpacks pack archives.

#include "commands.h"
#include "messages.h"

#include <cstdio>
#include <string_view>

using namespace ks::pack;

namespace {

bool isHelp(std::string_view arg) {
    return arg == "--help" || arg == "-h";
}

// "kestrane-pack --help" and "kestrane-pack COMMAND --help"; later arguments are data (a blob
// name may well be made of "-h").
bool asksForHelp(const Args& args) {
    return isHelp(args[0]) || (args.size() > 1 && isHelp(args[1]));
}

} // namespace

int main(int argc, char** argv) {
    Args args(argv + 1, argv + argc);
    if (args.empty())
        return usageError("no command given");
    if (asksForHelp(args)) {
        printHelp(stdout);
        return 0;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "create")
        return runCreate(args);
    if (command == "list")
        return runList(args);
    if (command == "extract")
        return runExtract(args);
    if (command == "name")
        return runName(args);
    if (command == "build")
        return runBuild(args);
    if (command == "serve")
        return runServe(args);
    return usageError("unknown command '" + printable(command) + "'");
}
