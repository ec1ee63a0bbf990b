#pragma once

#include "main/menu_entry.h"

#include <optional>
#include <string>

namespace ks {

// The menus' name prompt (an AskForName): a modal dialog titled and headed with the prompt's
// title, its message below, a field holding the placeholder and the initial name, and the
// buttons "Rename" (when there is an initial name) or "Create", and "Cancel". Brings the
// application to the front first. The name as typed, spaces and all, when the first button
// ends it; none when the dialog is cancelled or closed.
std::optional<std::string> askForName(const NamePrompt& prompt);

} // namespace ks
