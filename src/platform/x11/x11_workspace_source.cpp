#include "platform/x11/x11_workspace_source.h"

#include "base/log.h"
#include "base/main_loop.h"
#include "base/notification_center.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace ks {

namespace {

constexpr std::string_view kProperty = "_NET_CURRENT_DESKTOP";

} // namespace

X11WorkspaceSource::X11WorkspaceSource(MainLoop& loop, NotificationCenter& center,
                                       const std::string& display)
    : m_loop(loop), m_center(center) {
    if (!connect(display))
        return;
    m_current = currentDesktop();
    m_watch = std::make_unique<FdWatchThread>(
        std::vector<int>{xcb_get_file_descriptor(m_connection.get())},
        [this](int) { return onReady(); }, "workspace");
    if (!m_watch->running())
        logLine("X11WorkspaceSource: no watcher thread; workspace changes will not be noticed");
}

X11WorkspaceSource::~X11WorkspaceSource() {
    // The thread reads the connection: it ends before the connection closes.
    m_watch.reset();
}

bool X11WorkspaceSource::connect(const std::string& display) {
    int screenNumber = 0;
    m_connection.reset(xcb_connect(display.empty() ? nullptr : display.c_str(), &screenNumber));
    const xcb_screen_t* screen = xcb_connection_has_error(m_connection.get())
                                     ? nullptr
                                     : xcb::screenOf(m_connection.get(), screenNumber);
    if (!screen) {
        logLine("X11WorkspaceSource: no X server; workspace changes will not be noticed");
        return false;
    }
    m_root = screen->root;
    xcb_generic_error_t* error = nullptr;
    const auto atom = xcb::take(
        xcb_intern_atom_reply(
            m_connection.get(),
            xcb_intern_atom(m_connection.get(), 0, kProperty.size(), kProperty.data()), &error),
        error);
    // Other clients' masks on the root window are their own; this one adds property changes
    // for this connection only.
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_generic_error_t* refused = xcb_request_check(
        m_connection.get(),
        xcb_change_window_attributes_checked(m_connection.get(), m_root, XCB_CW_EVENT_MASK, &mask));
    if (!atom || refused) {
        std::free(refused);
        logLine("X11WorkspaceSource: the X server refused to report root window changes; "
                "workspace changes will not be noticed");
        return false;
    }
    m_atom = atom->atom;
    return true;
}

std::optional<std::uint32_t> X11WorkspaceSource::currentDesktop() {
    xcb_generic_error_t* error = nullptr;
    const auto reply =
        xcb::take(xcb_get_property_reply(m_connection.get(),
                                         xcb_get_property(m_connection.get(), 0, m_root, m_atom,
                                                          XCB_ATOM_CARDINAL, 0, 1),
                                         &error),
                  error);
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
        return std::nullopt;
    std::uint32_t value = 0;
    std::memcpy(&value, xcb_get_property_value(reply.get()), sizeof value);
    return value;
}

bool X11WorkspaceSource::onReady() {
    bool changed = false;
    // Replies read on the way queue the events that came with them; they are taken here too,
    // before the thread sleeps again.
    while (const xcb::Reply<xcb_generic_event_t> event{xcb_poll_for_event(m_connection.get())}) {
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            continue;
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
        if (notify->window != m_root || notify->atom != m_atom)
            continue;
        const auto now = currentDesktop();
        if (now != m_current) {
            m_current = now;
            changed = true;
        }
    }
    if (changed) {
        m_loop.post([alive = std::weak_ptr<int>(m_alive), center = &m_center] {
            if (alive.lock())
                center->post(kActiveSpaceChanged);
        });
    }
    if (xcb_connection_has_error(m_connection.get())) {
        logLine("X11WorkspaceSource: lost the X connection; workspace changes will not be "
                "noticed");
        return false;
    }
    return true;
}

} // namespace ks
