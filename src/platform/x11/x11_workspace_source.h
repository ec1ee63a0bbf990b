#pragma once

#include "platform/linux/fd_watch_thread.h"
#include "platform/system_events.h"
#include "platform/x11/xcb_handles.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ks {

class MainLoop;
class NotificationCenter;

// Posts kActiveSpaceChanged when the window manager moves to another workspace: the root
// window's _NET_CURRENT_DESKTOP takes a new value. It has an X connection of its own, read on a
// thread that sleeps until the server sends something; a property set again to the value it
// had is no change. `center` must outlive the source.
class X11WorkspaceSource final : public SystemEventSource {
public:
    // `display` as in $DISPLAY; empty for $DISPLAY itself.
    X11WorkspaceSource(MainLoop& loop, NotificationCenter& center, const std::string& display = {});
    ~X11WorkspaceSource() override;
    X11WorkspaceSource(const X11WorkspaceSource&) = delete;
    X11WorkspaceSource& operator=(const X11WorkspaceSource&) = delete;

    bool watching() const { return m_watch && m_watch->running(); }

private:
    bool connect(const std::string& display);
    std::optional<std::uint32_t> currentDesktop();
    bool onReady();

    MainLoop& m_loop;
    NotificationCenter& m_center;
    xcb::Connection m_connection;
    std::uint32_t m_root = 0;
    std::uint32_t m_atom = 0;
    // The workspace last seen; touched by the watcher thread only once it runs.
    std::optional<std::uint32_t> m_current;
    std::shared_ptr<int> m_alive = std::make_shared<int>();
    std::unique_ptr<FdWatchThread> m_watch;
};

} // namespace ks
