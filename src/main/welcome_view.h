#pragma once

#include <QWidget>

#include <functional>

class QCloseEvent;
class QKeyEvent;
class QPixmap;

namespace ks {

// What a first launch shows: that the application runs, where its tray icon is, the three
// things to know, and a way into the settings. It is its own top-level window, always light.
// Return opens the settings, Escape is Done.
class WelcomeView : public QWidget {
public:
    // `onClose` hears every close: either button, Escape or the window's close box.
    WelcomeView(std::function<void()> onOpenSettings, std::function<void()> onDone,
                std::function<void()> onClose = {});

    // The tray's MenuIcon.png from the resources; null when it cannot be read. Read anew for
    // each view: it is one small file, and a window shown once per launch needs no cache.
    static QPixmap menuIcon();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<void()> m_onOpenSettings;
    std::function<void()> m_onDone;
    std::function<void()> m_onClose;
};

} // namespace ks
