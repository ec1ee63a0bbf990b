#include "agent/backend_choice.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

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

// Desktops by the names $XDG_CURRENT_DESKTOP gives them, in lower case.
constexpr std::array<std::pair<std::string_view, BackendKind>, 13> kDesktops{{
    {"gnome", BackendKind::Gnome},
    {"gnome-classic", BackendKind::Gnome},
    {"gnome-flashback", BackendKind::Gnome},
    {"unity", BackendKind::Gnome},
    {"budgie", BackendKind::Gnome},
    {"pantheon", BackendKind::Gnome},
    {"kde", BackendKind::Plasma},
    {"xfce", BackendKind::Xfce},
    {"x-cinnamon", BackendKind::Cinnamon},
    {"cinnamon", BackendKind::Cinnamon},
    {"mate", BackendKind::Mate},
    {"lxqt", BackendKind::Lxqt},
    {"sway", BackendKind::Sway},
}};

// Window managers that leave the root window visible, so that its picture is the wallpaper.
constexpr std::array<std::string_view, 22> kPlainWindowManagers{
    "openbox", "i3",     "fluxbox", "blackbox", "awesome",   "bspwm",  "dwm", "herbstluftwm",
    "icewm",   "jwm",    "xmonad",  "spectrwm", "fvwm",      "fvwm3",  "cwm", "windowmaker",
    "twm",     "evilwm", "notion",  "leftwm",   "ratpoison", "stumpwm"};

