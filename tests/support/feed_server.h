#pragma once

#include "base/clock.h"

#include <atomic>
#include <httplib.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ks::test {

struct FeedReply {
    int status = 200;
    std::string body;
    bool trickle = false; // a byte every 0.1 s for 3 s
};

// A loopback update-feed server at /feed, playing its replies in turn, the last one repeating.
class FeedServer {
public:
    FeedServer() {
        m_server.Get("/feed", [this](const httplib::Request&, httplib::Response& res) {
            FeedReply reply{404};
            {
                std::lock_guard lock(m_mutex);
                ++m_requests;
                if (!m_replies.empty())
                    reply = m_replies[std::min(m_requests, m_replies.size()) - 1];
            }
            res.status = reply.status;
            if (!reply.trickle) {
                res.set_content(reply.body, "application/json");
                return;
            }
            res.set_chunked_content_provider(
                "application/json", [this, sent = 0](std::size_t, httplib::DataSink& sink) mutable {
                    std::this_thread::sleep_for(Seconds(0.1));
                    sink.write(" ", 1);
                    return ++sent < 30 && !m_stopping;
                });
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~FeedServer() { stop(); }
    void stop() {
        if (!m_thread.joinable())
            return;
        m_stopping = true;
        while (!m_server.is_running())
            std::this_thread::yield();
        m_server.stop();
        m_thread.join();
    }

    std::string url() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/feed"; }
    void script(std::vector<FeedReply> replies) {
        std::lock_guard lock(m_mutex);
        m_replies = std::move(replies);
        m_requests = 0;
    }
    std::size_t requests() {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

private:
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    std::mutex m_mutex;
    std::vector<FeedReply> m_replies;
    std::size_t m_requests = 0;
};

// A feed offering `version`, with a download link and notes.
inline std::string feed(const char* version) {
    return std::string(R"({"version": ")") + version +
           R"(", "url": "https://example.org/get", "notes": "Quicker fades."})";
}

} // namespace ks::test
