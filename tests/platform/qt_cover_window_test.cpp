// Covers on Qt's offscreen platform: the fill geometry, pictures shared rather than copied,
// the fade's curve, what a cover holds and draws at rest.

#include "platform/qt/qt_cover_fill.h"
#include "platform/qt/qt_cover_window.h"
#include "platform/qt/qt_cover_windows.h"

#include <QAbstractEventDispatcher>
#include <QGuiApplication>
#include <QVariantAnimation>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>

namespace ks {
namespace {

constexpr ScreenFrame kFrame{0, 0, 320, 180};

Image solid(int width, int height, QRgb colour) {
    const std::size_t bytes = std::size_t(width) * height * 4;
    const int rgba[] = {qRed(colour), qGreen(colour), qBlue(colour), 255};
    auto pixels = std::make_shared<std::uint8_t[]>(bytes);
    for (std::size_t i = 0; i < bytes; ++i)
        pixels[i] = static_cast<std::uint8_t>(rgba[i % 4]);
    return Image{width, height, std::move(pixels)};
}

TEST(CoverCropTest, FillsTheTargetCentredWithoutDistortion) {
    for (const auto& [picture, target, crop] : std::vector<std::tuple<QSize, QSize, QRect>>{
             {{960, 540}, {1920, 1080}, {0, 0, 960, 540}},        // same shape, enlarged whole
             {{4000, 1000}, {1920, 1080}, {1111, 0, 1778, 1000}}, // wider: the sides go
             {{1920, 1440}, {1920, 1080}, {0, 180, 1920, 1080}},  // taller: top and bottom go
             {{10000, 3}, {1920, 1080}, {4997, 0, 5, 3}},         // a strip keeps a few pixels
             {{1, 10000}, {100, 100}, {0, 4999, 1, 1}},           // never less than one
             {{0, 100}, {100, 100}, {}},
             {{100, 100}, {0, 0}, {}}})
        EXPECT_EQ(coverCrop(picture, target), crop) << picture.width() << "x" << picture.height();
}

class QtCoverTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // Update requests come on the next loop turn instead of 5 ms later, so a test runs
        // what is pending without waiting.
        ::setenv("QT_QPA_UPDATE_IDLE_TIME", "0", 1);
        static int argc = 1;
        static char name[] = "ks-qt-cover-tests";
        static char* argv[] = {name, nullptr};
        if (!QGuiApplication::instance())
            new QGuiApplication(argc, argv);
    }

    // What the cover shows now, within 3 per channel: blending rounds.
    static void expectShown(const QtCoverWindow& cover, int red, int green, int blue) {
        const QImage image = cover.shownPicture();
        const QRgb pixel = image.pixel(image.width() / 2, image.height() / 2);
        EXPECT_NEAR(qRed(pixel), red, 3);
        EXPECT_NEAR(qGreen(pixel), green, 3);
        EXPECT_NEAR(qBlue(pixel), blue, 3);
    }
    // Moves the running fade to `fraction` of its length, in its own time, not the clock's.
    static void seek(QtCoverWindow& cover, double fraction) {
        ASSERT_NE(cover.fade(), nullptr);
        cover.fade()->setCurrentTime(static_cast<int>(cover.fade()->duration() * fraction));
        QCoreApplication::processEvents();
    }

    const Image m_red = solid(320, 180, qRgb(255, 0, 0));
    const Image m_blue = solid(320, 180, qRgb(0, 0, 255));
    const Image m_green = solid(320, 180, qRgb(0, 255, 0));
};

TEST_F(QtCoverTest, APictureOfTheDisplaysSizeIsAViewOfItsPixels) {
    const Image tall = solid(320, 240, qRgb(1, 2, 3));
    EXPECT_EQ(fillImage(wrapImage(tall), {320, 180}).constBits(),
              tall.pixels.get() + 30 * tall.stride());
}

TEST_F(QtCoverTest, FadesEasedInAndOutOverWhatIsShownThenReleasesItAndStaysStill) {
    auto made = QtCoverWindows(true).make({kFrame, 1, {}, std::nullopt});
    auto& cover = static_cast<QtCoverWindow&>(*made);
    cover.show(m_red, 0);
    cover.raise(kFrame);
    cover.show(m_blue, 1.5);
    ASSERT_NE(cover.fade(), nullptr);
    EXPECT_EQ(cover.fade()->duration(), 1500);
    // Slow at both ends: a quarter of the time shows far less than a quarter of the change.
    seek(cover, 0.25);
    expectShown(cover, 218, 0, 37);
    // A picture during a fade starts from the blend, without a jump.
    seek(cover, 0.5);
    cover.show(m_green, 1);
    expectShown(cover, 128, 0, 128);
    seek(cover, 0.5);
    expectShown(cover, 64, 128, 64);
    const int paintsDuringFade = cover.paintCount();
    seek(cover, 1);
    EXPECT_EQ(cover.fade(), nullptr);
    expectShown(cover, 0, 255, 0);
    EXPECT_EQ(m_red.pixels.use_count(), 1) << "an old picture is still held";
    EXPECT_EQ(m_blue.pixels.use_count(), 1);
    EXPECT_EQ(m_green.pixels.use_count(), 2) << "the shown one is shared, not copied";

    // At rest: the last frame drawn, then nothing scheduled to draw again.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(cover.paintCount(), paintsDuringFade + 1);
    EXPECT_TRUE(QAbstractEventDispatcher::instance()->registeredTimers(&cover.window()).isEmpty());
}

TEST_F(QtCoverTest, LoweredCoversKeepTheirPictureAndTakeNewOnesAtOnce) {
    QtCoverWindow cover(nullptr, kFrame);
    cover.show(Image{}, 0);
    EXPECT_FALSE(cover.hasPicture()) << "a picture without pixels counts as none";
    cover.show(m_red, 0);
    cover.raise(kFrame);
    cover.show(m_blue, 1);
    seek(cover, 0.25);
    // Lowered mid-fade: it keeps the picture that was coming.
    cover.lower();
    EXPECT_EQ(cover.fade(), nullptr);
    expectShown(cover, 0, 0, 255);

    const int paints = cover.paintCount();
    cover.show(m_green, 1);
    EXPECT_EQ(cover.fade(), nullptr) << "nobody would see a hidden cover fade";
    EXPECT_EQ(cover.paintCount(), paints);
    // Raised at another size, the same picture is fitted again.
    cover.raise({0, 0, 160, 90});
    expectShown(cover, 0, 255, 0);
    EXPECT_EQ(cover.shownPicture().size(), QSize(160, 90));

    EXPECT_EQ(QtCoverWindows(false).make({kFrame, 1, {}, std::nullopt}), nullptr);
}

} // namespace
} // namespace ks
