#include "agent/backend_choice.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace ks {

namespace {

constexpr std::array<std::pair<std::string_view, BackendKind>, 9> kNames{{
    {"x11-root", BackendKind::X11Root},
    {"gnome", BackendKind::Gnome},
    {"command", BackendKind::Command},
    {"plasma", BackendKind::Plasma},
    {"xfce", BackendKind::Xfce},
    {"cinnamon", BackendKind::Cinnamon},
    {"mate", BackendKind::Mate},
    {"lxqt", BackendKind::Lxqt},
    {"sway", BackendKind::Sway},
}};

// Desktops whose background is GNOME's org.gnome.desktop.background.
constexpr std::array<std::string_view, 6> kGnomeDesktops{
    "gnome", "gnome-classic", "unity", "budgie", "pantheon", "gnome-flashback"};

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::ranges::transform(lower, lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

} // namespace

std::optional<BackendKind> backendFromName(std::string_view name) {
    for (const auto& [known, kind] : kNames)
        if (name == known)
            return kind;
    return std::nullopt;
}

std::string_view backendName(BackendKind kind) {
    for (const auto& [name, known] : kNames)
        if (kind == known)
            return name;
    return {};
}

bool isGnomeDesktop(std::string_view currentDesktop) {
    std::size_t start = 0;
    while (start <= currentDesktop.size()) {
        const std::size_t end = std::min(currentDesktop.find(':', start), currentDesktop.size());
        const std::string name = lowerCase(currentDesktop.substr(start, end - start));
        if (std::ranges::find(kGnomeDesktops, name) != kGnomeDesktops.end())
            return true;
        start = end + 1;
    }
    return false;
}

std::optional<BackendKind> defaultBackend(std::string_view currentDesktop, bool haveCommandTemplate,
                                          bool x11Reachable) {
    if (haveCommandTemplate)
        return BackendKind::Command;
    if (isGnomeDesktop(currentDesktop))
        return BackendKind::Gnome;
    if (x11Reachable)
        return BackendKind::X11Root;
    return std::nullopt;
}

} // namespace ks
