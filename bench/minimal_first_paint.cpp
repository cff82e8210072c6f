// The floor for window start-up: a Qt Widgets program that shows one empty window and ends as
// soon as it has painted once.
#include <QApplication>
#include <QEvent>
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
    window.resize(400, 300);
    window.show();
    return QApplication::exec();
}
