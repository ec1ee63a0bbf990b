#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

namespace ks {

// Owns the welcome window while it is up: one at a time, gone once it closes.
class WelcomeWindowController {
public:
    explicit WelcomeWindowController(std::function<void()> onOpenSettings);
    ~WelcomeWindowController();
    WelcomeWindowController(const WelcomeWindowController&) = delete;
    WelcomeWindowController& operator=(const WelcomeWindowController&) = delete;

    // Builds the window unless it is up, centres it and brings it to the front.
    void show();
    // Null while no window is up.
    QWidget* window() const { return m_window.data(); }

private:
    void close();
    void windowWillClose();

    std::function<void()> m_onOpenSettings;
    QPointer<QWidget> m_window;
    // The window that was active when this one came up, given the keyboard back on closing.
    QPointer<QWidget> m_activeBefore;
    // The view's buttons hold this weakly, so a press after the controller is gone does nothing.
    std::shared_ptr<WelcomeWindowController*> m_self =
        std::make_shared<WelcomeWindowController*>(this);
};

} // namespace ks
