#include "app/startup.h"

#include <algorithm>
#include <cstdio>

#include "app/resources.h"
#include "app/string_ids.h"
#include "certs/certificates.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/setup.h"
#include "platform/window.h"
#include "profile/profile.h"
#include "script/log.h"
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

StartMode chooseStartMode(const std::vector<std::string>& arguments) {
    // The desktop types files by content, so a profile database may have any name: its
    // launchers say "--open" so that such a file is never run as a script. Where the system
    // hands over the command line in one piece, "--open" is the start of that piece.
    constexpr std::string_view kOpen = "--open";
    if (!arguments.empty() && arguments.front().starts_with(kOpen) &&
        (arguments.front().size() == kOpen.size() || arguments.front()[kOpen.size()] == ' ')) {
        std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
        std::string first = arguments.front().substr(kOpen.size());
        first.erase(0, std::min(first.find_first_not_of(' '), first.size()));
        if (!first.empty())
            rest.insert(rest.begin(), std::move(first));
        return {true, commandLinePath(rest)};
    }
    std::string path = commandLinePath(arguments);
    // Only an empty command line opens an empty window; `corvane ""` names an empty script path.
    const bool window = arguments.empty() || hasExtension(path, "odb");
    return {window, std::move(path)};
}

namespace {

// "--help" and "--version" answer on the terminal, unless a file of that name is a script.
std::optional<int> answerInformationRequest(const std::string& commandLine) {
    if (commandLine != "--help" && commandLine != "--version")
        return std::nullopt;
    if (platform::fileKind(commandLine) != platform::FileKind::Missing)
        return std::nullopt;
    const std::string text = commandLine == "--version"
                                 ? std::string("Corvane ") + kProgramVersion + "\n"
                                 : loadString(ids::UsageText) + "\n" +
                                       loadString(ids::UsageCommandsText) + "\n" +
                                       loadString(ids::UsageFilesText);
    std::fputs(text.c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

int runProgram(const std::vector<std::string>& arguments) {
    platform::prepareProcess();
    // The installer's own commands: no log, no window, no resource module.
    if (auto done = platform::runSetupCommand(commandLinePath(arguments)))
        return *done;
    // Reports go to the log until a window takes them over.
    setReportPresenter(&logReportPresenter());
    selectResourceLibrary("Corvane");
    const std::string path = commandLinePath(arguments);
    if (auto answered = answerInformationRequest(path)) {
        releaseResourceLibrary();
        return *answered;
    }
    initialiseCryptoLibrary();
    int exitCode = 0;
    const StartMode mode = chooseStartMode(arguments);
    if (mode.window) {
        exitCode = platform::runWindow(mode.path);
    } else {
        Profile profile;
        exitCode = runScript(profile, mode.path);
    }
    releaseResourceLibrary();
    return exitCode;
}

} // namespace corvane
