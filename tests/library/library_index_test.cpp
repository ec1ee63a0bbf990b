#include "library/library_index.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace ks {
namespace {

using Json = nlohmann::json;

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

std::optional<std::vector<Pack>> parse(const Json& document) {
    return parseLibraryIndex(asBytes(document.dump()));
}

std::optional<std::vector<Pack>> parseText(std::string_view text) {
    return parseLibraryIndex(asBytes(text));
}

TEST(LibraryIndex, ReadsPacksAndWallpapersInOrder) {
    const auto packs = parse(validIndex());
    ASSERT_TRUE(packs);
    ASSERT_EQ(packs->size(), 2u);
    const Pack& alps = (*packs)[0];
    EXPECT_EQ(alps.id, "alps");
    EXPECT_EQ(alps.displayName, "Alps");
    EXPECT_TRUE(alps.hasVariants);
    EXPECT_EQ(alps.coverFileName, "b.jpg");
    ASSERT_EQ(alps.wallpapers.size(), 2u);
    EXPECT_EQ(alps.wallpapers[1], (Wallpaper{"alps", "b.jpg", Variant::dark, "2.dat"}));
    EXPECT_EQ((*packs)[1].coverFileName, std::nullopt);
    EXPECT_EQ((*packs)[1].wallpapers[0].packID, "sea");
}

TEST(LibraryIndex, UnknownVariantStringsReadAsNeutral) {
    for (const char* text : {"Dark", "", "neutral", "LIGHT", "sepia"}) {
        Json index = validIndex();
        index["packs"][0]["wallpapers"][0]["variant"] = text;
        const auto packs = parse(index);
        ASSERT_TRUE(packs) << text;
        EXPECT_EQ((*packs)[0].wallpapers[0].variant, Variant::neutral) << text;
    }
}

TEST(LibraryIndex, CoverMayBeAbsentOrNullButNotAnotherType) {
    Json index = validIndex();
    index["packs"][0]["coverFileName"] = nullptr;
    const auto packs = parse(index);
    ASSERT_TRUE(packs);
    EXPECT_EQ((*packs)[0].coverFileName, std::nullopt);

    index["packs"][0]["coverFileName"] = 3;
    EXPECT_FALSE(parse(index));
}

TEST(LibraryIndex, IgnoresUnknownKeysAtEveryLevel) {
    Json index = validIndex();
    index["version"] = 7;
    index["packs"][0]["tags"] = {"snow", "rock"};
    index["packs"][1]["wallpapers"][0]["author"] = nullptr;
    EXPECT_EQ(parse(index), parse(validIndex()));
}

TEST(LibraryIndex, AnEmptyPackListIsReadableAndEmpty) {
    const auto packs = parseText(R"({"packs": []})");
    ASSERT_TRUE(packs);
    EXPECT_TRUE(packs->empty());
}

struct Field {
    Json::json_pointer pointer;
    Json wrongValue;
};

std::vector<Field> requiredFields() {
    return {{Json::json_pointer("/packs"), Json::object()},
            {Json::json_pointer("/packs/1/id"), 5},
            {Json::json_pointer("/packs/1/displayName"), Json::array()},
            {Json::json_pointer("/packs/1/hasVariants"), "true"},
            {Json::json_pointer("/packs/1/wallpapers"), "none"},
            {Json::json_pointer("/packs/1/wallpapers/0/fileName"), nullptr},
            {Json::json_pointer("/packs/1/wallpapers/0/variant"), 0},
            {Json::json_pointer("/packs/1/wallpapers/0/blob"), false}};
}

TEST(LibraryIndex, AnyMissingRequiredKeyMakesTheWholeIndexUnreadable) {
    for (const auto& field : requiredFields()) {
        Json index = validIndex();
        index[field.pointer.parent_pointer()].erase(field.pointer.back());
        EXPECT_FALSE(parse(index)) << field.pointer.to_string();
    }
}

TEST(LibraryIndex, AnyValueOfTheWrongTypeMakesTheWholeIndexUnreadable) {
    for (const auto& field : requiredFields()) {
        Json index = validIndex();
        index[field.pointer] = field.wrongValue;
        EXPECT_FALSE(parse(index)) << field.pointer.to_string();
    }
    Json index = validIndex();
    index["packs"][1]["hasVariants"] = 1;
    EXPECT_FALSE(parse(index));
    index = validIndex();
    index["packs"][1]["wallpapers"][0] = "c.png";
    EXPECT_FALSE(parse(index));
    index = validIndex();
    index["packs"].push_back(nullptr);
    EXPECT_FALSE(parse(index));
}

TEST(LibraryIndex, RejectsWhatIsNotOneJsonObject) {
    for (std::string_view text : {"", "   ", "null", "[]", R"("packs")", "{", R"({"packs": []} {})",
                                  R"({"packs": [],})", "\x89PNG\r\n\x1a\n", R"({'packs': []})"})
        EXPECT_FALSE(parseText(text)) << text;
}

TEST(LibraryIndex, RejectsInvalidUtf8AndLoneSurrogates) {
    EXPECT_FALSE(parseText("{\"packs\": [], \"x\": \"\xC3\x28\"}"));
    EXPECT_FALSE(parseText(R"({"packs": [], "x": "\ud800"})"));
}

TEST(LibraryIndex, EveryTruncationOfAGoodIndexIsUnreadable) {
    const std::string text = validIndex().dump();
    for (std::size_t length = 0; length < text.size(); ++length)
        ASSERT_FALSE(parseText(std::string_view(text).substr(0, length))) << length;
}

TEST(LibraryIndex, SerializedIndexReadsBackUnchanged) {
    const std::vector<Pack> packs{{"alps",
                                   "Alps \u00B7 \u5C71",
                                   {{"alps", "a b.jpg", Variant::light, "1.dat"},
                                    {"alps", "c\"\\.jpg", Variant::dark, "2.dat"}},
                                   true,
                                   "c\"\\.jpg"},
                                  {"empty", "", {}, false, std::nullopt},
                                  {"n", "N", {{"n", "x.heic", Variant::neutral, ""}}, false, ""}};
    const std::string text = serializeLibraryIndex(packs);
    EXPECT_EQ(parseText(text), packs);
}

} // namespace
} // namespace ks
