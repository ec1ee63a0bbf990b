#include "agent/gnome_backend.h"

#include "agent/canvas.h"
#include "base/file_io.h"
#include "base/log.h"
#include "base/sha256.h"
#include "platform/linux/agent_process.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <set>

namespace ks {

namespace {

constexpr const char* kSchema = "org.gnome.desktop.background";
constexpr auto kGsettingsTimeLimit = std::chrono::seconds(30);
constexpr std::string_view kSpannedPrefix = "spanned-";
// 1 GiB of RGBA: more than any row of real displays needs.
constexpr std::int64_t kMaxCanvasPixels = std::int64_t{1} << 28;

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

bool setKey(const char* key, const std::string& value, bool quiet = false) {
    return runProgram({"gsettings", "set", kSchema, key, value}, kGsettingsTimeLimit, quiet) == 0;
}

// gsettings exits with 0 even when dconf could not store the value (no session bus), so
// the value is read back.
bool holds(const char* key, const std::string& url) {
    auto value = programOutput({"gsettings", "get", kSchema, key}, kGsettingsTimeLimit);
    while (value && !value->empty() && std::isspace(static_cast<unsigned char>(value->back())))
        value->pop_back();
    return value && (*value == "'" + url + "'" || *value == "\"" + url + "\"");
}

bool hasKey(const char* key) {
    return runProgram({"gsettings", "range", kSchema, key}, kGsettingsTimeLimit, true) == 0;
}

const FileUrl* showing(const PlannedDisplay& planned) {
    if (planned.picture)
        return &*planned.picture;
    return planned.shown ? &*planned.shown : nullptr;
}

bool isSpannedFile(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    return name.starts_with(kSpannedPrefix) && file.extension() == ".png";
}

// Spanned pictures other than `keep`, once the desktop no longer shows them.
void removeSpannedFiles(const std::filesystem::path& folder, const std::filesystem::path& keep) {
    std::error_code error;
    std::filesystem::directory_iterator entry(folder, error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        std::error_code ignored;
        if (isSpannedFile(entry->path()) && entry->path() != keep)
            std::filesystem::remove(entry->path(), ignored);
    }
}

} // namespace

GnomeBackend::GnomeBackend(PictureLoader& loader, std::filesystem::path folder)
    : m_loader(loader), m_folder(std::move(folder)) {}

bool GnomeBackend::show(const DisplayPlan& plan) {
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
    removeSpannedFiles(m_folder, {});
    return true;
}

bool GnomeBackend::showSpanned(const DisplayPlan& plan) {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (const auto& planned : plan) {
        const auto& d = planned.display;
        left = std::min(left, d.x);
        top = std::min(top, d.y);
        right = std::max(right, d.x + d.width);
        bottom = std::max(bottom, d.y + d.height);
    }
    // Displays far apart on the X screen span a canvas of their whole bounding box.
    if (std::int64_t{right - left} * (bottom - top) > kMaxCanvasPixels) {
        logLine("kestrane-wallpaper-agent: the displays span too large a picture");
        return false;
    }
    Canvas canvas(right - left, bottom - top);
    for (const auto& planned : plan) {
        const FileUrl* url = showing(planned);
        if (!url)
            continue;
        const auto& d = planned.display;
        const auto image = m_loader.filling(*url, d.width, d.height);
        // A picture kept from before that is gone leaves its display black; a new one must be
        // there.
        if (!image && planned.picture)
            return false;
        if (image)
            canvas.paste(*image, d.x - left, d.y - top);
    }
    const auto png = canvas.png();
    if (!png) {
        logLine("kestrane-wallpaper-agent: couldn't encode the spanned picture");
        return false;
    }
    const auto file =
        m_folder / (std::string(kSpannedPrefix) + sha256Hex(*png).substr(0, 16) + ".png");
    std::error_code error;
    const bool existed = std::filesystem::exists(file, error);
    std::filesystem::create_directories(m_folder, error);
    const auto url = FileUrl::fromPath(file);
    if (!url || !replaceFileAtomically(file, *png)) {
        logLine("kestrane-wallpaper-agent: couldn't write " + file.string());
        return false;
    }
    if (!apply("spanned", *url)) {
        if (!existed)
            std::filesystem::remove(file, error);
        return false;
    }
    removeSpannedFiles(m_folder, file);
    return true;
}

bool GnomeBackend::apply(const std::string& options, const FileUrl& url) {
    const std::string uri = gvariantString(url.absoluteString());
    bool done = setKey("picture-options", gvariantString(options)) && setKey("picture-uri", uri);
    // GNOME before 42 has no dark picture.
    if (done && !setKey("picture-uri-dark", uri, true))
        done = !hasKey("picture-uri-dark");
    if (!done) {
        logLine("kestrane-wallpaper-agent: gsettings couldn't set the GNOME background");
        return false;
    }
    if (!holds("picture-uri", url.absoluteString())) {
        logLine("kestrane-wallpaper-agent: the GNOME background setting did not take the "
                "picture (no session bus for dconf?)");
        return false;
    }
    return true;
}

} // namespace ks
