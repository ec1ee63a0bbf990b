#include "main/main_menu_shortcuts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>

namespace ks {

MainMenuShortcuts::MainMenuShortcuts(std::function<void()> showSettings, std::function<void()> quit)
    : m_showSettings(std::move(showSettings)), m_quit(std::move(quit)) {
    QCoreApplication::instance()->installEventFilter(this);
}

MainMenuShortcuts::~MainMenuShortcuts() {
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool MainMenuShortcuts::eventFilter(QObject* watched, QEvent* event) {
    // Seen first at the window, then at the widget with the focus; acting on the widget's
    // turn and consuming the press acts once.
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const QKeyCombination combination = key->keyCombination();
    const auto modifiers = combination.keyboardModifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::ControlModifier)
        return false;
    if (combination.key() == Qt::Key_Comma && m_showSettings) {
        m_showSettings();
        return true;
    }
    if (combination.key() == Qt::Key_Q && m_quit) {
        m_quit();
        return true;
    }
    return false;
}

} // namespace ks
