#include "agent/desktop_tool.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace ks {

bool toolInstalled(std::string_view program) {
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "/usr/bin:/bin";
    while (true) {
        const std::size_t colon = rest.find(':');
        const std::string_view dir = rest.substr(0, colon);
        // An empty entry is the current folder.
        const auto file = std::filesystem::path(dir.empty() ? "." : std::string(dir)) / program;
        std::error_code error;
        if (::access(file.c_str(), X_OK) == 0 && !std::filesystem::is_directory(file, error))
            return true;
        if (colon == std::string_view::npos)
            return false;
        rest.remove_prefix(colon + 1);
    }
}

} // namespace ks
