#pragma once

#include "base/main_loop.h"
#include "base/notification_center.h"
#include "main/app_commands.h"
#include "main/menu_entry.h"
#include "main/menu_model.h"

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ks {

class Library;
class SettingsStore;
class WallpaperEngine;

enum class MenuRowID {
    banner,
    favorite,
    addToCollection,
    hide,
    previous,
    next,
    pause,
    countdown,
    collections,
    settings,
    checkForUpdates,
    quit,
};

// One row of the tray menu as it should be drawn.
struct MenuRow {
    MenuRowID id;
    std::string title;
    // A symbol name ("heart.fill"); the toolkit maps it onto an icon.
    std::string symbol;
    // Shown at the right edge; kSubmenuMark stands for a chevron.
    std::string shortcut;
    bool hidden = false;
};

inline constexpr std::string_view kSubmenuMark = "\u203A";

// What the menu asks of the toolkit.
struct StatusMenuHooks {
    // Closes the open menu.
    std::function<void()> closeMenu;
    AskForName askForName;
    // The time of day of a date in the locale's short style; empty: 24-hour "14:05".
    std::function<std::string(SysTime)> shortTime;
    std::function<bool()> isOnBattery;
};

// What the banner shows for `current`: the user's own wallpaper while it is restored, else
// the pack's name (its raw identifier when the library lacks it) and the wallpaper's title.
MenuModel::Banner bannerFor(const WallpaperEngine& engine, const Library& library,
                            const Wallpaper& current);
// The countdown row's text now.
std::string countdownNow(const WallpaperEngine& engine, const SettingsStore& settings, SysTime now,
                         const StatusMenuHooks& hooks);

// The tray menu's logic: the banner, the rows' titles, symbols and visibility, the two
// submenus, the countdown and what a click does. Views draw what it says and tell it when
// they open and close; it tells them when something changed. Lives on the main thread and
// must outlive its views.
class StatusMenu {
public:
    StatusMenu(AppCommands& commands, const Library& library, MainLoop& loop,
               StatusMenuHooks hooks);
    StatusMenu(const StatusMenu&) = delete;
    StatusMenu& operator=(const StatusMenu&) = delete;

    // The rows in menu order; none stands for a separator.
    static std::span<const std::optional<MenuRowID>> layout();
    const MenuRow& row(MenuRowID id) const;
    MenuModel& model() { return m_model; }
    const std::vector<MenuEntry>& collectionsMenu() const { return m_collectionsMenu; }
    const std::vector<MenuEntry>& addToCollectionMenu() const { return m_addToCollectionMenu; }
    // Whether the one-second countdown timer runs: only while the menu is open.
    bool countdownRunning() const { return m_countdownTimer.isActive(); }

    // Before every opening: the banner and the rows follow the engine and the settings.
    void menuNeedsUpdate();
    // At the opening: the submenus are rebuilt and the countdown starts ticking.
    void menuWillOpen();
    void menuDidClose();
    // The engine has a new current wallpaper: the banner cross-fades to it.
    void currentChanged();

    // A click on a row; the menu stays open unless the row's action closes it.
    void click(MenuRowID id);

    // Views re-read the rows and submenus when told.
    [[nodiscard]] NotificationCenter::Observation observe(std::function<void()> observer);

private:
    MenuRow& mutableRow(MenuRowID id);
    void refreshMenuModel(const Wallpaper& current, double fade);
    void updateFavoriteRow();
    void updatePauseRow();
    void updateCountdown();
    void updateCurrentRows();
    void rebuildCollectionsMenu();
    void newCollectionFromMenu();
    void changed();

    AppCommands& m_commands;
    const Library& m_library;
    MainLoop& m_loop;
    StatusMenuHooks m_hooks;
    MenuModel m_model;
    std::array<MenuRow, 13> m_rows;
    std::vector<MenuEntry> m_collectionsMenu;
    std::vector<MenuEntry> m_addToCollectionMenu;
    Timer m_countdownTimer;
    NotificationCenter m_observers;
};

} // namespace ks
