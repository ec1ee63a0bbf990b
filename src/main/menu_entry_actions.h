#pragma once

#include "main/menu_entry.h"

#include <QString>

#include <string>
#include <vector>

class QMenu;
class QObject;

namespace ks {

// A title as QMenu shows it, letter for letter: '&' would mark a mnemonic and a tab would
// start the shortcut column, and collection names are the user's own.
QString literalMenuText(const std::string& title);

// Adds `entries` to `menu`: separators, items ticked when checked and greyed when disabled.
// A chosen item's action runs on the event loop's next turn, once the menu is done with the
// click (an action may open a modal prompt, or rebuild this very menu), and only while
// `context` lives.
void addMenuEntries(QMenu& menu, const std::vector<MenuEntry>& entries, QObject* context);

} // namespace ks
