#pragma once

namespace ks {

// Whether a window with an alpha channel shows what lies behind it: on X11 only while a
// compositing manager runs (without one the see-through parts come out black), always on
// other platforms (Wayland composes every window; offscreen keeps the alpha). Asks the X
// server each time, since a compositor can start or stop while the application runs.
bool windowsCanBeTranslucent();

} // namespace ks
