#include "platform/process.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <algorithm>
#include <memory>

#include "platform/win32/wide.h"

namespace corvane::platform {

void prepareProcess() {
    // Whatever the process loads later comes from the system folder or by full path, never from
    // the current folder or PATH.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");
    // A missing disk is an error to report, not a dialog that stops a batch run.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

std::vector<std::string> programArguments(int, char**) {
    // The program takes the text after its own name whole, as one path: it is not split at
    // spaces, and its quotes are the program's to strip. The wide text holds every path.
    std::wstring_view line = GetCommandLineW();
    std::size_t at = 0;
    if (!line.empty() && line[0] == L'"') {
        const std::size_t close = line.find(L'"', 1);
        at = close == std::wstring_view::npos ? line.size() : close + 1;
    } else {
        at = std::min(line.find_first_of(L" \t"), line.size());
    }
    at = std::min(line.find_first_not_of(L" \t", at), line.size());
    if (at == line.size())
        return {};
    return {toUtf8(line.substr(at))};
}

std::vector<std::string> splitArguments(const std::vector<std::string>& arguments) {
    std::wstring line = L"corvane";
    for (const std::string& argument : arguments)
        line += L" " + toWide(argument);
    // The system's own rules for quotes and backslashes; the first word stands for the program.
    int count = 0;
    struct LocalFreer {
        void operator()(wchar_t** words) const { LocalFree(words); }
    };
    const std::unique_ptr<wchar_t*, LocalFreer> words(CommandLineToArgvW(line.c_str(), &count));
    if (!words)
        return arguments;
    std::vector<std::string> split;
    for (int i = 1; i < count; ++i)
        split.push_back(toUtf8(words.get()[i]));
    return split;
}

} // namespace corvane::platform

namespace corvane::platform {

const CommandLineConvention& commandLineConvention() {
    return kWindowsCommandLine;
}

} // namespace corvane::platform
