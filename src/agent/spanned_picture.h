#pragma once

#include "agent/agent_display.h"
#include "agent/picture_loader.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace ks {

// What a display shows after the run: its new picture, else the one it keeps; none when
// that is unknown.
const FileUrl* showing(const PlannedDisplay& planned);

// For desktops with one background for all displays: each display's picture composed into
// one picture of the displays' bounding box, kept as `folder`/<prefix><digest>.png. Each
// desktop's backend has a prefix of its own, so none deletes another's files.
class SpannedPicture {
public:
    using Fail = std::function<void(const std::string& reason)>;

    SpannedPicture(std::filesystem::path folder, std::string prefix);

    struct Written {
        std::filesystem::path file;
        // Already there before this run: another run's, to be left when this one fails.
        bool existed = false;
    };
    // Composes the plan's pictures and writes the file atomically; none, after `fail`,
    // when a new picture cannot be read or the file cannot be made.
    std::optional<Written> write(const DisplayPlan& plan, PictureLoader& loader,
                                 const Fail& fail) const;
    // The desktop refused the file: it goes unless an earlier run made it.
    void discard(const Written& written) const;
    // Every file of ours but `keep`, once the desktop no longer shows them.
    void removeOthers(const std::filesystem::path& keep) const;

private:
    std::filesystem::path m_folder;
    std::string m_prefix;
};

} // namespace ks
