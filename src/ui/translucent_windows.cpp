#include "ui/translucent_windows.h"

#include "platform/qt/qt_x11_connection.h"

#include "platform/x11/xcb_handles.h"

#include <QGuiApplication>

#include <cstdlib>
#include <memory>
#include <string>
#include <xcb/xcb.h>

namespace ks {

bool windowsCanBeTranslucent() {
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        return true;
    xcb_connection_t* connection = qtX11Connection();
    if (!connection)
        return false;
    const int screenNumber = xcb::defaultScreenNumber();

    // A compositing manager owns the selection _NET_WM_CM_S<screen> while it runs.
    const std::string name = "_NET_WM_CM_S" + std::to_string(screenNumber);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.c_str()),
            nullptr),
        &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false;
    const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom),
                                      nullptr),
        &std::free);
    return owner && owner->owner != XCB_WINDOW_NONE;
}

} // namespace ks
