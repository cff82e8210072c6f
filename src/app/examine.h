#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "certs/advisories.h"

namespace corvane {

// `corvane --show [--json] [--secrets] FILE...` and `corvane --check FILE...`: profile databases
// and certificate files read without the window, for administrators and provisioning pipelines.
struct InspectRequest {
    enum class Mode { Show, Check };
    Mode mode = Mode::Show;
    bool json = false;
    bool secrets = false;
    std::vector<std::string> files;
};

// Exit codes of --check: none of its files has an advisory, some has one, some is unreadable.
constexpr int kCheckClean = 0;
constexpr int kCheckUnreadable = 1;
constexpr int kCheckAdvisories = 2;

// What the words of a command line ask for. Nothing when they do not begin with --show or
// --check; otherwise the request, or the usage error in `error`.
struct InspectParse {
    bool matched = false;
    std::optional<InspectRequest> request;
    std::string error;
};
InspectParse parseInspectRequest(const std::vector<std::string>& words);

// What a run checks against: the system's roots (asked for only when a CA certificate is
// checked) and the time of the check.
struct InspectEnvironment {
    std::function<const TrustStore&()> trustStore = systemTrustStore;
    std::time_t now = std::time(nullptr);
};

// Runs a request: the report goes to `out`, the reasons files cannot be read and the notice of
// a missing trust store to `err`. Returns the exit code.
int runInspect(const InspectRequest& request, std::string& out, std::string& err,
               const InspectEnvironment& environment = {});

// Start-up's hook: the exit code when the command line asks for --show or --check, after the
// report was written to standard output and standard error; nothing otherwise.
std::optional<int> runInspectionRequest(const std::vector<std::string>& arguments);

} // namespace corvane
