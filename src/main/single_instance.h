#pragma once

#include <QObject>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QLocalServer;
class QLocalSocket;

namespace ks {

// The message a second copy sends to the running one.
inline constexpr std::string_view kShowSettingsMessage = "showSettings";

// Who is the running copy. The copy that holds an exclusive lock on a file in the user's
// runtime folder is; the kernel drops the lock when it exits or crashes, so a dead copy
// never blocks the next start, and two copies starting at once cannot both win.
class InstanceLock {
public:
    enum class State { acquired, heldElsewhere, unavailable };

    static InstanceLock acquire(const std::filesystem::path& lockFile);
    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&&) = delete;
    ~InstanceLock();

    State state() const { return m_state; }
    // What went wrong when the state is `unavailable`.
    const std::string& error() const { return m_error; }

private:
    InstanceLock(State state, int fd, std::string error)
        : m_state(state), m_fd(fd), m_error(std::move(error)) {}

    State m_state;
    int m_fd;
    std::string m_error;
};

namespace SingleInstance {

std::filesystem::path lockPath();
std::filesystem::path socketPath();

// Sends one message to the running copy and waits for its answer, which may be empty. None
// when no copy took the message before `timeout`: none listens, or it quit meanwhile. Tries
// to connect until then, because the running copy may be a moment away from listening.
// Needs a QCoreApplication.
std::optional<std::string> request(std::string_view message, std::chrono::milliseconds timeout);

} // namespace SingleInstance

// The running copy's end: listens for messages from copies started later. Only the holder
// of the InstanceLock makes one, so a socket file already in its place is a dead copy's.
class InstanceServer : public QObject {
public:
    // Returns the answer sent back to the asking copy.
    using Handler = std::function<std::string(std::string_view message)>;

    explicit InstanceServer(Handler handler, QObject* parent = nullptr);
    ~InstanceServer() override;

    // False (with a log line) when the socket cannot be made; the lock still keeps the
    // copy single, only hand-overs are lost.
    bool listen(const std::filesystem::path& socketPath);

private:
    void accept();
    void read(QLocalSocket* socket, bool finished);
    void answer(QLocalSocket* socket, std::string_view message);

    Handler m_handler;
    QLocalServer* m_server;
};

} // namespace ks
