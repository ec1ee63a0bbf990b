#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace ks::pack {

inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Writes "kestrane-pack: <message>" to standard error.
void complain(std::string_view message);
// complain(), then the failure status.
int fail(std::string_view message);
// complain() with a pointer to --help, then the usage status.
int usageError(std::string_view message);

void printHelp(std::FILE* out);

// `text` with control characters and backslashes escaped, so that names read from an archive
// cannot break the line format or drive the terminal.
std::string printable(std::string_view text);

} // namespace ks::pack
