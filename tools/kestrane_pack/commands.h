#pragma once

#include <string>
#include <vector>

namespace ks::pack {

using Args = std::vector<std::string>;

// Each command takes the arguments after its own name and returns the process's exit status.
int runCreate(const Args& args);
int runList(const Args& args);
int runExtract(const Args& args);
int runName(const Args& args);
int runBuild(const Args& args);
int runServe(const Args& args);

} // namespace ks::pack
