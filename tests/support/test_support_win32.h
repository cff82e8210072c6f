#pragma once

#include "support/test_support.h"

namespace corvane::test {

// Runs the built program with a command line of our own making: `tail` is the text after the
// program's name, exactly as a console would pass it on.
RunResult runCorvaneCommandLine(const std::wstring& tail, const std::string& cwd,
                                const std::map<std::string, std::string>& env = {});

} // namespace corvane::test
