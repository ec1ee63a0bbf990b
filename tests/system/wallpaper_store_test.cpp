#include "plist_text.h"
#include "support/temp_home.h"
#include "system/display_uuid.h"
#include "system/wallpaper_store.h"

#include <gtest/gtest.h>

#include <plist/plist.h>

#include <regex>

using namespace ks;
using test::plistText;
using test::real;

namespace {

const SystemVersion kSonoma{15, 0, "Test OS 15"};
const SystemVersion kTahoe{26, 0, "Test OS 26"};
// 2026-05-28 20:26:40.25 UTC: a quarter second, exact in a plist date's double.
const SysTime kNow = SysTime(std::chrono::milliseconds(1'780'000'000'250));
const std::string kDate = "@1780000000.250000";

FileUrl fileUrl(const char* path) {
    return *FileUrl::fromPath(path);
}

std::string colour(double r, double g, double b) {
    return R"({colorSpace=<"kCGColorSpaceGenericRGB">,components=[)" + real(r) + "," + real(g) +
           "," + real(b) + ",1]}";
}

const std::string kSonomaConfig =
    "{backgroundColor=" + colour(65.0 / 255, 105.0 / 255, 170.0 / 255) + ",placement=1}";
const std::string kFillOptions =
    "{values={color={color={_0={color=" +
    colour(0.003927675541490316, 0.015678048133850098, 0.02352559007704258) +
    "}}},placement={picker={_0={id=\"Crop\"}}}}}";

std::string stamped(const std::string& content) {
    return "{Content=" + content + ",LastSet=" + kDate + ",LastUse=" + kDate + "}";
}

std::string image(const std::string& abs, const SystemVersion& version) {
    const std::string provider = R"(,Provider="com.apple.wallpaper.choice.image"}])";
    if (version.atLeast(26))
        return stamped(R"({Choices=[{Configuration=<{type="imageFile",url={relative=")" + abs +
                       R"("}}>,Files=[])" + provider + ",EncodedOptionValues=<" + kFillOptions +
                       R"(>,Shuffle="$null"})");
    return stamped("{Choices=[{Configuration=<" + kSonomaConfig + R"(>,Files=[{relative=")" + abs +
                   "\"}]" + provider + R"(,Shuffle="$null"})");
}

const std::string kDefault = stamped(
    R"({Choices=[{Configuration=<0 bytes>,Files=[],Provider="default"}],EncodedOptionValues="$null",Shuffle="$null"})");

std::string entry(const std::string& desktop, const std::string& idle) {
    return "{Desktop=" + desktop + ",Idle=" + idle + R"(,Type="individual"})";
}

std::string storeText(const std::string& xmlDict, const FileUrl& primary,
                      const DisplayList& displays, const SystemVersion& version) {
    const std::string xml = R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)" +
                            xmlDict + "</dict></plist>";
    const PlistPtr store = loadStore(asBytes(xml));
    updateStore(store.get(), primary, displays, version, kNow);
    // Through the binary form, as the writer saves it.
    return plistText(loadStore(*binaryPropertyList(store.get())).get());
}

// The number of objects a binary property list holds, from its trailer.
std::uint64_t objectCount(ByteView bytes) {
    std::uint64_t count = 0;
    for (std::size_t i = bytes.size() - 24; i < bytes.size() - 16; ++i)
        count = count << 8 | bytes[i];
    return count;
}

} // namespace

TEST(WallpaperStore, ConstantBlobsDecodeToTheirContent) {
    using Path = std::vector<const char*>;
    for (const auto& [blob, content, colourPath] :
         {std::tuple{&sonomaImageConfig(), kSonomaConfig, Path{"backgroundColor"}},
          std::tuple{&fillScreenOptions(), kFillOptions,
                     Path{"values", "color", "color", "_0", "color"}}}) {
        ASSERT_TRUE(asText(*blob).starts_with("bplist00"));
        const PlistPtr tree = parsePropertyList(*blob);
        EXPECT_EQ(plistText(tree.get()), content);
        // The colour space is a list of one object, the string.
        plist_t node = tree.get();
        for (const char* key : colourPath)
            node = plist_dict_get_item(node, key);
        std::uint64_t length = 0;
        const char* space = plist_get_data_ptr(plist_dict_get_item(node, "colorSpace"), &length);
        ASSERT_NE(space, nullptr);
        EXPECT_EQ(objectCount(ByteView(reinterpret_cast<const std::uint8_t*>(space), length)), 1u);
    }
}

