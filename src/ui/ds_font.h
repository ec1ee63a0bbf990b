#pragma once

#include <QFont>

namespace ks {

// The system font at a size in points (device-independent pixels, the unit the settings window
// measures everything in), whatever the screen's dots per inch.
//
// Digits: the fonts desktops ship (DejaVu, Cantarell, Noto) draw them at one width already,
// and Qt 6.4 cannot ask for tabular figures, so details that count keep their width as is.
QFont dsFont(double points, QFont::Weight weight = QFont::Normal);

} // namespace ks
