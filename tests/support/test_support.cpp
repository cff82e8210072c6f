#include "support/test_support.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "script/log.h"

namespace corvane::test {

// The tests run the script runner without start-up: reports reach the log as start-up has them.
[[maybe_unused]] const auto* gStartUpPresenter = setReportPresenter(&logReportPresenter());

namespace {
// Paths are UTF-8, as inside the program; a std::string alone would be the ANSI code page on
// Windows.
std::filesystem::path utf8Path(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}
} // namespace

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may leave folders read-only; give them back their write bit first.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
        if (it->is_directory(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(utf8Path(path), std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path) {
    std::ifstream in(utf8Path(path), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string readTextFile(const std::string& path) {
    std::ifstream in(utf8Path(path));
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string dataFile(const std::string& name) {
    return std::string(CORVANE_TEST_DATA_DIR) + "/" + name;
}

RunResult runScript(const std::string& script, const std::string& cwd,
                    const std::map<std::string, std::string>& env) {
    writeFile(cwd + "/script.txt", script);
    return runCorvane({"script.txt"}, cwd, env);
}

std::string logBody(const std::string& cwd) {
    const std::string log = readTextFile(cwd + "/wizard.log");
    // The header is an empty line and the "--- path [date time] ---" line.
    std::size_t pos = 0;
    for (int i = 0; i < 2 && pos != std::string::npos; ++i)
        pos =
            log.find('\n', pos) == std::string::npos ? std::string::npos : log.find('\n', pos) + 1;
    return pos == std::string::npos ? std::string() : log.substr(pos);
}

} // namespace corvane::test
