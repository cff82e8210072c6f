#pragma once

#include <optional>
#include <string>

namespace corvane::platform {

// The commands the Windows installer runs through the program: "--add-to-path MODE FOLDER" and
// "--remove-from-path MODE FOLDER", MODE being AllUsers or CurrentUser. The installer's own
// strings hold 1,024 characters, less than many a PATH, so the program edits PATH for it.
// Returns the exit code when the command line is such a command (0 done, 1 not done), none
// otherwise; a system without them returns none.
std::optional<int> runSetupCommand(const std::string& commandLine);

} // namespace corvane::platform
