#include "main/menu_entry_actions.h"

#include <QAction>
#include <QMenu>
#include <QMetaObject>

namespace ks {

QString literalMenuText(const std::string& title) {
    // A collection's name is as long as the user typed it; a menu as wide as the screen
    // helps nobody, and menus do not cut their items short themselves.
    constexpr qsizetype kLongest = 60;
    QString text = QString::fromStdString(title);
    if (text.size() > kLongest) {
        qsizetype cut = kLongest - 1;
        if (text.at(cut - 1).isHighSurrogate())
            --cut;
        text = text.left(cut) + QChar(0x2026);
    }
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

void addMenuEntries(QMenu& menu, const std::vector<MenuEntry>& entries, QObject* context) {
    for (const MenuEntry& entry : entries) {
        if (entry.separator) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(literalMenuText(entry.title));
        action->setCheckable(entry.checked);
        action->setChecked(entry.checked);
        action->setEnabled(entry.enabled);
        if (!entry.action)
            continue;
        QObject::connect(action, &QAction::triggered, context, [context, run = entry.action] {
            QMetaObject::invokeMethod(context, run, Qt::QueuedConnection);
        });
    }
}

} // namespace ks
