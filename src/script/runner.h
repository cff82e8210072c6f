#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "profile/profile.h"

namespace corvane {

// One row of the command table.
struct ScriptCommand {
    int code;
    int leastArguments;
    int mostArguments;
    unsigned wordId;
    unsigned usageId;
};

constexpr std::size_t kMaxScriptWords = 64;
constexpr std::size_t kMaxScriptLineLength = 1023;

// Splits a line into at most maxWords words; the last allowed word takes the rest of the line.
std::vector<std::string> splitScriptLine(std::string_view line, std::size_t maxWords);

// The first row whose command word matches (ASCII case ignored), or null.
const ScriptCommand* findScriptCommand(std::string_view word);

// Runs one command: 0 goes on with the next line, 1 stops the script.
int executeCommand(Profile& profile, const ScriptCommand& command,
                   const std::vector<std::string>& words, int lineNumber);

// Runs a script file against the profile, logging to "wizard.log": 0 when it ran to its end,
// 1 when it stopped or could not be opened.
std::uint16_t runScript(Profile& profile, const std::string& path);

// The C library's atoi, without its undefined behaviour on overflow (the value saturates).
long long parseIndex(std::string_view text);

} // namespace corvane
