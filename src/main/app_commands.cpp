#include "main/app_commands.h"

#include "engine/wallpaper_engine.h"
#include "settings/settings_store.h"

namespace ks {

AppCommands::AppCommands(WallpaperEngine& engine, SettingsStore& settings, ShellActions actions)
    : m_engine(engine), m_settings(settings), m_actions(std::move(actions)) {}

void AppCommands::run(AppCommand command) {
    switch (command) {
    case AppCommand::next:
        m_engine.advance(true);
        return;
    case AppCommand::previous:
        m_engine.retreat();
        return;
    case AppCommand::pause:
        m_engine.setPaused(true);
        return;
    case AppCommand::resume:
        m_engine.setPaused(false);
        return;
    case AppCommand::togglePause:
        m_engine.setPaused(!m_engine.paused());
        return;
    case AppCommand::toggleFavorite:
        if (const auto current = m_engine.currentWallpaper())
            m_settings.toggleFavorite(*current);
        return;
    case AppCommand::hide:
        if (const auto current = m_engine.currentWallpaper()) {
            m_settings.toggleHidden(*current);
            m_engine.advance(true);
        }
        return;
    case AppCommand::restoreOriginal:
        m_engine.restoreOriginalWallpaper();
        return;
    case AppCommand::showSettings:
        if (m_actions.showSettings)
            m_actions.showSettings(std::nullopt);
        return;
    case AppCommand::checkForUpdates:
        if (m_actions.checkForUpdates)
            m_actions.checkForUpdates();
        return;
    case AppCommand::quit:
        if (m_actions.quit)
            m_actions.quit();
        return;
    }
}

void AppCommands::rotateCollection(const std::string& id) {
    m_settings.setRotationCollectionID(id.empty() ? std::nullopt : std::optional(id));
}

} // namespace ks
