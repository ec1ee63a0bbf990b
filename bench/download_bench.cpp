// Downloading and installing one pack from a loopback server, against the bare transfer of
// the same bytes. One process per figure, so each peak RSS belongs to its figure alone.
//   kestrane-bench-download install MEGABYTES   prints "install <best seconds> <bytes> <peak>"
//   kestrane-bench-download raw MEGABYTES       prints "raw <best seconds> <bytes> <peak>"
// <peak> is the resident memory the runs added on top of the server's copy of the archive.

#include "bench_archive.h"

#include "peak_rss.h"

#include "base/manual_loop.h"
#include "base/manual_queue.h"
#include "library/config.h"
#include "library/curl_http_client.h"
#include "library/library_index.h"
#include "library/pack_downloader.h"
#include "library/vault.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <curl/curl.h>
#include <fstream>
#include <httplib.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
constexpr int kRounds = 3;

// Serves `archive` at every path, straight from memory.
class LoopbackServer {
public:
    explicit LoopbackServer(const ks::Bytes& archive) {
        m_server.Get(R"(/.*)", [&archive](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(
                archive.size(), "application/octet-stream",
                [&archive](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                    const auto* data = reinterpret_cast<const char*>(archive.data());
                    sink.write(data + offset, std::min<std::size_t>(length, 1 << 20));
                    return true;
                });
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~LoopbackServer() {
        while (!m_server.is_running())
            std::this_thread::yield();
        m_server.stop();
        m_thread.join();
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(m_port); }

private:
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The whole run: request, unpack, atomic writes, availability check.
bool install(const std::string& baseURL, std::size_t entries, double& best) {
    std::string pattern = (fs::temp_directory_path() / "ks-bench-download-XXXXXX").string();
    const fs::path root = ::mkdtemp(pattern.data());
    ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    ::setenv("KESTRANE_RESOURCES", (root / "resources").c_str(), 1);
    ks::Pack pack{"bench", "Bench", {}, false, {}};
    for (std::size_t i = 0; i < entries; ++i) {
        const auto blob = "entry-" + std::to_string(i) + ".dat";
        pack.wallpapers.push_back({"bench", blob, ks::Variant::neutral, blob});
    }
    fs::create_directories(root / "resources" / ks::Vault::libraryDirName);
    std::ofstream(root / "resources" / ks::Vault::libraryDirName / ks::Vault::indexFileName)
        << ks::serializeLibraryIndex({pack});
    ks::Library library;
    library.rescan();

    ks::ManualLoop loop;
    ks::ManualQueue queue("pack-download");
    ks::NotificationCenter center;
    ks::CurlHttpClient http;
    ks::PackDownloader downloader(
        loop, center, queue, http, [](ks::Seconds) {}, baseURL);
    downloader.configure(library);
    bool ok = true;
    for (int round = 0; round < kRounds && ok; ++round) {
        fs::remove_all(ks::Config::downloadedPacksDir());
        const auto start = std::chrono::steady_clock::now();
        downloader.downloadMissingPacks();
        while (queue.runAll() + loop.runPending() > 0) {
        }
        best = std::min(best, secondsSince(start));
        ok = !downloader.lastError() && ks::PackDownloader::isFullyDownloaded(pack);
    }
    fs::remove_all(root);
    return ok;
}

std::size_t discard(char*, std::size_t size, std::size_t count, void*) {
    return size * count;
}

bool rawTransfer(const std::string& url, double& best) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    bool ok = true;
    for (int round = 0; round < kRounds && ok; ++round) {
        CURL* curl = curl_easy_init();
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &discard);
        const auto start = std::chrono::steady_clock::now();
        ok = curl_easy_perform(curl) == CURLE_OK;
        best = std::min(best, secondsSince(start));
        curl_easy_cleanup(curl);
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "install") != 0 && std::strcmp(argv[1], "raw") != 0)) {
        std::fprintf(stderr, "usage: kestrane-bench-download install|raw MEGABYTES\n");
        return 2;
    }
    const std::size_t megabytes = std::stoul(argv[2]);
    const ks::Bytes archive = ks::bench::makeArchive(megabytes);
    LoopbackServer server(archive);
    ks::bench::resetPeakRss();
    const std::size_t before = ks::bench::statusBytes("VmRSS");
    double best = 1e9;
    const bool installing = std::strcmp(argv[1], "install") == 0;
    const bool ok = installing ? install(server.url(), megabytes / 2, best)
                               : rawTransfer(server.url() + "/raw.pack", best);
    if (!ok) {
        std::fprintf(stderr, "kestrane-bench-download: the %s run failed\n", argv[1]);
        return 1;
    }
    std::printf("%s %.4f %zu %zu\n", argv[1], best, archive.size(),
                ks::bench::statusBytes("VmHWM") - before);
    return 0;
}
