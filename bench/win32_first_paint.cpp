// Start-up of the Windows main window up to its first paint, as window mode does it: resources,
// crypto, the window logic, the dialog from template 103 and every control painted once; then
// it ends. Compare with win32_minimal_dialog (a plain dialog of the same template).
#include <windows.h>

#include <commctrl.h>

#include "app/resources.h"
#include "certs/certificates.h"
#include "ui/main_window.h"
#include "ui/win32/win32_dialogs.h"
#include "ui/win32/win32_main_window.h"

int main() {
    corvane::selectResourceLibrary("Corvane");
    corvane::initialiseCryptoLibrary();
    INITCOMMONCONTROLSEX commonControls{sizeof commonControls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&commonControls);
    corvane::MainWindow logic;
    corvane::Win32MainWindow window(logic, {GetModuleHandleW(nullptr), nullptr});
    if (!window.create())
        return 1;
    corvane::Win32Dialogs dialogs(window);
    logic.createMainWindow(window, dialogs, corvane::executableFolder());
    ShowWindow(window.handle(), SW_SHOW);
    RedrawWindow(window.handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    // Painted: the measurement ends here, as the plain dialog's does, without tearing the window
    // down (which Wine without a window manager drags out for two seconds).
    ExitProcess(0);
}
