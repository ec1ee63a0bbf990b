#pragma once

#include <QAbstractButton>

namespace ks {

// The pack browser's way back: "‹ All Packs" on a white capsule, faded in with the overlay.
class FanBackButton final : public QAbstractButton {
public:
    explicit FanBackButton(QWidget* parent = nullptr);

    void setOpacity(double opacity);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_opacity = 0;
};

} // namespace ks
