#include "main/menu_popup.h"

#include "main/menu_banner_view.h"
#include "main/menu_entry_actions.h"
#include "main/popup_placement.h"
#include "main/stay_open_menu_item_view.h"
#include "ui/translucent_windows.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace ks {

namespace {

constexpr int kPadding = 5;
constexpr int kSeparatorHeight = 11;
constexpr int kSeparatorInset = 10;
constexpr qreal kRadius = 10;
// The shadow's reach around the panel, and how far it falls below it.
constexpr int kShadowMargin = 12;
constexpr int kShadowDrop = 3;
constexpr qreal kShadowDarkest = 0.26;
// The submenu's first item lines up with its row; it overlaps the panel's edge a little, as
// cascading menus do.
constexpr int kSubmenuOverlap = 3;

std::size_t indexOf(MenuRowID id) {
    return static_cast<std::size_t>(id);
}

QColor withAlpha(QColor colour, qreal alpha) {
    colour.setAlphaF(static_cast<float>(alpha));
    return colour;
}

} // namespace

MenuPopup::MenuPopup(StatusMenu& menu)
    : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint),
      m_menu(menu) {
    setObjectName(QStringLiteral("menuPopup"));
    setWindowTitle(QStringLiteral("Kestrane Wallpapers"));
    setMouseTracking(true);
    m_banner = new MenuBannerView(menu, this);
    // Moves over the rows reach the popup only through children that track the pointer
    // (and pass the moves on, as they do).
    m_banner->setMouseTracking(true);
    for (const auto& entry : StatusMenu::layout()) {
        if (!entry || *entry == MenuRowID::banner)
            continue;
        auto* row = new StayOpenMenuItemView(menu, *entry, this);
        row->onEnter = [this](StayOpenMenuItemView& view) { enterRow(view); };
        row->onLeave = [this](StayOpenMenuItemView& view) { leaveRow(view); };
        row->onOpenSubmenu = [this](StayOpenMenuItemView& view) { openSubmenu(view); };
        row->setMouseTracking(true);
        m_rows[indexOf(*entry)] = row;
    }
    m_submenuDelay.setSingleShot(true);
    const int delay = style()->styleHint(QStyle::SH_Menu_SubMenuPopupDelay, nullptr, this);
    m_submenuDelay.setInterval(delay > 0 ? delay : 200);
    QObject::connect(&m_submenuDelay, &QTimer::timeout, this, [this] {
        if (m_pendingSubmenu)
            if (StayOpenMenuItemView* row = rowView(*m_pendingSubmenu))
                openSubmenu(*row);
    });
    for (const auto& entry : StatusMenu::layout())
        if (entry)
            m_hidden[indexOf(*entry)] = m_menu.row(*entry).hidden;
    useTranslucency(windowsCanBeTranslucent());
    relayout();
    m_observation = m_menu.observe([this] { menuChanged(); });
}

MenuPopup::~MenuPopup() {
    m_observation.reset();
    if (m_open) {
        m_open = false;
        m_menu.menuDidClose();
    }
}

StayOpenMenuItemView* MenuPopup::rowView(MenuRowID id) const {
    return m_rows[indexOf(id)];
}

QRect MenuPopup::panelRect() const {
    return rect().adjusted(m_margin, m_margin, -m_margin, -m_margin);
}

void MenuPopup::open(const QRect& trayIcon) {
    if (m_open)
        return;
    m_trayIcon = trayIcon;
    m_pointer = QCursor::pos();
    m_menu.menuNeedsUpdate();
    m_menu.menuWillOpen();
    clearHighlights();
    useTranslucency(windowsCanBeTranslucent());
    relayout();
    place();
    // Set by the press that closed it last time; this opening starts afresh.
    setAttribute(Qt::WA_NoMouseReplay, false);
    m_open = true;
    // A popup takes the pointer and keyboard when it shows; activating it as well would
    // let the change of the active window close it again.
    show();
}

