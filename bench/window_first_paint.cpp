// Start-up of the main window up to its first paint, as the program does it in window mode:
// resources, crypto, the window logic and the widgets; it ends as soon as the window has
// painted once. Compare with minimal_first_paint (one empty Qt window).
#include <QApplication>
#include <QEvent>

#include "app/resources.h"
#include "certs/certificates.h"
#include "ui/main_window.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/qt_main_window.h"

namespace {

class EndOnFirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            QCoreApplication::exit(0);
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char** argv) {
    corvane::selectResourceLibrary("Corvane");
    corvane::initialiseCryptoLibrary();
    QApplication application(argc, argv);
    corvane::MainWindow logic;
    corvane::QtMainWindow window(logic);
    corvane::QtDialogs dialogs(&window);
    logic.createMainWindow(window, dialogs, corvane::executableFolder());
    EndOnFirstPaint end;
    window.installEventFilter(&end);
    window.centreOnScreen();
    window.show();
    const int code = QApplication::exec();
    logic.detach();
    corvane::releaseResourceLibrary();
    return code;
}
