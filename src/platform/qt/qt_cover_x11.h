#pragma once

class QWindow;

namespace ks {

// Tells the X11 window manager that `window` belongs with the desktop picture: a desktop
// window (below every normal window, no frame, shadow or animation) on every workspace,
// kept out of the taskbar and the pager. Call after the native window exists and before it
// is mapped, since window managers read these when they map it. Does nothing off X11.
void markAsDesktopCover(QWindow& window);

// Without a window manager that reads those hints, the server keeps a window where it was
// made, above every window made before it: a cover would hide them while it shows. This puts
// it at the bottom then, or just above a desktop window (desktop icons) that draws the picture.
// Call once it is mapped. Does nothing under such a window manager or off X11.
void stackBelowWithoutWindowManager(QWindow& window);

} // namespace ks