void MenuPopup::closeMenu() {
    if (isVisible())
        hide();
}

void MenuPopup::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    closeSubmenu();
    clearHighlights();
    if (m_open) {
        m_open = false;
        m_menu.menuDidClose();
    }
}

void MenuPopup::menuChanged() {
    bool layoutChanged = false;
    for (const auto& entry : StatusMenu::layout()) {
        if (!entry)
            continue;
        const MenuRow& row = m_menu.row(*entry);
        if (StayOpenMenuItemView* view = rowView(*entry))
            view->setRow(row);
        layoutChanged = layoutChanged || row.hidden != m_hidden[indexOf(*entry)];
        m_hidden[indexOf(*entry)] = row.hidden;
    }
    if (!layoutChanged && widestRow() == m_width)
        return;
    relayout();
    if (isVisible())
        place();
}

int MenuPopup::widestRow() const {
    int widest = kWidth;
    for (const StayOpenMenuItemView* row : m_rows)
        if (row && !row->row().hidden)
            widest = std::max(widest, row->naturalWidth());
    return std::min(widest, kMaxWidth);
}

void MenuPopup::relayout() {
    m_width = widestRow();
    m_banner->setFixedWidth(m_width);
    for (StayOpenMenuItemView* row : m_rows)
        if (row)
            row->setFixedWidth(m_width);
    m_separators.clear();
    int y = kPadding;
    bool separatorDue = false;
    bool anyRow = false;
    for (const auto& entry : StatusMenu::layout()) {
        // A group's separator is drawn only between rows that show: never first, last or twice.
        if (!entry) {
            separatorDue = anyRow;
            continue;
        }
        QWidget* view = *entry == MenuRowID::banner ? static_cast<QWidget*>(m_banner)
                                                    : static_cast<QWidget*>(rowView(*entry));
        const bool hidden = m_menu.row(*entry).hidden;
        view->setVisible(!hidden);
        if (hidden)
            continue;
        if (separatorDue) {
            m_separators.push_back(y);
            y += kSeparatorHeight;
            separatorDue = false;
        }
        view->move(m_margin, m_margin + y);
        y += view->height();
        anyRow = true;
    }
    y += kPadding;
    setFixedSize(m_width + 2 * m_margin, y + 2 * m_margin);
    if (m_translucent) {
        clearMask();
    } else {
        // No compositor to blend the corners: the window itself is cut round.
        QPainterPath outline;
        outline.addRoundedRect(QRectF(rect()), kRadius, kRadius);
        setMask(QRegion(outline.toFillPolygon().toPolygon()));
    }
    update();
}

void MenuPopup::place() {
    const QSize panel = panelRect().size();
    QScreen* screen =
        QGuiApplication::screenAt(m_trayIcon.isValid() ? m_trayIcon.center() : m_pointer);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QPoint at = popupPosition(panel, m_trayIcon, m_pointer, screen->geometry(),
                                    screen->availableGeometry());
    move(at - QPoint(m_margin, m_margin));
}

void MenuPopup::useTranslucency(bool translucent) {
    if (translucent == m_translucent && testAttribute(Qt::WA_WState_Created))
        return;
    // The window's visual is chosen when it is made: a change needs a new native window.
    if (testAttribute(Qt::WA_WState_Created) && !isVisible())
        destroy();
    m_translucent = translucent;
    setAttribute(Qt::WA_TranslucentBackground, translucent);
    m_margin = translucent ? kShadowMargin : 0;
    m_shadow = {};
}

