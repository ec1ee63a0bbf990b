#include "main/status_menu.h"

#include "engine/wallpaper_engine.h"
#include "library/library.h"
#include "main/collection_entries.h"
#include "main/countdown_text.h"
#include "settings/settings_store.h"

namespace ks {

namespace {

constexpr std::string_view kMenuChanged = "statusMenuChanged";

using Row = std::optional<MenuRowID>;
constexpr std::array<Row, 17> kLayout{
    MenuRowID::banner,
    MenuRowID::favorite,
    MenuRowID::addToCollection,
    MenuRowID::hide,
    std::nullopt,
    MenuRowID::previous,
    MenuRowID::next,
    MenuRowID::pause,
    MenuRowID::countdown,
    std::nullopt,
    MenuRowID::collections,
    std::nullopt,
    MenuRowID::settings,
    MenuRowID::checkForUpdates,
    std::nullopt,
    MenuRowID::quit,
};

std::array<MenuRow, 13> initialRows() {
    const std::string chevron(kSubmenuMark);
    return {{
        {MenuRowID::banner, "", "", ""},
        {MenuRowID::favorite, "Favorite", "heart", ""},
        {MenuRowID::addToCollection, "Add to Collection", "plus.square.on.square", chevron},
        {MenuRowID::hide, "Never Show This Wallpaper", "eye.slash", ""},
        {MenuRowID::previous, "Previous Wallpaper", "backward.fill", "Ctrl+Alt+Super+P"},
        {MenuRowID::next, "Next Wallpaper", "forward.fill", "Ctrl+Alt+Super+N"},
        {MenuRowID::pause, "Pause Rotation", "pause.fill", ""},
        {MenuRowID::countdown, "", "clock", ""},
        {MenuRowID::collections, "Collections", "square.stack", chevron},
        {MenuRowID::settings, "Settings…", "gearshape", "Ctrl+,"},
        {MenuRowID::checkForUpdates, "Check for Updates…", "arrow.triangle.2.circlepath", ""},
        {MenuRowID::quit, "Quit Kestrane Wallpapers", "power", "Ctrl+Q"},
    }};
}

} // namespace

MenuModel::Banner bannerFor(const WallpaperEngine& engine, const Library& library,
                            const Wallpaper& current) {
    MenuModel::Banner banner;
    banner.image = engine.currentThumbnail();
    if (engine.isShowingOriginal()) {
        banner.imageID = "__original__";
        banner.packName = "Your wallpaper";
        banner.wallpaperName = "Rotation paused";
    } else if (const auto pack = library.pack(current.packID)) {
        banner.imageID = current.key();
        banner.packName = pack->displayName;
        banner.wallpaperName = current.title(*pack);
    } else {
        banner.imageID = current.key();
        banner.packName = current.packID;
        banner.wallpaperName = current.displayName();
    }
    return banner;
}

std::string countdownNow(const WallpaperEngine& engine, const SettingsStore& settings, SysTime now,
                         const StatusMenuHooks& hooks) {
    CountdownInputs inputs;
    inputs.paused = engine.paused();
    inputs.pauseOnBattery = settings.pauseOnBattery();
    // The power source is read only where it decides the text.
    inputs.onBattery =
        !inputs.paused && inputs.pauseOnBattery && hooks.isOnBattery && hooks.isOnBattery();
    inputs.intervalSeconds = settings.intervalSeconds();
    inputs.nextChange = engine.nextChangeDate();
    inputs.now = now;
    inputs.shortTime = hooks.shortTime;
    return countdownText(inputs);
}

StatusMenu::StatusMenu(AppCommands& commands, const Library& library, MainLoop& loop,
                       StatusMenuHooks hooks)
    : m_commands(commands), m_library(library), m_loop(loop), m_hooks(std::move(hooks)),
      m_rows(initialRows()) {}

std::span<const std::optional<MenuRowID>> StatusMenu::layout() {
    return kLayout;
}

const MenuRow& StatusMenu::row(MenuRowID id) const {
    return m_rows[static_cast<std::size_t>(id)];
}

MenuRow& StatusMenu::mutableRow(MenuRowID id) {
    return m_rows[static_cast<std::size_t>(id)];
}

NotificationCenter::Observation StatusMenu::observe(std::function<void()> observer) {
    return m_observers.addObserver(kMenuChanged, std::move(observer));
}

void StatusMenu::changed() {
    m_observers.post(kMenuChanged);
}

void StatusMenu::refreshMenuModel(const Wallpaper& current, double fade) {
    m_model.setBanner(bannerFor(m_commands.engine(), m_library, current), fade);
}

void StatusMenu::updateFavoriteRow() {
    const auto current = m_commands.engine().currentWallpaper();
    if (!current)
        return;
    MenuRow& favorite = mutableRow(MenuRowID::favorite);
    const bool isFavorite = m_commands.settings().isFavorite(*current);
    favorite.title = isFavorite ? "Unfavorite" : "Favorite";
    favorite.symbol = isFavorite ? "heart.fill" : "heart";
}

void StatusMenu::updatePauseRow() {
    MenuRow& pause = mutableRow(MenuRowID::pause);
    const bool paused = m_commands.engine().paused();
    pause.title = paused ? "Resume Rotation" : "Pause Rotation";
    pause.symbol = paused ? "play.fill" : "pause.fill";
}

void StatusMenu::updateCountdown() {
    MenuRow& countdown = mutableRow(MenuRowID::countdown);
    countdown.title =
        countdownNow(m_commands.engine(), m_commands.settings(), m_loop.clock().now(), m_hooks);
    countdown.hidden = countdown.title.empty();
}

// The rows that only make sense for a wallpaper of the rotation on screen.
void StatusMenu::updateCurrentRows() {
    const WallpaperEngine& engine = m_commands.engine();
    const bool current = engine.currentWallpaper().has_value();
    const bool hidden = !current || engine.isShowingOriginal();
    mutableRow(MenuRowID::favorite).hidden = hidden;
    mutableRow(MenuRowID::addToCollection).hidden = hidden;
    mutableRow(MenuRowID::hide).hidden = hidden;
    mutableRow(MenuRowID::banner).hidden = !current;
}

void StatusMenu::menuNeedsUpdate() {
    if (const auto current = m_commands.engine().currentWallpaper())
        refreshMenuModel(*current, 0);
    updateFavoriteRow();
    updateCurrentRows();
    updatePauseRow();
    updateCountdown();
    changed();
}

void StatusMenu::menuWillOpen() {
    rebuildCollectionsMenu();
    m_addToCollectionMenu =
        collectionEntries(m_commands.settings(), m_commands.engine().currentWallpaper(),
                          "Starts with the wallpaper on screen now.", m_hooks.askForName);
    // The timer is ours, so it cannot outlive the menu it ticks.
    m_countdownTimer = m_loop.scheduleRepeating(Seconds(1.0), [this] {
        updateCountdown();
        changed();
    });
    changed();
}

void StatusMenu::menuDidClose() {
    m_countdownTimer.cancel();
}

void StatusMenu::rebuildCollectionsMenu() {
    SettingsStore& settings = m_commands.settings();
    const auto& rotating = settings.rotationCollectionID();
    m_collectionsMenu.clear();
    m_collectionsMenu.push_back({"Selected Packs", !rotating.has_value(), true, false,
                                 [this] { m_commands.rotateCollection(""); }});
    m_collectionsMenu.push_back(MenuEntry::separatorLine());
    for (const WallpaperCollection& collection : settings.allCollections())
        m_collectionsMenu.push_back(
            {collection.name, rotating == collection.id, !collection.wallpapers.empty(), false,
             [this, id = collection.id] { m_commands.rotateCollection(id); }});
    m_collectionsMenu.push_back(MenuEntry::separatorLine());
    m_collectionsMenu.push_back(
        {"New Collection…", false, true, false, [this] { newCollectionFromMenu(); }});
}

void StatusMenu::newCollectionFromMenu() {
    if (!m_hooks.askForName)
        return;
    SettingsStore& settings = m_commands.settings();
    const auto name = m_hooks.askForName(
        {"New collection", "Add wallpapers to it with the + on any wallpaper, or from this menu.",
         settings.nextCollectionName(), ""});
    if (name)
        settings.createCollection(*name, {});
}

void StatusMenu::currentChanged() {
    const WallpaperEngine& engine = m_commands.engine();
    const auto current = engine.currentWallpaper();
    if (!current)
        return;
    const double fade = engine.currentFade();
    refreshMenuModel(*current, fade > 0.01 ? fade : 0);
    updateFavoriteRow();
    updateCurrentRows();
    changed();
}

void StatusMenu::click(MenuRowID id) {
    const auto current = m_commands.engine().currentWallpaper();
    switch (id) {
    case MenuRowID::banner:
        if (!current)
            return;
        m_model.setHovering(false);
        if (m_hooks.closeMenu)
            m_hooks.closeMenu();
        if (m_commands.actions().showSettings)
            m_commands.actions().showSettings(current);
        return;
    case MenuRowID::favorite:
        m_commands.run(AppCommand::toggleFavorite);
        updateFavoriteRow();
        break;
    case MenuRowID::hide:
        m_commands.run(AppCommand::hide);
        break;
    case MenuRowID::previous:
        m_commands.run(AppCommand::previous);
        break;
    case MenuRowID::next:
        m_commands.run(AppCommand::next);
        break;
    case MenuRowID::pause:
        m_commands.run(AppCommand::togglePause);
        updatePauseRow();
        updateCountdown();
        break;
    case MenuRowID::settings:
        if (m_hooks.closeMenu)
            m_hooks.closeMenu();
        m_commands.run(AppCommand::showSettings);
        return;
    case MenuRowID::checkForUpdates:
        m_commands.run(AppCommand::checkForUpdates);
        return;
    case MenuRowID::quit:
        m_commands.run(AppCommand::quit);
        return;
    case MenuRowID::addToCollection:
    case MenuRowID::countdown:
    case MenuRowID::collections:
        return;
    }
    changed();
}

} // namespace ks
