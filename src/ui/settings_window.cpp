#include "ui/settings_window.h"

#include "ui/palette.h"
#include "ui/settings_view.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ks {

SettingsWindow::SettingsWindow(SettingsView* view, std::function<void()> onClose)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::CustomizeWindowHint),
      m_view(view), m_onClose(std::move(onClose)) {
    setObjectName(QStringLiteral("settingsWindow"));
    setDrawingAppearance(this, DrawingAppearance::light);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor::fromRgbF(0.955f, 0.955f, 0.955f));
    background.setColor(QPalette::Base, Qt::white);
    background.setColor(QPalette::WindowText, Palette::ink().resolve(DrawingAppearance::light));
    background.setColor(QPalette::Text, Palette::ink().resolve(DrawingAppearance::light));
    background.setColor(QPalette::ButtonText, Palette::ink().resolve(DrawingAppearance::light));
    background.setColor(QPalette::Button, QColor(0xF6, 0xF5, 0xF4));
    setPalette(background);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    view->installEventFilter(this);
    fitView();
}

void SettingsWindow::fitView() {
    // The window takes the view's size, and the user cannot change it; it follows the view
    // when a row comes or goes.
    setFixedSize(m_view->width(), m_view->sizeHint().height());
}

bool SettingsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view && event->type() == QEvent::LayoutRequest)
        fitView();
    return QWidget::eventFilter(watched, event);
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted() && m_onClose)
        m_onClose();
}

void SettingsWindow::keyPressEvent(QKeyEvent* event) {
    // A text field's Return ends the typing, not the window.
    const bool typing = qobject_cast<QLineEdit*>(focusWidget()) != nullptr;
    if (!typing && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (auto* done = findChild<QPushButton*>(QStringLiteral("done"))) {
            done->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

} // namespace ks
