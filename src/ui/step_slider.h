#pragma once

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QVariantAnimation;

namespace ks {

// A slider that stops only at its steps, labelled with its first and last step below.
class StepSlider : public QWidget {
public:
    StepSlider(std::vector<double> steps, std::function<std::string(double)> labelFor,
               double knobSize = 18, double trackHeight = 4, QWidget* parent = nullptr);

    // A value set from outside: the knob eases to the nearest step. value() gives it back as
    // set, even between steps.
    void setValue(double value);
    double value() const { return m_value; }
    int currentIndex() const;
    // Called when a drag or click picks a step whose value differs from the current one.
    void setOnValueChanged(std::function<void(double)> onValueChanged);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void pick(double x);
    void choose(int index, bool animated);
    void moveKnob(int index, bool animated);
    double labelHeight() const;

    std::vector<double> m_steps;
    std::function<std::string(double)> m_labelFor;
    double m_knobSize;
    double m_trackHeight;
    double m_value = 0;
    double m_knob = 0; // the knob's place, 0 first step … 1 last
    QVariantAnimation* m_animation;
    std::function<void(double)> m_onValueChanged;
};

} // namespace ks
