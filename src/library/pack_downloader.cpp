#include "library/pack_downloader.h"

#include "base/file_io.h"
#include "base/log.h"
#include "base/main_loop.h"
#include "base/process_instance.h"
#include "base/serial_queue.h"
#include "library/blob_name.h"
#include "library/blob_store.h"
#include "library/config.h"
#include "library/curl_http_client.h"
#include "library/http_client.h"
#include "library/pack_archive.h"
#include "library/vault.h"

#include <algorithm>
#include <filesystem>
#include <thread>

namespace ks {

namespace {

constexpr std::string_view kStateChanged = "packDownloaderChanged";
constexpr int kAttempts = 4;
constexpr double kPauseStep = 1.5;

enum class Outcome { stored, failed, abandoned };

} // namespace

struct PackDownloader::State {
    MainLoop& loop;
    NotificationCenter& center;
    TaskQueue& queue;
    HttpClient& http;
    Pause pause;
    std::string baseURL;
    Seconds timeout;

    std::optional<Library> library;
    bool isDownloading = false;
    double progress = 0;
    std::optional<std::string> lastError;
    NotificationCenter changes;

    void set(bool downloading, double newProgress, std::optional<std::string> error) {
        if (downloading == isDownloading && newProgress == progress && error == lastError)
            return;
        isDownloading = downloading;
        progress = newProgress;
        lastError = std::move(error);
        changes.post(kStateChanged);
    }
};

namespace {

using State = PackDownloader::State;

// Writes the archive's entries into `target` and tells whether the pack is now complete.
// A name that is not a plain file name could reach outside the folder, so it is never
// written; the blob it stood for then counts as missing.
bool install(Bytes archive, const Pack& pack, const std::filesystem::path& target) {
    auto entries = PackArchive::unpack(archive);
    Bytes().swap(archive); // the entries hold their own copies from here on
    if (!entries)
        return false;
    for (const auto& entry : *entries) {
        if (isPlainFileName(entry.name))
            replaceFileAtomically(target / entry.name, entry.data);
    }
    return PackDownloader::isFullyDownloaded(pack);
}

Outcome downloadPack(const std::weak_ptr<State>& weak, const Pack& pack,
                     const std::filesystem::path& target) {
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        const auto state = weak.lock();
        if (!state)
            return Outcome::abandoned;
        auto response =
            state->http.get(state->baseURL + "/" + Vault::archiveName(pack.id), state->timeout);
        if (response.status == 403)
            return Outcome::failed;
        if (response.status == 200 && response.body &&
            install(std::move(*response.body), pack, target))
            return Outcome::stored;
        if (attempt < kAttempts)
            state->pause(Seconds(kPauseStep * attempt));
    }
    return Outcome::failed;
}

void postToMain(const std::weak_ptr<State>& weak, std::function<void(State&)> change) {
    if (const auto state = weak.lock()) {
        state->loop.post([weak, change = std::move(change)] {
            if (const auto state = weak.lock())
                change(*state);
        });
    }
}

void run(const std::weak_ptr<State>& weak, const std::vector<Pack>& packs,
         const std::filesystem::path& target) {
    const double count = static_cast<double>(packs.size());
    for (std::size_t i = 0; i < packs.size(); ++i) {
        switch (downloadPack(weak, packs[i], target)) {
        case Outcome::abandoned:
            return;
        case Outcome::failed:
            // Packs stored earlier in the run stay, but nobody is told: the engine takes
            // them in at its next rebuild.
            postToMain(weak, [name = packs[i].displayName](State& state) {
                logLine("PackDownloader: \"" + name + "\" could not be downloaded");
                state.set(false, state.progress, std::string(kPackDownloadFailed));
            });
            return;
        case Outcome::stored:
            const double progress = static_cast<double>(i + 1) / count;
            postToMain(weak, [progress, name = packs[i].displayName, done = i + 1,
                              total = packs.size()](State& state) {
                logLine("PackDownloader: \"" + name + "\" installed (" + std::to_string(done) +
                        " of " + std::to_string(total) + ")");
                state.set(true, progress, state.lastError);
            });
        }
    }
    postToMain(weak, [](State& state) {
        state.set(false, 1, state.lastError);
        state.center.post(kContentChanged);
    });
}

} // namespace

PackDownloader::PackDownloader(MainLoop& loop, NotificationCenter& center, TaskQueue& downloadQueue,
                               HttpClient& http, Pause pause, std::string baseURL, Seconds timeout)
    : m_state(std::make_shared<State>(State{loop, center, downloadQueue, http, std::move(pause),
                                            std::move(baseURL), timeout})) {}

PackDownloader::~PackDownloader() = default;

PackDownloader* PackDownloader::shared() {
    return ProcessInstance<PackDownloader>::find();
}

void PackDownloader::setShared(PackDownloader* downloader) {
    ProcessInstance<PackDownloader>::set(downloader);
}

void PackDownloader::configure(const Library& library) {
    m_state->library = library;
}

void PackDownloader::downloadMissingPacks() {
    State& state = *m_state;
    if (!state.library || state.isDownloading)
        return;
    std::vector<Pack> missing;
    for (const auto& pack : state.library->packs()) {
        if (!isFullyDownloaded(pack))
            missing.push_back(pack);
    }
    if (missing.empty())
        return;
    state.set(true, 0, std::nullopt);
    state.queue.async([weak = std::weak_ptr(m_state), missing = std::move(missing),
                       target = Config::downloadedPacksDir()] { run(weak, missing, target); });
}

bool PackDownloader::isAvailable(const Wallpaper& wallpaper) {
    return BlobStore::url(wallpaper.blob).has_value();
}

bool PackDownloader::isFullyDownloaded(const Pack& pack) {
    return std::all_of(pack.wallpapers.begin(), pack.wallpapers.end(), &isAvailable);
}

bool PackDownloader::isDownloading() const {
    return m_state->isDownloading;
}

double PackDownloader::progress() const {
    return m_state->progress;
}

const std::optional<std::string>& PackDownloader::lastError() const {
    return m_state->lastError;
}

NotificationCenter::Observation PackDownloader::observe(std::function<void()> onChange) {
    return m_state->changes.addObserver(kStateChanged, std::move(onChange));
}

} // namespace ks
