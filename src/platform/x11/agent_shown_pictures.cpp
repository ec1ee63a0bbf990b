#include "platform/x11/agent_shown_pictures.h"

#include "agent/agent_state.h"
#include "base/file_url.h"

#include <algorithm>
#include <cctype>

namespace ks {

namespace {

bool sameUuid(std::string_view a, std::string_view b) {
    return std::ranges::equal(
        a, b, [](unsigned char x, unsigned char y) { return std::toupper(x) == std::toupper(y); });
}

} // namespace

std::optional<std::filesystem::path>
AgentShownPictures::currentPicture(const PlatformScreen& screen) {
    if (!screen.uuid || screen.uuid->empty())
        return std::nullopt;
    const auto shown = loadShownPictures(m_file ? *m_file : agentFiles(std::nullopt).shown);
    const auto entry = std::ranges::find_if(
        shown, [&](const auto& pair) { return sameUuid(pair.first, *screen.uuid); });
    if (entry == shown.end())
        return std::nullopt;
    const auto url = FileUrl::fromString(entry->second);
    return url ? std::optional(url->path()) : std::nullopt;
}

} // namespace ks
