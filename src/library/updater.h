#pragma once

#include "base/clock.h"
#include "library/update_feed.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ks {

class HttpClient;
class MainLoop;
class TaskQueue;

inline constexpr std::string_view kUpdateQueueLabel = "updates";

// Asks the update feed whether a newer version exists. It only tells: nothing is downloaded
// or installed. The request runs on the update queue, never on the main thread; results come
// back on the main loop. Main thread only.
class Updater {
public:
    using Callback = std::function<void(const UpdateCheckResult&)>;

    static constexpr Seconds kTimeout{15};
    // A successful answer this recent is given again instead of asking the server anew.
    static constexpr Seconds kReuseResultFor{60};

    // `feedURL` is the feed to read (Config::updateFeedURL()); `ourVersion` the running
    // version. The loop, the queue and the client must outlive every request started here: a
    // request still on the queue uses them after the updater itself is gone.
    Updater(MainLoop& loop, TaskQueue& updateQueue, HttpClient& http, std::string feedURL,
            std::string ourVersion, Seconds timeout = kTimeout);
    ~Updater();
    Updater(const Updater&) = delete;
    Updater& operator=(const Updater&) = delete;

    // A silent check: its outcome goes to the log only.
    void checkAtLaunch();
    // Calls `done` on the main loop, always later than this call, with the outcome. A check
    // already running is joined rather than repeated.
    void checkForUpdates(Callback done);

    bool isChecking() const;
    // The outcome of the last check that completed, if any.
    const std::optional<UpdateCheckResult>& lastResult() const;
    const std::string& ourVersion() const;

    struct State;

private:
    std::shared_ptr<State> m_state;
};

} // namespace ks
