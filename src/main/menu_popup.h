#pragma once

#include "base/notification_center.h"
#include "main/menu_row_names.h"
#include "main/status_menu.h"

#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <optional>
#include <vector>

class QMenu;

namespace ks {

class MenuBannerView;
class StayOpenMenuItemView;

// The tray's full menu as a window of our own (a frameless Qt::Popup): the banner and the
// rows of StatusMenu in its order, hidden rows taking no space, separators between the
// groups, on a rounded panel with a shadow where the desktop composes windows. Rows stay
// open when clicked; "Add to Collection" and "Collections" open their submenus beside them.
// Escape, a click outside or closeMenu() close it, and StatusMenu hears of each close once.
// `menu` must outlive the popup.
class MenuPopup final : public QWidget {
public:
    // The panel is at least this wide and grows to the widest row, up to kMaxWidth, so that
    // a larger font or a longer shortcut text does not cut the titles short.
    static constexpr int kWidth = 272;
    static constexpr int kMaxWidth = 360;

    explicit MenuPopup(StatusMenu& menu);
    ~MenuPopup() override;

    // Brings the rows up to date and shows the popup at the tray icon of `trayIcon`, or at
    // the pointer when that geometry is not known (invalid).
    void open(const QRect& trayIcon);
    void closeMenu();
    bool isOpen() const { return m_open; }

    MenuBannerView& banner() const { return *m_banner; }
    // The row's view; none for the banner.
    StayOpenMenuItemView* rowView(MenuRowID id) const;
    // The submenu open beside its row, if any.
    QMenu* submenu() const { return m_submenu; }
    // The panel inside the window; the rest is its shadow.
    QRect panelRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void menuChanged();
    void relayout();
    int widestRow() const;
    void place();
    void useTranslucency(bool translucent);
    const QPixmap& shadow();

    // What is under the pointer lights up. Moves are followed as well as crossings: a popup
    // that gets the pointer back from its submenu hears of no crossing.
    void pointerAt(QPoint position);
    void enterRow(StayOpenMenuItemView& row);
    void leaveRow(StayOpenMenuItemView& row);
    void openSubmenu(StayOpenMenuItemView& row);
    void closeSubmenu();
    void submenuHidden(QMenu* menu);
    void clearHighlights();

    StatusMenu& m_menu;
    MenuBannerView* m_banner = nullptr;
    std::array<StayOpenMenuItemView*, kMenuRowCount> m_rows{};
    std::array<bool, kMenuRowCount> m_hidden{};
    // Where each separator's band starts, from the panel's top.
    std::vector<int> m_separators;
    bool m_translucent = false;
    int m_margin = 0;
    int m_width = kWidth;
    bool m_open = false;
    QRect m_trayIcon;
    QPoint m_pointer;
    QPointer<QMenu> m_submenu;
    std::optional<MenuRowID> m_submenuRow;
    std::optional<MenuRowID> m_hoveredRow;
    std::optional<MenuRowID> m_pendingSubmenu;
    QTimer m_submenuDelay;
    QPixmap m_shadow;
    NotificationCenter::Observation m_observation;
};

} // namespace ks
