#include "platform/process.h"

namespace corvane::platform {

namespace {
constexpr std::string_view kPosixHelp[] = {"--help"};
// Windows console programs answer "/?"; many answer "-h" as well.
constexpr std::string_view kWindowsHelp[] = {"--help", "/?", "-h"};
} // namespace

const CommandLineConvention kPosixCommandLine{false, kPosixHelp};
const CommandLineConvention kWindowsCommandLine{true, kWindowsHelp};

} // namespace corvane::platform
