#include "main/running_status.h"

#include "engine/wallpaper_engine.h"

namespace ks {

namespace {

// Names come from the library and the user's files; a line break in one must not make a
// line of its own for the script that reads this.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

} // namespace

std::string runningStatus(const WallpaperEngine& engine, const Library& library,
                          const SettingsStore& settings, SysTime now,
                          const StatusMenuHooks& hooks) {
    std::string text = "wallpaper: ";
    if (const auto current = engine.currentWallpaper()) {
        const auto banner = bannerFor(engine, library, *current);
        text += oneLine(banner.packName + " — " + banner.wallpaperName);
        if (!engine.isShowingOriginal())
            text += oneLine(" (" + current->key() + ")");
    } else {
        text += "none";
    }
    text += "\npaused: ";
    text += engine.paused() ? "yes" : "no";
    const std::string next = countdownNow(engine, settings, now, hooks);
    text += "\nnext: " + (next.empty() ? std::string("none") : next) + "\n";
    return text;
}

} // namespace ks
