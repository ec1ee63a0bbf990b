#pragma once

#include <optional>
#include <string_view>

namespace ks {

// What the user can ask of the running application, from the tray menu, a global hot key or
// the command line of a second copy: one name for each, so every road does the same thing.
enum class AppCommand {
    next,
    previous,
    pause,
    resume,
    togglePause,
    toggleFavorite,
    hide,
    restoreOriginal,
    showSettings,
    checkForUpdates,
    quit,
};

// The word a second copy sends for the command ("next", "toggle-pause", ...).
std::string_view commandName(AppCommand command);
std::optional<AppCommand> commandNamed(std::string_view name);

} // namespace ks
