#include "library/curl_http_client.h"
#include "library/updater.h"
#include "support/feed_server.h"
#include "support/log_capture.h"
#include "support/test_environment.h"

#include <gtest/gtest.h>

namespace ks {
namespace {

using Outcome = UpdateCheckResult::Outcome;
using test::feed;
using test::FeedServer;
using test::FeedReply;

class UpdaterTest : public testing::Test {
protected:
    std::unique_ptr<Updater> makeUpdater(const std::string& url, Seconds timeout = Seconds(15)) {
        return std::make_unique<Updater>(m_env.loop, m_env.queue(std::string(kUpdateQueueLabel)),
                                         m_http, url, "0.1.0", timeout);
    }
    // The answers `checkForUpdates` gives go here.
    Updater::Callback record() {
        return [this](const UpdateCheckResult& result) { m_answers.push_back(result); };
    }

    test::LogCapture m_log;
    test::TestEnvironment m_env;
    FeedServer m_server;
    CurlHttpClient m_http{kLargestUpdateFeed, HttpTimeout::wholeRequest};
    std::vector<UpdateCheckResult> m_answers;
};

TEST_F(UpdaterTest, AnswersWhatTheServerSaysAndLogsIt) {
    FeedServer gone;
    const std::string goneURL = gone.url();
    gone.stop();
    const UpdateCheckResult unreachable =
        UpdateCheckResult::failure("the update server could not be reached");
    struct Case {
        const char* what;
        FeedReply reply;
        UpdateCheckResult expected;
        std::string logged;
        std::string url; // empty: m_server's
    };
    const std::vector<Case> cases{
        {"a newer version",
         {200, feed("0.2.0")},
         {Outcome::updateAvailable, "0.2.0", "https://example.org/get", "Quicker fades.", {}},
         "Updater: Kestrane Wallpapers 0.2.0 is available at https://example.org/get"},
        {"our version",
         {200, feed("0.1")},
         {Outcome::upToDate, "0.1.0", {}, {}, {}},
         "Updater: Kestrane Wallpapers 0.1.0 is up to date"},
        {"not found",
         {404, "<p>gone</p>"},
         UpdateCheckResult::failure("the update server answered with HTTP status 404"),
         "Updater: could not check for updates: the update server answered with HTTP status "
         "404"},
        {"a web page",
         {200, "<html></html>"},
         UpdateCheckResult::failure("the update server's answer is not JSON"),
         "Updater: could not check for updates: the update server's answer is not JSON"},
        {"no server",
         {},
         unreachable,
         "Updater: could not check for updates: the update server could not be reached",
         goneURL},
        {"a server trickling past the time-out",
         {200, "", true},
         unreachable,
         "Updater: could not check for updates: the update server could not be reached"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_server.script({c.reply});
        m_answers.clear();
        const auto before = m_log.lines().size();
        const auto updater = makeUpdater(c.url.empty() ? m_server.url() : c.url, Seconds(0.5));
        updater->checkForUpdates(record());
        EXPECT_TRUE(updater->isChecking());
        m_env.runUntilIdle();

        ASSERT_EQ(m_answers.size(), 1u);
        EXPECT_EQ(m_answers[0], c.expected);
        EXPECT_EQ(updater->lastResult(), c.expected);
        EXPECT_FALSE(updater->isChecking());
        ASSERT_EQ(m_log.lines().size(), before + 1);
        EXPECT_EQ(m_log.lines().back(), c.logged);
    }
}

TEST_F(UpdaterTest, ChecksMeanwhileJoinTheRunningOneAndARecentAnswerIsGivenAgain) {
    m_server.script({{200, feed("0.2.0")}, {500}, {500}});
    const auto updater = makeUpdater(m_server.url());
    updater->checkAtLaunch();
    updater->checkForUpdates(record());
    updater->checkForUpdates(record());
    EXPECT_EQ(m_env.queue(std::string(kUpdateQueueLabel)).size(), 1u);
    m_env.runUntilIdle();
    EXPECT_EQ(m_server.requests(), 1u);
    ASSERT_EQ(m_answers.size(), 2u);
    EXPECT_EQ(m_answers[0].outcome, Outcome::updateAvailable);
    EXPECT_EQ(m_answers[1], m_answers[0]);
    EXPECT_EQ(m_log.lines().size(), 1u); // the launch check's line, and no other

    m_env.advance(Updater::kReuseResultFor / 2);
    updater->checkForUpdates(record());
    EXPECT_EQ(m_answers.size(), 2u); // later, never from inside the call
    m_env.runUntilIdle();
    EXPECT_EQ(m_server.requests(), 1u);
    ASSERT_EQ(m_answers.size(), 3u);
    EXPECT_EQ(m_answers[2], m_answers[0]);

    // Once the answer is old, the server is asked again; a failure is never given again.
    m_env.advance(Updater::kReuseResultFor);
    for (int i = 0; i < 2; ++i) {
        updater->checkForUpdates(record());
        m_env.runUntilIdle();
    }
    EXPECT_EQ(m_server.requests(), 3u);
    EXPECT_EQ(m_answers.back().outcome, Outcome::failed);
}

TEST_F(UpdaterTest, AnUpdaterGoneBeforeItsAnswerHearsNothingAndAsksNothing) {
    m_server.script({{200, feed("0.2.0")}});
    auto& queue = m_env.queue(std::string(kUpdateQueueLabel));
    auto updater = makeUpdater(m_server.url());
    updater->checkForUpdates(record());
    queue.runAll(); // the answer is on its way to the main loop
    updater.reset();
    m_env.runUntilIdle();
    EXPECT_EQ(m_server.requests(), 1u);

    updater = makeUpdater(m_server.url());
    updater->checkForUpdates(record());
    updater.reset(); // before the request went out
    m_env.runUntilIdle();
    EXPECT_EQ(m_server.requests(), 1u);
    EXPECT_TRUE(m_answers.empty());
    EXPECT_TRUE(m_log.lines().empty());
}

} // namespace
} // namespace ks
