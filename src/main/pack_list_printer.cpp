#include "main/pack_list_printer.h"

namespace ks {

std::vector<std::string> packListLines(const std::vector<Pack>& packs) {
    std::vector<std::string> lines;
    lines.reserve(packs.size() + 1);
    std::size_t wallpapers = 0;
    for (const auto& pack : packs) {
        std::string line = pack.displayName;
        if (pack.hasVariants)
            line += " [light/dark]";
        line += ": " + std::to_string(pack.wallpapers.size()) + " wallpapers (" + pack.id + ")";
        lines.push_back(std::move(line));
        wallpapers += pack.wallpapers.size();
    }
    lines.push_back("total: " + std::to_string(packs.size()) + " packs, " +
                    std::to_string(wallpapers) + " wallpapers");
    return lines;
}

} // namespace ks
