#pragma once

#include "platform/appearance.h"
#include "platform/desktop_pictures.h"

#include <memory>
#include <string_view>

namespace ks {

// Who knows what the displays show: the agent's record, or GNOME's background setting.
enum class DesktopPictureSource { AgentRecord, GnomeSetting };

// The source for the backend the wallpaper agent picks on this desktop: a wallpaper command
// wins, then a GNOME-family desktop ($XDG_CURRENT_DESKTOP), then the X root window.
DesktopPictureSource desktopPictureSource(std::string_view currentDesktop,
                                          bool haveCommandTemplate);

// The DesktopPictures for this session, from $XDG_CURRENT_DESKTOP and
// $KESTRANE_WALLPAPER_COMMAND as the agent reads them. `appearance` must outlive it.
std::unique_ptr<DesktopPictures> makeDesktopPictures(const SystemAppearance& appearance);

} // namespace ks
