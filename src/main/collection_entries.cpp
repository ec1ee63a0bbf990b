#include "main/collection_entries.h"

#include "settings/settings_store.h"

namespace ks {

std::vector<MenuEntry> collectionEntries(SettingsStore& settings,
                                         const std::optional<Wallpaper>& wallpaper,
                                         const std::string& newMessage, AskForName askForName) {
    std::vector<MenuEntry> entries;
    for (const WallpaperCollection& collection : settings.collections()) {
        MenuEntry entry{collection.name};
        entry.checked = wallpaper && settings.contains(*wallpaper, collection.id);
        if (wallpaper)
            entry.action = [&settings, w = *wallpaper, id = collection.id] {
                settings.toggle(w, id);
            };
        entries.push_back(std::move(entry));
    }
    if (entries.empty())
        entries.push_back({"No collections yet", false, false});
    entries.push_back(MenuEntry::separatorLine());

    MenuEntry create{"New Collection with This Wallpaper…"};
    if (wallpaper && askForName)
        create.action = [&settings, w = *wallpaper, newMessage, ask = std::move(askForName)] {
            const auto name =
                ask({"New collection", newMessage, settings.nextCollectionName(), ""});
            if (name)
                settings.createCollection(*name, {w.key()});
        };
    entries.push_back(std::move(create));
    return entries;
}

} // namespace ks
