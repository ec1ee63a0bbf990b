#pragma once

#include "agent/picture_plan.h"
#include "base/bytes.h"

#include <filesystem>
#include <optional>
#include <string>

namespace ks {

// Where the agent keeps what it has done: a copy of the last store it applied, beside the
// store, and what each display shows.
struct AgentFiles {
    std::filesystem::path store;
    std::filesystem::path applied;
    std::filesystem::path shown;
};

// $XDG_DATA_HOME/kestrane-wallpaper-agent
std::filesystem::path agentDataDir();
AgentFiles agentFiles(const std::optional<std::filesystem::path>& store);

// What the displays show; empty when the file is missing or unreadable.
ShownPictures loadShownPictures(const std::filesystem::path& file);
bool saveShownPictures(const std::filesystem::path& file, const ShownPictures& shown);

// Records the store bytes just applied.
bool rememberAppliedStore(const AgentFiles& files, ByteView bytes);

// Undoes a rejected store, if the store file still holds the bytes this run read: the last
// applied store goes back in its place, or, when there is none, the rejected file is moved
// aside to "<store>.rejected", so that its writer learns of the rejection. A store that is the
// very one applied last stays where it is: it was shown before, so the failure lies elsewhere
// (no display, say), and moving it aside would lose the user's store. Returns what was done,
// for the log.
std::string putBackRejectedStore(const AgentFiles& files, ByteView rejected);

} // namespace ks
