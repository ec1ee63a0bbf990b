#pragma once

#include "agent/agent_options.h"
#include "agent/backend_choice.h"

#include <ostream>
#include <string>
#include <variant>
#include <vector>

namespace ks {

// The backend of one run and, for the command backend, its template's words; the session
// it was chosen for and why.
struct BackendSetup {
    std::optional<BackendKind> kind;
    std::vector<std::string> commandWords;
    SessionFacts session;
    BackendChoice choice;
};

// The backend asked for, else the default from the environment. A usage error when the
// command backend has no usable template.
std::variant<BackendSetup, UsageError> resolveBackend(const AgentOptions& options);

// The runs of the agent's modes; each returns the process's exit status.
int applyStore(const AgentOptions& options, const BackendSetup& backend);
int setOnePicture(const AgentOptions& options, const BackendSetup& backend);
int listDisplays(std::ostream& out);
// Prints the backend a run would use and why.
int explainBackend(const BackendSetup& backend, std::ostream& out);

} // namespace ks
