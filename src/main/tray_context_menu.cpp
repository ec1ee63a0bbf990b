#include "main/tray_context_menu.h"

#include "main/menu_entry_actions.h"
#include "platform/qt/qt_cover_fill.h"
#include "ui/symbol_icons.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QPixmap>

namespace ks {

namespace {

constexpr int kThumbnailSide = 32;

// "Ctrl+Alt+Super+N" as a key sequence: Qt calls the Super key Meta.
QKeySequence shortcutOf(const std::string& text) {
    if (text.empty() || text == kSubmenuMark)
        return {};
    QString portable = QString::fromStdString(text);
    portable.replace(QStringLiteral("Super"), QStringLiteral("Meta"));
    return QKeySequence::fromString(portable, QKeySequence::PortableText);
}

// The banner as a plain row: what is on screen, with its picture as the icon.
QString bannerText(const MenuModel& model) {
    QString text = QString::fromStdString(model.packName());
    if (!model.wallpaperName().empty())
        text += QStringLiteral(" — ") + QString::fromStdString(model.wallpaperName());
    return literalMenuText(text.toStdString());
}

QIcon bannerIcon(const MenuModel& model) {
    if (!model.image())
        return symbolIcon("photo.on.rectangle.angled");
    const QImage square =
        fillImage(wrapImage(*model.image()), QSize(kThumbnailSide, kThumbnailSide));
    return square.isNull() ? symbolIcon("photo.on.rectangle.angled")
                           : QIcon(QPixmap::fromImage(square));
}

} // namespace

TrayContextMenu::TrayContextMenu(StatusMenu& menu)
    : m_menu(menu), m_qmenu(std::make_unique<QMenu>()) {
    m_qmenu->setObjectName(QStringLiteral("trayContextMenu"));
    for (const auto& entry : StatusMenu::layout()) {
        if (!entry) {
            m_qmenu->addSeparator();
            continue;
        }
        const MenuRowID id = *entry;
        QAction* action = nullptr;
        if (id == MenuRowID::addToCollection || id == MenuRowID::collections) {
            auto* submenu = new QMenu(m_qmenu.get());
            (id == MenuRowID::collections ? m_collections : m_addToCollection) = submenu;
            action = m_qmenu->addMenu(submenu);
        } else {
            action = m_qmenu->addAction(QString());
            QObject::connect(action, &QAction::triggered, m_qmenu.get(),
                             [this, id] { m_menu.click(id); });
        }
        if (id == MenuRowID::countdown)
            action->setEnabled(false);
        action->setShortcutVisibleInContextMenu(true);
        m_actions[static_cast<std::size_t>(id)] = action;
    }
    QObject::connect(m_qmenu.get(), &QMenu::aboutToShow, m_qmenu.get(), [this] { aboutToShow(); });
    QObject::connect(m_qmenu.get(), &QMenu::aboutToHide, m_qmenu.get(), [this] {
        if (!m_open)
            return;
        m_open = false;
        m_menu.menuDidClose();
    });
    // Only while it is open: the countdown ticks then.
    m_observation = m_menu.observe([this] {
        if (m_open)
            refresh();
    });
    refresh();
}

TrayContextMenu::~TrayContextMenu() {
    m_observation.reset();
    if (m_open) {
        m_open = false;
        m_menu.menuDidClose();
    }
}

void TrayContextMenu::aboutToShow() {
    m_menu.menuNeedsUpdate();
    m_menu.menuWillOpen();
    m_open = true;
    refresh();
    refillSubmenus();
}

void TrayContextMenu::refresh() {
    for (const auto& entry : StatusMenu::layout()) {
        if (!entry)
            continue;
        const MenuRow& row = m_menu.row(*entry);
        QAction* action = this->action(*entry);
        if (*entry == MenuRowID::banner) {
            action->setText(bannerText(m_menu.model()));
            action->setIcon(bannerIcon(m_menu.model()));
        } else {
            action->setText(literalMenuText(row.title));
            action->setIcon(symbolIcon(row.symbol));
            action->setShortcut(shortcutOf(row.shortcut));
        }
        action->setVisible(!row.hidden);
    }
}

void TrayContextMenu::refillSubmenus() {
    // Cleared and filled while the submenus are closed; a chosen item's action runs queued,
    // so none is running from a menu cleared here.
    m_addToCollection->clear();
    addMenuEntries(*m_addToCollection, m_menu.addToCollectionMenu(), m_qmenu.get());
    m_collections->clear();
    addMenuEntries(*m_collections, m_menu.collectionsMenu(), m_qmenu.get());
}

} // namespace ks
