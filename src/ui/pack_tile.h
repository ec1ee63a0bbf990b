#pragma once

#include "ui/settings_view_model.h"

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QVariantAnimation;

namespace ks {

class BadgeButton;
class CheckCircle;
class ThumbImage;

// One pack in the settings window's grid: its cover with the tick, favourite, variants and
// browse badges, and its name below. A click toggles the pack, a double click browses it.
class PackTile final : public QWidget {
public:
    static constexpr int kWidth = 86;
    static constexpr int kCoverWidth = 80;
    static constexpr int kCoverHeight = 50;

    struct Actions {
        std::function<void()> toggle;
        // None hides the favourite badge.
        std::function<void()> toggleFavorite;
        // None hides the browse badge.
        std::function<void()> browse;
    };

    PackTile(Actions actions, QWidget* parent = nullptr);
    ~PackTile() override;

    // `cover` none shows the all-packs picture.
    void setState(const PackTileState& state, bool showsCheck);
    const PackTileState& state() const { return m_state; }
    // The cover's frame in the tile: where the pack's wallpapers fan out from.
    QRect coverFrame() const;
    ThumbImage* cover() const { return m_cover; }
    bool hovering() const { return m_hovering; }

    QSize sizeHint() const override;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void refresh();
    void animateOpacity();

    Actions m_actions;
    PackTileState m_state;
    bool m_showsCheck = true;
    bool m_hovering = false;
    ThumbImage* m_cover;
    CheckCircle* m_check;
    BadgeButton* m_favorite;
    BadgeButton* m_variants;
    BadgeButton* m_browse;
    QLabel* m_title;
    std::unique_ptr<QVariantAnimation> m_fade;
};

} // namespace ks
