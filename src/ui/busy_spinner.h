#pragma once

#include <QWidget>

#include <memory>

class QVariantAnimation;

namespace ks {

// A small turning arc for work of unknown length. It turns only while shown, so a hidden
// spinner costs no wake-ups.
class BusySpinner final : public QWidget {
public:
    explicit BusySpinner(double diameter, QWidget* parent = nullptr);
    ~BusySpinner() override;

    bool spinning() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    double m_angle = 0;
    std::unique_ptr<QVariantAnimation> m_turn;
};

} // namespace ks
