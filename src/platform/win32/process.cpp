#include "platform/process.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

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
    // The ANSI argv cannot hold every path; the wide command line can.
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(toUtf8(wide[i]));
    LocalFree(wide);
    return arguments;
}

} // namespace corvane::platform
