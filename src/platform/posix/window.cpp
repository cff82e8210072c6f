#include "platform/window.h"

#include "app/resources.h"
#include "app/string_ids.h"
#include "platform/console.h"
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
        const std::string missing =
            folder.empty() ? loadString(ids::ProgramFolderUnknown)
                           : fillFormat(loadString(ids::WindowModuleMissing), {modulePath});
        writeConsole(ConsoleStream::Error,
                     fillFormat(loadString(ids::WindowNotAvailable), {missing}));
        return 1;
    }
    return entry(databasePath.empty() ? nullptr : databasePath.c_str());
}

} // namespace corvane::platform
