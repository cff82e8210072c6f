#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process.h"

namespace corvane {

constexpr const char* kProgramVersion = CORVANE_VERSION;

// Removes a leading double quote and then, if there is one, a trailing double quote.
void stripQuotes(std::string& text);

// The text after the last dot of the whole path; none when the path has no dot.
std::optional<std::string> fileExtension(std::string_view path);

// True when the path's extension begins with the three given letters, case ignored.
bool hasExtension(std::string_view path, std::string_view extension);

// The command line as one path: the arguments joined by single spaces, quotes stripped.
std::string commandLinePath(const std::vector<std::string>& arguments);

// What the command line asks for: an answer on the console (`option`, by the spelling of its
// table row: "--help", "--version"), the main window (opening `path` unless it is empty) or a
// script run of `path`. The options are always answered, whatever files exist; a script of
// such a name is run as "./--help". `--open FILE` always means the window, whatever the file's
// name; so does a provider configuration (".eap-config"). Under a one-piece command line, blanks
// and tabs at its end are dropped first.
struct StartMode {
    bool window = false;
    std::string path;
    std::string option;
};
StartMode chooseStartMode(
    std::vector<std::string> arguments,
    const platform::CommandLineConvention& convention = platform::commandLineConvention());

// The program: chooses the mode and returns the exit code.
int runProgram(const std::vector<std::string>& arguments);

} // namespace corvane
