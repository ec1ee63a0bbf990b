#include "ui/tray_host_watcher.h"

#include "platform/qt/qt_x11_connection.h"
#include "platform/x11/xcb_handles.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>

#include <cstdlib>
#include <string>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace ks {

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t atomNamed(xcb_connection_t* connection, const std::string& name) {
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.c_str()),
            nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// Adds structure events of `window` to what this client already selects there: the mask is
// per client and replaced as a whole, and Qt selects events on the root window too.
bool selectStructureEvents(xcb_connection_t* connection, xcb_window_t window) {
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window),
                                        nullptr),
        &std::free);
    if (!attributes)
        return false;
    const uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
    return true;
}

} // namespace

TrayHostWatcher::TrayHostWatcher(Changed changed, const QDBusConnection& bus)
    : m_changed(std::move(changed)) {
    if (bus.isConnected()) {
        m_dbus =
            std::make_unique<QDBusServiceWatcher>(kWatcherService, bus,
                                                  QDBusServiceWatcher::WatchForRegistration |
                                                      QDBusServiceWatcher::WatchForUnregistration);
        QObject::connect(m_dbus.get(), &QDBusServiceWatcher::serviceRegistered,
                         [this] { update(m_xembedManager, true); });
        QObject::connect(m_dbus.get(), &QDBusServiceWatcher::serviceUnregistered,
                         [this] { update(m_xembedManager, false); });
        m_statusNotifier = bus.interface() && bus.interface()->isServiceRegistered(kWatcherService);
    }
    startOnX11();
    // What runs at the start is the starting point, not a change.
    m_ready = true;
}

TrayHostWatcher::~TrayHostWatcher() {
    if (m_onX11 && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void TrayHostWatcher::startOnX11() {
    xcb_connection_t* connection = qtX11Connection();
    if (!connection)
        return;
    const int screenNumber = xcb::defaultScreenNumber();
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 1; ++i)
        xcb_screen_next(&screens);
    if (!screens.data)
        return;
    m_root = screens.data->root;
    m_selection = atomNamed(connection, "_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber));
    m_managerAtom = atomNamed(connection, "MANAGER");
    // A tray that starts tells the root window's structure listeners with a MANAGER message.
    if (m_selection == XCB_ATOM_NONE || !selectStructureEvents(connection, m_root))
        return;
    watchSelectionOwner(connection);
    QCoreApplication::instance()->installNativeEventFilter(this);
    m_onX11 = true;
    watchXEmbedManager();
}

void TrayHostWatcher::watchSelectionOwner(xcb_connection_t* connection) {
    // The MANAGER message and the manager window's destruction are what a tray sends and
    // what its window does; the server's own word on the selection changing hands (a new
    // owner, its window destroyed, its client gone) is asked for as well, so that a tray
    // restarting quickly is never missed.
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (!xfixes || !xfixes->present)
        return;
    const Reply<xcb_xfixes_query_version_reply_t> version(
        xcb_xfixes_query_version_reply(connection, xcb_xfixes_query_version(connection, 5, 0),
                                       nullptr),
        &std::free);
    if (!version)
        return;
    xcb_xfixes_select_selection_input(connection, m_root, m_selection,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    xcb_flush(connection);
    m_selectionNotify =
        static_cast<std::uint8_t>(xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY);
}

void TrayHostWatcher::watchXEmbedManager() {
    xcb_connection_t* connection = qtX11Connection();
    if (!connection)
        return;
    const Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, m_selection),
                                      nullptr),
        &std::free);
    xcb_window_t manager = owner ? owner->owner : xcb_window_t{XCB_WINDOW_NONE};
    // Gone again between the two questions: no tray.
    if (manager != XCB_WINDOW_NONE && !selectStructureEvents(connection, manager))
        manager = XCB_WINDOW_NONE;
    update(manager, m_statusNotifier);
}

bool TrayHostWatcher::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7f;
    if (m_selectionNotify != 0 && type == m_selectionNotify) {
        const auto* notify = static_cast<const xcb_xfixes_selection_notify_event_t*>(message);
        if (notify->selection == m_selection)
            watchXEmbedManager();
        return false;
    }
    switch (type) {
    case XCB_CLIENT_MESSAGE: {
        const auto* client = static_cast<const xcb_client_message_event_t*>(message);
        if (client->window == m_root && client->type == m_managerAtom &&
            client->data.data32[1] == m_selection)
            watchXEmbedManager();
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
        if (m_xembedManager != 0 && destroyed->window == m_xembedManager)
            update(0, m_statusNotifier);
        break;
    }
    default:
        break;
    }
    // Qt's own tray code needs these events as well.
    return false;
}

void TrayHostWatcher::update(std::uint32_t xembedManager, bool statusNotifier) {
    const bool before = running();
    m_xembedManager = xembedManager;
    m_statusNotifier = statusNotifier;
    if (m_ready && running() != before && m_changed)
        m_changed(running());
}

} // namespace ks
