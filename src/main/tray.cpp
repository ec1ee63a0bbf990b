#include "main/tray.h"

#include "base/locations.h"
#include "base/log.h"
#include "main/menu_popup.h"
#include "main/tray_context_menu.h"
#include "ui/symbol_icons.h"
#include "ui/tray_host_watcher.h"

#include <QAction>
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

// The symbol in white, as the real icon is drawn; null when the icon theme lacks it.
QIcon symbolMenuIcon() {
    if (symbolIcon("photo.on.rectangle.angled").isNull())
        return {};
    QIcon icon;
    for (const int side : {16, 32}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        drawSymbol(painter, QRectF(0, 0, side, side), "photo.on.rectangle.angled", Qt::white);
        painter.end();
        icon.addPixmap(pixmap);
    }
    icon.setIsMask(true);
    return icon;
}

QIcon fallbackIcon() {
    QIcon icon = symbolMenuIcon();
    return icon.isNull() ? placeholderIcon() : icon;
}

} // namespace

QIcon Tray::menuIcon() {
    const auto resources = Locations::resourcesDir();
    if (!resources) {
        logLine("Tray: no resources folder, using a drawn menu icon");
        return fallbackIcon();
    }
    QIcon icon;
    for (const char* name : {"MenuIcon.png", "MenuIcon@2x.png"}) {
        const QPixmap pixmap(QString::fromStdString((*resources / name).string()));
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    if (icon.isNull()) {
        logLine("Tray: MenuIcon.png is missing, using a drawn menu icon");
        return fallbackIcon();
    }
    // A template: one colour and its alpha, which trays that know templates tint.
    icon.setIsMask(true);
    return icon;
}

Tray::Tray(StatusMenu& menu)
    : m_popup(std::make_unique<MenuPopup>(menu)),
      m_contextMenu(std::make_unique<TrayContextMenu>(menu)) {
    setUpIcon(m_contextMenu->menu());
}

void Tray::setUpIcon(QMenu& contextMenu) {
    m_icon = std::make_unique<QSystemTrayIcon>();
    m_icon->setIcon(menuIcon());
    m_icon->setToolTip(QString::fromUtf8(kAppName.data(), static_cast<qsizetype>(kAppName.size())));
    m_icon->setContextMenu(&contextMenu);
    QObject::connect(m_icon.get(), &QSystemTrayIcon::activated, m_icon.get(),
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger)
                             openMenu();
                     });
}

Tray::~Tray() {
    // The icon refers to the context menu, so it goes first.
    m_icon.reset();
    m_hosts.reset();
    m_contextMenu.reset();
    m_popup.reset();
}

void Tray::setToolTip(const std::string& text) {
    m_icon->setToolTip(QString::fromStdString(text));
}

void Tray::openMenu() {
    if (m_popup->isOpen()) {
        m_popup->closeMenu();
        return;
    }
    // Where a StatusNotifierItem host shows the icon is not known: then at the pointer.
    m_popup->open(m_icon->geometry());
}

void Tray::closeMenu() {
    m_popup->closeMenu();
    m_contextMenu->menu().hide();
}

void Tray::show() {
    // Without a tray host the icon waits, and appears as soon as one starts.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        logLine("Tray: no system tray is running yet; the icon appears when one starts");
    m_icon->show();
    if (!m_hosts)
        m_hosts = std::make_unique<TrayHostWatcher>([](bool running) {
            logLine(running ? "Tray: a system tray started; the icon shows there"
                            : "Tray: the system tray went away; the icon comes back when one "
                              "starts");
        });
}

} // namespace ks
