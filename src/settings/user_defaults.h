#pragma once

#include "base/bytes.h"
#include "base/main_loop.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ks {

using DefaultsValue =
    std::variant<bool, std::int64_t, double, std::string, std::vector<std::string>, Bytes>;

// The user's typed key-value database, kept as one property-list file. The file is read once,
// when the object is made; afterwards the values live in memory. Assignments are written
// back on the main loop's next turn (several assignments in one turn make one write), and at
// once by `flush`. Every write replaces the whole file atomically. A file that cannot be
// parsed is moved aside, never overwritten.
class UserDefaults {
public:
    // The application's database:
    // $XDG_CONFIG_HOME/kestrane-wallpapers/local.kestrane.wallpapers.plist
    static std::filesystem::path standardPath();
    // The application's database, set by its owner; asking before that aborts.
    static UserDefaults& standard();
    static void setStandard(UserDefaults* defaults);
    // Writes the standard database's pending assignments, if there is one; for the process
    // entry at quit. True when nothing is left pending.
    static bool flushStandard();

    UserDefaults(std::filesystem::path file, MainLoop& loop);
    ~UserDefaults(); // flushes
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    // Typed reads: a missing key or a value of another type reads as none. An integer
    // reads as a real number too; a real number never reads as an integer or a boolean.
    std::optional<bool> boolValue(std::string_view key) const;
    std::optional<std::int64_t> integerValue(std::string_view key) const;
    std::optional<double> realValue(std::string_view key) const;
    std::optional<std::string> stringValue(std::string_view key) const;
    // An array whose every element is a string; anything else reads as none.
    std::optional<std::vector<std::string>> stringArrayValue(std::string_view key) const;
    std::optional<Bytes> dataValue(std::string_view key) const;
    bool contains(std::string_view key) const;

    void set(std::string_view key, DefaultsValue value);
    void remove(std::string_view key);

    // Writes pending assignments now. False when the file could not be written (the values
    // stay pending and are tried again on the next assignment or flush).
    bool flush();
    bool hasPendingWrites() const;

    const std::filesystem::path& path() const { return m_path; }

    // How often, and how many bytes, this object has written the file (tests, benchmarks).
    std::uint64_t fileWrites() const;
    std::uint64_t bytesWritten() const;

private:
    struct State;

    std::filesystem::path m_path;
    // Shared so that a flush posted to the loop can hold it weakly and find it gone.
    std::shared_ptr<State> m_state;
};

} // namespace ks
