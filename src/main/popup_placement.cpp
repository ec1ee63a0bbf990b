#include "main/popup_placement.h"

#include <algorithm>

namespace ks {

namespace {

int keptInside(int position, int length, int first, int extent) {
    // Too big to fit: its start stays visible.
    return std::max(first, std::min(position, first + extent - length));
}

} // namespace

QPoint popupPosition(QSize size, const QRect& trayIcon, QPoint pointer, const QRect& screen,
                     const QRect& available) {
    QPoint at;
    if (trayIcon.isValid()) {
        at.setX(trayIcon.x() + (trayIcon.width() - size.width()) / 2);
        const bool topHalf =
            2 * trayIcon.y() + trayIcon.height() < 2 * screen.y() + screen.height();
        at.setY(topHalf ? trayIcon.bottom() + 1 : trayIcon.top() - size.height());
    } else {
        at = pointer;
        if (pointer.y() + size.height() > available.bottom() + 1)
            at.setY(pointer.y() - size.height());
        if (pointer.x() + size.width() > available.right() + 1)
            at.setX(pointer.x() - size.width());
    }
    return {keptInside(at.x(), size.width(), available.left(), available.width()),
            keptInside(at.y(), size.height(), available.top(), available.height())};
}

} // namespace ks
