#include "ui/ds_font.h"

#include <QApplication>
#include <QScreen>

namespace ks {

QFont dsFont(double points, QFont::Weight weight) {
    QFont font = QApplication::font();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    font.setPointSizeF(points * 72.0 / (dpi > 0 ? dpi : 96.0));
    font.setWeight(weight);
    return font;
}

} // namespace ks
