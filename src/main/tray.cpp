#include "main/tray.h"

#include "base/locations.h"
#include "base/log.h"

#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace ks {

namespace {

QIcon placeholderIcon() {
    // Two hills under a sun, in the template style of the real icon.
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 40, 40));
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    painter.setBrush(QColor(235, 235, 235));
    painter.drawEllipse(QRectF(19, 6, 7, 7));
    QPainterPath hills;
    hills.moveTo(3, 27);
    hills.lineTo(12, 13);
    hills.lineTo(18, 21);
    hills.lineTo(22, 16);
    hills.lineTo(29, 27);
    hills.closeSubpath();
    painter.drawPath(hills);
    painter.end();
    return QIcon(pixmap);
}

} // namespace

QIcon Tray::menuIcon() {
    const auto resources = Locations::resourcesDir();
    if (!resources) {
        logLine("Tray: no resources folder, using a drawn menu icon");
        return placeholderIcon();
    }
    QIcon icon;
    for (const char* name : {"MenuIcon.png", "MenuIcon@2x.png"}) {
        const QPixmap pixmap(QString::fromStdString((*resources / name).string()));
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    if (icon.isNull()) {
        logLine("Tray: MenuIcon.png is missing, using a drawn menu icon");
        return placeholderIcon();
    }
    return icon;
}

Tray::Tray(std::function<void()> onQuit)
    : m_menu(std::make_unique<QMenu>()), m_icon(std::make_unique<QSystemTrayIcon>()) {
    m_quit = m_menu->addAction(QStringLiteral("Quit Kestrane Wallpapers"));
    QObject::connect(m_quit, &QAction::triggered, m_menu.get(),
                     [onQuit = std::move(onQuit)] { onQuit(); });
    m_icon->setIcon(menuIcon());
    m_icon->setToolTip(QString::fromUtf8(kAppName.data(), static_cast<qsizetype>(kAppName.size())));
    m_icon->setContextMenu(m_menu.get());
}

Tray::~Tray() {
    // The icon refers to the menu, so it goes first.
    m_icon.reset();
    m_menu.reset();
}

void Tray::addAction(const std::string& title, std::function<void()> onTrigger,
                     std::function<bool()> isEnabled) {
    auto* action = new QAction(QString::fromStdString(title), m_menu.get());
    m_menu->insertAction(m_quit, action);
    QObject::connect(action, &QAction::triggered, m_menu.get(),
                     [onTrigger = std::move(onTrigger)] { onTrigger(); });
    QObject::connect(
        m_menu.get(), &QMenu::aboutToShow, action,
        [action, isEnabled = std::move(isEnabled)] { action->setEnabled(isEnabled()); });
}

void Tray::setToolTip(const std::string& text) {
    m_icon->setToolTip(QString::fromStdString(text));
}

void Tray::show() {
    // Without a tray host the icon waits, and appears as soon as one starts.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        logLine("Tray: no system tray is running yet; the icon appears when one starts");
    m_icon->show();
}

} // namespace ks
