#include "platform/x11/desktop_picture_choice.h"

#include "agent/backend_choice.h"
#include "platform/x11/agent_shown_pictures.h"
#include "platform/x11/gnome_desktop_pictures.h"

#include <cstdlib>

namespace ks {

DesktopPictureSource desktopPictureSource(std::string_view currentDesktop,
                                          bool haveCommandTemplate) {
    // Whether an X server answers changes only whether the agent can draw at all.
    const auto backend = defaultBackend(currentDesktop, haveCommandTemplate, true);
    return backend == BackendKind::Gnome ? DesktopPictureSource::GnomeSetting
                                         : DesktopPictureSource::AgentRecord;
}

std::unique_ptr<DesktopPictures> makeDesktopPictures(const SystemAppearance& appearance) {
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    const char* command = std::getenv("KESTRANE_WALLPAPER_COMMAND");
    switch (desktopPictureSource(desktop ? desktop : "", command && *command)) {
    case DesktopPictureSource::GnomeSetting:
        return std::make_unique<GnomeDesktopPictures>(appearance);
    case DesktopPictureSource::AgentRecord:
        break;
    }
    return std::make_unique<AgentShownPictures>();
}

} // namespace ks
