#pragma once

#include <span>
#include <string>
#include <string_view>
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

// How a system hands the program its command line, and what its users type for help.
struct CommandLineConvention {
    // The text after the program's name comes in one piece (Windows). Blanks and tabs at its
    // end are then no part of any path: cmd leaves the blank before ">", "|" and "&&" there,
    // and Windows file names never end in one.
    bool onePiece = false;
    // What the system's programs answer with their usage.
    std::span<const std::string_view> helpSpellings;
};
// Both conventions exist on every build, so that each can be tested anywhere.
extern const CommandLineConvention kPosixCommandLine;
extern const CommandLineConvention kWindowsCommandLine;
// The convention of the system the program runs on.
const CommandLineConvention& commandLineConvention();

} // namespace corvane::platform
