// The floor for the Windows window's start-up: a plain dialog of template 103 (its class
// registered with the default dialog procedure), shown and painted once, then the end.
#include <windows.h>

#include <commctrl.h>

#include "ui/win32/resource_ids.h"

int main() {
    INITCOMMONCONTROLSEX commonControls{sizeof commonControls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&commonControls);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefDlgProcW;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1);
    windowClass.lpszClassName = L"Corvane";
    RegisterClassW(&windowClass);
    HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr),
                                     MAKEINTRESOURCEW(CORVANE_MAIN_DIALOG), nullptr, nullptr, 0);
    if (!dialog)
        return 1;
    ShowWindow(dialog, SW_SHOW);
    RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    ExitProcess(0);
}
