#pragma once

#include "agent/backend_choice.h"
#include "platform/appearance.h"
#include "platform/desktop_pictures.h"

#include <memory>

namespace ks {

// Who knows what the displays show: the agent's record, or the desktop's own setting.
enum class DesktopPictureSource {
    AgentRecord,
    GnomeSetting,
    CinnamonSetting,
    MateSetting,
    XfceSetting,
    PlasmaShell
};

// The source for the backend the wallpaper agent picks in this session: a wallpaper command
// keeps no setting the desktop could be asked, so the agent's record answers for it, as it
// does for the X root window and the backends that keep their pictures nowhere else.
DesktopPictureSource desktopPictureSource(const SessionFacts& session);

// The DesktopPictures for this session, as the agent reads it. `appearance` must outlive it.
std::unique_ptr<DesktopPictures> makeDesktopPictures(const SystemAppearance& appearance);

} // namespace ks
