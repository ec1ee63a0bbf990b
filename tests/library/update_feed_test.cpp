#include "library/config.h"
#include "library/update_feed.h"
#include "support/log_capture.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

namespace ks {
namespace {

using Outcome = UpdateCheckResult::Outcome;

TEST(VersionNumber, TakesDottedNumbersOnlyAndComparesThemPartByPart) {
    for (const char* text : {"", "v1", "1.", ".1", "1..2", "1.2-beta", "1.2 ", " 1", "+1", "-1",
                             "1.2.3.4.5.6.7.8.9", "1.9999999999", "1e3", "0x10", "١"})
        EXPECT_EQ(VersionNumber::parse(text), std::nullopt) << '"' << text << '"';

    const auto v = [](const char* text) { return *VersionNumber::parse(text); };
    struct Case {
        const char* a;
        const char* b;
        std::strong_ordering expected;
    };
    const std::vector<Case> cases{
        {"1.10.2", "1.9", std::strong_ordering::greater},
        {"1.2", "1.2.0", std::strong_ordering::equal},
        {"1.2.0.0", "1.2", std::strong_ordering::equal},
        {"0.1.0", "0.2.0", std::strong_ordering::less},
        {"2", "1.99.99", std::strong_ordering::greater},
        {"01.2", "1.2", std::strong_ordering::equal},
        {"999999999", "999999998.9", std::strong_ordering::greater},
        {"1.2.3.4.5.6.7.8", "1.2.3.4.5.6.7.9", std::strong_ordering::less},
    };
    for (const auto& [a, b, expected] : cases) {
        EXPECT_EQ(v(a) <=> v(b), expected) << a << " vs " << b;
        EXPECT_EQ(v(b) <=> v(a), 0 <=> (v(a) <=> v(b))) << b << " vs " << a;
    }
}

TEST(UpdateFeed, ReadsTheFeedAndRefusesEverythingElse) {
    const auto feed = [](const char* version, const char* url, const char* notes) {
        return std::variant<UpdateFeed, FeedProblem>(UpdateFeed{version, url, notes});
    };
    const std::variant<UpdateFeed, FeedProblem> notJson = FeedProblem::notJson;
    const std::variant<UpdateFeed, FeedProblem> notAFeed = FeedProblem::notAFeed;
    const std::string longNotes = std::string(296, 'a') + "\xc3\xa9\xc3\xa9\xc3\xa9";
    struct Case {
        const char* what;
        std::string body;
        std::variant<UpdateFeed, FeedProblem> expected;
    };
    const std::vector<Case> cases{
        {"the whole feed",
         R"({"version": "0.2.0", "url": "https://example.org/download", "notes": "Faster."})",
         feed("0.2.0", "https://example.org/download", "Faster.")},
        {"no notes, unknown members",
         R"({"version": "1.10", "url": "https://example.org", "channel": 3})",
         feed("1.10", "https://example.org/", "")},
        {"null notes, http on loopback",
         R"({"version": "2", "url": "http://127.0.0.1:8080/get", "notes": null})",
         feed("2", "http://127.0.0.1:8080/get", "")},
        {"notes on several lines, with a line separator",
         "{\"version\": \"2\", \"url\": \"https://e.org/\", \"notes\": \" a\\nb\\u2028c\\t \"}",
         feed("2", "https://e.org/", "a b c")},
        {"long notes cut between two characters",
         R"({"version": "2", "url": "https://e.org/", "notes": ")" + longNotes + "\"}",
         feed("2", "https://e.org/", (std::string(296, 'a') + "\xe2\x80\xa6").c_str())},
        {"empty", "", notJson},
        {"HTML", "<html>Not found</html>", notJson},
        {"cut off", R"({"version": "0.2.0", "url": "https://e)", notJson},
        {"a raw NUL", std::string(R"({"version": "0.2.0", "url": "https://e.org/"})") + '\0',
         notJson},
        {"invalid UTF-8", "{\"version\": \"2\", \"url\": \"https://e.org/\", \"notes\": \"\xff\"}",
         notJson},
        {"an array", R"([{"version": "0.2.0", "url": "https://e.org/"}])", notAFeed},
        {"a string", R"("0.2.0")", notAFeed},
        {"no version", R"({"url": "https://e.org/"})", notAFeed},
        {"no url", R"({"version": "0.2.0"})", notAFeed},
        {"a number for the version", R"({"version": 2, "url": "https://e.org/"})", notAFeed},
        {"an array for the url", R"({"version": "2", "url": ["https://e.org/"]})", notAFeed},
        {"a number for the notes", R"({"version": "2", "url": "https://e.org/", "notes": 1})",
         notAFeed},
        {"a beta version", R"({"version": "1.2-beta", "url": "https://e.org/"})", notAFeed},
        {"a v in the version", R"({"version": "v1", "url": "https://e.org/"})", notAFeed},
        {"a file link", R"({"version": "2", "url": "file:///etc/passwd"})", notAFeed},
        {"a script link", R"j({"version": "2", "url": "javascript:alert(1)"})j", notAFeed},
        {"plain http elsewhere", R"({"version": "2", "url": "http://example.org/"})", notAFeed},
        {"an ftp link", R"({"version": "2", "url": "ftp://example.org/x"})", notAFeed},
        {"a link without a scheme", R"({"version": "2", "url": "//example.org/x"})", notAFeed},
        {"an empty link", R"({"version": "2", "url": ""})", notAFeed},
        {"a host in disguise", R"({"version": "2", "url": "https://example.org@evil.net/"})",
         notAFeed},
        {"a quote in the link", R"({"version": "2", "url": "https://e.org/\"onclick"})", notAFeed},
        {"raw UTF-8 in the link", "{\"version\": \"2\", \"url\": \"https://e.org/\xc3\xa9\"}",
         notAFeed},
        {"a link cut by an escaped NUL",
         R"({"version": "2", "url": "https://e.org/\u0000@evil.net"})", notAFeed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseUpdateFeed(asBytes(c.body)), c.expected) << c.what;
}

TEST(UpdateFeed, AnswersUpToDateForNoNewerVersionAndNamesWhatFailed) {
    const auto answer = [](long status, std::string_view body) {
        return HttpResponse{status, Bytes(body.begin(), body.end())};
    };
    const auto ok = [&](const std::string& version) {
        return answer(200, R"({"version": ")" + version + R"(", "url": "https://e.org/d"})");
    };
    const auto failed = [](const char* reason) { return UpdateCheckResult::failure(reason); };
    const UpdateCheckResult upToDate{Outcome::upToDate, "1.9.0", {}, {}, {}};
    struct Case {
        HttpResponse response;
        UpdateCheckResult expected;
    };
    const std::vector<Case> cases{
        {ok("1.10"), {Outcome::updateAvailable, "1.10", "https://e.org/d", "", {}}},
        {ok("1.9"), upToDate},
        {ok("1.8.99"), upToDate}, // a downgrade is never offered
        {HttpResponse{}, failed("the update server could not be reached")},
        {answer(404, "x"), failed("the update server answered with HTTP status 404")},
        {answer(200, "<p>"), failed("the update server's answer is not JSON")},
        {ok("1.10-rc1"), failed("the update server's answer is not a valid update feed")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(evaluateUpdateResponse(c.response, "1.9.0"), c.expected) << c.response.status;
    EXPECT_TRUE(VersionNumber::parse(Config::applicationVersion())) << Config::applicationVersion();
}

TEST(UpdateFeedURL, TakesTheSafeFeedTheBuildOrTheEnvironmentNames) {
    test::TempHome home;
    test::LogCapture log;
    const std::optional<std::string> none;
    struct Case {
        const char* override; // nullptr: unset
        const char* builtIn;
        std::optional<std::string> expected;
        const char* logged; // the end of the one line logged, or nullptr
    };
    const std::vector<Case> cases{
        {nullptr, "", none, nullptr},
        {"", "https://e.org/feed.json?channel=stable", "https://e.org/feed.json?channel=stable",
         nullptr},
        {"http://localhost:8000/feed", "https://e.org/f", "http://localhost:8000/feed", nullptr},
        {"http://e.org/feed", "https://e.org/f", "https://e.org/f",
         "; using the built-in update feed"},
        {"file:///tmp/feed.json", "", none, "; no update feed"},
        {nullptr, "http://e.org/feed", none, "; no update feed"},
    };
    for (const auto& [override, builtIn, expected, logged] : cases) {
        const std::string what = std::string(override ? override : "(unset)") + " / " + builtIn;
        if (override)
            home.setVar("KESTRANE_UPDATE_FEED", override);
        else
            home.unsetVar("KESTRANE_UPDATE_FEED");
        const std::size_t before = log.lines().size();
        EXPECT_EQ(Config::updateFeedURL(builtIn), expected) << what;
        ASSERT_EQ(log.lines().size(), before + (logged ? 1 : 0)) << what;
        if (logged) {
            EXPECT_TRUE(log.lines().back().ends_with(logged)) << log.lines().back();
        }
    }
}

} // namespace
} // namespace ks
