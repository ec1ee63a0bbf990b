#include "settings_fixture.h"

#include <gmock/gmock.h>
#include <regex>

namespace ks::test {
namespace {

using testing::ElementsAre;
using Collections = SettingsTest;

std::vector<std::string> names(const std::vector<WallpaperCollection>& collections) {
    std::vector<std::string> out;
    for (const auto& c : collections)
        out.push_back(c.name);
    return out;
}

TEST_F(Collections, DefaultAndUniqueNames) {
    SettingsStore& s = store();
    EXPECT_EQ(s.nextCollectionName(), "Collection 1");
    s.setCollections({{"1", "Collection 2", {}}, {"2", "Collection 3", {}}});
    EXPECT_EQ(s.nextCollectionName(), "Collection 4");
    s.setCollections({{"1", "Beach", {}}, {"2", "trips", {}}});
    EXPECT_EQ(s.createCollection(" \n\t", {}).name, "Collection 3");
    EXPECT_EQ(s.createCollection("  Trips\n", {}).name, "Trips 2");
    EXPECT_EQ(s.createCollection("Trips", {}).name, "Trips 3");
    EXPECT_EQ(s.createCollection("favorites", {}).name, "favorites 2");
    EXPECT_EQ(s.createCollection("\u3000\u00C9t\u00E9\u2028", {}).name, "\u00C9t\u00E9");
    EXPECT_EQ(s.createCollection("\u00E9T\u00C9", {}).name, "\u00E9T\u00C9 2");
}

TEST_F(Collections, CreateRenameDeleteAndRotate) {
    SettingsStore& s = store();
    const auto a = s.createCollection("A", {"b/2.jpg", "a/1.jpg", "b/2.jpg"});
    const auto b = s.createCollection("B", {});
    EXPECT_THAT(a.wallpapers, ElementsAre("b/2.jpg", "a/1.jpg", "b/2.jpg"));
    // Random version-4 UUIDs in upper case.
    const std::regex uuid("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    EXPECT_TRUE(std::regex_match(a.id, uuid) && std::regex_match(b.id, uuid)) << a.id;
    EXPECT_NE(a.id, b.id);
    EXPECT_EQ(s.collection(a.id), a);
    content = 0;
    s.renameCollection(a.id, "  B ");
    s.renameCollection(a.id, " \n ");
    s.renameCollection("unknown", "C");
    s.renameCollection("__favorites__", "C");
    EXPECT_THAT(names(s.allCollections()), ElementsAre("Favorites", "B", "B"));
    EXPECT_EQ(content, 1);

    s.toggleRotation(a.id);
    s.deleteCollection(b.id);
    EXPECT_EQ(s.rotationCollectionID(), a.id);
    content = 0;
    s.deleteCollection(a.id);
    EXPECT_EQ(content, 2);
    EXPECT_EQ(s.rotationCollectionID(), std::nullopt);
    s.deleteCollection("unknown");
    EXPECT_EQ(content, 3);
    EXPECT_TRUE(s.collections().empty());
    s.toggleRotation("__favorites__");
    s.toggleRotation("__favorites__");
    EXPECT_EQ(s.rotationCollectionID(), std::nullopt);
}

TEST_F(Collections, ToggleAndTheFavouritesCollection) {
    SettingsStore& s = store();
    const Wallpaper w = pack("coast", 1).wallpapers[0];
    const auto c = s.createCollection("C", {"x/1.jpg", w.key(), "y/1.jpg", w.key()});
    s.toggle(w, c.id);
    EXPECT_THAT(s.collection(c.id)->wallpapers, ElementsAre("x/1.jpg", "y/1.jpg", w.key()));
    s.toggle(w, c.id);
    EXPECT_FALSE(s.contains(w, c.id));
    EXPECT_EQ(s.wallpaperKeys(c.id), (KeySet{"x/1.jpg", "y/1.jpg"}));
    content = 0;
    s.toggle(w, "unknown");
    EXPECT_EQ(content, 0);
    EXPECT_TRUE(s.wallpaperKeys("unknown").empty() && !s.collection("unknown"));

    s.setFavorites({"b/1.jpg", "a/1.jpg"});
    s.toggle(w, "__favorites__");
    EXPECT_TRUE(s.contains(w, "__favorites__"));
    EXPECT_EQ(s.collection("__favorites__"),
              (WallpaperCollection{"__favorites__", "Favorites", {"a/1.jpg", "b/1.jpg", w.key()}}));
    EXPECT_EQ(s.collections().size(), 1u);
}

TEST_F(Collections, StoredJsonIsReadStrictlyAndAlwaysWritable) {
    const auto load = [&](const std::string& json) {
        defaults().set("collections", Bytes(json.begin(), json.end()));
        return restart().collections();
    };
    EXPECT_EQ(load(R"([{"id":"A","name":"N","wallpapers":["coast\/dawn.jpg"],"x":1}])"),
              (std::vector<WallpaperCollection>{{"A", "N", {"coast/dawn.jpg"}}}));
    for (const char* broken :
         {R"([{"id":"A","name":"N"}])", R"([{"id":1,"name":"N","wallpapers":[]}])",
          R"([{"id":"A","name":"N","wallpapers":[1]}])", R"({"id":"A"})", "[] x",
          "[{\"id\":\"A\",\"name\":\"\xff\",\"wallpapers\":[]}]", ""})
        EXPECT_TRUE(load(broken).empty()) << broken;

    // Slashes are written as they are; a name that is not UTF-8 costs nothing else.
    store().setCollections({{"A", "Good", {"coast/dawn.jpg"}}, {"B", "Bad\xff", {}}});
    const auto data = defaults().dataValue("collections");
    EXPECT_NE(asText(*data).find("\"coast/dawn.jpg\""), std::string_view::npos);
    EXPECT_THAT(names(restart().collections()), ElementsAre("Good", "Bad\uFFFD"));
}

} // namespace
} // namespace ks::test