TEST(WallpaperStore, SameImageEverywhere) {
    const auto primary = fileUrl("/p/Sea Side.jpg");
    const std::string abs = "file:///p/Sea%20Side.jpg";
    for (const auto& version : {kSonoma, kTahoe}) {
        const std::string systemDefault = version.atLeast(26)
                                              ? "{Linked=" + kDefault + R"(,Type="linked"})"
                                              : entry(image(abs, version), kDefault);
        EXPECT_EQ(storeText("", primary, {}, version),
                  "{AllSpacesAndDisplays=" + entry(image(abs, version), kDefault) +
                      ",Displays={},Spaces={},SystemDefault=" + systemDefault + "}")
            << version.text;
    }
}

TEST(WallpaperStore, OneImagePerDisplay) {
    const DisplayList displays{{"UUID-A", fileUrl("/p/a.jpg")},
                               {"UUID-B", fileUrl("/p/b.jpg")},
                               {"UUID-A", fileUrl("/p/c.jpg")}};
    for (const auto& version : {kSonoma, kTahoe}) {
        const std::string systemDefault =
            version.atLeast(26) ? "{Linked=" + kDefault + R"(,Type="linked"})"
                                : entry(image("file:///p/primary.jpg", version), kDefault);
        EXPECT_EQ(storeText("", fileUrl("/p/primary.jpg"), displays, version),
                  "{AllSpacesAndDisplays={Idle=" + kDefault + R"(,Type="idle"},Displays={UUID-A=)" +
                      entry(image("file:///p/c.jpg", version), kDefault) +
                      ",UUID-B=" + entry(image("file:///p/b.jpg", version), kDefault) +
                      "},Spaces={},SystemDefault=" + systemDefault + "}")
            << version.text;
    }
}

TEST(WallpaperStore, KeepsSystemDefaultIdleChoiceAndUnknownKeys) {
    const std::string idleX = R"({Content={Kind="screen saver X"}})";
    const std::string idleY = R"({Content={Kind="screen saver Y"}})";
    const std::string existing =
        "<key>AllSpacesAndDisplays</key><dict><key>Idle</key><dict><key>Content</key><dict>"
        "<key>Kind</key><string>screen saver X</string></dict></dict></dict>"
        "<key>SystemDefault</key><dict><key>Idle</key><dict><key>Content</key><dict>"
        "<key>Kind</key><string>screen saver Y</string></dict></dict><key>Type</key>"
        "<string>mine</string></dict>"
        "<key>Spaces</key><dict><key>S1</key><string>old</string></dict>"
        "<key>Displays</key><dict><key>GONE</key><string>old</string></dict>"
        "<key>Other</key><integer>42</integer>";
    const auto primary = fileUrl("/p/a.jpg");
    const std::string kept =
        R"(,Other=42,Spaces={},SystemDefault={Idle=)" + idleY + R"(,Type="mine"}})";
    EXPECT_EQ(storeText(existing, primary, {}, kTahoe),
              "{AllSpacesAndDisplays=" + entry(image("file:///p/a.jpg", kTahoe), idleX) +
                  ",Displays={}" + kept);
    EXPECT_EQ(storeText(existing, primary, {{"U", primary}}, kSonoma),
              "{AllSpacesAndDisplays={Idle=" + idleX + R"(,Type="idle"},Displays={U=)" +
                  entry(image("file:///p/a.jpg", kSonoma), idleX) + "}" + kept);

    // Without an idle choice of its own, every entry takes the system default's.
    const std::string noIdleHere = std::regex_replace(
        existing, std::regex("^<key>AllSpacesAndDisplays</key>.*?</dict></dict></dict>"),
        "<key>AllSpacesAndDisplays</key><string>odd</string>");
    EXPECT_EQ(storeText(noIdleHere, primary, {}, kSonoma),
              "{AllSpacesAndDisplays=" + entry(image("file:///p/a.jpg", kSonoma), idleY) +
                  ",Displays={}" + kept);
}

