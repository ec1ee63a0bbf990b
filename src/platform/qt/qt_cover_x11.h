#pragma once

class QWindow;

namespace ks {

// Tells the X11 window manager that `window` belongs with the desktop picture: a desktop
// window (below every normal window, no frame, shadow or animation) on every workspace,
// kept out of the taskbar and the pager. Call after the native window exists and before it
// is mapped, since window managers read these when they map it. Does nothing off X11.
void markAsDesktopCover(QWindow& window);

} // namespace ks
