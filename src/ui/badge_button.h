#pragma once

#include <QAbstractButton>
#include <QColor>

#include <string>
#include <string_view>

class QPainter;
class QRectF;

namespace ks {

// A symbol on a dark translucent circle, laid over a picture's corner: the tiles' favourite,
// browse and variants badges. Without a click handler it lets clicks through.
class BadgeButton final : public QAbstractButton {
public:
    // `diameter` is the circle's, `symbolSize` the symbol's, both in points.
    BadgeButton(double diameter, double symbolSize, double shade, QWidget* parent = nullptr);

    void setSymbol(std::string symbol, QColor colour);
    const std::string& symbol() const { return m_symbol; }
    // Whether the badge takes clicks; one that does not is only drawn.
    void setClickable(bool clickable);

    QSize sizeHint() const override;

    // The badge alone, for views that draw it over a picture themselves.
    static void paint(QPainter& painter, const QRectF& circle, double symbolSize, double shade,
                      std::string_view symbol, const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_diameter;
    double m_symbolSize;
    double m_shade;
    std::string m_symbol;
    QColor m_colour = Qt::white;
};

} // namespace ks
