#include "platform/linux/system_version.h"

#include "base/file_io.h"

#include <charconv>
#include <cstdlib>
#include <sys/utsname.h>

namespace ks {

namespace {

// os-release values are shell words: plain, or in quotes with backslash escapes.
std::string unquoted(std::string_view value) {
    if (value.size() < 2 || (value.front() != '"' && value.front() != '\'') ||
        value.back() != value.front())
        return std::string(value);
    value = value.substr(1, value.size() - 2);
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size())
            ++i;
        text.push_back(value[i]);
    }
    return text;
}

// PRETTY_NAME, or "Linux" as os-release(5) says when it is missing.
std::string prettyName(const std::filesystem::path& osRelease) {
    const auto bytes = readWholeFile(osRelease, 1 << 16);
    std::string_view text = bytes ? asText(*bytes) : std::string_view();
    constexpr std::string_view kKey = "PRETTY_NAME=";
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.starts_with(kKey)) {
            const std::string name = unquoted(line.substr(kKey.size()));
            if (!name.empty())
                return name;
        }
    }
    return "Linux";
}

bool parseNumber(std::string_view text, int& number) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size() && number >= 0;
}

} // namespace

SystemVersion linuxSystemVersion(const std::filesystem::path& osRelease,
                                 std::string_view kernelRelease,
                                 std::optional<std::string_view> override) {
    SystemVersion version{15, 0, prettyName(osRelease)};
    if (!kernelRelease.empty())
        version.text += ", Linux " + std::string(kernelRelease);
    if (override) {
        const std::size_t dot = override->find('.');
        int major = 0, minor = 0;
        if (parseNumber(override->substr(0, dot), major) &&
            (dot == std::string_view::npos || parseNumber(override->substr(dot + 1), minor))) {
            version.major = major;
            version.minor = minor;
        }
    }
    return version;
}

SystemVersion linuxSystemVersion() {
    std::filesystem::path osRelease = "/etc/os-release";
    std::error_code error;
    if (!std::filesystem::exists(osRelease, error))
        osRelease = "/usr/lib/os-release";
    struct utsname names {};
    const std::string_view kernel = ::uname(&names) == 0 ? names.release : "";
    const char* override = std::getenv("KESTRANE_SYSTEM_VERSION");
    return linuxSystemVersion(osRelease, kernel,
                              override ? std::optional<std::string_view>(override) : std::nullopt);
}

} // namespace ks
