#pragma once

#include "platform/appearance.h"
#include "platform/desktop_pictures.h"
#include "platform/x11/agent_shown_pictures.h"

namespace ks {

// What a GNOME-family desktop shows: its org.gnome.desktop.background picture-uri, or
// picture-uri-dark while the look is dark (where that key exists and is set), read with
// gsettings at each call. The agent's spanned picture, one image across all displays, is no
// display's own: for it, the agent's record of what each display shows answers instead.
class GnomeDesktopPictures final : public DesktopPictures {
public:
    // `appearance` must outlive this.
    explicit GnomeDesktopPictures(const SystemAppearance& appearance) : m_appearance(appearance) {}

    // The same for every display. Waits for gsettings, a few milliseconds.
    std::optional<std::filesystem::path> currentPicture(const PlatformScreen& screen) override;

private:
    const SystemAppearance& m_appearance;
    AgentShownPictures m_agentRecord;
};

} // namespace ks
