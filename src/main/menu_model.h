#pragma once

#include "base/notification_center.h"
#include "library/image.h"

#include <functional>
#include <optional>
#include <string>

namespace ks {

// What the menu's banner shows: the wallpaper on the desktop, its pack and its name. Views
// observe it and repaint; a change of `imageID` cross-fades over `fade` seconds.
class MenuModel {
public:
    struct Banner {
        std::optional<Image> image;
        // The identity of what is shown; a new one cross-fades the picture and the texts.
        std::string imageID;
        std::string packName;
        std::string wallpaperName;
    };

    const std::optional<Image>& image() const { return m_banner.image; }
    const std::string& imageID() const { return m_banner.imageID; }
    const std::string& packName() const { return m_banner.packName; }
    const std::string& wallpaperName() const { return m_banner.wallpaperName; }
    bool hovering() const { return m_hovering; }
    // The length of the cross-fade the last change asked for; 0 for none.
    double fade() const { return m_fade; }

    // Replaces what the banner shows; observers are told once.
    void setBanner(Banner banner, double fade);
    void setHovering(bool hovering);

    [[nodiscard]] NotificationCenter::Observation observe(std::function<void()> observer);

private:
    void changed();

    Banner m_banner;
    bool m_hovering = false;
    double m_fade = 0;
    NotificationCenter m_observers;
};

} // namespace ks
