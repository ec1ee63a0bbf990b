#include "base/file_url.h"

#include <algorithm>

namespace ks {

namespace {

constexpr std::string_view kScheme = "file://";
constexpr std::string_view kLocalhost = "localhost";

// The characters a URL path may hold as they are: RFC 3986's unreserved characters, the
// separator, and the sub-delimiters other than ';' (the set Foundation keeps in paths).
bool keptInPath(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("-._~/!$&'()*+,:=@").find(static_cast<char>(c)) !=
           std::string_view::npos;
}

std::string percentEncoded(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (keptInPath(c)) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> percentDecoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (text.size() - i < 3)
            return std::nullopt;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return out;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
               return lower(a) == lower(b);
           });
}

} // namespace

std::optional<FileUrl> FileUrl::fromPath(const std::filesystem::path& path) {
    const std::string& native = path.native();
    if (native.empty() || native.front() != '/' || native.find('\0') != std::string::npos)
        return std::nullopt;
    std::filesystem::path normal = path.lexically_normal();
    std::string absolute = std::string(kScheme) + percentEncoded(normal.native());
    return FileUrl(std::move(normal), std::move(absolute));
}

std::optional<FileUrl> FileUrl::fromString(std::string_view text) {
    if (!startsWithNoCase(text, kScheme))
        return std::nullopt;
    text.remove_prefix(kScheme.size());
    if (startsWithNoCase(text, kLocalhost))
        text.remove_prefix(kLocalhost.size());
    // What follows the authority must be the path itself: no other host, no query or
    // fragment, and no raw byte a path cannot hold.
    if (text.empty() || text.front() != '/' ||
        text.find_first_of(std::string_view("?#\0", 3)) != std::string_view::npos)
        return std::nullopt;
    const auto path = percentDecoded(text);
    if (!path || path->find('\0') != std::string::npos)
        return std::nullopt;
    return fromPath(*path);
}

} // namespace ks
