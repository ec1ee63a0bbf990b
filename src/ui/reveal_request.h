#pragma once

#include "base/notification_center.h"
#include "library/wallpaper.h"

#include <functional>
#include <optional>

namespace ks {

// Asks the settings window to fan out a wallpaper's pack. Observers hear of every request,
// also of one for the wallpaper asked for last.
class RevealRequest {
public:
    const std::optional<Wallpaper>& wallpaper() const { return m_wallpaper; }
    int token() const { return m_token; }

    void request(Wallpaper wallpaper);
    [[nodiscard]] NotificationCenter::Observation observe(std::function<void()> observer);

private:
    std::optional<Wallpaper> m_wallpaper;
    int m_token = 0;
    NotificationCenter m_observers;
};

} // namespace ks
