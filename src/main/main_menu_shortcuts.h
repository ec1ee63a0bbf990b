#pragma once

#include <QObject>

#include <functional>

class QEvent;

namespace ks {

// The application menu's key equivalents, Ctrl+, for the settings and Ctrl+Q to quit, in
// every window of the application while it has the keyboard. A tray application has no
// menu bar to carry them, so they are watched for on the application itself. Other keys,
// the text fields' editing keys among them, pass untouched.
class MainMenuShortcuts : public QObject {
public:
    MainMenuShortcuts(std::function<void()> showSettings, std::function<void()> quit);
    ~MainMenuShortcuts() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> m_showSettings;
    std::function<void()> m_quit;
};

} // namespace ks
