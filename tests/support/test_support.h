#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvane::test {

// A fresh temporary folder, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

void writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);
// A text file such as wizard.log, read in text mode: LF line ends on every system.
std::string readTextFile(const std::string& path);
// Path of a committed test fixture.
std::string dataFile(const std::string& name);

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the built corvane with arguments in a folder. The environment is the test's own, less
// the display variables, with `env` applied on top (an empty value unsets a variable).
RunResult runCorvane(const std::vector<std::string>& args, const std::string& cwd,
                     const std::map<std::string, std::string>& env = {});

// Runs a script text through corvane in the folder and returns the result; the script is
// written to "script.txt" there.
RunResult runScript(const std::string& script, const std::string& cwd,
                    const std::map<std::string, std::string>& env = {});

// Standard output of a shell command; its exit code too when asked (-1 when it did not exit).
std::string commandOutput(const std::string& command, int* exitCode = nullptr);

// wizard.log of a folder without its header line (the first two lines), for comparisons.
std::string logBody(const std::string& cwd);

} // namespace corvane::test
