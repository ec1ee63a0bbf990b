#pragma once

#include <filesystem>

namespace ks {

// Holds an exclusive lock on `file` while it lives, waiting for it if another run holds it:
// two runs at once would retire each other's root pixmaps and lose each other's records.
// Without the lock file (no folder, no rights) the run goes on unlocked.
class RunLock {
public:
    explicit RunLock(const std::filesystem::path& file);
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

private:
    int m_fd = -1;
};

} // namespace ks
