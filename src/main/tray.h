#pragma once

#include <QIcon>

#include <functional>
#include <memory>
#include <string>

class QAction;
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
    // A row above "Quit", enabled while `isEnabled` says so (asked each time the menu opens).
    void addAction(const std::string& title, std::function<void()> onTrigger,
                   std::function<bool()> isEnabled);
    // The line shown when the pointer rests on the icon.
    void setToolTip(const std::string& text);

    // MenuIcon.png (and its @2x form) from the resources, or a drawn stand-in when the
    // resources lack it, so the application stays reachable.
    static QIcon menuIcon();

private:
    std::unique_ptr<QMenu> m_menu;
    QAction* m_quit = nullptr;
    std::unique_ptr<QSystemTrayIcon> m_icon;
};

} // namespace ks
