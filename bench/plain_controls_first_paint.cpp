// The fair floor for the main window's start-up: a plain Qt Widgets program that creates the
// same controls at the same places (template 103 in dialog units of the window's font, the menu
// bar, the list columns and the protocol list) with no logic, and ends at its first paint.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTreeWidget>

#include <cmath>

#include "app/resources.h"
#include "ui/controls.h"
#include "ui/geometry.h"

using namespace corvane;

namespace {

class EndOnFirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            QCoreApplication::exit(0);
        return QObject::eventFilter(watched, event);
    }
};

QString text(unsigned id) {
    return id ? QString::fromStdString(loadString(id)) : QString();
}

QWidget* create(const TemplateControl& row, QWidget* face) {
    switch (row.kind) {
    case ControlKind::Edit:
    case ControlKind::PasswordEdit:
        return new QLineEdit(face);
    case ControlKind::DropDownList: {
        auto* combo = new QComboBox(face);
        if (row.id == ControlId::AuthProtocol)
            combo->addItems({"EAP-TLS", "EAP-TTLS", "EAP-PEAP", "LEAP"});
        return combo;
    }
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton:
        return new QPushButton(text(row.captionId), face);
    case ControlKind::CheckBox:
        return new QCheckBox(text(row.captionId), face);
    case ControlKind::StaticText:
        return new QLabel(text(row.captionId), face);
    case ControlKind::GroupBox:
        return new QGroupBox(text(row.captionId), face);
    case ControlKind::ListView: {
        auto* view = new QTreeWidget(face);
        const auto columns = row.id == ControlId::CaList ? caListColumns() : clientListColumns();
        QStringList headings;
        for (const ListColumn& column : columns)
            headings << text(column.headingId);
        view->setHeaderLabels(headings);
        view->setRootIsDecorated(false);
        return view;
    }
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&New"))->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
    file->addAction(QStringLiteral("&Open..."))
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    file->addSeparator();
    file->addAction(QStringLiteral("&Save"))->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    file->addAction(QStringLiteral("Save &As..."));
    file->addSeparator();
    file->addAction(QStringLiteral("E&xit"));
    QMenu* help = window.menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("Contents"))->setShortcut(QKeySequence(QStringLiteral("F1")));
    help->addSeparator();
    help->addAction(QStringLiteral("About..."));
    auto* face = new QWidget(&window);
    window.setCentralWidget(face);
    const QFontMetrics metrics(face->font());
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const DialogBaseUnits units{
        int(std::lround(double(metrics.horizontalAdvance(letters)) / letters.size())),
        metrics.height()};
    for (const TemplateControl& row : mainWindowTemplate()) {
        const PixelRect rect = dialogRectToPixels(row.rect, units);
        create(row, face)->setGeometry(rect.x, rect.y, rect.width, rect.height);
    }
    const PixelRect size = dialogRectToPixels(kMainWindowSize, units);
    face->setFixedSize(size.width, size.height);
    EndOnFirstPaint end;
    window.installEventFilter(&end);
    window.show();
    return QApplication::exec();
}