TEST(WallpaperStore, AnythingButADictionaryLoadsAsAnEmptyStore) {
    test::TempHome home;
    const std::string array = R"(<?xml version="1.0"?><plist version="1.0"><array/></plist>)";
    for (const std::string& bytes : {array, std::string("not a plist"), std::string()})
        EXPECT_EQ(plistText(loadStore(asBytes(bytes)).get()), "{}") << bytes;
    // Strings the binary writer would cut short: a stray continuation byte, a lone lead
    // byte, an overlong NUL, a surrogate, a code point beyond U+10FFFF; in a key or a value.
    const auto withString = [](const std::string& text, bool inKey) {
        const std::string item =
            "<key>" + (inKey ? text : "k") + "</key><string>" + (inKey ? "v" : text) + "</string>";
        return R"(<?xml version="1.0"?><plist version="1.0"><dict>)" + item + "</dict></plist>";
    };
    for (const bool inKey : {false, true}) {
        for (const char* bad : {"a\x91"
                                "b",
                                "a\xC3", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80"})
            EXPECT_EQ(plistText(loadStore(asBytes(withString(bad, inKey))).get()), "{}") << bad;
        EXPECT_NE(plistText(loadStore(asBytes(withString(
                                          "Gr\xC3\xBC\xC3\x9F\xE2\x80\x94\xF0\x9F\x8C\x8A", inKey)))
                                .get()),
                  "{}");
    }
    EXPECT_EQ(plistText(loadStore(home.root() / "missing.plist").get()), "{}");
    EXPECT_EQ(plistText(loadStore(home.root()).get()), "{}") << "a folder";
    EXPECT_EQ(defaultStorePath(), home.dataHome() / "kestrane-wallpaper-agent/Store/Index.plist");
}

TEST(WallpaperStore, UrlOfAnEntry) {
    const auto urlIn = [](const std::string& xml) {
        const PlistPtr node = parsePropertyList(
            asBytes(R"(<?xml version="1.0"?><plist version="1.0">)" + xml + "</plist>"));
        return url(node.get());
    };
    const auto desktop = [](const std::string& choices) {
        return "<dict><key>Desktop</key><dict><key>Content</key><dict><key>Choices</key><array>" +
               choices + "</array></dict></dict></dict>";
    };
    const std::string file = "<key>Files</key><array><dict><key>relative</key>"
                             "<string>file:///f.jpg</string></dict></array>";
    // <dict><key>url</key><dict><key>relative</key><string>file:///c.jpg</string></dict></dict>
    const std::string config =
        "<key>Configuration</key><data>YnBsaXN0MDDRAQJTdXJs0QMEWHJlbGF0aXZlXWZpbGU6Ly8vYy5qcGcIC"
        "w8SGwAAAAAAAAEBAAAAAAAAAAUAAAAAAAAAAAAAAAAAAAAp</data>";
    EXPECT_EQ(urlIn(desktop("<dict>" + file + config + "</dict>")), "file:///f.jpg");
    EXPECT_EQ(urlIn(desktop("<dict><key>Files</key><array/>" + config + "</dict>")),
              "file:///c.jpg");
    EXPECT_EQ(urlIn(desktop("<dict>" + config + "</dict><dict/>")), "file:///c.jpg");
    for (const std::string& malformed :
         {std::string("<string>x</string>"), std::string("<dict/>"), desktop(""),
          desktop("<dict>" + config + "</dict><string>x</string>"),
          desktop("<dict><key>Configuration</key><data>AAAA</data></dict>"),
          desktop("<dict><key>Files</key><array><string>file:///f.jpg</string></array></dict>")})
        EXPECT_FALSE(urlIn(malformed)) << malformed;
    EXPECT_FALSE(url(nullptr));
}

TEST(DisplayUuid, StableVersion8FromEdidElseOutputName) {
    const std::uint8_t edid[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x10};
    const std::string fromEdid = displayUuid(edid, "DP-1");
    EXPECT_TRUE(std::regex_match(
        fromEdid,
        std::regex("[0-9A-F]{8}-[0-9A-F]{4}-8[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}")))
        << fromEdid;
    EXPECT_EQ(fromEdid, displayUuid(edid, "HDMI-2")) << "the monitor, not the port";
    EXPECT_NE(fromEdid, displayUuid({}, "DP-1"));
    EXPECT_NE(displayUuid({}, "DP-1"), displayUuid({}, "DP-2"));
    // sha256("output:DP-1") = bd045a5d 8464 3ca6 afa4 27b2cc3162e0 …, version and variant set.
    EXPECT_EQ(displayUuid({}, "DP-1"), "BD045A5D-8464-8CA6-AFA4-27B2CC3162E0");
}
