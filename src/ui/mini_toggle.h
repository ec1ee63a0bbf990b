#pragma once

#include <QWidget>

#include <functional>

class QVariantAnimation;

namespace ks {

// The small switch of a pack that ticks or unticks all of its wallpapers.
class MiniToggle : public QWidget {
public:
    explicit MiniToggle(QWidget* parent = nullptr);

    void setOn(bool on);
    bool isOn() const { return m_on; }
    // Called on a click with the state asked for; the caller then sets it.
    void setAction(std::function<void(bool)> action);

    QSize sizeHint() const override { return {42, 26}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_on = false;
    double m_knob = 0; // 0 off … 1 on, past either while the spring overshoots
    QVariantAnimation* m_animation;
    std::function<void(bool)> m_action;
};

} // namespace ks
