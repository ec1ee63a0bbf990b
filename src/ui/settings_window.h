#pragma once

#include <QWidget>

#include <functional>

namespace ks {

class SettingsView;

// The settings window's frame: a fixed-size top-level window around the view, always drawn
// light, that reports its closing and lets Return press "Done" unless a text field takes it.
class SettingsWindow final : public QWidget {
public:
    SettingsWindow(SettingsView* view, std::function<void()> onClose);

    SettingsView* view() const { return m_view; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitView();

    SettingsView* m_view;
    std::function<void()> m_onClose;
};

} // namespace ks