const QPixmap& MenuPopup::shadow() {
    const qreal ratio = devicePixelRatioF();
    if (!m_shadow.isNull() && m_shadow.deviceIndependentSize() == QSizeF(size()) &&
        m_shadow.devicePixelRatio() == ratio)
        return m_shadow;
    m_shadow = QPixmap(QSize(static_cast<int>(std::ceil(width() * ratio)),
                             static_cast<int>(std::ceil(height() * ratio))));
    m_shadow.setDevicePixelRatio(ratio);
    m_shadow.fill(Qt::transparent);
    QPainter painter(&m_shadow);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // Rings drawn over each other: darkest at the panel's edge, nothing at the margin's end.
    const QRectF panel = QRectF(panelRect()).translated(0, kShadowDrop);
    for (int ring = kShadowMargin; ring >= 1; --ring) {
        const qreal share = 1 - static_cast<qreal>(ring) / kShadowMargin;
        painter.setBrush(QColor::fromRgbF(
            0, 0, 0, static_cast<float>(kShadowDarkest * 2 * share / kShadowMargin)));
        painter.drawRoundedRect(panel.adjusted(-ring, -ring, ring, ring), kRadius + ring,
                                kRadius + ring);
    }
    return m_shadow;
}

void MenuPopup::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    const QRectF panel(panelRect());
    const QColor line = withAlpha(colours.color(QPalette::WindowText), 0.14);
    if (m_translucent)
        painter.drawPixmap(0, 0, shadow());
    painter.setPen(QPen(withAlpha(colours.color(QPalette::WindowText), 0.18), 1));
    painter.setBrush(colours.color(QPalette::Window));
    painter.drawRoundedRect(panel.adjusted(0.5, 0.5, -0.5, -0.5), kRadius - 0.5, kRadius - 0.5);
    for (int y : m_separators)
        painter.fillRect(QRectF(panel.left() + kSeparatorInset,
                                panel.top() + y + (kSeparatorHeight - 1) / 2,
                                panel.width() - 2 * kSeparatorInset, 1),
                         line);
}

void MenuPopup::mousePressEvent(QMouseEvent* event) {
    if (!panelRect().contains(event->position().toPoint())) {
        // The press that closes the popup on the tray icon must not reach the icon, which
        // would open it again at once.
        if (m_trayIcon.contains(event->globalPosition().toPoint()))
            setAttribute(Qt::WA_NoMouseReplay);
        event->accept();
        // The shadow counts as outside.
        close();
        return;
    }
    QWidget::mousePressEvent(event);
}

