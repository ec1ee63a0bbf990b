#pragma once

#include "base/notification_center.h"
#include "main/status_menu.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <memory>
#include <string>

class QVariantAnimation;

namespace ks {

// The top of the tray's popup: the wallpaper on the desktop, filling a rounded frame, with
// its pack and name over a shade at the bottom, and an "expand" badge and an outline while
// the pointer is over it. A click opens the settings at that wallpaper (through StatusMenu).
// A new wallpaper cross-fades in, pictures and names alike, over the model's fade time; the
// view repaints only while a fade runs. Object name "menuBanner".
class MenuBannerView final : public QWidget {
public:
    static constexpr int kWidth = 272;
    static constexpr int kHeight = 78;
    // The picture's frame inside the row: 8 points in from each side, 5 from the top, 7
    // from the bottom, as wide as the row allows.
    QRect frame() const { return QRect(8, 5, width() - 16, 66); }

    // `menu` must outlive the view.
    MenuBannerView(StatusMenu& menu, QWidget* parent);
    ~MenuBannerView() override;

    const QString& packText() const { return m_look.packName; }
    const QString& wallpaperText() const { return m_look.wallpaperName; }
    bool hasPicture() const { return !m_look.picture.isNull(); }
    bool fading() const { return m_fade != nullptr; }
    // How much of the new look shows, 0 to 1, eased.
    double fadeProgress() const { return m_progress; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Look {
        std::string imageID;
        // The model's picture, over its pixels.
        QImage picture;
        QString packName;
        QString wallpaperName;
    };

    void modelChanged();
    void startFade(double seconds);
    void endFade();
    // The look drawn into an image of the frame at `ratio`: picture, shade and names.
    QImage render(const Look& look, qreal ratio) const;
    // m_rendered, redrawn when the look changed or the screen's pixel ratio did.
    const QImage& rendered(qreal ratio);
    // What the frame shows now, mid-fade included.
    QImage onScreen(qreal ratio);

    StatusMenu& m_menu;
    Look m_look;
    bool m_hovering = false;
    bool m_pressed = false;
    QImage m_rendered;
    // The frame as it was when the running fade began.
    QImage m_from;
    double m_progress = 1;
    std::unique_ptr<QVariantAnimation> m_fade;
    NotificationCenter::Observation m_observation;
};

} // namespace ks
