#include "platform/x11/gnome_desktop_pictures.h"

#include "base/file_url.h"
#include "platform/x11/gsettings_value.h"

#include <string>

namespace ks {

namespace {

std::optional<std::string> backgroundSetting(const char* key) {
    return gsettingsString("org.gnome.desktop.background", key);
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
