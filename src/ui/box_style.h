#pragma once

#include <QWidget>

class QPainter;
class QRectF;

namespace ks {

// The settings window's box: a white (dark: raised) rounded panel with a faint shadow below
// and a hairline just inside its edge.
void paintBox(QPainter& painter, const QRectF& rect, const QWidget* widget);

// A box behind its children. Its contents margins keep the shadow's 2 pt clear of the
// caller's layout.
class BoxFrame : public QWidget {
public:
    explicit BoxFrame(QWidget* parent = nullptr);

    static constexpr int shadowMargin = 2;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ks
