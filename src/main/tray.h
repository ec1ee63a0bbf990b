#pragma once

#include <QIcon>

#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace ks {

// The icon in the system tray and its menu.
class Tray {
public:
    explicit Tray(std::function<void()> onQuit);
    ~Tray();
    Tray(const Tray&) = delete;
    Tray& operator=(const Tray&) = delete;

    void show();

    // MenuIcon.png (and its @2x form) from the resources, or a drawn stand-in when the
    // resources lack it, so the application stays reachable.
    static QIcon menuIcon();

private:
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
};

} // namespace ks
