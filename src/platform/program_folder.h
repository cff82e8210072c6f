#pragma once

#include <string>

namespace corvane::platform {

// The folder the running program file lies in, with a trailing separator; empty when it
// cannot be known (then nothing is loaded from beside the program).
std::string programFolder();

} // namespace corvane::platform
