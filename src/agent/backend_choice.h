#pragma once

#include "agent/agent_options.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ks {

std::optional<BackendKind> backendFromName(std::string_view name);
std::string_view backendName(BackendKind kind);
// Every --backend name, comma-separated, for messages.
std::string backendNames();

// What the session tells about itself; read by sessionFromEnvironment(), or made up by tests.
struct SessionFacts {
    std::string currentDesktop;  // $XDG_CURRENT_DESKTOP, a colon-separated list
    std::string sessionType;     // $XDG_SESSION_TYPE: "x11", "wayland", "tty" or empty
    bool waylandDisplay = false; // $WAYLAND_DISPLAY set
    bool swaySocket = false;     // $SWAYSOCK set
    bool haveCommandTemplate = false;
    bool x11Reachable = false;
    // The desktop whose session program runs on this X display, looked for only when no
    // desktop is named.
    std::optional<BackendKind> runningDesktop;
};

// The backend used when none is asked for, and why. Without a kind, `desktop` names the
// session that has no backend of ours (empty when nothing names it).
struct BackendChoice {
    std::optional<BackendKind> kind;
    std::string desktop;
    std::string reason;
};

// A command template the user set wins; then the first desktop $XDG_CURRENT_DESKTOP names
// that we know; then sway's socket or a desktop's running program; then the X root window,
// but only where no desktop paints over it and the session is not Wayland's.
BackendChoice chooseBackend(const SessionFacts& facts);

inline std::optional<BackendKind> defaultBackend(const SessionFacts& facts) {
    return chooseBackend(facts).kind;
}

// Why no backend draws on the session, naming it and the way out, for a log line.
std::string noBackendMessage(const BackendChoice& choice);

// The facts, as text for --explain.
std::string describeSession(const SessionFacts& facts);

// Whether the desktop animates its own wallpaper changes (GNOME, Plasma, Cinnamon, MATE), so
// that covers over it would only hide the animation. A command template does not change
// what the desktop does.
bool desktopAnimatesChanges(const SessionFacts& facts);

// Whether the session is Wayland's, where no window can sit below the others and the X root
// window (XWayland's) is never seen.
bool isWaylandSession(const SessionFacts& facts);

// The desktop whose session program (gnome-shell, plasmashell, xfce4-session…) is among this
// user's processes in `proc` running on X display `display`, the first in that order.
std::optional<BackendKind> runningDesktopProgram(const std::filesystem::path& proc,
                                                 const std::string& display);

// This process's session. x11Reachable is left false: opening the display is the caller's.
SessionFacts sessionFromEnvironment();

} // namespace ks
