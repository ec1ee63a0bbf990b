#pragma once

#include "platform/desktop_pictures.h"

#include <filesystem>
#include <optional>

namespace ks {

// What each display shows as the wallpaper agent last recorded it (its Shown.plist: display
// UUID to file URL), for the backends that keep nothing the desktop could be asked: the X
// root window and a wallpaper command. Read anew at every call, since the agent is another
// process.
class AgentShownPictures final : public DesktopPictures {
public:
    // The agent's own record in the current $XDG_DATA_HOME, or `file`.
    explicit AgentShownPictures(std::optional<std::filesystem::path> file = std::nullopt)
        : m_file(std::move(file)) {}

    // None for a display without a UUID, one the agent has not drawn, or a URL that is not
    // a local file's.
    std::optional<std::filesystem::path> currentPicture(const PlatformScreen& screen) override;

private:
    std::optional<std::filesystem::path> m_file;
};

} // namespace ks
