#include "platform/window.h"

#include <cstdio>

#include "platform/module.h"
#include "platform/program_folder.h"

namespace corvane::platform {

// The window lives in a module of its own so that script mode never loads a GUI library.
int runWindow(const std::string& databasePath) {
    // Without a known program folder no module is loaded: one from elsewhere could be anyone's.
    const std::string folder = programFolder();
    const std::string modulePath = folder + "corvane-window" + kModuleSuffix;
    Module module = folder.empty() ? Module() : Module(modulePath);
    using WindowEntry = int (*)(const char*);
    WindowEntry entry = reinterpret_cast<WindowEntry>(module.symbol("corvane_run_window"));
    if (!entry) {
        const std::string missing = folder.empty() ? "the program's own folder cannot be found"
                                                   : modulePath + " is missing";
        std::fprintf(stderr,
                     "corvane: the main window is not available (%s); run a script instead: "
                     "corvane <script file>\n",
                     missing.c_str());
        return 1;
    }
    return entry(databasePath.empty() ? nullptr : databasePath.c_str());
}

} // namespace corvane::platform
