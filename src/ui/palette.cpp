#include "ui/palette.h"

#include <QApplication>
#include <QPalette>
#include <QVariant>
#include <QWidget>

namespace ks {

namespace {

constexpr const char* kAppearanceProperty = "ksAppearance";

QColor withAlpha(QColor colour, double alpha) {
    colour.setAlphaF(static_cast<float>(alpha));
    return colour;
}

} // namespace

DrawingAppearance drawingAppearance(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const QVariant pinned = w->property(kAppearanceProperty);
        if (pinned.isValid())
            return pinned.toString() == QLatin1String("dark") ? DrawingAppearance::dark
                                                              : DrawingAppearance::light;
    }
    return QApplication::palette().color(QPalette::Window).lightness() < 128
               ? DrawingAppearance::dark
               : DrawingAppearance::light;
}

void setDrawingAppearance(QWidget* widget, DrawingAppearance appearance) {
    widget->setProperty(kAppearanceProperty, appearance == DrawingAppearance::dark
                                                 ? QStringLiteral("dark")
                                                 : QStringLiteral("light"));
    widget->update();
}

QColor hex(unsigned rgb) {
    return QColor::fromRgb((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

namespace Palette {

#define KS_ADAPTIVE(name, lightValue, darkValue)                                                   \
    const AdaptiveColor& name() {                                                                  \
        static const AdaptiveColor colour{lightValue, darkValue};                                  \
        return colour;                                                                             \
    }

KS_ADAPTIVE(panel, hex(0xF4F3F1), hex(0x1A1917))
KS_ADAPTIVE(card, hex(0xFFFFFF), hex(0x242220))
KS_ADAPTIVE(ink, hex(0x1C1B19), hex(0xF4F2EF))
KS_ADAPTIVE(ink2, hex(0x6C6864), hex(0xA6A29C))
KS_ADAPTIVE(ink3, hex(0xA6A29C), hex(0x75716B))
KS_ADAPTIVE(track, hex(0xE4E2DD), hex(0x35322E))
KS_ADAPTIVE(hairline, withAlpha(hex(0x1C1B19), 0.10), withAlpha(hex(0xFFFFFF), 0.10))

#undef KS_ADAPTIVE

QColor accent() {
    return QApplication::palette().color(QPalette::Active, QPalette::Highlight);
}

QColor accentSoft() {
    return withAlpha(accent(), 0.14);
}

QColor favoriteRed() {
    return QColor::fromRgbF(1.0f, 0.27f, 0.35f);
}

} // namespace Palette

} // namespace ks
