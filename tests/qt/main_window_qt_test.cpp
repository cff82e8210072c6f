// The real widgets of the main window, headless: layout in dialog units, tab order, shortcuts,
// edits, the file dialogs' set-up and the About box.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QWindow>

#include <functional>

#include <memory>

#include "ui/main_window.h"
#include "ui/qt/about_box.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/qt_main_window.h"
#include "ui/scripted_dialogs.h"

using namespace corvane;

class MainWindowQtTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> logic;
    std::unique_ptr<QtMainWindow> window;
    std::unique_ptr<test::ScriptedDialogs> dialogs;

    QWidget* control(ControlId id) { return window->control(id); }
    void checkNoStrayDialogs() {
        for (const std::string& failure : dialogs->failures())
            QFAIL(failure.c_str());
    }

private slots:
    void init() {
        logic = std::make_unique<MainWindow>();
        window = std::make_unique<QtMainWindow>(*logic);
        dialogs = std::make_unique<test::ScriptedDialogs>();
        logic->createMainWindow(*window, *dialogs, "/opt/corvane/");
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    void cleanup() {
        checkNoStrayDialogs();
        logic->detach();
        window.reset();
        logic.reset();
        dialogs.reset();
    }

    void everyControlSitsAtItsRectangleInDialogUnits() {
        const DialogBaseUnits units = window->baseUnits();
        QVERIFY(units.x > 0 && units.y > 0);
        int checked = 0;
        for (const TemplateControl& row : mainWindowTemplate()) {
            if (row.id == ControlId::None)
                continue;
            const PixelRect expected = dialogRectToPixels(row.rect, units);
            const QRect actual = control(row.id)->geometry();
            QCOMPARE(actual.x(), expected.x);
            QCOMPARE(actual.y(), expected.y);
            if (row.kind == ControlKind::StaticText || row.kind == ControlKind::CheckBox) {
                // Captions grow to their whole text, never into another control.
                QVERIFY(actual.width() >= expected.width);
                QVERIFY(actual.width() >= control(row.id)->sizeHint().width());
                for (const TemplateControl& other : mainWindowTemplate())
                    if (other.id != ControlId::None && other.id != row.id &&
                        other.kind != ControlKind::GroupBox && !control(other.id)->isHidden() &&
                        !control(row.id)->isHidden())
                        QVERIFY2(!actual.intersects(control(other.id)->geometry()),
                                 qPrintable(QString::number(int(row.id))));
            } else {
                QCOMPARE(actual.width(), expected.width);
            }
            if (row.kind != ControlKind::DropDownList)
                QCOMPARE(actual.height(), expected.height);
            ++checked;
        }
        QCOMPARE(checked, 27);
        const PixelRect face = dialogRectToPixels(kMainWindowSize, units);
        QCOMPARE(window->centralWidget()->size(), QSize(face.width, face.height));
        // Fixed size and no maximise box.
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    }

    void theLayoutScalesWithTheFont() {
        QFont original = QApplication::font();
        QFont big = original;
        big.setPointSizeF(original.pointSizeF() * 2);
        QApplication::setFont(big);
        MainWindow otherLogic;
        QtMainWindow bigger(otherLogic);
        QApplication::setFont(original);
        const DialogBaseUnits small = window->baseUnits();
        const DialogBaseUnits large = bigger.baseUnits();
        QVERIFY(large.x > small.x);
        QVERIFY(large.y > small.y);
        const QRect edit = bigger.control(ControlId::ProfileName)->geometry();
        QCOMPARE(edit.width(), dialogRectToPixels({0, 0, 112, 0}, large).width);
        auto* list = qobject_cast<QTreeWidget*>(bigger.control(ControlId::CaList));
        QCOMPARE(list->columnWidth(0), scaleTemplatePixels(109, large));
        QCOMPARE(list->columnWidth(3), scaleTemplatePixels(80, large));
    }

    void listsHaveTheirColumns() {
        auto* ca = qobject_cast<QTreeWidget*>(control(ControlId::CaList));
        QVERIFY(ca);
        QCOMPARE(ca->columnCount(), 4);
        QCOMPARE(ca->headerItem()->text(0), QString("Filename"));
        QCOMPARE(ca->headerItem()->text(1), QString("Subject"));
        QCOMPARE(ca->headerItem()->text(2), QString("Issuer"));
        QCOMPARE(ca->headerItem()->text(3), QString("Valid Until"));
        QVERIFY(!ca->rootIsDecorated());
        QCOMPARE(ca->selectionMode(), QAbstractItemView::SingleSelection);
        auto* client = qobject_cast<QTreeWidget*>(control(ControlId::ClientList));
        QCOMPARE(client->columnCount(), 1);
        QVERIFY(client->isHeaderHidden());
        QCOMPARE(client->focusPolicy(), Qt::ClickFocus);
        QCOMPARE(client->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(client->viewport()->acceptDrops());
        QVERIFY(!control(ControlId::RemoveCa)->isEnabled());
    }

    void captionsAccessibleNamesAndLimits() {
        QCOMPARE(qobject_cast<QPushButton*>(control(ControlId::AddCa))->text(), QString("A&dd..."));
        QCOMPARE(qobject_cast<QCheckBox*>(control(ControlId::ClientCheckBox))->text(),
                 QString("Client Certificate / Private Key:"));
        QCOMPARE(control(ControlId::ProfileName)->accessibleName(), QString("Profile Name"));
        QCOMPARE(control(ControlId::Password)->accessibleName(), QString("Password (optional)"));
        QCOMPARE(control(ControlId::AuthProtocol)->accessibleName(),
                 QString("Authentication Protocol"));
        QCOMPARE(qobject_cast<QLineEdit*>(control(ControlId::Password))->echoMode(),
                 QLineEdit::Password);
        QCOMPARE(qobject_cast<QLineEdit*>(control(ControlId::PrivateKeyPassword))->echoMode(),
                 QLineEdit::Password);
        QCOMPARE(window->windowTitle(), QString("Corvane - [Untitled]"));
        QVERIFY(!window->windowIcon().isNull());
        QCOMPARE(window->windowIcon().availableSizes().size(), 4);

        auto* name = qobject_cast<QLineEdit*>(control(ControlId::ProfileName));
        QTest::keyClicks(name, QString(30, 'n'));
        QCOMPARE(name->text().size(), 26);
        // The limit counts stored bytes, one a character of the device's code page; a character
        // the code page cannot hold is not taken, and a note beside the field names it.
        auto* user = qobject_cast<QLineEdit*>(control(ControlId::Username));
        const QString L = QString::fromUtf8("\xC5\x81");
        QTest::sendKeyEvent(QTest::Click, user, Qt::Key_unknown, L, Qt::NoModifier);
        QCOMPARE(QToolTip::text(), "The character \"" + L + "\" cannot be stored on the device.");
        QTest::keyClicks(user, QString(62, 'u'));
        QKeyEvent accented(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier,
                           QString::fromUtf8("\xC3\xA9"));
        QApplication::sendEvent(user, &accented);
        QCOMPARE(user->text().size(), 63);
        QTest::keyClicks(user, QString("v"));
        QCOMPARE(user->text().size(), 63);
        QCOMPARE(logic->profile().username.str(), std::string(62, 'u') + "\xE9");
        // The program's own texts are not cut: a loaded 64-byte text is shown whole.
        window->setText(ControlId::Username, std::string(64, 'x'));
        QCOMPARE(user->text().size(), 64);
        // Such a text may shrink but never grow, and never back over the limit once shorter.
        QTest::keyClicks(user, QString(150, 'y'));
        QCOMPARE(user->text().size(), 64);
        QTest::keyClick(user, Qt::Key_Backspace);
        QTest::keyClicks(user, QString("zz"));
        QCOMPARE(user->text(), QString(63, 'x'));
    }

    void typingMarksTheTitle() {
        QCOMPARE(QApplication::focusWidget(), control(ControlId::ProfileName));
        QTest::keyClick(control(ControlId::ProfileName), Qt::Key_A);
        QCOMPARE(window->windowTitle(), QString("Corvane - [Untitled *]"));
        QCOMPARE(logic->profile().profileName.str(), std::string("a"));
        // A file's name reaches the title bar as it is, marks of Qt's own included.
        window->setTitle("Corvane - [draft[*].odb]");
        QCOMPARE(window->windowHandle()->title(), QString("Corvane - [draft[*].odb]"));
    }

    void tabFollowsTheTemplate() {
        const ControlId expected[] = {ControlId::AuthProtocol,
                                      ControlId::InnerAuthProtocol,
                                      ControlId::Username,
                                      ControlId::Password,
                                      ControlId::InitialIdentity,
                                      ControlId::AddCa,
                                      ControlId::CaList,
                                      ControlId::ClientCheckBox,
                                      ControlId::SetClient,
                                      ControlId::ClearClient,
                                      ControlId::PrivateKeyPassword,
                                      ControlId::New,
                                      ControlId::Open,
                                      ControlId::Save,
                                      ControlId::SaveAs,
                                      ControlId::Exit,
                                      ControlId::ProfileName};
        // EAP-TTLS with a CA and a client certificate: every control of the chain applies.
        qobject_cast<QComboBox*>(control(ControlId::AuthProtocol))->setCurrentIndex(1);
        qobject_cast<QCheckBox*>(control(ControlId::ClientCheckBox))->click();
        logic->onFilesDropped(ControlId::CaList, {CORVANE_TEST_DATA_DIR "/certs/ca.pem"});
        logic->onFilesDropped(ControlId::ClientList,
                              {CORVANE_TEST_DATA_DIR "/certs/client-plain-rsa.pem"});
        control(ControlId::ProfileName)->setFocus();
        for (ControlId id : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), control(id));
        }
    }

    void menusAndShortcutsActLikeTheButtons() {
        // The name is the item's text alone; the shortcut shows and is announced by itself.
        QCOMPARE(window->action(ControlId::New)->text(), QString("&New"));
        QCOMPARE(window->action(ControlId::New)->shortcut(), QKeySequence("Ctrl+N"));
        QCOMPARE(window->action(ControlId::HelpContents)->text(), QString("Contents"));
        QCOMPARE(window->action(ControlId::SaveAs)->text(), QString("Save &As..."));
        QStringList titles;
        for (QAction* menu : window->menuBar()->actions())
            titles << menu->text();
        QCOMPARE(titles, (QStringList{"&File", "&Help"}));
        QCOMPARE(window->menuBar()->actions()[0]->menu()->actions().size(), 7);
        QCOMPARE(window->menuBar()->actions()[1]->menu()->actions().size(), 3);

        QTemporaryDir dir;
        const std::string path = (dir.path() + "/shortcut.odb").toStdString();
        // Ctrl+S from a field in the window: validation, then the save dialog.
        QTest::keyClicks(control(ControlId::ProfileName), "Office");
        // LEAP needs no certificates, so nothing but the name decides the save.
        window->selectComboIndex(ControlId::AuthProtocol, 3);
        dialogs->answerSave(path);
        QTest::keyClick(control(ControlId::Username), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(window->windowTitle(), QString("Corvane - [shortcut.odb]"));
        QVERIFY(QFile::exists(QString::fromStdString(path)));

        // Ctrl+N, the New button and File > New act alike.
        auto newWithChangedName = [&](const std::function<void()>& trigger) {
            QTest::keyClicks(control(ControlId::ProfileName), "x");
            dialogs->answerMessage(MessageBoxAnswer::No);
            trigger();
            QCOMPARE(qobject_cast<QLineEdit*>(control(ControlId::ProfileName))->text(), QString());
            QCOMPARE(window->windowTitle(), QString("Corvane - [Untitled]"));
        };
        newWithChangedName(
            [&] { QTest::keyClick(control(ControlId::Password), Qt::Key_N, Qt::ControlModifier); });
        newWithChangedName([&] { QTest::mouseClick(control(ControlId::New), Qt::LeftButton); });
        newWithChangedName([&] { window->action(ControlId::New)->trigger(); });

        // F1 anywhere asks for help beside the program.
        dialogs->expectHelp();
        QTest::keyClick(control(ControlId::AuthProtocol), Qt::Key_F1);
        QCOMPARE(dialogs->shown().back().text, std::string("/opt/corvane/Corvane.chm"));
        // Ctrl+O with a clean document goes straight to the open dialog.
        dialogs->answerOpen({});
        QTest::keyClick(control(ControlId::ProfileName), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(dialogs->shown().back().kind, std::string("open"));
    }

    void closingAsksAndCanBeRefused() {
        QTest::keyClicks(control(ControlId::Username), "u");
        dialogs->answerMessage(MessageBoxAnswer::Cancel);
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
        bool closed = false;
        window->setOnClosed([&] { closed = true; });
        dialogs->answerMessage(MessageBoxAnswer::No);
        window->action(ControlId::Exit)->trigger();
        QVERIFY(closed);
        QVERIFY(!window->isVisible());
    }

    void focusReturnsToTheNameFieldOnActivation() {
        control(ControlId::Username)->setFocus();
        QCOMPARE(QApplication::focusWidget(), control(ControlId::Username));
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTRY_COMPARE(QApplication::focusWidget(), control(ControlId::ProfileName));
    }

    void fileDialogsListProfileDatabasesWhateverTheirCase() {
        QTemporaryDir dir;
        for (const char* name : {"NET.ODB", "office.odb", "Mixed.Odb", "notes.txt"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QFileDialog dialog;
        configureFileDialog(dialog, openProfileDatabaseRequest(), false);
        QCOMPARE(dialog.windowTitle(), QString("Open Profile Database"));
        QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(dialog.defaultSuffix(), QString("odb"));
        QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
        dialog.setDirectory(dir.path());
        dialog.show();
        auto* view = dialog.findChild<QListView*>("listView");
        QVERIFY(view);
        auto listed = [&] {
            QStringList names;
            const QModelIndex root = view->rootIndex();
            for (int row = 0; row < view->model()->rowCount(root); ++row)
                names << view->model()->index(row, 0, root).data().toString();
            names.sort();
            return names;
        };
        QTRY_COMPARE(listed(), (QStringList{"Mixed.Odb", "NET.ODB", "office.odb"}));
        // The filter shows its description, not the case-blind patterns.
        auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
        QVERIFY(types);
        QCOMPARE(types->itemText(0), QString("Profile Databases (*.odb)"));
        dialog.reject();

        QFileDialog save;
        configureFileDialog(save, saveProfileDatabaseRequest("Office.odb"), true);
        QCOMPARE(save.acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(!save.testOption(QFileDialog::DontConfirmOverwrite));
        save.setDirectory(dir.path());
        QCOMPARE(save.selectedFiles().value(0).section('/', -1), QString("Office.odb"));

        FileDialogRequest many;
        many.title = "Add CA Certificate";
        many.filters = {{"Certificate files", {"*.DER", "*.PEM"}}, {"All files (*.*)", {"*.*"}}};
        many.multiSelect = true;
        many.mustExist = true;
        QFileDialog add;
        configureFileDialog(add, many, false);
        QCOMPARE(add.fileMode(), QFileDialog::ExistingFiles);
        QCOMPARE(add.nameFilters().size(), 2);
        QVERIFY(add.nameFilters()[0].contains("*.[dD][eE][rR] *.[pP][eE][mM]"));
    }

    // Drags a file over the window outside its lists and drops it there if it is taken.
    bool dropOnWindow(const char* file) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QString(CORVANE_TEST_DATA_DIR "/") + file)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        return enter.isAccepted() && QApplication::sendEvent(window.get(), &drop);
    }

    // Its notice and the question about unsaved changes come from the window logic, tested there.
    void providerConfigurationDroppedOnTheWindowOpens() {
        QVERIFY(dropOnWindow("eap-config/ttls-pap.eap-config"));
        QCOMPARE(window->windowTitle(), QString("Corvane - [Untitled *]"));
        QVERIFY(dialogs->shown().empty()); // this file names nothing the device cannot hold
        // Anything else dropped beside the lists is not taken.
        QVERIFY(!dropOnWindow("certs/ca.pem"));
    }

    void aboutBoxEndsWithItsCodes() {
        const QRect over(100, 80, 401, 333);
        struct Case {
            const char* how;
            int result;
        };
        for (const Case& c : {Case{"enter", 1}, Case{"ok", 1}, Case{"close", 2}}) {
            AboutBox box(window.get());
            QCOMPARE(box.windowTitle(), QString("About Corvane"));
            const std::string how = c.how;
            bool escapeIgnored = false;
            QTimer::singleShot(0, &box, [&] {
                // Esc does nothing; the box stays.
                QTest::keyClick(&box, Qt::Key_Escape);
                escapeIgnored = box.isVisible();
                if (how == "enter")
                    QTest::keyClick(&box, Qt::Key_Return);
                else if (how == "ok")
                    QTest::mouseClick(box.findChild<QPushButton*>(), Qt::LeftButton);
                else
                    box.close();
            });
            QCOMPARE(box.runOver(over), c.result);
            QVERIFY(escapeIgnored);
            QCOMPARE(box.pos(),
                     QPoint(100 + 401 / 2 - box.width() / 2, 80 + 333 / 2 - box.height() / 2));
        }
    }

    void aboutBitmapIsTransparentOnGreen() {
        AboutBox box(nullptr);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QImage shot = box.grab().toImage();
        const QImage source(":/corvane/about.bmp");
        QCOMPARE(source.size(), QSize(78, 78));
        const QColor face = box.palette().color(QPalette::Window);
        const qreal ratio = shot.devicePixelRatio();
        int green = 0;
        int drawn = 0;
        for (int y = 0; y < 78; y += 3) {
            for (int x = 0; x < 78; x += 3) {
                const QColor pixel = source.pixelColor(x, y);
                const QColor shown = shot.pixelColor(int((kAboutBitmapX + x) * ratio),
                                                     int((kAboutBitmapY + y) * ratio));
                if (pixel == QColor(0, 255, 0)) {
                    QCOMPARE(shown.rgb(), face.rgb());
                    ++green;
                } else {
                    QCOMPARE(shown.rgb(), pixel.rgb());
                    ++drawn;
                }
            }
        }
        QVERIFY(green > 0);
        QVERIFY(drawn > 0);
        // Painted again after being covered: the same picture.
        box.update();
        QTest::qWait(20);
        QCOMPARE(box.grab().toImage(), shot);
    }
};

QTEST_MAIN(MainWindowQtTest)
#include "main_window_qt_test.moc"
