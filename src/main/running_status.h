#pragma once

#include "main/status_menu.h"

#include <string>

namespace ks {

class Library;
class SettingsStore;
class WallpaperEngine;

// What `--status` prints for a status bar, one "name: value" line each: the wallpaper on the
// desktop (pack, title and key), whether the rotation is paused, and the next change in the
// menu's words.
std::string runningStatus(const WallpaperEngine& engine, const Library& library,
                          const SettingsStore& settings, SysTime now, const StatusMenuHooks& hooks);

} // namespace ks
