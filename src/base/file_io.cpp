#include "base/file_io.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace ks {

namespace {

bool writeAll(int fd, ByteView bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void syncDirectory(const std::filesystem::path& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

std::optional<Bytes> readWholeFile(const std::filesystem::path& path, std::size_t maxBytes) {
    // Non-blocking, so that a FIFO put where a file should be cannot hang the reader.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    // Regular files only: a folder cannot be read, a device may never end.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        ::close(fd);
        return std::nullopt;
    }
    Bytes bytes(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    for (;;) {
        if (done == bytes.size()) {
            // The file grew while we read it.
            if (bytes.size() >= maxBytes)
                break;
            bytes.resize(std::min<std::size_t>(maxBytes, bytes.size() + (1 << 16)));
        }
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (done > maxBytes)
        return std::nullopt;
    bytes.resize(done);
    return bytes;
}

namespace {

std::string temporaryPrefix(const std::filesystem::path& path) {
    return "." + path.filename().string() + ".tmp-";
}

// A name for the temporary file that no other writer (thread or process) picks.
std::string temporaryName(const std::filesystem::path& path) {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    return temporaryPrefix(path) + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
           "-" + std::to_string(random());
}

// The process that made a temporary of that prefix, read from its name.
std::optional<pid_t> writerOf(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix))
        return std::nullopt;
    name.remove_prefix(prefix.size());
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (error != std::errc() || end == name.data() + name.size() || *end != '-')
        return std::nullopt;
    return pid > 0 ? std::optional(pid) : std::nullopt;
}

} // namespace

bool replaceFileAtomically(const std::filesystem::path& path, ByteView bytes) {
    const auto dir = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
        temp = (dir / temporaryName(path)).string();
        // 0666 lets the user's umask decide, as for any file they make.
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    // A file being replaced keeps the permissions its owner gave it.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::fchmod(fd, existing.st_mode & 07777);
    const bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    // Rename is atomic: readers, and other writers, see the old file or a whole new one.
    if (!written || !closed || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    syncDirectory(dir);
    return true;
}

void removeAbandonedTemporaries(const std::filesystem::path& path) {
    namespace fs = std::filesystem;
    const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const std::string prefix = temporaryPrefix(path);
    std::error_code error;
    for (fs::directory_iterator entries(dir, error), end; !error && entries != end;
         entries.increment(error)) {
        const auto pid = writerOf(entries->path().filename().string(), prefix);
        std::error_code ignored;
        if (pid && *pid != ::getpid() && ::kill(*pid, 0) != 0 && errno == ESRCH &&
            !entries->is_directory(ignored))
            ::unlink(entries->path().c_str());
    }
}

} // namespace ks
