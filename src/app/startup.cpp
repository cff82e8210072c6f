#include "app/startup.h"

#include <algorithm>

#include "app/examine.h"
#include "app/resources.h"
#include "app/string_ids.h"
#include "certs/certificates.h"
#include "platform/console.h"
#include "platform/process.h"
#include "platform/setup.h"
#include "platform/window.h"
#include "profile/eap_config.h"
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

namespace {

std::string usageText() {
    return loadString(ids::UsageText) + "\n" + loadString(ids::UsageCommandsText) + "\n" +
           loadString(ids::UsageFilesText);
}

std::string versionText() {
    return fillFormat(loadString(ids::VersionText), {kProgramVersion});
}

// Options answered on the console without running anything: the command line is exactly the
// option. The system's own spellings of help (platform::CommandLineConvention) mean "--help".
struct InformationOption {
    std::string_view spelling;
    std::string (*text)();
};
constexpr InformationOption kInformationOptions[] = {
    {"--help", usageText},
    {"--version", versionText},
};

const InformationOption* findInformationOption(std::string_view spelling) {
    for (const InformationOption& option : kInformationOptions)
        if (spelling == option.spelling)
            return &option;
    return nullptr;
}

} // namespace

StartMode chooseStartMode(std::vector<std::string> arguments,
                          const platform::CommandLineConvention& convention) {
    if (convention.onePiece && !arguments.empty()) {
        std::string& last = arguments.back();
        last.erase(last.find_last_not_of(" \t") + 1);
        if (arguments.size() == 1 && last.empty())
            arguments.clear();
    }
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
        return {true, commandLinePath(rest), {}};
    }
    std::string path = commandLinePath(arguments);
    const auto& help = convention.helpSpellings;
    if (std::find(help.begin(), help.end(), path) != help.end())
        return {false, {}, "--help"};
    if (findInformationOption(path))
        return {false, {}, std::move(path)};
    // Only an empty command line opens an empty window; `corvane ""` names an empty script path.
    // A provider configuration is opened in the window too: it is never a script.
    const bool window =
        arguments.empty() || hasExtension(path, "odb") || isProviderConfigurationPath(path);
    return {window, std::move(path), {}};
}

int runProgram(const std::vector<std::string>& arguments) {
    platform::prepareProcess();
    // The installer's own commands: no log, no window, no resource module.
    if (auto done = platform::runSetupCommand(commandLinePath(arguments)))
        return *done;
    // Reports go to the log until a window takes them over.
    setReportPresenter(&logReportPresenter());
    selectResourceLibrary("Corvane");
    const StartMode mode = chooseStartMode(arguments);
    if (!mode.option.empty()) {
        const bool written = platform::writeConsole(platform::ConsoleStream::Output,
                                                    findInformationOption(mode.option)->text());
        releaseResourceLibrary();
        return written ? 0 : 1;
    }
    initialiseCryptoLibrary();
    if (auto inspected = runInspectionRequest(arguments)) {
        releaseResourceLibrary();
        return *inspected;
    }
    int exitCode = 0;
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
