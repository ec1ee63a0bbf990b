#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ks {

// A "file://" URL of a local file. Its absolute string is what stored files and the desktop
// backends see, so it is formed the same way everywhere: an absolute, lexically normal path,
// every byte outside the unreserved and path characters percent-encoded in upper case.
class FileUrl {
public:
    // None for a relative or empty path.
    static std::optional<FileUrl> fromPath(const std::filesystem::path& path);
    // Reads "file:///…" and "file://localhost/…"; none for any other scheme or host, a bad
    // percent escape, an encoded NUL, or a path that is not absolute.
    static std::optional<FileUrl> fromString(std::string_view text);

    const std::filesystem::path& path() const { return m_path; }
    const std::string& absoluteString() const { return m_absolute; }

    friend bool operator==(const FileUrl& a, const FileUrl& b) {
        return a.m_absolute == b.m_absolute;
    }

private:
    FileUrl(std::filesystem::path path, std::string absolute)
        : m_path(std::move(path)), m_absolute(std::move(absolute)) {}

    std::filesystem::path m_path;
    std::string m_absolute;
};

} // namespace ks
