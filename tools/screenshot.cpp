// Renders the main window (untitled, and with a profile database open) and the About box to
// PNG files without a display. Used by tools/screenshot.sh.
// Usage: corvane_screenshot <output folder> <profile database>
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

#include "app/resources.h"
#include "certs/certificates.h"
#include "ui/main_window.h"
#include "ui/qt/about_box.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/qt_main_window.h"

namespace {

bool save(QWidget& widget, const QString& path) {
    QApplication::processEvents();
    const bool saved = widget.grab().save(path, "PNG");
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: corvane_screenshot <output folder> <profile database>\n");
        return 2;
    }
    corvane::selectResourceLibrary("Corvane");
    corvane::initialiseCryptoLibrary();
    QApplication application(argc, argv);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    corvane::MainWindow logic;
    corvane::QtMainWindow window(logic);
    corvane::QtDialogs dialogs(&window);
    logic.createMainWindow(window, dialogs, corvane::executableFolder());
    window.show();
    bool ok = save(window, out.filePath("main-untitled.png"));
    logic.openProfileFile(argv[2]);
    ok = save(window, out.filePath("main-profile.png")) && ok;
    corvane::AboutBox about(&window);
    QTimer::singleShot(0, &about, [&] {
        ok = save(about, out.filePath("about.png")) && ok;
        about.done(1);
    });
    about.runOver(window.frameGeometry());
    logic.detach();
    return ok ? 0 : 1;
}
