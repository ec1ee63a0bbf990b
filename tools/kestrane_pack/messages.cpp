#include "messages.h"

#include <cstdio>

namespace ks::pack {

void complain(std::string_view message) {
    std::fprintf(stderr, "kestrane-pack: %.*s\n", static_cast<int>(message.size()), message.data());
}

int fail(std::string_view message) {
    complain(message);
    return kExitFailure;
}

int usageError(std::string_view message) {
    complain(message);
    std::fputs("Try 'kestrane-pack --help'.\n", stderr);
    return kExitUsage;
}

void printHelp(std::FILE* out) {
    std::fputs(
        "usage: kestrane-pack COMMAND ARGS...\n"
        "\n"
        "Makes wallpaper libraries and pack archives.\n"
        "\n"
        "  create OUT.pack FILE...        write an archive of the files, named by their file "
        "names\n"
        "  list ARCHIVE                   print each entry as NAME<TAB>SIZE, in archive order\n"
        "  extract ARCHIVE DIR            write every entry as a file into DIR\n"
        "  name blob TEXT                 print the blob name of TEXT (a wallpaper key)\n"
        "  name archive PACKID            print the archive name of a pack\n"
        "  build SRC DIR [--ship ID...]   turn SRC's folders of pictures into a library:\n"
        "                                 DIR/wp/ (index and shipped blobs) and\n"
        "                                 DIR/packserver/ (archives of the other packs);\n"
        "                                 without --ship every pack ships\n"
        "  serve DIR [--port N]           serve DIR's files on http://127.0.0.1:N (default 8000)\n"
        "\n"
        "A pack folder may hold pack.json: {\"id\": ..., \"displayName\": ..., \"cover\": ...}.\n"
        "Pictures named ...-light.EXT or ...-dark.EXT are the light and dark variants.\n"
        "\n"
        "Exit status: 0 on success, 1 on failure, 2 on a usage error.\n",
        out);
}

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace ks::pack
