#include <exception>
#include <string>
#include <vector>

#include "app/startup.h"
#include "platform/console.h"
#include "platform/process.h"

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> arguments = corvane::platform::programArguments(argc, argv);
        return corvane::runProgram(arguments);
    } catch (const std::exception& e) {
        // Operations report their own failures; this only catches memory running out between them.
        corvane::platform::writeConsole(corvane::platform::ConsoleStream::Error,
                                        std::string("corvane: ") + e.what() + "\n");
        return 1;
    }
}
