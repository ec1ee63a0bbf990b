#pragma once

#include "library/wallpaper.h"
#include "main/menu_entry.h"

#include <optional>
#include <string>
#include <vector>

namespace ks {

class SettingsStore;

// The "add to collection" list for one wallpaper: each user collection ticked when it holds
// the wallpaper (a click adds or removes it), "No collections yet" when there are none, and
// "New Collection with This Wallpaper…", which asks for a name with `newMessage` and makes
// a collection that starts with the wallpaper. Without a wallpaper nothing is ticked and
// nothing acts. The store must outlive the entries.
std::vector<MenuEntry> collectionEntries(SettingsStore& settings,
                                         const std::optional<Wallpaper>& wallpaper,
                                         const std::string& newMessage, AskForName askForName);

} // namespace ks
