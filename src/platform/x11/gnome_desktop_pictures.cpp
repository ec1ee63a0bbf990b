#include "platform/x11/gnome_desktop_pictures.h"

#include "agent/agent_state.h"
#include "base/file_url.h"
#include "platform/linux/agent_process.h"

#include <cctype>
#include <string>
#include <string_view>

namespace ks {

namespace {

constexpr auto kGsettingsTimeLimit = std::chrono::seconds(5);

// The string a gsettings value prints as: GVariant text in single quotes, or in double quotes
// when it holds a single quote, with backslash escapes. None for anything else; a file URL
// has its control characters percent-encoded, so other escapes need not be read.
std::optional<std::string> printedString(std::string_view printed) {
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

std::optional<std::string> backgroundSetting(const char* key) {
    const auto printed = programOutput({"gsettings", "get", "org.gnome.desktop.background", key},
                                       kGsettingsTimeLimit);
    return printed ? printedString(*printed) : std::nullopt;
}

// A picture the agent composed from one picture per display.
bool isAgentSpannedPicture(const std::filesystem::path& file) {
    return file.parent_path() == agentDataDir().lexically_normal() &&
           file.filename().string().starts_with("spanned-");
}

} // namespace

std::optional<std::filesystem::path>
GnomeDesktopPictures::currentPicture(const PlatformScreen& screen) {
    std::optional<std::string> uri;
    // GNOME before 42 has no dark picture, and an empty one means the light one is shown.
    if (m_appearance.isDark())
        uri = backgroundSetting("picture-uri-dark");
    if (!uri || uri->empty())
        uri = backgroundSetting("picture-uri");
    const auto url = uri ? FileUrl::fromString(*uri) : std::nullopt;
    if (!url)
        return std::nullopt;
    if (isAgentSpannedPicture(url->path()))
        return m_agentRecord.currentPicture(screen);
    return url->path();
}

} // namespace ks
