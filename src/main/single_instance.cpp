#include "main/single_instance.h"

#include "base/locations.h"
#include "base/log.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace ks {

namespace {

// A message is one short line; anything longer is not from a copy of this application.
constexpr qint64 kLongestMessage = 256;
// An answer is a few lines of status; a stranger on the socket must not fill our memory.
constexpr qint64 kLongestReply = 64 * 1024;

} // namespace

InstanceLock InstanceLock::acquire(const std::filesystem::path& lockFile) {
    // The runtime folder may not exist yet when the session did not make it.
    std::error_code ignored;
    if (std::filesystem::create_directories(lockFile.parent_path(), ignored))
        std::filesystem::permissions(lockFile.parent_path(), std::filesystem::perms::owner_all,
                                     ignored);
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return {State::unavailable, -1, lockFile.string() + ": " + std::strerror(errno)};
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0)
        return {State::acquired, fd, {}};
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK)
        return {State::heldElsewhere, -1, {}};
    return {State::unavailable, -1, lockFile.string() + ": " + std::strerror(error)};
}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : m_state(other.m_state), m_fd(other.m_fd), m_error(std::move(other.m_error)) {
    other.m_fd = -1;
}

InstanceLock::~InstanceLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

namespace SingleInstance {

std::filesystem::path lockPath() {
    return Locations::runtimeDir() / (std::string(kBundleID) + ".lock");
}

std::filesystem::path socketPath() {
    return Locations::runtimeDir() / (std::string(kBundleID) + ".socket");
}

std::optional<std::string> request(std::string_view message, std::chrono::milliseconds timeout) {
    const auto name = QString::fromStdString(socketPath().string());
    QElapsedTimer elapsed;
    elapsed.start();
    const auto left = [&] {
        return static_cast<int>(std::max<qint64>(0, timeout.count() - elapsed.elapsed()));
    };
    QLocalSocket socket;
    while (true) {
        socket.connectToServer(name);
        if (socket.waitForConnected(100))
            break;
        socket.abort();
        if (elapsed.hasExpired(timeout.count()))
            return std::nullopt;
        QThread::msleep(25);
    }
    QByteArray bytes(message.data(), static_cast<qsizetype>(message.size()));
    bytes.append('\n');
    if (socket.write(bytes) != bytes.size())
        return std::nullopt;
    while (socket.bytesToWrite() > 0)
        if (left() == 0 || !socket.waitForBytesWritten(left()))
            return std::nullopt;
    // The running copy answers and hangs up; a copy that quits meanwhile hangs up unanswered.
    QByteArray reply;
    while (socket.state() == QLocalSocket::ConnectedState && reply.size() <= kLongestReply) {
        if (left() == 0)
            return std::nullopt;
        socket.waitForReadyRead(left());
        reply += socket.readAll();
    }
    reply += socket.readAll();
    if (reply.size() > kLongestReply)
        return std::nullopt;
    return reply.toStdString();
}

} // namespace SingleInstance

InstanceServer::InstanceServer(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)), m_server(new QLocalServer(this)) {
    connect(m_server, &QLocalServer::newConnection, this, &InstanceServer::accept);
}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::listen(const std::filesystem::path& socketPath) {
    const auto name = QString::fromStdString(socketPath.string());
    QLocalServer::removeServer(name);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server->listen(name))
        return true;
    logLine("SingleInstance: couldn't listen on " + socketPath.string() + ": " +
            m_server->errorString().toStdString());
    return false;
}

void InstanceServer::accept() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket, false); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { read(socket, true); });
        // Data can arrive together with the connection.
        read(socket, socket->state() != QLocalSocket::ConnectedState);
    }
}

void InstanceServer::read(QLocalSocket* socket, bool finished) {
    if (socket->canReadLine()) {
        // One request per connection: the answer, then the end of it.
        const QByteArray line = socket->readLine(kLongestMessage + 1).trimmed();
        answer(socket, std::string_view(line.constData(), static_cast<std::size_t>(line.size())));
        return;
    }
    if (socket->bytesAvailable() > kLongestMessage) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
        return;
    }
    if (finished) {
        // A last message need not end with a newline.
        const QByteArray rest = socket->readAll().trimmed();
        socket->disconnect(this);
        if (!rest.isEmpty() && rest.size() <= kLongestMessage)
            m_handler(std::string_view(rest.constData(), static_cast<std::size_t>(rest.size())));
        socket->deleteLater();
    }
}

void InstanceServer::answer(QLocalSocket* socket, std::string_view message) {
    socket->disconnect(this);
    const std::string reply = m_handler(message);
    if (socket->state() == QLocalSocket::ConnectedState) {
        socket->write(reply.data(), static_cast<qint64>(reply.size()));
        // Hangs up once the answer is written, so the asking copy knows it has all of it;
        // deleting the socket before then would drop what is still unwritten.
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        socket->disconnectFromServer();
        if (socket->state() != QLocalSocket::UnconnectedState)
            return;
    }
    socket->deleteLater();
}

} // namespace ks
