#include "base/manual_loop.h"
#include "base/manual_queue.h"
#include "library/config.h"
#include "library/curl_http_client.h"
#include "library/library_index.h"
#include "library/pack_archive.h"
#include "library/pack_downloader.h"
#include "library/vault.h"
#include "support/log_capture.h"
#include "support/temp_home.h"

#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace ks {
namespace {

namespace fs = std::filesystem;
using testing::DoubleEq;
using testing::ElementsAre;
using testing::IsEmpty;
using testing::Optional;
using testing::Pair;

struct Reply {
    int status = 200;
    std::string body;
    bool cutOff = false; // closes the connection after half the body
    double delay = 0;    // seconds before answering
    std::string location;
};

// A loopback server that plays a script of replies per path, the last one repeating.
class PackServer {
public:
    PackServer() {
        m_server.Get(R"(/.*)", [this](const httplib::Request& request, httplib::Response& res) {
            Reply reply{404};
            {
                std::lock_guard lock(m_mutex);
                const int n = ++m_requests[request.path];
                if (const auto& replies = m_script[request.path]; !replies.empty())
                    reply = replies[std::min<std::size_t>(n, replies.size()) - 1];
            }
            std::this_thread::sleep_for(Seconds(reply.delay));
            res.status = reply.status;
            if (!reply.location.empty())
                res.set_header("Location", reply.location);
            if (!reply.cutOff) {
                res.set_content(reply.body, "application/octet-stream");
                return;
            }
            res.set_content_provider(
                reply.body.size(), "application/octet-stream",
                [body = reply.body](std::size_t, std::size_t, httplib::DataSink& sink) {
                    sink.write(body.data(), body.size() / 2);
                    return false;
                });
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~PackServer() {
        while (!m_server.is_running())
            std::this_thread::yield();
        m_server.stop();
        m_thread.join();
    }

    std::string url() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    std::string urlOf(const std::string& packID) const {
        return url() + "/" + Vault::archiveName(packID);
    }
    void script(const std::string& packID, std::vector<Reply> replies) {
        std::lock_guard lock(m_mutex);
        m_script["/" + Vault::archiveName(packID)] = std::move(replies);
    }
    int requests(const std::string& packID) {
        std::lock_guard lock(m_mutex);
        return m_requests["/" + Vault::archiveName(packID)];
    }
    void reset() {
        std::lock_guard lock(m_mutex);
        m_script.clear();
        m_requests.clear();
    }

private:
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
    std::mutex m_mutex;
    std::map<std::string, std::vector<Reply>> m_script;
    std::map<std::string, int> m_requests;
};

Pack makePack(const std::string& id, int wallpapers) {
    Pack pack{id, id, {}, false, {}};
    for (int i = 0; i < wallpapers; ++i) {
        const auto name = id + "-" + std::to_string(i);
        pack.wallpapers.push_back({id, name + ".jpg", Variant::neutral, name + ".dat"});
    }
    return pack;
}

// The pack's archive; `rename` may change (or drop, when empty) an entry's name.
std::string archive(const Pack& pack,
                    const std::function<std::string(std::string)>& rename = std::identity()) {
    std::vector<PackArchive::Entry> entries;
    for (const auto& w : pack.wallpapers) {
        const auto data = asBytes(w.blob);
        if (auto name = rename(w.blob); !name.empty())
            entries.push_back({name, Bytes(data.begin(), data.end())});
    }
    const auto bytes = *PackArchive::pack(entries);
    return std::string(asText(bytes));
}

class PackDownloaderTest : public testing::Test {
protected:
    PackDownloaderTest() {
        m_home.setVar("KESTRANE_RESOURCES", m_resources);
        fs::create_directories(m_resources / Vault::libraryDirName);
        m_contentChanges = m_center.addObserver(kContentChanged, [this] { ++m_notifications; });
        makeDownloader(m_server.url());
    }

    void makeDownloader(const std::string& baseURL, Seconds timeout = Seconds(60)) {
        m_downloader.reset();
        m_downloader = std::make_unique<PackDownloader>(
            m_loop, m_center, m_queue, m_http, [this](Seconds s) { m_pauses.push_back(s.count()); },
            baseURL, timeout);
        m_observation = m_downloader->observe([this] {
            m_changes.emplace_back(m_downloader->isDownloading(), m_downloader->progress());
        });
    }
    void configure(const std::vector<Pack>& packs) {
        std::ofstream(m_resources / Vault::libraryDirName / Vault::indexFileName)
            << serializeLibraryIndex(packs);
        Library library;
        library.rescan();
        m_downloader->configure(library);
    }
    void drain() {
        while (m_queue.runAll() + m_loop.runPending() > 0) {
        }
    }
    fs::path downloads() const { return Config::downloadedPacksDir(); }

    test::TempHome m_home;
    fs::path m_resources = m_home.root() / "resources";
    PackServer m_server;
    ManualLoop m_loop;
    ManualQueue m_queue{"pack-download"};
    NotificationCenter m_center;
    CurlHttpClient m_http;
    int m_notifications = 0;
    std::vector<double> m_pauses;
    std::vector<std::pair<bool, double>> m_changes;
    NotificationCenter::Observation m_contentChanges;
    std::unique_ptr<PackDownloader> m_downloader;
    NotificationCenter::Observation m_observation;
};

TEST_F(PackDownloaderTest, DoesNothingWithoutALibraryOrWhenEveryBlobIsPresent) {
    m_downloader->downloadMissingPacks();
    const Pack shipped = makePack("shipped", 1), fetched = makePack("fetched", 1);
    std::ofstream(m_resources / Vault::libraryDirName / shipped.wallpapers[0].blob) << "x";
    std::ofstream(downloads() / fetched.wallpapers[0].blob) << "x";
    configure({shipped, fetched, makePack("empty", 0)});
    m_downloader->downloadMissingPacks();

    EXPECT_EQ(m_queue.size(), 0u);
    EXPECT_THAT(m_changes, IsEmpty());
    EXPECT_TRUE(PackDownloader::isFullyDownloaded(makePack("empty", 0)));
}

TEST_F(PackDownloaderTest,
       RetriesServerErrorsWithGrowingPausesThenStoresEveryPackAndAnnouncesOnce) {
    const std::vector<Pack> packs{makePack("a", 2), makePack("b", 1), makePack("c", 3)};
    m_server.script("a", {{500}, {500}, {500}, {200, archive(packs[0])}});
    m_server.script("b", {{200, archive(packs[1])}});
    m_server.script("c", {{200, archive(packs[2])}});
    configure(packs);
    m_downloader->downloadMissingPacks();
    drain();

    EXPECT_EQ(m_server.requests("a"), 4);
    EXPECT_EQ(m_server.requests("b"), 1);
    EXPECT_THAT(m_pauses, ElementsAre(1.5, 3.0, 4.5));
    EXPECT_THAT(m_changes,
                ElementsAre(Pair(true, 0.0), Pair(true, DoubleEq(1.0 / 3)),
                            Pair(true, DoubleEq(2.0 / 3)), Pair(true, 1.0), Pair(false, 1.0)));
    EXPECT_EQ(m_notifications, 1);
    EXPECT_EQ(m_downloader->lastError(), std::nullopt);
    for (const auto& pack : packs)
        EXPECT_TRUE(PackDownloader::isFullyDownloaded(pack)) << pack.id;
}

// A 403 fails the run at once; packs stored before it stay, unannounced, and the retry
// fetches only what is still missing.
TEST_F(PackDownloaderTest, ForbiddenFailsTheRunAtOnceKeepingEarlierPacksAndTheRetryStartsClean) {
    const std::vector<Pack> packs{makePack("a", 2), makePack("b", 1)};
    m_server.script("a", {{200, archive(packs[0])}});
    m_server.script("b", {{403}, {200, archive(packs[1])}});
    configure(packs);
    m_downloader->downloadMissingPacks();
    m_downloader->downloadMissingPacks(); // while running: ignored
    EXPECT_EQ(m_queue.size(), 1u);
    drain();
    EXPECT_EQ(m_server.requests("b"), 1);
    EXPECT_THAT(m_pauses, IsEmpty());
    EXPECT_THAT(m_changes, ElementsAre(Pair(true, 0.0), Pair(true, 0.5), Pair(false, 0.5)));
    EXPECT_THAT(m_downloader->lastError(), Optional(std::string(kPackDownloadFailed)));
    EXPECT_EQ(m_notifications, 0);
    EXPECT_TRUE(PackDownloader::isFullyDownloaded(packs[0]));

    m_downloader->downloadMissingPacks(); // the settings window's retry button
    EXPECT_EQ(m_downloader->lastError(), std::nullopt);
    EXPECT_TRUE(m_downloader->isDownloading());
    drain();
    EXPECT_EQ(m_server.requests("a"), 1) << "the stored pack is not fetched again";
    EXPECT_EQ(m_notifications, 1);
    EXPECT_TRUE(PackDownloader::isFullyDownloaded(packs[1]));
}

// A socket that is bound but not listening: connecting to its port is refused.
struct RefusingPort {
    RefusingPort() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~RefusingPort() { ::close(fd); }
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
};

TEST_F(PackDownloaderTest, EveryKindOfBadAttemptIsTriedFourTimesThenFailsTheRun) {
    const Pack pack = makePack("a", 2);
    const RefusingPort refusing;
    const auto escaped = downloads().parent_path() / pack.wallpapers[1].blob;
    struct Case {
        const char* what;
        Reply reply;
        std::string baseURL;
        Seconds timeout{60};
    };
    const std::vector<Case> cases{
        {"an archive lacking a blob",
         {200,
          archive(pack, [&](std::string n) { return n == pack.wallpapers[1].blob ? "" : n; })}},
        {"a body cut off half-way", {200, archive(pack), true}},
        {"garbage bytes", {200, "<html>not an archive</html>"}},
        {"an entry named outside the folder",
         {200,
          archive(pack,
                  [&](std::string n) { return n == pack.wallpapers[1].blob ? "../" + n : n; })}},
        {"no answer within the time-out", {200, archive(pack), false, 2.0}, "", Seconds(0.3)},
        {"a refused connection", {}, "http://127.0.0.1:" + std::to_string(refusing.port)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(downloads());
        m_server.reset();
        m_server.script("a", {c.reply});
        m_pauses.clear();
        m_changes.clear();
        makeDownloader(c.baseURL.empty() ? m_server.url() : c.baseURL, c.timeout);
        configure({pack});
        m_downloader->downloadMissingPacks();
        drain();

        EXPECT_EQ(m_server.requests("a"), c.baseURL.empty() ? 4 : 0);
        EXPECT_THAT(m_pauses, ElementsAre(1.5, 3.0, 4.5));
        EXPECT_THAT(m_changes, ElementsAre(Pair(true, 0.0), Pair(false, 0.0)));
        EXPECT_THAT(m_downloader->lastError(), Optional(std::string(kPackDownloadFailed)));
        EXPECT_FALSE(PackDownloader::isFullyDownloaded(pack));
        EXPECT_FALSE(fs::exists(escaped));
    }
    EXPECT_EQ(m_notifications, 0);
}

TEST_F(PackDownloaderTest, ARunWhoseDownloaderIsGoneDoesNothing) {
    const Pack pack = makePack("a", 1);
    configure({pack});
    m_downloader->downloadMissingPacks();
    m_observation.reset();
    m_downloader.reset();
    drain();
    EXPECT_EQ(m_server.requests("a"), 0);
}

TEST(HttpClient, FailsOversizedBodiesAndRedirectsAwayFromHttps) {
    PackServer server;
    server.script("big", {{200, std::string(100, 'x')}});
    server.script("small", {{404, "gone"}});
    server.script("moved", {{302, "", false, 0, server.urlOf("small")}});
    CurlHttpClient http(50);
    const auto small = http.get(server.urlOf("small"), Seconds(60));
    EXPECT_EQ(small.status, 404);
    EXPECT_THAT(small.body, Optional(Bytes{'g', 'o', 'n', 'e'}));
    EXPECT_EQ(http.get(server.urlOf("big"), Seconds(60)).status, 0);
    EXPECT_EQ(http.get(server.urlOf("moved"), Seconds(60)).status, 0);
}

TEST(HttpClient, CancellingEndsARequestInProgressAndRefusesLaterOnes) {
    PackServer server;
    // Answered after 3 s unless the request is cancelled first.
    server.script("slow", {{200, "late", false, 3}});
    CurlHttpClient http;
    std::optional<HttpResponse> response;
    std::thread request([&] { response = http.get(server.urlOf("slow"), Seconds(60)); });
    std::this_thread::sleep_for(Seconds(0.3));
    http.cancelAll();
    request.join();
    EXPECT_EQ(response->status, 0);
    EXPECT_EQ(http.get(server.urlOf("slow"), Seconds(60)).status, 0);
}

TEST(RemoteBaseURL, TakesHttpsAnywhereAndPlainHttpOnlyOnThisMachine) {
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
        {"", "https://packs.example.org/", "https://packs.example.org", nullptr},
        {"https://packs.example.org:8443/", "", "https://packs.example.org:8443", nullptr},
        {"http://127.9.8.7", "https://packs.example.org", "http://127.9.8.7", nullptr},
        {"http://localhost:9000/", "", "http://localhost:9000", nullptr},
        {"http://[::1]:9000", "", "http://[::1]:9000", nullptr},
        {"http://packs.example.org", "", none, "; no pack server"},
        {"http://128.0.0.1", "https://b.example.org", "https://b.example.org",
         "; using the built-in pack server"},
        {"ftp://127.0.0.1", "", none, "; no pack server"},
        {"https://packs.example.org/sub", "", none, "; no pack server"},
        {"packs.example.org", "", none, "; no pack server"},
        {nullptr, "http://packs.example.org", none, "; no pack server"},
    };
    for (const auto& [override, builtIn, expected, logged] : cases) {
        SCOPED_TRACE(std::string(override ? override : "(unset)") + " / " + builtIn);
        if (override)
            home.setVar("KESTRANE_PACK_SERVER", override);
        else
            home.unsetVar("KESTRANE_PACK_SERVER");
        const std::size_t before = log.lines().size();
        EXPECT_EQ(Config::remoteBaseURL(builtIn), expected);
        EXPECT_EQ(Config::remoteBaseURL(builtIn), expected); // logged once, not twice
        ASSERT_EQ(log.lines().size(), before + (logged ? 1 : 0));
        if (logged) {
            EXPECT_TRUE(log.lines().back().ends_with(logged)) << log.lines().back();
        }
    }
}

} // namespace
} // namespace ks
