#pragma once

#include "base/notification_center.h"
#include "main/menu_row_names.h"
#include "main/status_menu.h"

#include <array>
#include <memory>

class QAction;
class QMenu;

namespace ks {

// The tray's context menu: StatusMenu's rows as plain actions, which every tray shows, a
// StatusNotifierItem host included (it gets the menu over D-Bus, where custom widgets do not
// go). Refreshed before every opening; hidden rows are hidden, the countdown is a greyed
// row, the two submenus are QMenus. `menu` must outlive it.
class TrayContextMenu {
public:
    explicit TrayContextMenu(StatusMenu& menu);
    ~TrayContextMenu();
    TrayContextMenu(const TrayContextMenu&) = delete;
    TrayContextMenu& operator=(const TrayContextMenu&) = delete;

    QMenu& menu() const { return *m_qmenu; }
    QAction* action(MenuRowID id) const { return m_actions[static_cast<std::size_t>(id)]; }
    QMenu& addToCollectionMenu() const { return *m_addToCollection; }
    QMenu& collectionsMenu() const { return *m_collections; }

private:
    void aboutToShow();
    // The actions follow the rows.
    void refresh();
    void refillSubmenus();

    StatusMenu& m_menu;
    std::unique_ptr<QMenu> m_qmenu;
    QMenu* m_addToCollection = nullptr;
    QMenu* m_collections = nullptr;
    std::array<QAction*, kMenuRowCount> m_actions{};
    bool m_open = false;
    NotificationCenter::Observation m_observation;
};

} // namespace ks
