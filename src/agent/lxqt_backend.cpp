#include "agent/lxqt_backend.h"

#include "agent/canvas.h"
#include "agent/desktop_tool.h"
#include "base/file_io.h"
#include "base/log.h"
#include "base/sha256.h"
#include "platform/linux/agent_process.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace ks {

namespace {

constexpr auto kPcmanfmTimeLimit = std::chrono::seconds(30);
constexpr const char* kFailure = "kestrane-wallpaper-agent: LXQt: ";
// Apart from GNOME's "spanned-" files, so that neither backend deletes the other's.
constexpr std::string_view kSpannedPrefix = "lxqt-spanned-";
constexpr std::int64_t kMaxCanvasPixels = std::int64_t{1} << 28;

const FileUrl* showing(const PlannedDisplay& planned) {
    if (planned.picture)
        return &*planned.picture;
    return planned.shown ? &*planned.shown : nullptr;
}

void removeSpannedFiles(const std::filesystem::path& folder, const std::filesystem::path& keep) {
    std::error_code error;
    std::filesystem::directory_iterator entry(folder, error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const auto& file = entry->path();
        std::error_code ignored;
        if (file.filename().string().starts_with(kSpannedPrefix) && file.extension() == ".png" &&
            file != keep)
            std::filesystem::remove(file, ignored);
    }
}

} // namespace

LxqtBackend::LxqtBackend(PictureLoader& loader, std::filesystem::path folder)
    : m_loader(loader), m_folder(std::move(folder)) {}

bool LxqtBackend::show(const DisplayPlan& plan) {
    const auto first =
        std::ranges::find_if(plan, [](const auto& p) { return p.picture.has_value(); });
    if (first == plan.end())
        return true;
    if (std::ranges::all_of(plan, [](const auto& p) { return p.display.hasSize(); }))
        return showSpanned(plan);
    if (!m_loader.usable(*first->picture) || !apply(first->picture->path(), "zoom"))
        return false;
    removeSpannedFiles(m_folder, {});
    return true;
}

bool LxqtBackend::showSpanned(const DisplayPlan& plan) {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (const auto& planned : plan) {
        const auto& d = planned.display;
        left = std::min(left, d.x);
        top = std::min(top, d.y);
        right = std::max(right, d.x + d.width);
        bottom = std::max(bottom, d.y + d.height);
    }
    if (std::int64_t{right - left} * (bottom - top) > kMaxCanvasPixels) {
        logLine(std::string(kFailure) + "the displays span too large a picture");
        return false;
    }
    Canvas canvas(right - left, bottom - top);
    for (const auto& planned : plan) {
        const FileUrl* url = showing(planned);
        if (!url)
            continue;
        const auto& d = planned.display;
        const auto image = m_loader.filling(*url, d.width, d.height);
        if (!image && planned.picture)
            return false;
        if (image)
            canvas.paste(*image, d.x - left, d.y - top);
    }
    const auto png = canvas.png();
    if (!png) {
        logLine(std::string(kFailure) + "couldn't encode the spanned picture");
        return false;
    }
    const auto file =
        m_folder / (std::string(kSpannedPrefix) + sha256Hex(*png).substr(0, 16) + ".png");
    std::error_code error;
    const bool existed = std::filesystem::exists(file, error);
    std::filesystem::create_directories(m_folder, error);
    if (!replaceFileAtomically(file, *png)) {
        logLine(std::string(kFailure) + "couldn't write " + file.string());
        return false;
    }
    if (!apply(file, "stretch")) {
        if (!existed)
            std::filesystem::remove(file, error);
        return false;
    }
    removeSpannedFiles(m_folder, file);
    return true;
}

bool LxqtBackend::apply(const std::filesystem::path& file, const char* mode) {
    if (!toolInstalled("pcmanfm-qt")) {
        logLine(std::string(kFailure) + "pcmanfm-qt is not installed");
        return false;
    }
    // The path is absolute, so a name starting with "-" cannot read as an option.
    const auto absolute = std::filesystem::absolute(file).lexically_normal();
    const auto status =
        runProgram({"pcmanfm-qt", "--set-wallpaper", absolute.string(), "--wallpaper-mode", mode},
                   kPcmanfmTimeLimit);
    if (status != 0) {
        logLine(std::string(kFailure) + "pcmanfm-qt --set-wallpaper failed (" +
                (status ? "status " + std::to_string(*status) : std::string("no status")) + ")");
        return false;
    }
    return true;
}

} // namespace ks
