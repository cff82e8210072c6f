#include "app/startup.h"

#include <dlfcn.h>
#include <signal.h>

#include <cstdio>
#include <memory>

#include "app/resources.h"
#include "certs/certificates.h"
#include "profile/profile.h"
#include "script/runner.h"

namespace corvane {

void stripQuotes(std::string& text) {
    if (text.empty() || text.front() != '"')
        return;
    text.erase(0, 1);
    if (!text.empty() && text.back() == '"')
        text.pop_back();
}

std::optional<std::string> fileExtension(std::string_view path) {
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos)
        return std::nullopt;
    return std::string(path.substr(dot + 1));
}

bool hasExtension(std::string_view path, std::string_view extension) {
    const auto actual = fileExtension(path);
    if (!actual || actual->size() < extension.size())
        return false;
    for (std::size_t i = 0; i < extension.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower((*actual)[i]) != lower(extension[i]))
            return false;
    }
    return true;
}

std::string commandLinePath(const std::vector<std::string>& arguments) {
    // The shell has split the line already; joined again it is the one path the user typed.
    std::string path;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0)
            path += ' ';
        path += arguments[i];
    }
    stripQuotes(path);
    return path;
}

namespace {

struct ModuleCloser {
    void operator()(void* handle) const {
        if (handle)
            dlclose(handle);
    }
};

// The window lives in a module of its own so that script mode never loads a GUI library.
int runWindow(const std::string& databasePath) {
    const std::string modulePath = executableFolder() + "corvane-window.so";
    std::unique_ptr<void, ModuleCloser> module(dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL));
    using WindowEntry = int (*)(const char*);
    WindowEntry entry =
        module ? reinterpret_cast<WindowEntry>(dlsym(module.get(), "corvane_run_window")) : nullptr;
    if (!entry) {
        std::fprintf(stderr,
                     "corvane: the main window is not available (%s is missing); run a script "
                     "instead: corvane <script file>\n",
                     modulePath.c_str());
        return 1;
    }
    return entry(databasePath.empty() ? nullptr : databasePath.c_str());
}

} // namespace

int runProgram(const std::vector<std::string>& arguments) {
    // A closed terminal or pipe must not end a run half-way: writes then fail quietly.
    signal(SIGPIPE, SIG_IGN);
    selectResourceLibrary("Corvane");
    initialiseCryptoLibrary();
    const std::string path = commandLinePath(arguments);
    int exitCode = 0;
    if (path.empty() || hasExtension(path, "odb")) {
        exitCode = runWindow(path);
    } else {
        Profile profile;
        exitCode = runScript(profile, path);
    }
    releaseResourceLibrary();
    return exitCode;
}

} // namespace corvane
