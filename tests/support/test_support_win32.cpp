// The parts of the test support that start processes and make folders, for Windows.
#include "support/test_support_win32.h"
#include "support/test_support.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <random>
#include <stdexcept>

namespace corvane::test {

namespace {

std::wstring widen(const std::string& utf8) {
    if (utf8.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(std::size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), n);
    return wide;
}

// An argument as a user types it: the program takes the text after its name whole, so only a
// word with spaces and no quotes of its own is put in quotes (and an empty one is "").
std::wstring quoted(const std::wstring& argument) {
    if (argument.find(L'"') != std::wstring::npos ||
        (!argument.empty() && argument.find_first_of(L" \t") == std::wstring::npos))
        return argument;
    return L"\"" + argument + L"\"";
}

// An inheritable file the child writes its output to.
HANDLE outputFile(const std::filesystem::path& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
}

} // namespace

TempDir::TempDir() {
    std::random_device random;
    for (int attempt = 0; attempt < 16 && path_.empty(); ++attempt) {
        auto candidate =
            std::filesystem::temp_directory_path() / ("corvane-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate))
            path_ = candidate;
    }
    if (path_.empty())
        throw std::runtime_error("cannot make a temporary folder");
}

RunResult runCorvane(const std::vector<std::string>& args, const std::string& cwd,
                     const std::map<std::string, std::string>& env) {
    std::wstring tail;
    for (const std::string& arg : args)
        tail += (tail.empty() ? L"" : L" ") + quoted(widen(arg));
    return runCorvaneCommandLine(tail, cwd, env);
}

RunResult runCorvaneCommandLine(const std::wstring& tail, const std::string& cwd,
                                const std::map<std::string, std::string>& env) {
    std::wstring commandLine = quoted(widen(CORVANE_EXECUTABLE));
    if (!tail.empty())
        commandLine += L" " + tail;

    std::wstring environment;
    std::map<std::wstring, std::wstring> vars;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* e = block; *e; e += wcslen(e) + 1) {
            std::wstring entry(e);
            auto eq = entry.find(L'=', 1);
            if (eq != std::wstring::npos)
                vars[entry.substr(0, eq)] = entry.substr(eq + 1);
        }
        FreeEnvironmentStringsW(block);
    }
    for (const auto& [k, v] : env) {
        if (v.empty())
            vars.erase(widen(k));
        else
            vars[widen(k)] = widen(v);
    }
    for (const auto& [k, v] : vars)
        environment += k + L"=" + v + L'\0';
    environment += L'\0';

    TempDir outputs;
    const auto outPath = outputs.path() / "out";
    const auto errPath = outputs.path() / "err";
    HANDLE out = outputFile(outPath);
    HANDLE err = outputFile(errPath);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = INVALID_HANDLE_VALUE;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    // Wine now and then fails to start one of many processes started at once; a run that never
    // started says nothing about the program, so it is tried again before the test hears of it.
    BOOL started = FALSE;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
        if (attempt > 0)
            Sleep(200 * attempt);
        started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                 CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, environment.data(),
                                 widen(cwd).c_str(), &startup, &process);
    }
    const DWORD startError = started ? 0 : GetLastError();
    CloseHandle(out);
    CloseHandle(err);
    RunResult result;
    if (!started) {
        result.err = "CreateProcessW failed: error " + std::to_string(startError);
        return result;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    result.exitCode = static_cast<int>(code);
    // The program writes text mode, CR LF; the tests compare texts as on every system.
    for (auto [path, text] : {std::pair{&outPath, &result.out}, std::pair{&errPath, &result.err}}) {
        for (char c : readFile(path->string()))
            if (c != '\r')
                *text += c;
    }
    return result;
}

std::string commandOutput(const std::string& command, int* exitCode) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(_wpopen(widen(command).c_str(), L"rb"), _pclose);
    std::string out;
    if (exitCode)
        *exitCode = -1;
    if (!pipe)
        return out;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
        out.append(buffer, n);
    const int status = _pclose(pipe.release());
    if (exitCode)
        *exitCode = status;
    return out;
}

} // namespace corvane::test
