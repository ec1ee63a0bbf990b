#pragma once

#include "library/wallpaper.h"

namespace ks {

class SettingsStore;

// The collections of one wallpaper as a menu at the pointer, for the pack browser: each
// collection ticked when it holds the wallpaper (choosing it adds or removes it), and a new
// collection that starts with it. The menu stays alive until the next one replaces it; the
// store must outlive it.
void popUpCollectionsMenu(const Wallpaper& wallpaper, SettingsStore& settings);

} // namespace ks
