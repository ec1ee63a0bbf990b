#pragma once

#include "platform/login_items.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ks {

// The small part of the freedesktop Desktop Entry format that autostart needs.
namespace DesktopEntry {

// The keys of the "[Desktop Entry]" group with their values unescaped; none when the text
// has no such group.
std::optional<std::map<std::string, std::string>> parseMainGroup(std::string_view text);

// `path` as one argument of an Exec value, quoted where needed, and with every escape the
// value needs, so that a launcher reads back exactly `path`.
std::string execArgument(std::string_view path);

// Whether an autostart entry with this text starts the program at login: it must have a
// main group, and neither hide it nor switch it off.
bool startsAtLogin(std::string_view text);

} // namespace DesktopEntry

// Launch at login through the XDG autostart folder: the user's entry in
// $XDG_CONFIG_HOME/autostart overrides one of the same name in the system folders.
class XdgAutostartLoginItems final : public LoginItems {
public:
    static constexpr std::string_view kEntryName = "kestrane-wallpapers.desktop";

    struct Paths {
        std::filesystem::path userEntry;
        // Entries of the same name in $XDG_CONFIG_DIRS, most important first.
        std::vector<std::filesystem::path> systemEntries;
        // The program to start; none when the running executable cannot be found.
        std::optional<std::filesystem::path> executable;
    };

    // Paths from the environment and the running executable.
    XdgAutostartLoginItems();
    explicit XdgAutostartLoginItems(Paths paths);

    int status() const override;
    LoginItemResult enable() override;
    LoginItemResult disable() override;

    static std::string entryText(const std::filesystem::path& executable);
    static Paths pathsFromEnvironment();

private:
    std::optional<std::filesystem::path> firstSystemEntry() const;

    Paths m_paths;
};

} // namespace ks
