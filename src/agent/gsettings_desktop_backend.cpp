#include "agent/gsettings_desktop_backend.h"

#include "agent/desktop_tool.h"
#include "agent/spanned_picture.h"
#include "base/file_io.h"
#include "base/log.h"
#include "base/sha256.h"
#include "platform/linux/agent_process.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstdint>
#include <optional>
#include <set>
#include <vector>

namespace ks {

namespace {

constexpr auto kGsettingsTimeLimit = std::chrono::seconds(30);

// A GVariant text string: what gsettings reads is parsed, not taken as it stands.
std::string gvariantString(std::string_view text) {
    std::string out = "'";
    for (const char c : text) {
        if (c == '\\' || c == '\'')
            out.push_back('\\');
        out.push_back(c);
    }
    return out + "'";
}

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// The string in the GVariant text gsettings prints: quoted with ' or ", and a path may come
// back with escapes (\n, \", \u0001) where it was set with plain characters.
std::optional<std::string> printedString(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    if (text.size() < 2 || (text.front() != '\'' && text.front() != '"') ||
        text.back() != text.front())
        return std::nullopt;
    text = text.substr(1, text.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out.push_back(text[i]);
            continue;
        }
        const char escaped = text[++i];
        constexpr std::string_view kLetters = "abfnrtv";
        constexpr std::string_view kControls = "\a\b\f\n\r\t\v";
        if (const auto at = kLetters.find(escaped); at != std::string_view::npos) {
            out.push_back(kControls[at]);
        } else if (escaped == 'u' || escaped == 'U') {
            const std::size_t digits = escaped == 'u' ? 4 : 8;
            if (i + digits >= text.size())
                return std::nullopt;
            const auto hex = text.substr(i + 1, digits);
            std::uint32_t code = 0;
            const auto [end, error] =
                std::from_chars(hex.data(), hex.data() + hex.size(), code, 16);
            if (error != std::errc() || end != hex.data() + hex.size())
                return std::nullopt;
            appendUtf8(out, code);
            i += digits;
        } else {
            out.push_back(escaped);
        }
    }
    return out;
}

} // namespace

GsettingsDesktopBackend::GsettingsDesktopBackend(const GsettingsDesktop& desktop,
                                                 PictureLoader& loader,
                                                 std::filesystem::path folder)
    : m_desktop(desktop), m_loader(loader), m_spanned(std::move(folder), "spanned-") {}

bool GsettingsDesktopBackend::show(const DisplayPlan& plan) {
    const auto first =
        std::ranges::find_if(plan, [](const auto& p) { return p.picture.has_value(); });
    if (first == plan.end())
        return true;
    std::set<std::string> distinct;
    bool allSized = true;
    for (const auto& planned : plan) {
        if (const FileUrl* url = showing(planned))
            distinct.insert(url->absoluteString());
        allSized = allSized && planned.display.hasSize();
    }
    if (distinct.size() > 1 && allSized)
        return showSpanned(plan);
    // One setting for every display: a display that keeps an unknown picture cannot keep it.
    if (!m_loader.usable(*first->picture) || !apply("zoom", *first->picture))
        return false;
    m_spanned.removeOthers({});
    return true;
}

bool GsettingsDesktopBackend::showSpanned(const DisplayPlan& plan) {
    const auto written =
        m_spanned.write(plan, m_loader, [this](const std::string& reason) { fail(reason); });
    if (!written)
        return false;
    const auto url = FileUrl::fromPath(written->file);
    if (!url || !apply("spanned", *url)) {
        m_spanned.discard(*written);
        return false;
    }
    m_spanned.removeOthers(written->file);
    return true;
}

void GsettingsDesktopBackend::fail(const std::string& reason) const {
    logLine("kestrane-wallpaper-agent: " + std::string(m_desktop.name) + ": " + reason);
}

bool GsettingsDesktopBackend::apply(const std::string& options, const FileUrl& picture) {
    const std::string schema = m_desktop.schema;
    const auto run = [&](const char* verb, const char* key, const std::string& value = {}) {
        std::vector<std::string> argv{"gsettings", verb, schema, key};
        if (!value.empty())
            argv.push_back(value);
        return runProgram(argv, kGsettingsTimeLimit, value.empty());
    };
    // Asked first so that a missing tool or schema is said in one line and nothing is half set.
    if (!toolInstalled("gsettings")) {
        fail("gsettings failed: not found in PATH");
        return false;
    }
    if (run("range", m_desktop.pictureKey) != 0) {
        fail("gsettings failed: no " + schema + " " + m_desktop.pictureKey +
             " (the desktop's schemas are not installed)");
        return false;
    }
    const std::string wanted =
        m_desktop.pictureIsPath ? picture.path().string() : picture.absoluteString();
    const std::string value = gvariantString(wanted);
    std::vector<const char*> keys{"picture-options", m_desktop.pictureKey};
    // GNOME before 42 has no dark picture.
    if (m_desktop.darkPictureKey && run("range", m_desktop.darkPictureKey) == 0)
        keys.push_back(m_desktop.darkPictureKey);
    for (const char* key : keys) {
        if (run("set", key, key == keys[0] ? gvariantString(options) : value) != 0) {
            fail("gsettings couldn't set " + schema + " " + key);
            return false;
        }
    }
    // gsettings exits with 0 even when dconf could not store the value (no session bus), so
    // the value is read back.
    const auto stored =
        programOutput({"gsettings", "get", schema, m_desktop.pictureKey}, kGsettingsTimeLimit);
    if (!stored || printedString(*stored) != wanted) {
        fail(schema + " " + m_desktop.pictureKey +
             " did not take the picture (no session bus for dconf?)");
        return false;
    }
    return true;
}

} // namespace ks
