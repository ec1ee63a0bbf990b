#include "platform/qt/portal_appearance.h"

#include "base/log.h"
#include "base/notification_center.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QProcess>

#include <optional>

namespace ks {

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettings = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGroup = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");
const QString kReadOne = QStringLiteral("ReadOne");
// A portal that is being started by the bus may take a few seconds.
constexpr int kPortalTimeoutMs = 10000;

const QString kGsettings = QStringLiteral("gsettings");
const QString kGnomeSchema = QStringLiteral("org.gnome.desktop.interface");
const QString kGnomeKey = QStringLiteral("color-scheme");

// The portal's color-scheme: 0 no preference, 1 prefer dark, 2 prefer light. Read of portals
// before ReadOne wraps the value in a second variant. None for what is not a number.
std::optional<bool> portalPrefersDark(QVariant value) {
    while (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    switch (value.typeId()) {
    case QMetaType::UInt:
    case QMetaType::Int:
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::Short:
    case QMetaType::ULongLong:
    case QMetaType::LongLong:
        return value.toLongLong() == 1;
    default:
        return std::nullopt;
    }
}

// gsettings prints the value as GVariant text: 'prefer-dark', 'prefer-light' or 'default'.
bool gnomePrefersDark(const QString& printed) {
    return printed.trimmed() == QStringLiteral("'prefer-dark'");
}

} // namespace

PortalAppearance::PortalAppearance(NotificationCenter& center, QDBusConnection bus)
    : m_center(center), m_bus(std::move(bus)) {
    if (!m_bus.isConnected()) {
        followGnome(QStringLiteral("no session bus"));
        return;
    }
    // The slot's argument type is looked up by name, which needs it registered.
    qRegisterMetaType<QDBusVariant>();
    // Subscribed before the first reading, so that no change falls between the two.
    m_subscribed =
        m_bus.connect(kPortalService, kPortalPath, kSettings, QStringLiteral("SettingChanged"),
                      this, SLOT(settingChanged(QString, QString, QDBusVariant)));
    if (!m_subscribed)
        logLine("PortalAppearance: couldn't subscribe to the portal's SettingChanged; changes "
                "of the look will not be noticed");
    readPortal(kReadOne);
}

PortalAppearance::~PortalAppearance() {
    if (m_subscribed)
        m_bus.disconnect(kPortalService, kPortalPath, kSettings, QStringLiteral("SettingChanged"),
                         this, SLOT(settingChanged(QString, QString, QDBusVariant)));
    // A process that ends reports it: not to this half-gone object.
    for (QProcess* process : {m_gnomeReading, m_gnomeMonitor}) {
        if (process) {
            process->disconnect(this);
            process->kill();
            process->waitForFinished();
            delete process;
        }
    }
}

void PortalAppearance::readPortal(const QString& method) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kPortalService, kPortalPath, kSettings, method);
    call << kGroup << kKey;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kPortalTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, method](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusMessage reply = finished->reply();
                if (reply.type() == QDBusMessage::ReplyMessage) {
                    const auto dark = reply.arguments().isEmpty()
                                          ? std::nullopt
                                          : portalPrefersDark(reply.arguments().front());
                    if (dark)
                        setDark(*dark);
                    else
                        followGnome(QStringLiteral("the portal's color-scheme is no number"));
                    return;
                }
                // Portals before version 2 of the interface have Read alone.
                if (method == kReadOne &&
                    reply.errorName() ==
                        QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod")) {
                    readPortal(QStringLiteral("Read"));
                    return;
                }
                followGnome(reply.errorName() + QStringLiteral(": ") + reply.errorMessage());
            });
}

void PortalAppearance::settingChanged(const QString& group, const QString& key,
                                      const QDBusVariant& value) {
    if (group != kGroup || key != kKey)
        return;
    if (const auto dark = portalPrefersDark(value.variant()))
        setDark(*dark);
}

void PortalAppearance::followGnome(const QString& portalProblem) {
    // The monitor starts first, so that a change while the value is read is not lost.
    m_gnomeMonitor = new QProcess(this);
    // Its complaints are gsettings's; the reading below decides what the log says.
    m_gnomeMonitor->setStandardErrorFile(QProcess::nullDevice());
    connect(m_gnomeMonitor, &QProcess::readyReadStandardOutput, this,
            &PortalAppearance::gnomeChanged);
    m_gnomeMonitor->start(kGsettings, {QStringLiteral("monitor"), kGnomeSchema, kGnomeKey});

    m_gnomeReading = new QProcess(this);
    connect(m_gnomeReading, &QProcess::finished, this,
            [this, portalProblem](int exitCode, QProcess::ExitStatus status) {
                const QString output = QString::fromUtf8(m_gnomeReading->readAllStandardOutput());
                m_gnomeReading->deleteLater();
                m_gnomeReading = nullptr;
                gnomeAnswered(status == QProcess::NormalExit ? exitCode : -1, output,
                              portalProblem);
            });
    connect(m_gnomeReading, &QProcess::errorOccurred, this,
            [this, portalProblem](QProcess::ProcessError error) {
                // A program that never started sends no finished signal.
                if (error != QProcess::FailedToStart)
                    return;
                m_gnomeReading->deleteLater();
                m_gnomeReading = nullptr;
                gnomeAnswered(-1, {}, portalProblem);
            });
    m_gnomeReading->start(kGsettings, {QStringLiteral("get"), kGnomeSchema, kGnomeKey});
}

void PortalAppearance::gnomeAnswered(int exitCode, const QString& output,
                                     const QString& portalProblem) {
    if (exitCode != 0) {
        logLine("PortalAppearance: no appearance portal (" + portalProblem.toStdString() +
                ") and no GNOME color-scheme setting; the look stays light");
        if (m_gnomeMonitor) {
            m_gnomeMonitor->disconnect(this);
            m_gnomeMonitor->kill();
            m_gnomeMonitor->waitForFinished();
            m_gnomeMonitor->deleteLater();
            m_gnomeMonitor = nullptr;
        }
        return;
    }
    // What the monitor reported came later than this reading.
    if (!m_gnomeReported)
        setDark(gnomePrefersDark(output));
}

void PortalAppearance::gnomeChanged() {
    // One line per change: "color-scheme: 'prefer-dark'".
    while (m_gnomeMonitor->canReadLine()) {
        const QString line = QString::fromUtf8(m_gnomeMonitor->readLine());
        const auto colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        m_gnomeReported = true;
        setDark(gnomePrefersDark(line.mid(colon + 1)));
    }
}

void PortalAppearance::setDark(bool dark) {
    if (dark == m_dark)
        return;
    m_dark = dark;
    m_center.post(kAppearanceChanged);
}

} // namespace ks
