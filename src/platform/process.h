#pragma once

#include <string>
#include <vector>

namespace corvane::platform {

// Process-wide set-up before anything else runs.
void prepareProcess();

// The program's arguments, without its own name, as UTF-8. Windows hands a program one command
// line, and the text after the program's name is returned whole, as one argument.
std::vector<std::string> programArguments(int argc, char** argv);

// The arguments as separate words, for the options that take several files: as they are where
// the system has split them already; where it hands over one line, split by its own rules.
std::vector<std::string> splitArguments(const std::vector<std::string>& arguments);

} // namespace corvane::platform
