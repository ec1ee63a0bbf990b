#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QVariantAnimation;

namespace ks {

struct SegmentOption {
    QString label;
    std::string symbol; // a symbol of symbol_icons.h; empty for none
};

// A row of equal segments, one of them selected on a raised pill that slides between them.
class Segmented : public QWidget {
public:
    explicit Segmented(std::vector<SegmentOption> options, QWidget* parent = nullptr);

    // Out of range is ignored.
    void setSelectedIndex(int index);
    // -1 without options.
    int selectedIndex() const { return m_selected; }
    // Called when a click selects another segment.
    void setOnSelect(std::function<void(int)> onSelect);
    // Where the pill is drawn now, mid-slide included.
    QRectF pillRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    double segmentWidth() const;
    int segmentAt(double x) const;
    void choose(int index);
    double contentWidth(const SegmentOption& option, bool selected) const;

    std::vector<SegmentOption> m_options;
    int m_selected;
    double m_pill; // the pill's place in segments, fractional while it slides
    QVariantAnimation* m_animation;
    std::function<void(int)> m_onSelect;
};

} // namespace ks
