#include "main/closure_menu_target.h"

#include "main/menu_entry_actions.h"

#include <QCoreApplication>
#include <QMenu>

namespace ks {

std::unique_ptr<ClosureMenuTarget> ClosureMenuTarget::live;

ClosureMenuTarget::ClosureMenuTarget(const std::vector<MenuEntry>& entries) : m_menu(new QMenu()) {
    m_menu->setObjectName(QStringLiteral("closureMenu"));
    addMenuEntries(*m_menu, entries, m_menu);
}

ClosureMenuTarget::~ClosureMenuTarget() {
    if (!m_menu)
        return;
    m_menu->hide();
    // Later: the replaced menu may be the one whose item is being chosen right now.
    m_menu->deleteLater();
}

QMenu& ClosureMenuTarget::replaceLive(const std::vector<MenuEntry>& entries) {
    // Emptied while the application object still stands, since a widget must not outlive
    // it; nothing is being chosen then, so the menu can go at once.
    if (!live)
        qAddPostRoutine([] {
            if (live)
                delete live->m_menu.data();
            live.reset();
        });
    live.reset(new ClosureMenuTarget(entries));
    return *live->m_menu;
}

QMenu* ClosureMenuTarget::liveMenu() {
    return live ? live->m_menu.data() : nullptr;
}

} // namespace ks
