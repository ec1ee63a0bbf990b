#pragma once

#include "main/menu_row_names.h"
#include "main/status_menu.h"

#include <QRect>
#include <QWidget>

#include <functional>

namespace ks {

// One row of the tray's popup: a symbol, the title and the shortcut or a submenu's chevron,
// highlighted under the pointer. A click runs the row through StatusMenu and the popup stays
// open; a row with a submenu asks its popup to open it instead. The countdown row only shows
// its text. Object name "menuRow_<id>".
class StayOpenMenuItemView final : public QWidget {
public:
    // The narrowest a row is; rows grow together to the widest one's natural width.
    static constexpr int kWidth = 272;
    static constexpr int kHeight = 22;

    // Where the parts of a row `width` wide go, for a shortcut text `shortcutWidth` wide (0
    // for none) or a chevron.
    struct Parts {
        QRect symbol;
        QRect title;
        QRect shortcut;
        QRect chevron;
    };
    static Parts partsFor(int width, int shortcutWidth, bool chevron);

    // `menu` must outlive the view.
    StayOpenMenuItemView(StatusMenu& menu, MenuRowID id, QWidget* parent);

    MenuRowID id() const { return m_id; }
    const MenuRow& row() const { return m_row; }
    bool opensSubmenu() const { return m_row.shortcut == kSubmenuMark; }
    bool clickable() const { return m_id != MenuRowID::countdown; }
    // Takes the row as the menu has it now and repaints only when what it shows changed.
    void setRow(const MenuRow& row);
    bool highlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);
    Parts parts() const;
    // The width that shows the whole title beside the shortcut or chevron.
    int naturalWidth() const;

    // What the popup hears from the row: the pointer came in or left, and a click on a row
    // with a submenu.
    std::function<void(StayOpenMenuItemView&)> onEnter;
    std::function<void(StayOpenMenuItemView&)> onLeave;
    std::function<void(StayOpenMenuItemView&)> onOpenSubmenu;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    StatusMenu& m_menu;
    MenuRowID m_id;
    MenuRow m_row;
    bool m_highlighted = false;
    bool m_pressed = false;
};

} // namespace ks
