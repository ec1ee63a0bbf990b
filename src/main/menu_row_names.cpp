#include "main/menu_row_names.h"

#include <array>

namespace ks {

QString menuRowObjectName(MenuRowID id) {
    static constexpr std::array<const char*, 12> kNames{
        "banner", "favorite",  "addToCollection", "hide",     "previous",        "next",
        "pause",  "countdown", "collections",     "settings", "checkForUpdates", "quit",
    };
    static_assert(kNames.size() == kMenuRowCount, "a name for every row");
    return QStringLiteral("menuRow_") + QLatin1String(kNames[static_cast<std::size_t>(id)]);
}

} // namespace ks
