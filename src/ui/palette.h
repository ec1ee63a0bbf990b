#pragma once

#include <QColor>

class QWidget;

namespace ks {

enum class DrawingAppearance { light, dark };

// The appearance a widget is drawn in: the nearest "ksAppearance" property ("light" or
// "dark") on it or a parent, else the application's (a dark window colour means dark).
// Read at every paint, so a theme change shows at the next repaint.
DrawingAppearance drawingAppearance(const QWidget* widget);
// Pins a window and everything in it to one appearance.
void setDrawingAppearance(QWidget* widget, DrawingAppearance appearance);

// A 24-bit 0xRRGGBB value at full opacity.
QColor hex(unsigned rgb);

// A colour with a value for each appearance, picked when it is drawn.
struct AdaptiveColor {
    QColor light;
    QColor dark;

    QColor resolve(DrawingAppearance appearance) const {
        return appearance == DrawingAppearance::dark ? dark : light;
    }
    QColor resolve(const QWidget* widget) const { return resolve(drawingAppearance(widget)); }
};

// The design system's colours.
namespace Palette {
const AdaptiveColor& panel();
const AdaptiveColor& card();
const AdaptiveColor& ink();
const AdaptiveColor& ink2();
const AdaptiveColor& ink3();
const AdaptiveColor& track();
const AdaptiveColor& hairline();
// The desktop's accent (selection) colour, and the same at 14 % opacity.
QColor accent();
QColor accentSoft();
// The favourites' red.
QColor favoriteRed();
} // namespace Palette

// The names the settings window draws with.
namespace Panel {
inline const AdaptiveColor& background() {
    return Palette::panel();
}
inline const AdaptiveColor& box() {
    return Palette::card();
}
inline const AdaptiveColor& hairline() {
    return Palette::hairline();
}
inline const AdaptiveColor& secondary() {
    return Palette::ink2();
}
inline const AdaptiveColor& track() {
    return Palette::track();
}
inline constexpr double boxRadius = 12;
} // namespace Panel

} // namespace ks
