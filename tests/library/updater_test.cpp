#include "library/config.h"
#include "library/curl_http_client.h"
#include "library/updater.h"
#include "support/feed_server.h"
#include "support/log_capture.h"
#include "support/temp_home.h"
#include "support/test_environment.h"

#include <gtest/gtest.h>

namespace ks {
namespace {

using Outcome = UpdateCheckResult::Outcome;
using test::feed;

TEST(VersionNumber, TakesDottedNumbersOnlyAndComparesThemPartByPart) {
    for (const char* text :
         {"", "v1", "1.", "1..2", "1.2-beta", " 1", "1.9999999999", "1.2.3.4.5.6.7.8.9"})
        EXPECT_EQ(VersionNumber::parse(text), std::nullopt) << '"' << text << '"';
    const auto v = [](const char* text) { return *VersionNumber::parse(text); };
    EXPECT_GT(v("1.10.2"), v("1.9"));
    EXPECT_EQ(v("1.2"), v("1.2.0.0"));
    EXPECT_LT(v("0.1.0"), v("0.2"));
    EXPECT_GT(v("999999999"), v("999999998.9"));
}

TEST(UpdateFeed, ReadsTheFeedAndRefusesEverythingElse) {
    using Parsed = std::variant<UpdateFeed, FeedProblem>;
    const Parsed notJson = FeedProblem::notJson, notAFeed = FeedProblem::notAFeed;
    const auto offer = [](const char* version, const char* url, std::string notes) {
        return Parsed(UpdateFeed{version, url, std::move(notes)});
    };
    const auto linking = [](const char* url) {
        return std::string(R"({"version": "2", "url": ")") + url + "\"}";
    };
    const std::vector<std::pair<std::string, Parsed>> cases{
        {R"({"version": "0.2.0", "url": "https://e.org/get", "notes": "Faster.", "more": 1})",
         offer("0.2.0", "https://e.org/get", "Faster.")},
        {R"({"version": "2", "url": "http://127.0.0.1:8080", "notes": null})",
         offer("2", "http://127.0.0.1:8080/", "")},
        {"{\"version\": \"2\", \"url\": \"https://e.org/\", \"notes\": \" a\\nb\\u2028c \"}",
         offer("2", "https://e.org/", "a b c")},
        // Cut before the last whole character that leaves room for the ellipsis.
        {R"({"version": "2", "url": "https://e.org/", "notes": ")" + std::string(296, 'a') +
             "\xc3\xa9\xc3\xa9\xc3\xa9\"}",
         offer("2", "https://e.org/", std::string(296, 'a') + "\xe2\x80\xa6")},
        {"<html>Not found</html>", notJson},
        {std::string(R"({"version": "2", "url": "https://e.org/"})") + '\0' + "garbage", notJson},
        {R"([{"version": "0.2.0", "url": "https://e.org/"}])", notAFeed},
        {R"({"url": "https://e.org/"})", notAFeed},
        {R"({"version": 2, "url": "https://e.org/"})", notAFeed},
        {R"({"version": "2", "url": "https://e.org/", "notes": 1})", notAFeed},
        {R"({"version": "1.2-beta", "url": "https://e.org/"})", notAFeed},
        {linking("file:///etc/passwd"), notAFeed},
        {linking("javascript:alert(1)"), notAFeed},
        {linking("http://example.org/"), notAFeed},
        {linking("https://example.org@evil.net/"), notAFeed},
        {linking(R"(https://e.org/\"onclick)"), notAFeed},
        {linking(R"(https://e.org/\u0000@evil.net)"), notAFeed},
    };
    for (const auto& [body, expected] : cases)
        EXPECT_EQ(parseUpdateFeed(asBytes(body)), expected) << body;
}

TEST(UpdateFeedURL, TakesAnyPathAndTheEnvironmentOverTheBuild) {
    test::TempHome home;
    EXPECT_EQ(Config::updateFeedURL("https://e.org/f.json?c=1"), "https://e.org/f.json?c=1");
    home.setVar("KESTRANE_UPDATE_FEED", "http://localhost:8000/feed");
    EXPECT_EQ(Config::updateFeedURL("https://e.org/f"), "http://localhost:8000/feed");
    home.setVar("KESTRANE_UPDATE_FEED", "http://e.org/feed"); // plain http elsewhere
    EXPECT_EQ(Config::updateFeedURL("https://e.org/f"), "https://e.org/f");
    EXPECT_TRUE(VersionNumber::parse(Config::applicationVersion()));
}

class UpdaterTest : public testing::Test {
protected:
    std::unique_ptr<Updater> makeUpdater(const std::string& url) {
        return std::make_unique<Updater>(m_env.loop, m_queue, m_http, url, "0.1.0", Seconds(0.5));
    }
    Updater::Callback record() {
        return [this](const UpdateCheckResult& result) { m_answers.push_back(result); };
    }

    test::LogCapture m_log;
    test::TestEnvironment m_env;
    ManualQueue& m_queue = m_env.queue(std::string(kUpdateQueueLabel));
    test::FeedServer m_server;
    CurlHttpClient m_http{kLargestUpdateFeed, HttpTimeout::wholeRequest};
    std::vector<UpdateCheckResult> m_answers;
};

TEST_F(UpdaterTest, AnswersWhatTheServerSaysAndLogsIt) {
    const std::string goneURL = test::FeedServer().url();
    const std::string unreachable =
        "could not check for updates: the update server could not be reached";
    struct Case {
        test::FeedReply reply;
        std::string logged; // after "Updater: "
        std::string url;    // empty: m_server's
    };
    const std::vector<Case> cases{
        {{200, feed("0.2.0")}, "Kestrane Wallpapers 0.2.0 is available at https://example.org/get"},
        {{200, feed("0.1")}, "Kestrane Wallpapers 0.1.0 is up to date"},
        {{200, feed("0.0.9")}, "Kestrane Wallpapers 0.1.0 is up to date"}, // never a downgrade
        {{404}, "could not check for updates: the update server answered with HTTP status 404"},
        {{200, "<html></html>"},
         "could not check for updates: the update server's answer is not JSON"},
        {{200, feed("0.2-beta")},
         "could not check for updates: the update server's answer is not a valid update feed"},
        {{}, unreachable, goneURL},
        {{200, "", true}, unreachable}, // trickling past the time-out
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.logged);
        m_server.reply(c.reply);
        m_answers.clear();
        const auto updater = makeUpdater(c.url.empty() ? m_server.url() : c.url);
        updater->checkForUpdates(record());
        m_env.runUntilIdle();
        ASSERT_EQ(m_answers.size(), 1u);
        EXPECT_EQ(updater->lastResult(), m_answers[0]);
        EXPECT_EQ(m_log.lines().back(), "Updater: " + c.logged);
    }
    EXPECT_EQ(m_log.lines().size(), cases.size());
}

TEST_F(UpdaterTest, ChecksMeanwhileJoinTheRunningOneAndOnlyARecentSuccessIsGivenAgain) {
    m_server.reply({200, feed("0.2.0")});
    const auto updater = makeUpdater(m_server.url());
    updater->checkAtLaunch();
    updater->checkForUpdates(record());
    m_env.runUntilIdle();
    updater->checkForUpdates(record()); // within a minute: the same answer, but later
    EXPECT_EQ(m_answers.size(), 1u);
    m_env.runUntilIdle();
    m_server.reply({500});
    m_env.advance(Updater::kReuseResultFor, Updater::kReuseResultFor);
    for (int i = 0; i < 2; ++i) { // a failure is never given again
        updater->checkForUpdates(record());
        m_env.runUntilIdle();
    }
    EXPECT_EQ(m_server.requests(), 3);
    ASSERT_EQ(m_answers.size(), 4u);
    EXPECT_EQ(m_answers[1], m_answers[0]);
    EXPECT_EQ(m_answers[3].outcome, Outcome::failed);
    EXPECT_EQ(m_log.lines().size(), 3u); // one line per request
}

TEST_F(UpdaterTest, AnUpdaterGoneBeforeItsAnswerHearsNothingAndAsksNothing) {
    m_server.reply({200, feed("0.2.0")});
    auto updater = makeUpdater(m_server.url());
    updater->checkForUpdates(record());
    m_queue.runAll(); // the answer is on its way to the main loop
    updater = makeUpdater(m_server.url());
    updater->checkForUpdates(record());
    updater.reset(); // before its request went out
    m_env.runUntilIdle();
    EXPECT_EQ(m_server.requests(), 1);
    EXPECT_TRUE(m_answers.empty());
    EXPECT_TRUE(m_log.lines().empty());
}

} // namespace
} // namespace ks
