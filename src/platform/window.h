#pragma once

#include <string>

namespace corvane::platform {

// Window mode: the main window with a new profile, or with the profile database at the path
// opened, until it is closed. Returns the exit code; 1 when the window cannot be shown.
int runWindow(const std::string& databasePath);

} // namespace corvane::platform
