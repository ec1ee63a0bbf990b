#include "agent_test_support.h"
#include "main/app_process.h"
#include "platform/linux/agent_process.h"

#include <gtest/gtest.h>

namespace ks {
namespace {

using test::AgentHome;

std::optional<Bytes> bytesOf(const std::filesystem::path& file) {
    return readWholeFile(file);
}

test::AppRun runAgentProcess(const AgentHome& home, std::vector<std::string> arguments,
                             const std::string& tag = "agent") {
    return test::runApp(arguments, home.root(), tag);
}

TEST(AgentRun, TheCommandGetsEachPictureAsOneWordWithoutAShell) {
    AgentHome home;
    const auto picture = home.picture(
        "My Pictures/it's \"odd\"; touch PWNED $(touch PWNED) `touch PWNED`.png", {200, 40, 40});
    const Bytes store = home.writeStore(picture);
    const auto calls = home.root() / "calls.txt";
    const std::string command = "sh -c 'printf \"%s|%s\\n\" \"$1\" \"$2\" >> \"$0\"' " +
                                calls.string() + " {output} {file}";
    const auto run = runAgentProcess(home, {"--backend", "command", "--command", command});
    ASSERT_EQ(run.status, 0) << run.err;
    // No display list without an X server: one run for every output.
    EXPECT_EQ(test::readText(calls), "*|" + picture.path().string() + "\n");
    EXPECT_FALSE(std::filesystem::exists(home.root() / "My Pictures" / "PWNED"));
    EXPECT_EQ(bytesOf(home.store().parent_path() / "Applied.plist"), store);
}

TEST(AgentRun, ARejectedStoreIsReplacedByTheLastAppliedOneAndTheRunFails) {
    AgentHome home;
    const auto good = home.picture("good.png", {20, 200, 40});
    const std::string ok = "true {file}";
    const Bytes applied = home.writeStore(good);
    ASSERT_EQ(runAgentProcess(home, {"--command", ok}).status, 0);

    const auto text = home.root() / "notes.png";
    std::ofstream(text) << "not a picture";
    struct Case {
        const char* what;
        std::function<void()> write;
        std::string command;
    };
    const std::vector<Case> cases{
        {"missing picture", [&] { home.writeStore(*FileUrl::fromPath(home.root() / "gone.png")); },
         ok},
        {"undecodable picture", [&] { home.writeStore(*FileUrl::fromPath(text)); }, ok},
        {"not a property list",
         [&] { replaceFileAtomically(home.store(), asBytes("<plist>broken")); }, ok},
        {"not a dictionary",
         [&] {
             PlistPtr array(plist_new_array());
             replaceFileAtomically(home.store(), *binaryPropertyList(array.get()));
         },
         ok},
        {"failing command",
         [&] {
             home.writeStore(good, {{"ANY", good}});
         },
         "false {file}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.write();
        const auto run = runAgentProcess(home, {"--command", c.command});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("rejected the store"), std::string::npos) << run.err;
        EXPECT_EQ(bytesOf(home.store()), applied);
    }
    // Without an X server the root window cannot be drawn on: a failure, not a crash.
    home.writeStore(good, {{"ANY", good}});
    EXPECT_EQ(runAgentProcess(home, {"--backend", "x11-root"}).status, 1);
    EXPECT_EQ(bytesOf(home.store()), applied);

    // Putting back the very store that was rejected would pass for success: it goes aside.
    home.writeStore(*FileUrl::fromPath(home.root() / "gone.png"));
    replaceFileAtomically(home.store().parent_path() / "Applied.plist", *bytesOf(home.store()));
    EXPECT_EQ(runAgentProcess(home, {"--command", ok}).status, 1);
    EXPECT_FALSE(std::filesystem::exists(home.store()));
}

TEST(AgentRun, WithNothingAppliedYetARejectedStoreIsMovedAside) {
    AgentHome home;
    const Bytes rejected = home.writeStore(*FileUrl::fromPath(home.root() / "gone.png"));
    EXPECT_EQ(runAgentProcess(home, {"--command", "true {file}"}).status, 1);
    EXPECT_FALSE(std::filesystem::exists(home.store()));
    auto aside = home.store();
    aside += ".rejected";
    EXPECT_EQ(bytesOf(aside), rejected);
    // A missing store is nothing to show, not a failure.
    EXPECT_EQ(runAgentProcess(home, {"--command", "true {file}"}).status, 0);
}

TEST(AgentRun, BadUsageExitsWithTwo) {
    AgentHome home;
    const std::vector<std::vector<std::string>> usages{
        {"--bogus"},
        {"--backend", "kde"},
        {"--backend"},
        {"--store"},
        {"--set-picture", "UUID"},
        {"--list-displays", "--set-picture", "UUID", "file:///a.png"},
        {"--set-picture", "UUID", "file:///a.png", "--store", "/tmp/x"},
        {"--backend", "command"},
        {"--command", "set-bg 'unclosed {file}"},
    };
    for (const auto& arguments : usages) {
        const auto run = runAgentProcess(home, arguments);
        EXPECT_EQ(run.status, 2) << arguments.front();
        EXPECT_FALSE(run.err.empty());
    }
    const auto help = runAgentProcess(home, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--set-picture UUID FILE-URL"), std::string::npos);
    EXPECT_EQ(runAgentProcess(home, {"--list-displays"}).status, 1);
}

TEST(AgentProcessLauncher, RunsTheAgentAndReportsItsStatus) {
    AgentHome home;
    AgentProcess agent;
    for (const auto& [program, status] :
         {std::pair<std::string, std::optional<int>>{"/bin/true", 0},
          {"/bin/false", 1},
          {(home.root() / "no-such-agent").string(), std::nullopt}}) {
        home.setVar("KESTRANE_AGENT", program);
        EXPECT_EQ(agent.run(), status) << program;
    }
}

pid_t spawn(const std::filesystem::path& program) {
    std::vector<std::string> words{program.string(), "30"};
    std::vector<char*> argv{words[0].data(), words[1].data(), nullptr};
    pid_t pid = -1;
    return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

TEST(AgentProcessLauncher, TerminatesTheProcessesOfTheAgentOnly) {
    AgentHome home;
    // A name of its own, so that agents of tests running alongside are left alone, and longer
    // than the 15 characters the kernel keeps as a process's name.
    const std::string name = "ks-test-agent-" + std::to_string(::getpid());
    const auto fake = home.root() / name;
    std::filesystem::copy_file("/bin/sleep", fake);
    const pid_t agent = spawn(fake);
    const pid_t bystander = spawn("/bin/sleep");
    ASSERT_GT(agent, 0);
    ASSERT_GT(bystander, 0);
    // The spawned program may still be the test's own image for a moment.
    test::waitUntil([&] {
        std::error_code error;
        return std::filesystem::read_symlink("/proc/" + std::to_string(agent) + "/exe", error) ==
               fake;
    });
    AgentProcess(name).terminateRunning();
    int raw = 0;
    ASSERT_EQ(::waitpid(agent, &raw, 0), agent);
    EXPECT_TRUE(WIFSIGNALED(raw) && WTERMSIG(raw) == SIGTERM);
    EXPECT_EQ(::waitpid(bystander, &raw, WNOHANG), 0);
    ::kill(bystander, SIGKILL);
    ::waitpid(bystander, &raw, 0);
}

} // namespace
} // namespace ks
