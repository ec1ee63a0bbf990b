#pragma once

#include "platform/appearance.h"
#include "platform/system_events.h"

#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <QString>

class QProcess;

namespace ks {

class NotificationCenter;

// The desktop's light or dark look, from the xdg-desktop-portal setting
// org.freedesktop.appearance color-scheme (1 prefers dark) and its SettingChanged signal. Where
// no portal answers, GNOME's org.gnome.desktop.interface color-scheme through gsettings, which
// is also watched. Nothing is ever waited for: isDark() is what the last answer said (light
// until one comes), and every change of it posts kAppearanceChanged. `center` must outlive it.
class PortalAppearance final : public QObject, public SystemAppearance, public SystemEventSource {
    Q_OBJECT

public:
    explicit PortalAppearance(NotificationCenter& center,
                              QDBusConnection bus = QDBusConnection::sessionBus());
    ~PortalAppearance() override;

    bool isDark() const override { return m_dark; }

private slots:
    void settingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    void readPortal(const QString& method);
    void followGnome(const QString& portalProblem);
    void gnomeAnswered(int exitCode, const QString& output, const QString& portalProblem);
    void gnomeChanged();
    void setDark(bool dark);

    NotificationCenter& m_center;
    QDBusConnection m_bus;
    bool m_subscribed = false;
    bool m_dark = false;
    // Whether `gsettings monitor` reported a change, which is newer than the first reading.
    bool m_gnomeReported = false;
    QProcess* m_gnomeReading = nullptr;
    QProcess* m_gnomeMonitor = nullptr;
};

} // namespace ks
