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

class QtCoverTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QGuiApplication::instance())
            return;
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // Update requests come on the next loop turn instead of 5 ms later, so a test runs
        // what is pending without waiting.
        ::setenv("QT_QPA_UPDATE_IDLE_TIME", "0", 1);
        static int argc = 1;
        static char name[] = "ks-qt-cover-tests";
        static char* argv[] = {name, nullptr};
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
        QVariantAnimation* fade = cover.fade();
        ASSERT_NE(fade, nullptr);
        fade->setCurrentTime(static_cast<int>(fade->duration() * fraction));
        QCoreApplication::processEvents();
    }

    const Image m_red = solid(320, 180, qRgb(255, 0, 0));
    const Image m_blue = solid(320, 180, qRgb(0, 0, 255));
    const Image m_green = solid(320, 180, qRgb(0, 255, 0));
};

TEST(CoverCropTest, FillsTheTargetCentredWithoutDistortion) {
    struct Case {
        QSize picture, target;
        QRect crop;
    };
    const Case cases[] = {
        {{1920, 1080}, {1920, 1080}, {0, 0, 1920, 1080}},
        {{960, 540}, {1920, 1080}, {0, 0, 960, 540}},        // same shape, enlarged whole
        {{4000, 1000}, {1920, 1080}, {1111, 0, 1778, 1000}}, // wider: the sides go
        {{1920, 1440}, {1920, 1080}, {0, 180, 1920, 1080}},  // taller: top and bottom go
        {{10000, 3}, {1920, 1080}, {4997, 0, 5, 3}},         // a strip keeps a few pixels
        {{1, 10000}, {100, 100}, {0, 4999, 1, 1}},           // never less than one
        {{0, 100}, {100, 100}, {}},
        {{100, 100}, {0, 0}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(coverCrop(c.picture, c.target), c.crop)
            << c.picture.width() << "x" << c.picture.height();
}

TEST_F(QtCoverTest, PicturesAreViewsOfTheSharedPixelsAndKeepThemAlive) {
    Image tall = solid(320, 240, qRgb(1, 2, 3));
    const std::uint8_t* pixels = tall.pixels.get();
    const QImage view = fillImage(wrapImage(tall), {320, 180});
    EXPECT_EQ(view.constBits(), pixels + 30 * tall.stride());
    tall.pixels.reset();
    EXPECT_EQ(view.pixel(0, 0), qRgb(1, 2, 3)) << "the view alone keeps the pixels";

    // Only a picture of another size is scaled, into pixels of its own.
    const QImage enlarged = fillImage(wrapImage(m_red), {640, 360});
    EXPECT_EQ(enlarged.pixel(639, 359), qRgb(255, 0, 0));
    EXPECT_EQ(m_red.pixels.use_count(), 1);
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
    seek(cover, 0.5);
    expectShown(cover, 128, 0, 128);

    // A picture during a fade starts from the blend, without a jump.
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
    EXPECT_EQ(cover.paintCount(), paintsDuringFade + 1);
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
    EXPECT_FALSE(cover.isVisible());
    EXPECT_TRUE(cover.hasPicture());
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
