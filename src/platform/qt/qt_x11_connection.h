#pragma once

struct xcb_connection_t;

namespace ks {

// The X connection of the process's QGuiApplication, so that our requests are ordered with
// Qt's own; none off X11, or with only a QCoreApplication (tests of the D-Bus services).
xcb_connection_t* qtX11Connection();

} // namespace ks
