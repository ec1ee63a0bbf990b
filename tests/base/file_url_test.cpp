#include "base/file_url.h"

#include <gtest/gtest.h>

using namespace ks;
using namespace std::string_literals;

TEST(FileUrl, PathsEncodeToOneCanonicalString) {
    const std::pair<std::string, const char*> table[] = {
        {"/a/b.jpg", "file:///a/b.jpg"},
        {"/", "file:///"},
        {"/My Pictures/50% off#1?.png", "file:///My%20Pictures/50%25%20off%231%3F.png"},
        {"/x;y/a~b_c-d.e/!$&'()*+,:=@", "file:///x%3By/a~b_c-d.e/!$&'()*+,:=@"},
        {"/Bilder/Grüße.jpg", "file:///Bilder/Gr%C3%BC%C3%9Fe.jpg"},
        {"/a/./b/../c//d.jpg", "file:///a/c/d.jpg"},
    };
    for (const auto& [path, expected] : table) {
        const auto url = FileUrl::fromPath(path);
        ASSERT_TRUE(url) << path;
        EXPECT_EQ(url->absoluteString(), expected) << path;
        const auto back = FileUrl::fromString(expected);
        ASSERT_TRUE(back) << expected;
        EXPECT_EQ(*back, *url) << expected;
        EXPECT_EQ(back->path(), url->path()) << expected;
    }
    for (const auto& path : {""s, "a/b.jpg"s, "./b.jpg"s, "/a\0b"s})
        EXPECT_FALSE(FileUrl::fromPath(path)) << path;
}

TEST(FileUrl, ReadsLocalFileUrlsOnly) {
    EXPECT_EQ(FileUrl::fromString("file://localhost/a%20b.jpg")->path(), "/a b.jpg");
    EXPECT_EQ(FileUrl::fromString("FILE:///a/b%2fc")->absoluteString(), "file:///a/b/c");
    EXPECT_EQ(FileUrl::fromString("file:///a b")->absoluteString(), "file:///a%20b");
    for (const auto* text :
         {"", "file://", "file:/a.jpg", "file:a.jpg", "a.jpg", "/a.jpg", "http://host/a.jpg",
          "file://host/a.jpg", "file://localhostx/a.jpg", "file:///a%", "file:///a%2",
          "file:///a%zz", "file:///a%00b", "file:///a?q=1", "file:///a#f"})
        EXPECT_FALSE(FileUrl::fromString(text)) << text;
    EXPECT_FALSE(FileUrl::fromString("file:///a\0b"s));
}
