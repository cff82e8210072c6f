#include "platform/process.h"

#include <signal.h>

namespace corvane::platform {

void prepareProcess() {
    // A closed terminal or pipe must not end a run half-way: writes then fail quietly.
    signal(SIGPIPE, SIG_IGN);
}

std::vector<std::string> programArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::vector<std::string> splitArguments(const std::vector<std::string>& arguments) {
    return arguments;
}

} // namespace corvane::platform

namespace corvane::platform {

const CommandLineConvention& commandLineConvention() {
    return kPosixCommandLine;
}

} // namespace corvane::platform
