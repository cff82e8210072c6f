// The floor for window start-up: a Qt Widgets program that shows one empty window and ends as
// soon as it has painted once. With "--text" the window holds one line of text, so the font
// database is loaded as for any window that shows text.
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QWidget>

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
    QApplication application(argc, argv);
    QWidget window;
    EndOnFirstPaint end;
    window.installEventFilter(&end);
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--text"))
        new QLabel(QStringLiteral("Profile Name:"), &window);
    window.resize(400, 300);
    window.show();
    return QApplication::exec();
}
