#include "ui/settings_window_controller.h"

#include "platform/linux/release_memory.h"
#include "ui/settings_view.h"
#include "ui/settings_window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

namespace ks {

SettingsWindowController::SettingsWindowController(
    SettingsWindowServices services, std::function<void(const Wallpaper&)> onPickWallpaper,
    std::function<bool()> canRestoreOriginal, std::function<void()> onRestoreOriginal)
    : m_services(std::move(services)), m_onPickWallpaper(std::move(onPickWallpaper)),
      m_canRestoreOriginal(std::move(canRestoreOriginal)),
      m_onRestoreOriginal(std::move(onRestoreOriginal)) {}

SettingsWindowController::~SettingsWindowController() {
    delete m_window.data();
}

SettingsView* SettingsWindowController::view() const {
    return m_window ? static_cast<SettingsWindow*>(m_window.data())->view() : nullptr;
}

void SettingsWindowController::show(std::optional<Wallpaper> revealing) {
    if (!m_window)
        build();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    if (revealing) {
        const std::weak_ptr<SettingsWindowController*> self = m_self;
        m_services.loop.post([self, w = std::move(*revealing)] {
            if (const auto controller = self.lock())
                (*controller)->m_reveal.request(w);
        });
    }
}

void SettingsWindowController::build() {
    SettingsViewInputs inputs{m_services.settings,
                              m_reveal,
                              m_services.library,
                              m_services.downloader,
                              m_services.loginItems,
                              m_services.loop,
                              m_services.askForName,
                              m_onPickWallpaper,
                              m_canRestoreOriginal ? m_canRestoreOriginal() : false,
                              m_onRestoreOriginal,
                              {},
                              m_services.showCollectionsMenu};
    SettingsWindow* window = nullptr;
    inputs.onDone = [this] {
        if (m_window)
            m_window->close();
    };
    auto* view = new SettingsView(std::move(inputs));
    window = new SettingsWindow(view, [this] { windowWillClose(); });
    window->setWindowTitle(QString::fromLatin1(kTitle));

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    m_window = window;
}

void SettingsWindowController::windowWillClose() {
    // Gone once the close is over; the next show builds a new window and view.
    if (QWidget* closing = m_window.data()) {
        m_window.clear();
        closing->deleteLater();
    }
    // The window's widgets, fonts and decoding buffers are freed by then; the allocator keeps
    // such memory for itself unless asked, and the tray should be light while it is closed.
    m_trim = m_services.loop.postAfter(Seconds(2), [] { releaseFreedMemory(); });
}

} // namespace ks
