#include "agent/lxqt_backend.h"

#include "agent/desktop_tool.h"
#include "agent/spanned_picture.h"
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
} // namespace

LxqtBackend::LxqtBackend(PictureLoader& loader, std::filesystem::path folder)
    // Apart from GNOME's "spanned-" files, so that neither backend deletes the other's.
    : m_loader(loader), m_spanned(std::move(folder), "lxqt-spanned-") {}

bool LxqtBackend::show(const DisplayPlan& plan) {
    const auto first =
        std::ranges::find_if(plan, [](const auto& p) { return p.picture.has_value(); });
    if (first == plan.end())
        return true;
    if (std::ranges::all_of(plan, [](const auto& p) { return p.display.hasSize(); }))
        return showSpanned(plan);
    if (!m_loader.usable(*first->picture) || !apply(first->picture->path(), "zoom"))
        return false;
    m_spanned.removeOthers({});
    return true;
}

bool LxqtBackend::showSpanned(const DisplayPlan& plan) {
    const auto written = m_spanned.write(
        plan, m_loader, [](const std::string& reason) { logLine(std::string(kFailure) + reason); });
    if (!written)
        return false;
    if (!apply(written->file, "stretch")) {
        m_spanned.discard(*written);
        return false;
    }
    m_spanned.removeOthers(written->file);
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