// The programs that tell a desktop runs when nothing names it (as /proc shows their names,
// cut at 15 characters).
constexpr std::array<std::pair<std::string_view, BackendKind>, 6> kDesktopPrograms{{
    {"gnome-shell", BackendKind::Gnome},
    {"plasmashell", BackendKind::Plasma},
    {"xfce4-session", BackendKind::Xfce},
    {"cinnamon-session", BackendKind::Cinnamon},
    {"mate-session", BackendKind::Mate},
    {"lxqt-session", BackendKind::Lxqt},
}};

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::ranges::transform(lower, lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::vector<std::string> desktopNames(std::string_view list) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(':', start), list.size());
        if (end > start)
            names.emplace_back(list.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::optional<BackendKind> desktopKind(const std::string& name) {
    const std::string lower = lowerCase(name);
    for (const auto& [known, kind] : kDesktops)
        if (lower == known)
            return kind;
    return std::nullopt;
}

bool isPlainWindowManager(const std::string& name) {
    return std::ranges::find(kPlainWindowManagers, lowerCase(name)) != kPlainWindowManagers.end();
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

std::optional<BackendKind> runningDesktopProgram(const std::filesystem::path& proc,
                                                 const std::string& display) {
    if (display.empty())
        return std::nullopt;
    // A desktop on another X display (a test's private server beside the user's desktop, a
    // second seat) paints nothing on this one.
    const std::string onDisplay = "DISPLAY=" + display + '\0';
    std::vector<std::string> running;
    std::error_code error;
    std::filesystem::directory_iterator entry(proc, error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const std::string pid = entry->path().filename().string();
        struct stat info {};
        if (!std::ranges::all_of(pid, [](unsigned char c) { return std::isdigit(c); }) ||
            ::stat(entry->path().c_str(), &info) != 0 || info.st_uid != ::getuid())
            continue;
        std::string name;
        std::getline(std::ifstream(entry->path() / "comm"), name);
        if (std::ranges::none_of(kDesktopPrograms,
                                 [&](const auto& p) { return p.first.substr(0, 15) == name; }))
            continue;
        std::ifstream file(entry->path() / "environ", std::ios::binary);
        const std::string environment =
            '\0' + std::string(std::istreambuf_iterator<char>(file), {});
        if (environment.find('\0' + onDisplay) != std::string::npos)
            running.push_back(name);
    }
    for (const auto& [program, kind] : kDesktopPrograms)
        if (std::ranges::find(running, program.substr(0, 15)) != running.end())
            return kind;
    return std::nullopt;
}

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

std::string backendNames() {
    std::string names;
    for (const auto& [name, kind] : kNames)
        names += (names.empty() ? "" : ", ") + std::string(name);
    return names;
}

BackendChoice chooseBackend(const SessionFacts& facts) {
    if (facts.haveCommandTemplate)
        return {BackendKind::Command,
                {},
                "a wallpaper command is set (--command or KESTRANE_WALLPAPER_COMMAND)"};
    const bool wayland = isWaylandSession(facts);
    const auto names = desktopNames(facts.currentDesktop);
    // "ubuntu:GNOME": the first name we know decides.
    for (const auto& name : names) {
        if (const auto kind = desktopKind(name))
            return {kind, name, "XDG_CURRENT_DESKTOP names " + name};
        if (!isPlainWindowManager(name))
            continue;
        if (wayland)
            return {std::nullopt, name, "a Wayland session has no X root window to paint"};
        if (!facts.x11Reachable)
            return {std::nullopt, name, "no X display to paint the root window of"};
        return {BackendKind::X11Root, name,
                name + " is a window manager that leaves the X root window visible"};
    }
    if (facts.swaySocket)
        return {BackendKind::Sway, "sway", "SWAYSOCK is set"};
    if (!names.empty())
        return {std::nullopt, names.front(),
                wayland ? "a Wayland session we have no backend for"
                        : "a desktop we have no backend for, which may paint its own background "
                          "over the X root window"};
    if (facts.runningDesktop)
        return {facts.runningDesktop, std::string(backendName(*facts.runningDesktop)),
                "no desktop named, but its session program runs"};
    if (wayland)
        return {std::nullopt,
                {},
                "a Wayland session that names no desktop has no X root "
                "window to paint"};
    if (facts.x11Reachable)
        return {BackendKind::X11Root, {}, "no desktop named: a plain X server or window manager"};
    return {std::nullopt, {}, "no desktop named and no X display"};
}

std::string noBackendMessage(const BackendChoice& choice) {
    return (choice.desktop.empty() ? "" : choice.desktop + ": ") + "no desktop backend (" +
           choice.reason + "); use --backend NAME (" + backendNames() +
           ") or --command TEMPLATE (or KESTRANE_WALLPAPER_COMMAND)";
}

std::string describeSession(const SessionFacts& facts) {
    const auto orUnset = [](const std::string& value) { return value.empty() ? "(unset)" : value; };
    std::string text = "XDG_CURRENT_DESKTOP=" + orUnset(facts.currentDesktop) +
                       ", XDG_SESSION_TYPE=" + orUnset(facts.sessionType) +
                       (facts.waylandDisplay ? ", WAYLAND_DISPLAY set" : "") +
                       (facts.swaySocket ? ", SWAYSOCK set" : "") +
                       (facts.x11Reachable ? ", X display reachable" : ", no X display") +
                       (facts.haveCommandTemplate ? ", a wallpaper command" : "");
    if (facts.runningDesktop)
        text += ", a " + std::string(backendName(*facts.runningDesktop)) + " session runs";
    return text;
}

bool desktopAnimatesChanges(const SessionFacts& facts) {
    SessionFacts desktop = facts;
    desktop.haveCommandTemplate = false;
    desktop.x11Reachable = true;
    const auto kind = defaultBackend(desktop);
    return kind == BackendKind::Gnome || kind == BackendKind::Plasma ||
           kind == BackendKind::Cinnamon || kind == BackendKind::Mate;
}

bool isWaylandSession(const SessionFacts& facts) {
    // The session type is the login manager's word; $WAYLAND_DISPLAY fills in without it.
    return facts.sessionType == "wayland" || (facts.sessionType.empty() && facts.waylandDisplay);
}

SessionFacts sessionFromEnvironment() {
    SessionFacts facts;
    facts.currentDesktop = environment("XDG_CURRENT_DESKTOP");
    facts.sessionType = environment("XDG_SESSION_TYPE");
    facts.waylandDisplay = !environment("WAYLAND_DISPLAY").empty();
    facts.swaySocket = !environment("SWAYSOCK").empty();
    facts.haveCommandTemplate = !environment("KESTRANE_WALLPAPER_COMMAND").empty();
    if (desktopNames(facts.currentDesktop).empty())
        facts.runningDesktop = runningDesktopProgram("/proc", environment("DISPLAY"));
    return facts;
}

} // namespace ks
