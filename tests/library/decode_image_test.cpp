#include "library/decode_image.h"
#include "support/temp_home.h"
#include "test_images.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

// The HEVC encoder that makes the HEIC sample keeps one allocation for the life of the
// process; that is not ours to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libx265\n";
}

namespace ks {
namespace {

using test::encode;
using test::solid;

const std::vector<double> kRed{220, 20, 30};
const std::vector<double> kBlue{20, 30, 220};

std::array<int, 4> pixelAt(const Image& image, int x, int y) {
    const std::uint8_t* p = image.pixels.get() + y * image.stride() + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

void expectNear(const Image& image, int x, int y, std::array<int, 4> expected, int tolerance = 12) {
    const auto actual = pixelAt(image, x, y);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(actual[i], expected[i], tolerance)
            << "channel " << i << " at " << x << "," << y;
}

TEST(DecodeImage, ShrinksALargeJpegToTheBoundKeepingTheAspectRatio) {
    const auto image = decodeImage(encode(solid(6000, 4000, kRed), ".jpg"), 480);
    ASSERT_TRUE(image && image->pixels);
    EXPECT_EQ(std::pair(image->width, image->height), std::pair(480, 320));
    expectNear(*image, 240, 160, {220, 20, 30, 255});
    expectNear(*image, 479, 319, {220, 20, 30, 255});
}

TEST(DecodeImage, AppliesTheRecordedOrientation) {
    // Stored landscape, red on top; orientation 6 means "turn a quarter clockwise to view".
    vips::VImage stored =
        solid(600, 200, kRed).join(solid(600, 200, kBlue), VIPS_DIRECTION_VERTICAL).copy();
    stored.set("orientation", 6);
    const auto image = decodeImage(encode(stored, ".jpg"), 1000);
    ASSERT_TRUE(image);
    EXPECT_EQ(std::pair(image->width, image->height), std::pair(400, 600));
    expectNear(*image, 300, 300, {220, 20, 30, 255}, 40);
    expectNear(*image, 100, 300, {20, 30, 220, 255}, 40);
}

std::optional<Bytes> heicOf(const vips::VImage& picture) {
    try {
        return encode(picture, ".heic[compression=hevc]");
    } catch (const vips::VError&) {
    }
    // This libvips cannot write HEVC; the command-line encoder may still be there.
    test::TempHome home;
    const auto png = home.root() / "in.png";
    const auto heic = home.root() / "out.heic";
    picture.write_to_file(png.c_str());
    const std::string command =
        "heif-enc -q 90 -o '" + heic.string() + "' '" + png.string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return std::nullopt;
    std::ifstream in(heic, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST(DecodeImage, ReadsTheUsualStillFormatsShrunkButNeverEnlarged) {
    const vips::VImage picture = solid(300, 200, kRed);
    std::vector<std::pair<std::string, Bytes>> files;
    for (const char* suffix : {".jpg", ".png", ".webp[lossless]", ".tif", ".gif"})
        files.emplace_back(suffix, encode(picture, suffix));
    const auto heic = heicOf(picture);
    if (heic)
        files.emplace_back(".heic", *heic);
    for (const auto& [suffix, bytes] : files) {
        const auto image = decodeImage(bytes, 150);
        ASSERT_TRUE(image) << suffix;
        EXPECT_EQ(std::pair(image->width, image->height), std::pair(150, 100)) << suffix;
        expectNear(*image, 75, 50, {220, 20, 30, 255}, 24);
        const auto whole = decodeImage(bytes, 1000);
        ASSERT_TRUE(whole) << suffix;
        EXPECT_EQ(std::pair(whole->width, whole->height), std::pair(300, 200)) << suffix;
    }
    if (!heic)
        GTEST_SKIP() << "no HEVC encoder on this machine, so no HEIC";
}

struct GreyPage {
    std::uint32_t width, height;
    std::uint8_t grey;
};

// An uncompressed TIFF of grey pages. libvips writes a pyramid only as shrunk copies of one
// picture; here the smaller pages show another grey, as a preview need not match.
Bytes greyTiff(const std::vector<GreyPage>& pages) {
    Bytes out{'I', 'I', 42, 0};
    const auto put16 = [&](std::uint32_t v) {
        out.insert(out.end(), {std::uint8_t(v), std::uint8_t(v >> 8)});
    };
    const auto put32 = [&](std::uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    put32(8);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const auto [width, height, grey] = pages[i];
        constexpr std::uint16_t kEntries = 9;
        const auto pixels = std::uint32_t(out.size() + 2 + kEntries * 12 + 4);
        const std::uint32_t next = i + 1 < pages.size() ? (pixels + width * height + 1) & ~1u : 0;
        put16(kEntries);
        // Tag, type (3 short, 4 long), count 1, value.
        for (const auto [tag, type, value] :
             std::vector<std::array<std::uint32_t, 3>>{{256, 4, width},
                                                       {257, 4, height},
                                                       {258, 3, 8},
                                                       {259, 3, 1},
                                                       {262, 3, 1},
                                                       {273, 4, pixels},
                                                       {277, 3, 1},
                                                       {278, 4, height},
                                                       {279, 4, width * height}}) {
            put16(tag);
            put16(type);
            put32(1);
            put32(value);
        }
        put32(next);
        out.resize(out.size() + width * height, grey);
        out.resize(next ? next : out.size(), 0);
    }
    return out;
}

TEST(DecodeImage, BuildsAPyramidalTiffFromItsFullSizePage) {
    const Bytes tiff = greyTiff({{256, 192, 200}, {128, 96, 40}, {64, 48, 40}});
    for (int maxPixel : {128, 64}) {
        const auto image = decodeImage(tiff, maxPixel);
        ASSERT_TRUE(image) << maxPixel;
        EXPECT_EQ(std::pair(image->width, image->height), std::pair(maxPixel, maxPixel * 3 / 4));
        expectNear(*image, maxPixel / 2, maxPixel * 3 / 8, {200, 200, 200, 255}, 2);
    }
    const auto filled = decodeImageFilling(tiff, 64, 64);
    ASSERT_TRUE(filled);
    expectNear(*filled, 32, 32, {200, 200, 200, 255}, 2);
}

TEST(DecodeImage, ConvertsEveryLayoutAndProfileToSrgbRgba8) {
    struct Case {
        const char* what;
        Bytes bytes;
        std::array<int, 4> expected;
        int tolerance = 2;
    };
    // A wide-gamut picture with its profile comes back as the same sRGB red.
    const vips::VImage wideGamut =
        solid(64, 32, kRed)
            .icc_transform("p3", vips::VImage::option()->set("input_profile", "srgb"));
    const std::vector<Case> cases{
        {"grey",
         encode(solid(64, 32, {128}, VIPS_INTERPRETATION_B_W), ".png"),
         {128, 128, 128, 255}},
        {"grey with alpha",
         encode(solid(64, 32, {200, 100}, VIPS_INTERPRETATION_B_W), ".png"),
         {200, 200, 200, 100}},
        {"rgba", encode(solid(64, 32, {10, 200, 30, 60}), ".png"), {10, 200, 30, 60}},
        {"16-bit rgba",
         encode(
             solid(64, 32, {65535, 0, 32896, 32896}, VIPS_INTERPRETATION_RGB16, VIPS_FORMAT_USHORT),
             ".png"),
         {255, 0, 128, 128}},
        {"cmyk",
         encode(solid(64, 32, {0, 230, 230, 0}, VIPS_INTERPRETATION_CMYK), ".jpg[strip]"),
         {230, 30, 30, 255},
         60},
        {"p3 jpeg", encode(wideGamut, ".jpg[Q=98]"), {220, 20, 30, 255}, 14}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto image = decodeImage(c.bytes, 480);
        ASSERT_TRUE(image);
        EXPECT_EQ(std::pair(image->width, image->height), std::pair(64, 32));
        expectNear(*image, 10, 10, c.expected, c.tolerance);
    }
}

// A PNG that claims `width` x `height` pixels in its header and holds none.
Bytes pngClaiming(std::uint32_t width, std::uint32_t height) {
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto be32 = [](Bytes& out, std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            out.push_back(static_cast<std::uint8_t>(v >> shift));
    };
    const auto chunk = [&](const Bytes& typeAndBody) {
        be32(png, static_cast<std::uint32_t>(typeAndBody.size() - 4));
        png.insert(png.end(), typeAndBody.begin(), typeAndBody.end());
        std::uint32_t crc = 0xFFFFFFFF;
        for (auto byte : typeAndBody) {
            crc ^= byte;
            for (int k = 0; k < 8; ++k)
                crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        be32(png, ~crc);
    };
    Bytes ihdr{'I', 'H', 'D', 'R'};
    be32(ihdr, width);
    be32(ihdr, height);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    chunk(ihdr);
    chunk({'I', 'E', 'N', 'D'});
    return png;
}

TEST(DecodeImage, GivesNoneForWhatIsNoPictureOrClaimsAnAbsurdSize) {
    const Bytes png = encode(solid(64, 64, kRed), ".png");
    EXPECT_FALSE(decodeImage(Bytes{}, 480));
    EXPECT_FALSE(decodeImage(asBytes("hello, this is not a picture at all"), 480));
    EXPECT_FALSE(decodeImage(ByteView(png).first(24), 480));
    EXPECT_FALSE(decodeImage(png, 0));
    EXPECT_FALSE(decodeImage(png, -5));
    // Loadable by libvips, but not a still-picture format we accept from a blob.
    EXPECT_FALSE(decodeImage(
        asBytes(R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"></svg>)"), 480));
    // 10^10 pixels would take 40 GB; the header alone must be enough to say no.
    EXPECT_FALSE(decodeImage(pngClaiming(100000, 100000), 320));
    EXPECT_FALSE(decodeImage(pngClaiming(0x7FFFFFFF, 1), 320));
}

TEST(DecodeImageFilling, CoversTheFrameExactlyAndCropsAroundTheCentre) {
    const std::vector<double> kGreen{30, 200, 40};
    // Thirds of 200 x 200: red, green, blue from left to right.
    const vips::VImage thirds = solid(200, 200, kRed)
                                    .join(solid(200, 200, kGreen), VIPS_DIRECTION_HORIZONTAL)
                                    .join(solid(200, 200, kBlue), VIPS_DIRECTION_HORIZONTAL);
    const std::array<int, 4> red{220, 20, 30, 255}, green{30, 200, 40, 255}, blue{20, 30, 220, 255};
    struct Probe {
        int x, y;
        std::array<int, 4> colour;
    };
    struct Case {
        int width, height;
        std::vector<Probe> probes;
    };
    const std::vector<Case> cases{
        // Narrower than the picture: only the middle third is left.
        {100, 100, {{2, 2, green}, {97, 97, green}}},
        {50, 400, {{2, 200, green}, {47, 200, green}}},
        // Wider: every third is seen, the top and bottom are cut.
        {300, 50, {{20, 25, red}, {150, 25, green}, {280, 25, blue}}},
        // Enlarged.
        {1800, 300, {{100, 150, red}, {900, 150, green}, {1700, 150, blue}}},
    };
    const Bytes png = encode(thirds, ".png");
    for (const Bytes& bytes : {png, encode(thirds, ".jpg[Q=95]")}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
            const auto image = decodeImageFilling(bytes, c.width, c.height);
            ASSERT_TRUE(image && image->pixels);
            EXPECT_EQ(std::pair(image->width, image->height), std::pair(c.width, c.height));
            for (const auto& probe : c.probes)
                expectNear(*image, probe.x, probe.y, probe.colour, 16);
        }
    }
    // Turned upright first: stored with red at the bottom, seen with red on the left.
    vips::VImage stored = thirds.rot(VIPS_ANGLE_D270).copy();
    stored.set("orientation", 6);
    const auto turned = decodeImageFilling(encode(stored, ".jpg[Q=95]"), 300, 100);
    ASSERT_TRUE(turned);
    expectNear(*turned, 20, 50, red, 16);
    expectNear(*turned, 280, 50, blue, 16);

    // A strip, also stored turned: only the part the frame shows is enlarged, not the whole
    // strip (gigabytes).
    const vips::VImage strip = solid(3000, 2, kRed)
                                   .join(solid(3000, 2, kGreen), VIPS_DIRECTION_HORIZONTAL)
                                   .join(solid(3000, 2, kBlue), VIPS_DIRECTION_HORIZONTAL);
    vips::VImage turnedStrip = strip.rot(VIPS_ANGLE_D270).copy();
    turnedStrip.set("orientation", 6);
    for (const Bytes& bytes : {encode(strip, ".png"), encode(turnedStrip, ".jpg[Q=95]")}) {
        const auto filled = decodeImageFilling(bytes, 1920, 1080);
        ASSERT_TRUE(filled);
        EXPECT_EQ(std::pair(filled->width, filled->height), std::pair(1920, 1080));
        expectNear(*filled, 960, 540, green, 16);
    }

    for (auto [width, height] : {std::pair(0, 100), {100, -1}, {20'000'000, 1}, {40000, 40000}})
        EXPECT_FALSE(decodeImageFilling(png, width, height)) << width << "x" << height;
    EXPECT_FALSE(decodeImageFilling(pngClaiming(100000, 100000), 100, 100));
}

TEST(DecodeImage, ManyThreadsDecodeAtOnce) {
    const Bytes jpeg = encode(solid(1200, 800, kRed), ".jpg");
    const Bytes png = encode(solid(800, 1200, kBlue), ".png");
    constexpr int kThreads = 8;
    std::atomic<int> successes{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 6; ++round) {
                const bool landscape = (t + round) % 2 == 0;
                const auto image = decodeImage(landscape ? jpeg : png, 300);
                successes += image && image->width == (landscape ? 300 : 200) &&
                             image->height == (landscape ? 200 : 300);
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(successes, kThreads * 6);
}

} // namespace
} // namespace ks
