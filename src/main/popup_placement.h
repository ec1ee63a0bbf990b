#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace ks {

// Where the top-left corner of a popup of `size` goes. At the tray icon when its geometry is
// known: centred on it, below it when the icon sits in the top half of its screen, above it
// otherwise. Else at the pointer: below and to the right of it, or above and to the left
// where there is no room. Always kept inside `available` (the screen without its panels).
QPoint popupPosition(QSize size, const QRect& trayIcon, QPoint pointer, const QRect& screen,
                     const QRect& available);

} // namespace ks
