#pragma once

#include <string>

namespace corvane {

// Window mode on Windows: the main window with a new profile, or with the profile database at
// the path opened, and its message loop. The language module holds the translated templates,
// menu and shortcuts (null: the program's own). Returns the exit code.
int runNativeWindow(const std::string& databasePath, void* languageModule);

} // namespace corvane
