#pragma once

#include <string>
#include <vector>

namespace corvane::platform {

// Process-wide set-up before anything else runs.
void prepareProcess();

// The program's arguments, without its own name, as UTF-8.
std::vector<std::string> programArguments(int argc, char** argv);

} // namespace corvane::platform
