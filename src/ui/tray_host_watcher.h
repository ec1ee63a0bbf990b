#pragma once

#include <QAbstractNativeEventFilter>
#include <QDBusConnection>

#include <cstdint>
#include <functional>
#include <memory>

class QDBusServiceWatcher;

struct xcb_connection_t;

namespace ks {

// Tells when the first tray host starts or the last one goes away while the application
// runs, without polling: an XEmbed tray (the owner of _NET_SYSTEM_TRAY_S<screen> on X11,
// which announces itself to the root window, whose window we watch, and whose changes of
// hands the server reports through XFixes) or a
// StatusNotifierItem host (the org.kde.StatusNotifierWatcher service on the session bus).
// Lives on the main thread, with a QGuiApplication.
class TrayHostWatcher final : public QAbstractNativeEventFilter {
public:
    using Changed = std::function<void(bool running)>;

    explicit TrayHostWatcher(Changed changed,
                             const QDBusConnection& bus = QDBusConnection::sessionBus());
    ~TrayHostWatcher() override;
    TrayHostWatcher(const TrayHostWatcher&) = delete;
    TrayHostWatcher& operator=(const TrayHostWatcher&) = delete;

    // Whether a host of either kind runs now.
    bool running() const { return m_xembedManager != 0 || m_statusNotifier; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void startOnX11();
    // Finds the tray's window and asks the server to tell us when it is destroyed.
    void watchXEmbedManager();
    void watchSelectionOwner(xcb_connection_t* connection);
    void update(std::uint32_t xembedManager, bool statusNotifier);

    Changed m_changed;
    std::unique_ptr<QDBusServiceWatcher> m_dbus;
    bool m_statusNotifier = false;
    bool m_onX11 = false;
    bool m_ready = false;
    std::uint32_t m_root = 0;
    std::uint32_t m_selection = 0;
    std::uint32_t m_managerAtom = 0;
    std::uint32_t m_xembedManager = 0;
    // The event code of the server's word that the tray selection changed hands; 0 when the
    // server has no XFixes.
    std::uint8_t m_selectionNotify = 0;
};

} // namespace ks
