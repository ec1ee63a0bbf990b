#pragma once

#include "base/clock.h"

#include <httplib.h>
#include <mutex>
#include <string>
#include <thread>

namespace ks::test {

struct FeedReply {
    int status = 200;
    std::string body;
    bool trickle = false; // a space every 0.1 s for 3 s
};

// A loopback update-feed server: GET /feed gets the reply set last.
class FeedServer {
public:
    FeedServer() {
        m_server.Get("/feed", [this](const httplib::Request&, httplib::Response& res) {
            std::unique_lock lock(m_mutex);
            ++m_requests;
            const FeedReply reply = m_reply;
            lock.unlock();
            res.status = reply.status;
            if (!reply.trickle)
                return res.set_content(reply.body, "application/json");
            res.set_chunked_content_provider(
                "application/json", [sent = 0](std::size_t, httplib::DataSink& sink) mutable {
                    std::this_thread::sleep_for(Seconds(0.1));
                    if (!sink.write(" ", 1) || ++sent == 30)
                        sink.done();
                    return true;
                });
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~FeedServer() {
        while (!m_server.is_running())
            std::this_thread::yield();
        m_server.stop();
        m_thread.join();
    }

    std::string url() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/feed"; }
    void reply(FeedReply reply) {
        std::lock_guard lock(m_mutex);
        m_reply = std::move(reply);
    }
    int requests() {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

private:
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
    std::mutex m_mutex;
    FeedReply m_reply{404};
    int m_requests = 0;
};

// A feed offering `version`, with a download link and notes.
inline std::string feed(const char* version) {
    return std::string(R"({"version": ")") + version +
           R"(", "url": "https://example.org/get", "notes": "Quicker fades."})";
}

} // namespace ks::test
