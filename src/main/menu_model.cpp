#include "main/menu_model.h"

namespace ks {

namespace {
constexpr std::string_view kChanged = "menuModelChanged";
}

void MenuModel::setBanner(Banner banner, double fade) {
    m_banner = std::move(banner);
    m_fade = fade;
    changed();
}

void MenuModel::setHovering(bool hovering) {
    if (m_hovering == hovering)
        return;
    m_hovering = hovering;
    m_fade = 0;
    changed();
}

NotificationCenter::Observation MenuModel::observe(std::function<void()> observer) {
    return m_observers.addObserver(kChanged, std::move(observer));
}

void MenuModel::changed() {
    m_observers.post(kChanged);
}

} // namespace ks
