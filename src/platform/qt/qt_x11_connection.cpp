#include "platform/qt/qt_x11_connection.h"

#include <QGuiApplication>

namespace ks {

xcb_connection_t* qtX11Connection() {
    // Checked, not assumed: qGuiApp casts whatever application there is.
    const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    const auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

} // namespace ks
