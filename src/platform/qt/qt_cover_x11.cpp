#include "platform/qt/qt_cover_x11.h"

#include "platform/qt/qt_x11_connection.h"

#include <QGuiApplication>
#include <QWindow>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace ks {

namespace {

enum Atom {
    WindowType,
    WindowTypeDesktop,
    State,
    StateSticky,
    StateSkipTaskbar,
    StateSkipPager,
    StateBelow,
    Desktop,
    // picom and compton draw no shadow for a window that has this at 0.
    ComptonShadow,
    SupportingWmCheck,
    AtomCount
};

constexpr std::array<const char*, AtomCount> kAtomNames = {
    "_NET_WM_WINDOW_TYPE",
    "_NET_WM_WINDOW_TYPE_DESKTOP",
    "_NET_WM_STATE",
    "_NET_WM_STATE_STICKY",
    "_NET_WM_STATE_SKIP_TASKBAR",
    "_NET_WM_STATE_SKIP_PAGER",
    "_NET_WM_STATE_BELOW",
    "_NET_WM_DESKTOP",
    "_COMPTON_SHADOW",
    "_NET_SUPPORTING_WM_CHECK",
};

// All names in one round trip; false when the server did not answer every one.
bool internAtoms(xcb_connection_t* connection, std::array<xcb_atom_t, AtomCount>& atoms) {
    std::array<xcb_intern_atom_cookie_t, AtomCount> cookies{};
    for (std::size_t i = 0; i < AtomCount; ++i)
        cookies[i] = xcb_intern_atom(
            connection, 0, static_cast<std::uint16_t>(std::strlen(kAtomNames[i])), kAtomNames[i]);
    bool complete = true;
    for (std::size_t i = 0; i < AtomCount; ++i) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookies[i], nullptr);
        complete = complete && reply;
        atoms[i] = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
    }
    return complete;
}

// The highest mapped child of the root, other than `except`, whose type is the desktop's.
xcb_window_t topmostDesktopWindow(xcb_connection_t* connection, xcb_window_t root,
                                  const std::array<xcb_atom_t, AtomCount>& atoms,
                                  xcb_window_t except) {
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr);
    if (!tree)
        return XCB_WINDOW_NONE;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    const int count = xcb_query_tree_children_length(tree);
    xcb_window_t found = XCB_WINDOW_NONE;
    // Bottom first: the last match is the highest.
    for (int i = 0; i < count; ++i) {
        if (children[i] == except)
            continue;
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, children[i]), nullptr);
        const bool mapped = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        if (!mapped)
            continue;
        xcb_get_property_reply_t* type = xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, children[i], atoms[WindowType], XCB_ATOM_ATOM, 0, 8),
            nullptr);
        if (type) {
            const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(type));
            const int length = xcb_get_property_value_length(type) / int(sizeof(xcb_atom_t));
            for (int v = 0; v < length; ++v)
                if (values[v] == atoms[WindowTypeDesktop])
                    found = children[i];
        }
        std::free(type);
    }
    std::free(tree);
    return found;
}

} // namespace

void markAsDesktopCover(QWindow& window) {
    xcb_connection_t* connection = qtX11Connection();
    std::array<xcb_atom_t, AtomCount> atoms{};
    if (!connection || !internAtoms(connection, atoms))
        return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    const auto set = [&](Atom property, xcb_atom_t type, const std::uint32_t* values,
                         std::uint32_t count) {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atoms[property], type, 32, count,
                            values);
    };
    const std::uint32_t type = atoms[WindowTypeDesktop];
    set(WindowType, XCB_ATOM_ATOM, &type, 1);
    // Qt adds its own states to these when it maps the window, keeping ours.
    const std::array<std::uint32_t, 4> states = {atoms[StateSticky], atoms[StateSkipTaskbar],
                                                 atoms[StateSkipPager], atoms[StateBelow]};
    set(State, XCB_ATOM_ATOM, states.data(), states.size());
    const std::uint32_t allDesktops = 0xFFFFFFFF;
    set(Desktop, XCB_ATOM_CARDINAL, &allDesktops, 1);
    const std::uint32_t noShadow = 0;
    set(ComptonShadow, XCB_ATOM_CARDINAL, &noShadow, 1);
    xcb_flush(connection);
}

void stackBelowWithoutWindowManager(QWindow& window) {
    xcb_connection_t* connection = qtX11Connection();
    std::array<xcb_atom_t, AtomCount> atoms{};
    if (!connection || !internAtoms(connection, atoms))
        return;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    // The window a running manager names on the root names itself back; one left behind by
    // a manager that is gone does not exist or does not.
    const auto supportingWindow = [&](xcb_window_t on) -> xcb_window_t {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, on, atoms[SupportingWmCheck], XCB_ATOM_WINDOW, 0, 1),
            nullptr);
        xcb_window_t named = XCB_WINDOW_NONE;
        if (reply && xcb_get_property_value_length(reply) == sizeof(xcb_window_t))
            named = *static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
        std::free(reply);
        return named;
    };
    const xcb_window_t check = supportingWindow(root);
    if (check != XCB_WINDOW_NONE && supportingWindow(check) == check)
        return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    // Above a desktop window that draws the picture (desktop icons), else at the very bottom.
    const xcb_window_t desktop = topmostDesktopWindow(connection, root, atoms, id);
    if (desktop != XCB_WINDOW_NONE) {
        const std::uint32_t values[] = {desktop, XCB_STACK_MODE_ABOVE};
        xcb_configure_window(connection, id,
                             XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
    } else {
        const std::uint32_t below = XCB_STACK_MODE_BELOW;
        xcb_configure_window(connection, id, XCB_CONFIG_WINDOW_STACK_MODE, &below);
    }
    xcb_flush(connection);
}

} // namespace ks
