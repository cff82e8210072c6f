#include "platform/window.h"

#include "app/resources.h"
#include "ui/win32/native_window.h"

namespace corvane::platform {

// The native window is part of the program: user32 and comctl32 are always there.
int runWindow(const std::string& databasePath) {
    return runNativeWindow(databasePath, resourceModuleHandle());
}

} // namespace corvane::platform
