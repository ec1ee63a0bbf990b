#pragma once

#include "agent/agent_options.h"

#include <optional>
#include <string_view>

namespace ks {

std::optional<BackendKind> backendFromName(std::string_view name);
std::string_view backendName(BackendKind kind);

// Whether $XDG_CURRENT_DESKTOP (a colon-separated list) names a desktop that draws its
// background from GNOME's settings.
bool isGnomeDesktop(std::string_view currentDesktop);

// The backend used when none is asked for: a command template the user set wins, then a
// GNOME-family desktop, then the X root window. None when nothing can draw.
std::optional<BackendKind> defaultBackend(std::string_view currentDesktop, bool haveCommandTemplate,
                                          bool x11Reachable);

} // namespace ks
