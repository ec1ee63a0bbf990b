#include "main/app_command.h"

#include <array>
#include <utility>

namespace ks {

namespace {

constexpr std::array<std::pair<AppCommand, std::string_view>, 11> kNames{{
    {AppCommand::next, "next"},
    {AppCommand::previous, "previous"},
    {AppCommand::pause, "pause"},
    {AppCommand::resume, "resume"},
    {AppCommand::togglePause, "toggle-pause"},
    {AppCommand::toggleFavorite, "toggle-favorite"},
    {AppCommand::hide, "hide"},
    {AppCommand::restoreOriginal, "restore"},
    {AppCommand::showSettings, "showSettings"},
    {AppCommand::checkForUpdates, "check-for-updates"},
    {AppCommand::quit, "quit"},
}};

} // namespace

std::string_view commandName(AppCommand command) {
    for (const auto& [c, name] : kNames)
        if (c == command)
            return name;
    return {};
}

std::optional<AppCommand> commandNamed(std::string_view name) {
    for (const auto& [c, n] : kNames)
        if (n == name)
            return c;
    return std::nullopt;
}

} // namespace ks
