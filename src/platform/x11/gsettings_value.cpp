#include "platform/x11/gsettings_value.h"

#include "agent/agent_state.h"
#include "platform/linux/agent_process.h"

#include <cctype>

namespace ks {

namespace {

constexpr auto kGsettingsTimeLimit = std::chrono::seconds(5);

} // namespace

// A file URL or path has its control characters percent-encoded or none at all, so escapes
// other than quotes and backslashes need not be read.
std::optional<std::string> printedGvariantString(std::string_view printed) {
    while (!printed.empty() && std::isspace(static_cast<unsigned char>(printed.back())))
        printed.remove_suffix(1);
    if (printed.size() < 2 || (printed.front() != '\'' && printed.front() != '"'))
        return std::nullopt;
    const char quote = printed.front();
    std::string text;
    for (std::size_t i = 1; i < printed.size(); ++i) {
        const char c = printed[i];
        if (c == quote)
            return i + 1 == printed.size() ? std::optional(text) : std::nullopt;
        if (c == '\\') {
            if (++i == printed.size() ||
                (printed[i] != '\\' && printed[i] != '\'' && printed[i] != '"'))
                return std::nullopt;
            text.push_back(printed[i]);
            continue;
        }
        text.push_back(c);
    }
    return std::nullopt;
}

std::optional<std::string> gsettingsString(const std::string& schema, const std::string& key) {
    const auto printed = programOutput({"gsettings", "get", schema, key}, kGsettingsTimeLimit);
    return printed ? printedGvariantString(*printed) : std::nullopt;
}

bool isAgentSpannedPicture(const std::filesystem::path& file) {
    return file.parent_path() == agentDataDir().lexically_normal() &&
           file.filename().string().starts_with("spanned-");
}

} // namespace ks
