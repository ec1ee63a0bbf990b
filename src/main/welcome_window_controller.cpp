#include "main/welcome_window_controller.h"

#include "base/locations.h"
#include "main/welcome_view.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

namespace ks {

WelcomeWindowController::WelcomeWindowController(std::function<void()> onOpenSettings)
    : m_onOpenSettings(std::move(onOpenSettings)) {}

WelcomeWindowController::~WelcomeWindowController() {
    delete m_window.data();
}

void WelcomeWindowController::show() {
    if (!m_window) {
        const std::weak_ptr<WelcomeWindowController*> self = m_self;
        auto* view = new WelcomeView(
            [self] {
                if (const auto controller = self.lock()) {
                    // Closed first, so the settings window comes up on top and alone.
                    (*controller)->close();
                    if ((*controller)->m_onOpenSettings)
                        (*controller)->m_onOpenSettings();
                }
            },
            [self] {
                if (const auto controller = self.lock())
                    (*controller)->close();
            },
            [self] {
                if (const auto controller = self.lock())
                    (*controller)->windowWillClose();
            });
        view->setWindowTitle(QString::fromUtf8(kAppName.data(), static_cast<int>(kAppName.size())));
        view->setAttribute(Qt::WA_DeleteOnClose);
        view->adjustSize();
        view->setFixedSize(view->size());
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = view->frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            view->move(frame.topLeft());
        }
        m_window = view;
        m_activeBefore = QApplication::activeWindow();
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void WelcomeWindowController::close() {
    if (m_window)
        m_window->close();
}

void WelcomeWindowController::windowWillClose() {
    // The window deletes itself once the close is over; the next show builds a new one.
    m_window.clear();
    // Without a window manager nobody hands the keyboard back to the window that had it.
    if (m_activeBefore && m_activeBefore->isVisible())
        m_activeBefore->activateWindow();
    m_activeBefore.clear();
}

} // namespace ks
