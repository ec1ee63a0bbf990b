#pragma once

#include "main/menu_entry.h"

#include <QPointer>

#include <memory>
#include <vector>

class QMenu;

namespace ks {

// Keeps a menu of closures alive after the code that popped it up has returned: the most
// recent one lives in one process-wide slot until the next replaces it, or the application
// object goes. Main thread only.
class ClosureMenuTarget {
public:
    ~ClosureMenuTarget();
    ClosureMenuTarget(const ClosureMenuTarget&) = delete;
    ClosureMenuTarget& operator=(const ClosureMenuTarget&) = delete;

    // A menu of `entries` in the slot, in place of the one there before.
    static QMenu& replaceLive(const std::vector<MenuEntry>& entries);
    // The menu in the slot; null when there is none.
    static QMenu* liveMenu();

private:
    explicit ClosureMenuTarget(const std::vector<MenuEntry>& entries);

    static std::unique_ptr<ClosureMenuTarget> live;
    QPointer<QMenu> m_menu;
};

} // namespace ks
