#include "main/collections_popup.h"

#include "main/ask_for_name.h"
#include "main/closure_menu_target.h"
#include "main/collection_entries.h"

#include <QCursor>
#include <QMenu>

namespace ks {

void popUpCollectionsMenu(const Wallpaper& wallpaper, SettingsStore& settings) {
    const auto entries = collectionEntries(
        settings, wallpaper, "Starts with this wallpaper. Add more with the + on any wallpaper.",
        askForName);
    ClosureMenuTarget::replaceLive(entries).popup(QCursor::pos());
}

} // namespace ks
