#include "support/temp_home.h"
#include "system/wallpaper_store.h"

#include <gtest/gtest.h>

#include <plist/plist.h>

#include <cstdio>
#include <map>

using namespace ks;

namespace {

std::string real(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

// A property-list tree as one line of text, so that a test states a whole store at once:
// {key=value,…} with keys sorted, […], "string", integers, reals, dates as Unix seconds
// (@…), and data as <tree> when it is itself a property list, else <N bytes>.
std::string plistText(const void* node) {
    const auto n = static_cast<plist_t>(const_cast<void*>(node));
    std::string text;
    switch (n ? plist_get_node_type(n) : PLIST_NONE) {
    case PLIST_DICT: {
        std::map<std::string, std::string> items;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(n, &it);
        char* key = nullptr;
        for (plist_t value; plist_dict_next_item(n, it, &key, &value), value; std::free(key))
            items[key] = plistText(value);
        std::free(key);
        std::free(it);
        for (const auto& [k, v] : items)
            text += (text.empty() ? "" : ",") + k + "=" + v;
        return "{" + text + "}";
    }
    case PLIST_ARRAY:
        for (std::uint32_t i = 0; i < plist_array_get_size(n); ++i)
            text += (i ? "," : "") + plistText(plist_array_get_item(n, i));
        return "[" + text + "]";
    case PLIST_STRING:
        return "\"" + std::string(plist_get_string_ptr(n, nullptr)) + "\"";
    case PLIST_UINT: {
        std::uint64_t value = 0;
        plist_get_uint_val(n, &value);
        return std::to_string(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(n, &value);
        return real(value);
    }
    case PLIST_DATE: {
        std::int32_t sec = 0, usec = 0;
        plist_get_date_val(n, &sec, &usec);
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "@%lld.%06d", 978307200LL + sec, usec);
        return buffer;
    }
    case PLIST_DATA: {
        std::uint64_t length = 0;
        const char* data = plist_get_data_ptr(n, &length);
        const auto inner =
            parsePropertyList(ByteView(reinterpret_cast<const std::uint8_t*>(data), length));
        return "<" + (inner ? plistText(inner.get()) : std::to_string(length) + " bytes") + ">";
    }
    default:
        return "?";
    }
}

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

} // namespace

TEST(WallpaperStore, OneImageEverywhereOrOnePerDisplayOnBothVersions) {
    const auto primary = fileUrl("/p/Sea Side.jpg");
    const DisplayList displays{{"UUID-A", fileUrl("/p/a.jpg")},
                               {"UUID-B", fileUrl("/p/b.jpg")},
                               {"UUID-A", fileUrl("/p/c.jpg")}};
    for (const auto& version : {kSonoma, kTahoe}) {
        SCOPED_TRACE(version.text);
        const auto showing = [&](const char* abs) { return entry(image(abs, version), kDefault); };
        const std::string rest = ",Spaces={},SystemDefault=" +
                                 (version.atLeast(26) ? "{Linked=" + kDefault + R"(,Type="linked"})"
                                                      : showing("file:///p/Sea%20Side.jpg")) +
                                 "}";
        EXPECT_EQ(storeText("", primary, {}, version),
                  "{AllSpacesAndDisplays=" + showing("file:///p/Sea%20Side.jpg") + ",Displays={}" +
                      rest);
        EXPECT_EQ(storeText("", primary, displays, version),
                  "{AllSpacesAndDisplays={Idle=" + kDefault + R"(,Type="idle"},Displays={UUID-A=)" +
                      showing("file:///p/c.jpg") + ",UUID-B=" + showing("file:///p/b.jpg") + "}" +
                      rest);
    }
}

TEST(WallpaperStore, KeepsSystemDefaultIdleChoiceAndUnknownKeys) {
    const auto idle = [](const std::string& kind) {
        return "<key>Idle</key><dict><key>Content</key><dict><key>Kind</key><string>" + kind +
               "</string></dict></dict>";
    };
    const std::string others = "<key>SystemDefault</key><dict>" + idle("Y") +
                               "<key>Type</key><string>mine</string></dict>"
                               "<key>Spaces</key><dict><key>S1</key><string>old</string></dict>"
                               "<key>Displays</key><dict><key>GONE</key><string>old</string></dict>"
                               "<key>Other</key><integer>42</integer>";
    const std::string existing = "<key>AllSpacesAndDisplays</key><dict>" + idle("X") + "</dict>";
    const auto primary = fileUrl("/p/a.jpg");
    const std::string idleX = R"({Content={Kind="X"}})", idleY = R"({Content={Kind="Y"}})";
    const std::string kept =
        ",Other=42,Spaces={},SystemDefault={Idle=" + idleY + R"(,Type="mine"}})";
    EXPECT_EQ(storeText(existing + others, primary, {}, kTahoe),
              "{AllSpacesAndDisplays=" + entry(image("file:///p/a.jpg", kTahoe), idleX) +
                  ",Displays={}" + kept);
    EXPECT_EQ(storeText(existing + others, primary, {{"U", primary}}, kSonoma),
              "{AllSpacesAndDisplays={Idle=" + idleX + R"(,Type="idle"},Displays={U=)" +
                  entry(image("file:///p/a.jpg", kSonoma), idleX) + "}" + kept);
    // Without an idle choice of its own, every entry takes the system default's.
    EXPECT_EQ(storeText("<key>AllSpacesAndDisplays</key><string>odd</string>" + others, primary, {},
                        kSonoma),
              "{AllSpacesAndDisplays=" + entry(image("file:///p/a.jpg", kSonoma), idleY) +
                  ",Displays={}" + kept);
}

TEST(WallpaperStore, AnythingButADictionaryOfUtf8StringsLoadsAsAnEmptyStore) {
    test::TempHome home;
    const std::string array = R"(<?xml version="1.0"?><plist version="1.0"><array/></plist>)";
    for (const std::string& bytes : {array, std::string("not a plist"), std::string()})
        EXPECT_EQ(plistText(loadStore(asBytes(bytes)).get()), "{}") << bytes;
    EXPECT_EQ(plistText(loadStore(home.root() / "missing.plist").get()), "{}");
    EXPECT_EQ(plistText(loadStore(home.root()).get()), "{}") << "a folder";

    // Strings the binary writer would cut short: a stray continuation byte, a lone lead
    // byte, an overlong NUL, a surrogate, a code point beyond U+10FFFF; in a key or a value.
    const auto withString = [](const std::string& key, const std::string& value) {
        return plistText(
            loadStore(asBytes(R"(<?xml version="1.0"?><plist version="1.0"><dict><key>)" + key +
                              "</key><string>" + value + "</string></dict></plist>"))
                .get());
    };
    for (const std::string bad :
         {"a\x91z", "a\xC3", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
        EXPECT_EQ(withString("k", bad), "{}") << bad;
        EXPECT_EQ(withString(bad, "v"), "{}") << bad;
    }
    const std::string good = "Gr\xC3\xBC\xC3\x9F\xE2\x80\x94\xF0\x9F\x8C\x8A";
    EXPECT_EQ(withString(good, good), "{" + good + "=\"" + good + "\"}");
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
