// The settings window's controls on Qt's offscreen platform: the slider's drag, the
// segmented control's clicks, the daily time field over a real settings store, and colours
// that follow the appearance pinned on a parent.

#include "base/manual_loop.h"
#include "base/notification_center.h"
#include "settings/settings_store.h"
#include "settings/user_defaults.h"
#include "support/offscreen_application.h"
#include "support/temp_home.h"
#include "ui/box_style.h"
#include "ui/check_circle.h"
#include "ui/daily_time_field.h"
#include "ui/mini_toggle.h"
#include "ui/palette.h"
#include "ui/section_header.h"
#include "ui/segmented.h"
#include "ui/step_slider.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QVariantAnimation>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace ks::test {
namespace {

class DsControlsTest : public ::testing::Test {
protected:
    // Jumps every running animation of `widget` to its end.
    static void finishAnimations(QWidget& widget) {
        for (QVariantAnimation* animation : widget.findChildren<QVariantAnimation*>())
            if (animation->state() == QAbstractAnimation::Running)
                animation->setCurrentTime(animation->duration());
    }

private:
    OffscreenApplication m_app;
    TempHome m_home;

protected:
    ManualLoop loop;
    NotificationCenter center;
    UserDefaults defaults{m_home.configHome() / "settings.plist", loop};
    SettingsStore settings{defaults, center};
};

TEST_F(DsControlsTest, SliderDragPicksTheStepUnderThePointerFromThePress) {
    StepSlider slider({1, 2, 3, 4, 5}, [](double v) { return std::to_string(int(v)); });
    std::vector<double> picked;
    slider.setOnValueChanged([&](double v) { picked.push_back(v); });
    slider.resize(200, slider.sizeHint().height());
    slider.show();
    slider.setValue(3.2);
    EXPECT_EQ(slider.currentIndex(), 2);

    const int y = 10;
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(100, y)); // the knob's own step
    QTest::mouseMove(&slider, QPoint(-40, y));
    QTest::mouseMove(&slider, QPoint(20, y)); // still the first step
    QTest::mouseMove(&slider, QPoint(400, y));
    QTest::mouseMove(&slider, QPoint(101, y));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(101, y));
    // The press at 3.2's step picks 3, which differs from 3.2.
    EXPECT_EQ(picked, (std::vector<double>{3, 1, 5, 3}));
    EXPECT_EQ(slider.value(), 3);

    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(190, y));
    EXPECT_EQ(picked.back(), 5);
    EXPECT_EQ(slider.currentIndex(), 4);

    // The keyboard steps, and stops at the ends without a call.
    picked.clear();
    for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Home, Qt::Key_Down, Qt::Key_End})
        QTest::keyClick(&slider, key);
    EXPECT_EQ(picked, (std::vector<double>{4, 1, 5}));
}

TEST_F(DsControlsTest, SegmentClickMovesTheSelectionAndThePill) {
    Segmented segmented({{"Light", "sun.max"}, {"Dark", "moon"}, {"Both", ""}});
    std::vector<int> selected;
    segmented.setOnSelect([&](int index) { selected.push_back(index); });
    segmented.resize(301, 24);
    segmented.show();
    EXPECT_EQ(segmented.selectedIndex(), 0);

    QTest::mouseClick(&segmented, Qt::LeftButton, {}, QPoint(298, 12)); // the last segment's edge
    QTest::mouseClick(&segmented, Qt::LeftButton, {}, QPoint(250, 12)); // unchanged: no call
    EXPECT_EQ(selected, std::vector<int>{2});
    EXPECT_EQ(segmented.selectedIndex(), 2);
    finishAnimations(segmented);
    EXPECT_DOUBLE_EQ(segmented.pillRect().left(), 2 + 2 * 99.0);
    EXPECT_DOUBLE_EQ(segmented.pillRect().width(), 99.0);

    segmented.setSelectedIndex(7); // out of range
    EXPECT_EQ(segmented.selectedIndex(), 2);

    selected.clear();
    for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Left, Qt::Key_End, Qt::Key_Home})
        QTest::keyClick(&segmented, key);
    EXPECT_EQ(selected, (std::vector<int>{1, 0, 2, 0}));
}

TEST_F(DsControlsTest, DailyTimeFieldStoresWhatItReadsAndShowsTheStoredTime) {
    settings.setDailyChangeMinutes(600);
    QWidget window;
    DailyTimeField field(settings, &window);
    window.show();
    auto* edit = field.findChild<QLineEdit*>("dailyTimeText");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "10:00");
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    ASSERT_TRUE(edit->hasFocus());

    edit->selectAll();
    QTest::keyClicks(edit, "0730");
    EXPECT_EQ(edit->text(), "07:30");
    EXPECT_EQ(settings.dailyChangeMinutes(), 450);

    // Back over the colon, then something that reads as no time: Return drops it.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "07");
    settings.setDailyChangeMinutes(450); // elsewhere, while the field has the focus
    EXPECT_EQ(edit->text(), "07");
    edit->selectAll();
    QTest::keyClicks(edit, "x");
    EXPECT_EQ(edit->text(), "");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->text(), "07:30");

    settings.setDailyChangeMinutes(15);
    QTest::mouseClick(field.findChild<QToolButton*>("dailyTimeDown"), Qt::LeftButton);
    EXPECT_EQ(settings.dailyChangeMinutes(), 1425);
    EXPECT_EQ(edit->text(), "23:45");
    EXPECT_FALSE(edit->hasFocus());
    QTest::mouseClick(field.findChild<QToolButton*>("dailyTimeUp"), Qt::LeftButton);
    EXPECT_EQ(edit->text(), "00:15");

    settings.setDailyChangeMinutes(60); // elsewhere, the field unfocused
    EXPECT_EQ(edit->text(), "01:00");
}

TEST_F(DsControlsTest, ColoursFollowTheAppearancePinnedOnAParent) {
    QWidget window;
    BoxFrame box(&window);
    SectionHeader header(QStringLiteral("Packs"), &box);
    box.resize(80, 40);
    const auto centrePixel = [&] { return QColor(box.grab().toImage().pixel(40, 20)); };

    setDrawingAppearance(&window, DrawingAppearance::dark);
    EXPECT_EQ(Palette::ink().resolve(&header), Palette::ink().dark);
    EXPECT_EQ(centrePixel(), Panel::box().dark);
    setDrawingAppearance(&window, DrawingAppearance::light);
    EXPECT_EQ(Palette::ink().resolve(&header), Palette::ink().light);
    EXPECT_EQ(centrePixel(), Panel::box().light);
}

TEST_F(DsControlsTest, ToggleAndCheckCircleAskTheirActionOnAClick) {
    MiniToggle toggle;
    std::vector<bool> asked;
    toggle.setAction([&](bool on) { asked.push_back(on); });
    QTest::mouseClick(&toggle, Qt::LeftButton);
    toggle.setOn(true);
    QTest::mouseClick(&toggle, Qt::LeftButton);
    QTest::keyClick(&toggle, Qt::Key_Space);
    QTest::keyPress(&toggle, Qt::Key_Space, {}, -1);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QString(" "), true);
    QCoreApplication::sendEvent(&toggle, &repeat);
    EXPECT_EQ(asked, (std::vector<bool>{true, false, false, false})) << "a held key flips once";
    EXPECT_EQ(toggle.toolTip(), "Deselect all wallpapers in this pack");

    CheckCircle circle;
    int clicks = 0;
    circle.setAction([&] { ++clicks; });
    QTest::mouseClick(&circle, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

} // namespace
} // namespace ks::test
