#include "library/library_index.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace ks {
namespace {

using namespace std::literals;
using Json = nlohmann::json;
using Ptr = Json::json_pointer;

Json validIndex() {
    return Json::parse(R"({
      "packs": [
        {"id": "alps", "displayName": "Alps", "hasVariants": true, "coverFileName": "b.jpg",
         "wallpapers": [
           {"fileName": "a.jpg", "variant": "light", "blob": "1.dat"},
           {"fileName": "b.jpg", "variant": "dark", "blob": "2.dat"}]},
        {"id": "sea", "displayName": "Sea", "hasVariants": false,
         "wallpapers": [{"fileName": "c.png", "variant": "neutral", "blob": "3.dat"}]}
      ]})");
}

std::optional<std::vector<Pack>> parseText(std::string_view text) {
    return parseLibraryIndex(asBytes(text));
}
std::optional<std::vector<Pack>> parse(const Json& document) {
    return parseText(document.dump());
}

Json with(const std::string& pointer, Json value) {
    Json index = validIndex();
    index[Ptr(pointer)] = std::move(value);
    return index;
}

TEST(LibraryIndex, ReadsPacksInOrderIgnoringUnknownKeysAndUnknownVariants) {
    const auto packs = parse(validIndex());
    ASSERT_TRUE(packs);
    EXPECT_EQ(
        *packs,
        (std::vector<Pack>{
            {"alps",
             "Alps",
             {{"alps", "a.jpg", Variant::light, "1.dat"},
              {"alps", "b.jpg", Variant::dark, "2.dat"}},
             true,
             "b.jpg"},
            {"sea", "Sea", {{"sea", "c.png", Variant::neutral, "3.dat"}}, false, std::nullopt}}));

    Json extra = with("/version", 7);
    extra[Ptr("/packs/0/tags")] = {"snow", "rock"};
    extra[Ptr("/packs/1/wallpapers/0/author")] = nullptr;
    EXPECT_EQ(parse(extra), packs);
    EXPECT_EQ(parse(with("/packs/0/coverFileName", nullptr))->at(0).coverFileName, std::nullopt);
    EXPECT_EQ(parseText(R"({"packs": []})"), std::vector<Pack>{});
    for (const char* text : {"Dark", "", "neutral", "LIGHT", "sepia"})
        EXPECT_EQ(parse(with("/packs/0/wallpapers/0/variant", text))->at(0).wallpapers[0].variant,
                  Variant::neutral)
            << text;
}

TEST(LibraryIndex, AMissingRequiredKeyOrAWrongTypeMakesTheWholeIndexUnreadable) {
    const std::vector<std::pair<std::string, Json>> fields{
        {"/packs", Json::object()},
        {"/packs/1/id", 5},
        {"/packs/1/displayName", Json::array()},
        {"/packs/1/hasVariants", "true"},
        {"/packs/1/wallpapers", "none"},
        {"/packs/1/wallpapers/0/fileName", nullptr},
        {"/packs/1/wallpapers/0/variant", 0},
        {"/packs/1/wallpapers/0/blob", false}};
    for (const auto& [pointer, wrong] : fields) {
        Json missing = validIndex();
        missing[Ptr(pointer).parent_pointer()].erase(Ptr(pointer).back());
        EXPECT_FALSE(parse(missing)) << pointer;
        EXPECT_FALSE(parse(with(pointer, wrong))) << pointer;
    }
    EXPECT_FALSE(parse(with("/packs/0/coverFileName", 3)));
    EXPECT_FALSE(parse(with("/packs/1/hasVariants", 1)));
    EXPECT_FALSE(parse(with("/packs/1/wallpapers/0", "c.png")));
    EXPECT_FALSE(parse(with("/packs/2", nullptr)));
}

TEST(LibraryIndex, RejectsWhatIsNotOneWholeValidJsonObject) {
    for (std::string_view text : std::initializer_list<std::string_view>{
             "", "   ", "null", "[]", R"("packs")", "{", R"({"packs": []} {})", R"({"packs": [],})",
             "\x89PNG\r\n\x1a\n", R"({'packs': []})", "{\"packs\": [], \"x\": \"\xC3\x28\"}",
             R"({"packs": [], "x": "\ud800"})", "{\"packs\": []}\0garbage"sv,
             "{\"packs\": []}\0"sv})
        EXPECT_FALSE(parseText(text)) << text;
    const std::string text = validIndex().dump();
    for (std::size_t length = 0; length < text.size(); ++length)
        ASSERT_FALSE(parseText(std::string_view(text).substr(0, length))) << length;
}

TEST(LibraryIndex, SerializedIndexReadsBackUnchanged) {
    const std::vector<Pack> packs{{"alps",
                                   "Alps \u00B7 \u5C71 \0 end"s,
                                   {{"alps", "a b.jpg", Variant::light, "1.dat"},
                                    {"alps", "c\"\\.jpg", Variant::dark, "2.dat"}},
                                   true,
                                   "c\"\\.jpg"},
                                  {"empty", "", {}, false, std::nullopt},
                                  {"n", "N", {{"n", "x.heic", Variant::neutral, ""}}, false, ""}};
    EXPECT_EQ(parseText(serializeLibraryIndex(packs)), packs);
}

} // namespace
} // namespace ks
