#pragma once

#include "library/wallpaper.h"
#include "main/app_command.h"

#include <functional>
#include <optional>
#include <string>

namespace ks {

class SettingsStore;
class WallpaperEngine;

// What the commands reach outside the rotation: the windows, the updater, the application.
struct ShellActions {
    // Opens the settings window, showing the given wallpaper's pack when there is one.
    std::function<void(std::optional<Wallpaper> reveal)> showSettings;
    std::function<void()> checkForUpdates;
    std::function<void()> quit;
};

// Carries out the commands against the engine and the settings. Lives on the main thread;
// the engine and the store must outlive it.
class AppCommands {
public:
    AppCommands(WallpaperEngine& engine, SettingsStore& settings, ShellActions actions);

    void run(AppCommand command);
    // Rotates the collection with this identifier; empty rotates the selected packs.
    void rotateCollection(const std::string& id);

    WallpaperEngine& engine() { return m_engine; }
    SettingsStore& settings() { return m_settings; }
    const ShellActions& actions() const { return m_actions; }

private:
    WallpaperEngine& m_engine;
    SettingsStore& m_settings;
    ShellActions m_actions;
};

} // namespace ks
