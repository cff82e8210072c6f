#include "ui/win32/native_window.h"

#include <windows.h>

#include <commctrl.h>

#include "app/resources.h"
#include "app/string_ids.h"
#include "platform/console.h"
#include "ui/main_window.h"
#include "ui/win32/win32_dialogs.h"
#include "ui/win32/win32_main_window.h"

namespace corvane {

int runNativeWindow(const std::string& databasePath, void* languageModule) {
    // Started from a console, the program says in one line why no window came.
    auto fail = [] {
        platform::writeConsole(platform::ConsoleStream::Error,
                               loadString(ids::WindowCannotBeCreated));
        return 1;
    };
    INITCOMMONCONTROLSEX commonControls{sizeof commonControls, ICC_LISTVIEW_CLASSES};
    if (!InitCommonControlsEx(&commonControls))
        return fail();
    MainWindow logic;
    Win32MainWindow window(logic,
                           {GetModuleHandleW(nullptr), static_cast<HMODULE>(languageModule)});
    if (!window.create())
        return fail();
    Win32Dialogs dialogs(window);
    window.setOnDestroyed([] { PostQuitMessage(0); });
    logic.createMainWindow(window, dialogs, executableFolder());
    // As the program was started: normal, minimised or maximised by its shortcut.
    ShowWindow(window.handle(), SW_SHOWDEFAULT);
    UpdateWindow(window.handle());
    if (!databasePath.empty())
        logic.openFile(databasePath);

    MSG message{};
    BOOL got = 0;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (got == -1)
            break;
        if (!window.preTranslate(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    logic.detach();
    return got == 0 ? int(message.wParam) : 1;
}

} // namespace corvane
