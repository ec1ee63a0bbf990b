#pragma once

#include "agent/picture_plan.h"
#include "base/bytes.h"

#include <filesystem>
#include <optional>

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

// Undoes a store the agent could not apply, unless someone has replaced it since it was
// read: the last applied store goes back in its place, or, when there is none (or it is the
// very store rejected), the rejected file is moved aside to "<store>.rejected". Either way the
// store no longer holds what was rejected, which is how its writer learns of the rejection.
void putBackRejectedStore(const AgentFiles& files, ByteView rejected);

} // namespace ks
