#include "platform/x11/desktop_picture_choice.h"

#include "platform/x11/agent_shown_pictures.h"
#include "platform/x11/gnome_desktop_pictures.h"
#include "platform/x11/plasma_desktop_pictures.h"
#include "platform/x11/setting_desktop_pictures.h"
#include "platform/x11/xfce_desktop_pictures.h"

namespace ks {

DesktopPictureSource desktopPictureSource(const SessionFacts& session) {
    SessionFacts facts = session;
    // Whether an X server answers changes only whether the agent can draw at all.
    facts.x11Reachable = true;
    switch (defaultBackend(facts).value_or(BackendKind::Command)) {
    case BackendKind::Gnome:
        return DesktopPictureSource::GnomeSetting;
    case BackendKind::Cinnamon:
        return DesktopPictureSource::CinnamonSetting;
    case BackendKind::Mate:
        return DesktopPictureSource::MateSetting;
    case BackendKind::Xfce:
        return DesktopPictureSource::XfceSetting;
    case BackendKind::Plasma:
        return DesktopPictureSource::PlasmaShell;
    case BackendKind::X11Root:
    case BackendKind::Command:
    case BackendKind::Lxqt:
    case BackendKind::Sway:
        break;
    }
    return DesktopPictureSource::AgentRecord;
}

std::unique_ptr<DesktopPictures> makeDesktopPictures(const SystemAppearance& appearance) {
    switch (desktopPictureSource(sessionFromEnvironment())) {
    case DesktopPictureSource::GnomeSetting:
        return std::make_unique<GnomeDesktopPictures>(appearance);
    case DesktopPictureSource::CinnamonSetting:
        return std::make_unique<SettingDesktopPictures>(SettingDesktopPictures::cinnamon());
    case DesktopPictureSource::MateSetting:
        return std::make_unique<SettingDesktopPictures>(SettingDesktopPictures::mate());
    case DesktopPictureSource::XfceSetting:
        return std::make_unique<XfceDesktopPictures>();
    case DesktopPictureSource::PlasmaShell:
        return std::make_unique<PlasmaDesktopPictures>();
    case DesktopPictureSource::AgentRecord:
        break;
    }
    return std::make_unique<AgentShownPictures>();
}

} // namespace ks
