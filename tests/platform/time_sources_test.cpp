// The clock and time-zone watchers; a temporary folder stands in for /etc. The real clock is
// never set, so the clock watcher is only seen to arm its timer.

#include "platform/linux/clock_change_source.h"
#include "platform/linux/time_zone_source.h"
#include "support/log_capture.h"
#include "support/temp_home.h"
#include "thread_posts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace ks {
namespace {

namespace fs = std::filesystem;

class TimeSourcesTest : public ::testing::Test {
protected:
    void write(const std::string& name, const std::string& text) {
        std::ofstream(m_etc / name) << text;
    }
    // What timedatectl does: a new symlink renamed over the old one.
    void replaceLocaltime(const std::string& zone) {
        fs::create_symlink("/usr/share/zoneinfo/" + zone, m_etc / ".localtime.new");
        fs::rename(m_etc / ".localtime.new", m_etc / "localtime");
    }

    test::TempHome m_home;
    const fs::path m_etc = m_home.root();
    test::PostQueue m_loop;
    NotificationCenter m_center;
    test::PostCounter m_zoneChanges{m_center, kSystemTimeZoneChanged};
};

TEST_F(TimeSourcesTest, EachWayOfChangingTheZonePostsOnceAndOtherFilesDoNot) {
    replaceLocaltime("Europe/Paris");
    write("timezone", "Europe/Paris\n");
    TimeZoneSource source(m_loop, m_center, m_etc);
    ASSERT_TRUE(source.watching());
    int expected = 0;
    for (const auto& [name, change] : std::vector<std::pair<const char*, std::function<void()>>>{
             {"symlink renamed over localtime", [&] { replaceLocaltime("Asia/Tokyo"); }},
             {"timezone rewritten in place", [&] { write("timezone", "Asia/Tokyo\n"); }},
             {"localtime removed", [&] { fs::remove(m_etc / "localtime"); }},
             {"localtime made in place",
              [&] { fs::create_symlink("/usr/share/zoneinfo/UTC", m_etc / "localtime"); }}}) {
        SCOPED_TRACE(name);
        // A file beside them changes first; were it counted, the count would run ahead.
        write("hosts", name);
        change();
        ++expected;
        ASSERT_TRUE(test::waitFor([&] { return m_zoneChanges.count >= expected; },
                                  [&] { m_loop.runQueued(); }));
        EXPECT_EQ(m_zoneChanges.count, expected);
    }
}

TEST_F(TimeSourcesTest, APostStillQueuedWhenTheSourceGoesDoesNothing) {
    auto source = std::make_unique<TimeZoneSource>(m_loop, m_center, m_etc);
    replaceLocaltime("Asia/Tokyo");
    ASSERT_TRUE(test::waitFor([&] { return m_loop.queued() == 1; }));
    source.reset();
    m_loop.runQueued();
    EXPECT_EQ(m_zoneChanges.count, 0);
}

TEST_F(TimeSourcesTest, AFolderThatCannotBeWatchedIsLoggedOnceAndTheClockWatcherArms) {
    test::LogCapture log;
    EXPECT_TRUE(ClockChangeSource(m_loop, m_center).watching());
    EXPECT_FALSE(TimeZoneSource(m_loop, m_center, m_etc / "missing").watching());
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(log.lines()[0].starts_with("TimeZoneSource: can't watch " + m_etc.string()));
}

} // namespace
} // namespace ks
