// The window module's one export: the program's entry calls it in window mode.
#include <QApplication>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/resources.h"
#include "app/string_ids.h"
#include "platform/console.h"
#include "ui/main_window.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/qt_main_window.h"

namespace corvane {
namespace {

bool environmentNamesADisplay() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

void sayNoDisplay() {
    platform::writeConsole(platform::ConsoleStream::Error, loadString(ids::NoDisplay) + "\n");
}

// While the application connects to the display, Qt's own chatter is held back and a failure,
// which Qt would end with an abort, ends the program with the one line above instead.
void startUpMessageHandler(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type == QtFatalMsg) {
        sayNoDisplay();
        std::_Exit(1);
    }
}

int runWindow(const char* databasePath) {
    if (!environmentNamesADisplay()) {
        sayNoDisplay();
        return 1;
    }
    static int argc = 1;
    static char programName[] = "corvane";
    static char* argv[] = {programName, nullptr};
    const QtMessageHandler previous = qInstallMessageHandler(startUpMessageHandler);
    QApplication application(argc, argv);
    qInstallMessageHandler(previous);
    // The help window may stay open; closing the main window ends the program all the same.
    QApplication::setQuitOnLastWindowClosed(false);
    // Docks and task bars group the window under the desktop entry that started it.
    QGuiApplication::setDesktopFileName(QStringLiteral(CORVANE_APP_ID));
    const std::unique_ptr<QTranslator> translations = installToolkitTranslations();

    MainWindow logic;
    QtMainWindow window(logic);
    QtDialogs dialogs(&window);
    logic.createMainWindow(window, dialogs, executableFolder());
    window.setOnClosed([] { QCoreApplication::exit(0); });
    window.centreOnScreen();
    window.show();
    if (databasePath)
        logic.openFile(databasePath);
    const int exitCode = QApplication::exec();
    logic.detach();
    return exitCode;
}

} // namespace
} // namespace corvane

extern "C" __attribute__((visibility("default"))) int corvane_run_window(const char* databasePath) {
    try {
        return corvane::runWindow(databasePath);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "corvane: %s\n", e.what());
        return 1;
    }
}