void MenuPopup::mouseMoveEvent(QMouseEvent* event) {
    pointerAt(event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void MenuPopup::leaveEvent(QEvent* event) {
    pointerAt(QPoint(-1, -1));
    QWidget::leaveEvent(event);
}

void MenuPopup::pointerAt(QPoint position) {
    QWidget* under = panelRect().contains(position) ? childAt(position) : nullptr;
    m_menu.model().setHovering(under && under == m_banner);
    if (auto* row = dynamic_cast<StayOpenMenuItemView*>(under))
        enterRow(*row);
    else if (m_hoveredRow)
        if (StayOpenMenuItemView* row = rowView(*m_hoveredRow))
            leaveRow(*row);
}

void MenuPopup::clearHighlights() {
    m_hoveredRow.reset();
    m_submenuDelay.stop();
    m_pendingSubmenu.reset();
    for (StayOpenMenuItemView* row : m_rows)
        if (row)
            row->setHighlighted(false);
}

void MenuPopup::enterRow(StayOpenMenuItemView& row) {
    if (m_hoveredRow == row.id())
        return;
    m_hoveredRow = row.id();
    if (m_submenu && m_submenuRow != row.id())
        closeSubmenu();
    for (StayOpenMenuItemView* other : m_rows)
        if (other && other != &row)
            other->setHighlighted(false);
    row.setHighlighted(true);
    m_submenuDelay.stop();
    m_pendingSubmenu.reset();
    if (row.opensSubmenu() && !(m_submenu && m_submenuRow == row.id())) {
        m_pendingSubmenu = row.id();
        m_submenuDelay.start();
    }
}

void MenuPopup::leaveRow(StayOpenMenuItemView& row) {
    if (m_hoveredRow == row.id())
        m_hoveredRow.reset();
    if (m_pendingSubmenu == row.id()) {
        m_submenuDelay.stop();
        m_pendingSubmenu.reset();
    }
    // A row stays lit while its submenu is open.
    if (!(m_submenu && m_submenuRow == row.id()))
        row.setHighlighted(false);
}

void MenuPopup::openSubmenu(StayOpenMenuItemView& row) {
    m_submenuDelay.stop();
    m_pendingSubmenu.reset();
    if (!isVisible() || (m_submenu && m_submenuRow == row.id()))
        return;
    closeSubmenu();
    const bool collections = row.id() == MenuRowID::collections;
    auto* submenu = new QMenu(this);
    submenu->setObjectName(collections ? QStringLiteral("collectionsSubmenu")
                                       : QStringLiteral("addToCollectionSubmenu"));
    addMenuEntries(*submenu, collections ? m_menu.collectionsMenu() : m_menu.addToCollectionMenu(),
                   this);
    // A chosen item closes the whole menu, as in a cascading menu; its action runs after.
    QObject::connect(submenu, &QMenu::triggered, this, [this] { closeMenu(); });
    QObject::connect(submenu, &QMenu::aboutToHide, this,
                     [this, submenu] { submenuHidden(submenu); });
    submenu->installEventFilter(this);
    m_submenu = submenu;
    m_submenuRow = row.id();
    row.setHighlighted(true);

    const QSize size = submenu->sizeHint();
    const int topInset = style()->pixelMetric(QStyle::PM_MenuVMargin, nullptr, submenu) +
                         style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, submenu);
    const QPoint rowTopLeft = row.mapToGlobal(QPoint(0, 0));
    QPoint at(mapToGlobal(panelRect().topRight()).x() + 1 - kSubmenuOverlap,
              rowTopLeft.y() - topInset);
    if (const QScreen* screen = this->screen()) {
        const QRect available = screen->availableGeometry();
        // No room on the right: on the left of the panel instead.
        if (at.x() + size.width() > available.right() + 1)
            at.setX(mapToGlobal(panelRect().topLeft()).x() - size.width() + kSubmenuOverlap);
        at.setY(
            std::max(available.top(), std::min(at.y(), available.bottom() + 1 - size.height())));
    }
    submenu->popup(at);
}

void MenuPopup::closeSubmenu() {
    if (!m_submenu)
        return;
    QMenu* submenu = m_submenu;
    const auto row = m_submenuRow;
    m_submenu = nullptr;
    m_submenuRow.reset();
    submenu->removeEventFilter(this);
    submenu->hide();
    // Later: it may be in the middle of delivering the click that closes it.
    submenu->deleteLater();
    if (row && row != m_hoveredRow)
        if (StayOpenMenuItemView* view = rowView(*row))
            view->setHighlighted(false);
}

void MenuPopup::submenuHidden(QMenu* submenu) {
    if (submenu == m_submenu)
        closeSubmenu();
}

bool MenuPopup::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_submenu)
        return false;
    const auto type = event->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress)
        return false;
    const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
    if (m_submenu->geometry().contains(global))
        return false;
    const QPoint local = mapFromGlobal(global);
    const bool overPanel = isVisible() && panelRect().contains(local);
    if (type == QEvent::MouseButtonPress) {
        // Outside both: the whole menu closes, as a cascading menu does.
        if (!overPanel)
            closeMenu();
        return false;
    }
    // The submenu holds the pointer while it is open; moving onto another row of the panel
    // closes it and lights that row, as a parent menu would.
    if (!overPanel)
        return false;
    auto* row = dynamic_cast<StayOpenMenuItemView*>(childAt(local));
    if (row && row->id() == m_submenuRow)
        return false;
    closeSubmenu();
    pointerAt(local);
    return false;
}

} // namespace ks
