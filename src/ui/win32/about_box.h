#pragma once

#include <windows.h>

#include "ui/win32/win32_main_window.h"

namespace corvane {

// The About box, modal over its owner and centred over the owner's rectangle. Returns what
// ended it: 1 for OK or Enter, 2 for the close box; -1 when it could not be shown.
INT_PTR runAboutBox(HWND owner, const ResourceModules& modules);

} // namespace corvane
