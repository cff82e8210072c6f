#pragma once

#include <string>
#include <vector>

namespace corvane::platform {

// Process-wide set-up before anything else runs.
void prepareProcess();

// The program's arguments, without its own name, as UTF-8. Windows hands a program one command
// line, and the text after the program's name is returned whole, as one argument.
std::vector<std::string> programArguments(int argc, char** argv);

} // namespace corvane::platform
