#include "library/updater.h"

#include "base/log.h"
#include "base/main_loop.h"
#include "base/task_queue.h"
#include "library/http_client.h"

#include <utility>
#include <vector>

namespace ks {

struct Updater::State {
    MainLoop& loop;
    TaskQueue& queue;
    HttpClient& http;
    std::string feedURL;
    std::string ourVersion;
    Seconds timeout;

    bool checking = false;
    std::vector<Callback> waiting;
    std::optional<UpdateCheckResult> lastResult;
    // When the last successful answer came; failures are never reused, so a retry asks again.
    std::optional<MonoTime> lastAnsweredAt;
};

namespace {

using State = Updater::State;

void finish(State& state, const UpdateCheckResult& result) {
    state.checking = false;
    state.lastResult = result;
    state.lastAnsweredAt.reset();
    if (result.outcome != UpdateCheckResult::Outcome::failed)
        state.lastAnsweredAt = state.loop.clock().monotonicNow();
    logLine(updateLogLine(result));
    // Taken out first: a callback may start the next check.
    const auto waiting = std::exchange(state.waiting, {});
    for (const auto& done : waiting)
        done(result);
}

void start(const std::shared_ptr<State>& state) {
    if (state->checking)
        return;
    state->checking = true;
    // The work holds the state weakly and touches it on the main loop only, so the updater
    // may go at any time, and never goes on the queue's thread.
    state->queue.async([weak = std::weak_ptr(state), loop = &state->loop, http = &state->http,
                        url = state->feedURL, ours = state->ourVersion, timeout = state->timeout] {
        if (weak.expired())
            return; // nobody is left to hear the answer
        auto result = evaluateUpdateResponse(http->get(url, timeout), ours);
        loop->post([weak, result = std::move(result)] {
            if (const auto state = weak.lock())
                finish(*state, result);
        });
    });
}

} // namespace

Updater::Updater(MainLoop& loop, TaskQueue& updateQueue, HttpClient& http, std::string feedURL,
                 std::string ourVersion, Seconds timeout)
    : m_state(std::make_shared<State>(
          State{loop, updateQueue, http, std::move(feedURL), std::move(ourVersion), timeout})) {}

Updater::~Updater() = default;

void Updater::checkAtLaunch() {
    start(m_state);
}

void Updater::checkForUpdates(Callback done) {
    State& state = *m_state;
    const MonoTime now = state.loop.clock().monotonicNow();
    if (!state.checking && state.lastAnsweredAt && now - *state.lastAnsweredAt < kReuseResultFor) {
        state.loop.post([weak = std::weak_ptr(m_state), done = std::move(done)] {
            if (const auto state = weak.lock())
                done(*state->lastResult);
        });
        return;
    }
    state.waiting.push_back(std::move(done));
    start(m_state);
}

bool Updater::isChecking() const {
    return m_state->checking;
}

const std::optional<UpdateCheckResult>& Updater::lastResult() const {
    return m_state->lastResult;
}

const std::string& Updater::ourVersion() const {
    return m_state->ourVersion;
}

} // namespace ks
