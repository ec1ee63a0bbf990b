#pragma once

#include <QIcon>

#include <memory>
#include <string>

class QMenu;
class QSystemTrayIcon;

namespace ks {

class MenuPopup;
class StatusMenu;
class TrayContextMenu;
class TrayHostWatcher;

// The icon in the system tray and its two menus. Activating the icon (a left click) opens
// the full menu, our own popup window; the context menu (a right click, and what a D-Bus
// tray host shows) has the same rows as plain actions. Without a tray host the icon waits
// and appears when one starts. `menu` must outlive the tray.
class Tray {
public:
    explicit Tray(StatusMenu& menu);
    ~Tray();
    Tray(const Tray&) = delete;
    Tray& operator=(const Tray&) = delete;

    void show();
    // The line shown when the pointer rests on the icon.
    void setToolTip(const std::string& text);
    // What activating the icon does: opens the popup at the icon, or closes it when open.
    void openMenu();
    // Closes whichever menu is open (StatusMenuHooks::closeMenu).
    void closeMenu();

    MenuPopup* popup() const { return m_popup.get(); }
    TrayContextMenu* contextMenu() const { return m_contextMenu.get(); }

    // MenuIcon.png (and its @2x form) from the resources, drawn as the tray draws template
    // icons; when the resources lack it, the "photo.on.rectangle.angled" symbol, else a drawn
    // stand-in, so the application stays reachable.
    static QIcon menuIcon();

private:
    void setUpIcon(QMenu& contextMenu);

    std::unique_ptr<MenuPopup> m_popup;
    std::unique_ptr<TrayContextMenu> m_contextMenu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    std::unique_ptr<TrayHostWatcher> m_hosts;
};

} // namespace ks
