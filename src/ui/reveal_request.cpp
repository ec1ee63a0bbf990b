#include "ui/reveal_request.h"

namespace ks {

namespace {
constexpr std::string_view kRequested = "revealRequested";
}

void RevealRequest::request(Wallpaper wallpaper) {
    m_wallpaper = std::move(wallpaper);
    ++m_token;
    m_observers.post(kRequested);
}

NotificationCenter::Observation RevealRequest::observe(std::function<void()> observer) {
    return m_observers.addObserver(kRequested, std::move(observer));
}

} // namespace ks
