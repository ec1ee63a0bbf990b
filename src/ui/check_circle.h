#pragma once

#include <QWidget>

#include <functional>

class QPainter;
class QPointF;

namespace ks {

// A round tick of a wallpaper or pack: checked, partly checked (a minus) or neither.
class CheckCircle : public QWidget {
public:
    explicit CheckCircle(QWidget* parent = nullptr);

    void setState(bool checked, bool partial);
    bool checked() const { return m_checked; }
    bool partial() const { return m_partial; }
    // Called on a click; the caller decides the new state.
    void setAction(std::function<void()> action);

    // The circle alone, for views that draw it over a thumbnail themselves.
    static void paint(QPainter& painter, QPointF centre, bool checked, bool partial);

    QSize sizeHint() const override { return {24, 24}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_checked = false;
    bool m_partial = false;
    std::function<void()> m_action;
};

} // namespace ks
