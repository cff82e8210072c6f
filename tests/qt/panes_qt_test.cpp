// The panes on the real widgets, headless: files dropped from a file manager, the Delete key,
// row tooltips, password fields, byte limits of the fields and the German window.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>
#include <QTranslator>
#include <QTreeWidget>
#include <QUrl>

#include <memory>

#include "app/resources.h"
#include "ui/main_window.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/qt_main_window.h"
#include "ui/scripted_dialogs.h"

using namespace corvane;

namespace {

const QString kCerts = QStringLiteral(CORVANE_TEST_DATA_DIR "/certs/");

QString certPath(const char* name) {
    return kCerts + QLatin1String(name);
}

} // namespace

class PanesQtTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> logic;
    std::unique_ptr<QtMainWindow> window;
    std::unique_ptr<test::ScriptedDialogs> dialogs;

    void open() {
        logic = std::make_unique<MainWindow>();
        window = std::make_unique<QtMainWindow>(*logic);
        dialogs = std::make_unique<test::ScriptedDialogs>();
        logic->createMainWindow(*window, *dialogs, "/opt/corvane/");
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    void close() {
        if (!logic)
            return;
        for (const std::string& failure : dialogs->failures())
            QFAIL(failure.c_str());
        logic->detach();
        window.reset();
        logic.reset();
        dialogs.reset();
    }

    QTreeWidget* list(ControlId id) { return qobject_cast<QTreeWidget*>(window->control(id)); }
    QLineEdit* edit(ControlId id) { return qobject_cast<QLineEdit*>(window->control(id)); }
    void chooseOuter(int index) {
        qobject_cast<QComboBox*>(window->control(ControlId::AuthProtocol))->setCurrentIndex(index);
    }
    // Types characters one key at a time, any character, as a keyboard layout would.
    static void typeText(QWidget* widget, const QString& text) {
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    QStringList column(ControlId id, int column) {
        QStringList out;
        for (int row = 0; row < list(id)->topLevelItemCount(); ++row)
            out << list(id)->topLevelItem(row)->text(column);
        return out;
    }

    // Drags the URLs over the list's rows and drops them, as a file manager does.
    bool drop(ControlId id, const QList<QUrl>& urls) {
        QWidget* target = list(id)->viewport();
        QMimeData mime;
        mime.setUrls(urls);
        const QPointF at(10, 10);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropEvent(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropEvent);
        return dropEvent.isAccepted();
    }

private slots:
    void init() { open(); }
    void cleanup() { close(); }

    void filesDroppedOnTheCaListAreImportedInOrder() {
        QVERIFY(drop(ControlId::CaList, {QUrl::fromLocalFile(kCerts), // a folder: passed over
                                         QUrl::fromLocalFile(certPath("ca2.pem")),
                                         QUrl::fromLocalFile(certPath("ca.der"))}));
        QCOMPARE(column(ControlId::CaList, 0), (QStringList{"ca2.pem", "ca.der"}));
        QCOMPARE(column(ControlId::CaList, 1),
                 (QStringList{"Corvane Second CA", "Corvane Test CA"}));
        QCOMPARE(window->windowTitle(), QString("Corvane - [Untitled *]"));
        QVERIFY(dialogs->shown().empty());

        // Anything but a local file does nothing.
        logic->profile().modified = false;
        drop(ControlId::CaList, {QUrl("https://example.org/ca.pem")});
        QCOMPARE(list(ControlId::CaList)->topLevelItemCount(), 2);
        QVERIFY(!logic->profile().modified);
        QVERIFY(dialogs->shown().empty());
    }

    void onlyTheFirstFileDroppedOnTheClientListCounts() {
        QVERIFY(
            drop(ControlId::ClientList, {QUrl::fromLocalFile(certPath("client.p12")),
                                         QUrl::fromLocalFile(certPath("client-plain-rsa.pem"))}));
        QCOMPARE(column(ControlId::ClientList, 0), QStringList{"client.p12"});
        QVERIFY(!logic->clientCertificateWanted());
        QVERIFY(window->control(ControlId::ClearClient)->isEnabled());
    }

    void aFatalStatusEndsTheDropWithAReport() {
        dialogs->answerMessage(MessageBoxAnswer::Ok);
        drop(ControlId::CaList,
             {QUrl::fromLocalFile(certPath("ca.pem")), QUrl::fromLocalFile(certPath("client.p12")),
              QUrl::fromLocalFile(certPath("ca2.pem"))});
        QCOMPARE(column(ControlId::CaList, 0), QStringList{"ca.pem"});
        QCOMPARE(dialogs->shown().size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(dialogs->shown()[0].caption),
                 QString("Add Certificate Failed"));
    }

    void theDeleteKeyRemovesTheSelectedRowAfterAsking() {
        drop(ControlId::CaList,
             {QUrl::fromLocalFile(certPath("ca.pem")), QUrl::fromLocalFile(certPath("ca2.pem"))});
        QTreeWidget* view = list(ControlId::CaList);
        // Nothing selected: the key asks nothing.
        QTest::keyClick(view, Qt::Key_Delete);
        QVERIFY(dialogs->shown().empty());
        QVERIFY(!window->control(ControlId::RemoveCa)->isEnabled());

        view->topLevelItem(1)->setSelected(true);
        QVERIFY(window->control(ControlId::RemoveCa)->isEnabled());
        dialogs->answerMessage(MessageBoxAnswer::Cancel);
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(view->topLevelItemCount(), 2);
        view->topLevelItem(1)->setSelected(true);
        dialogs->answerMessage(MessageBoxAnswer::Ok);
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(column(ControlId::CaList, 0), QStringList{"ca.pem"});
        QCOMPARE(QString::fromStdString(dialogs->shown().back().caption),
                 QString("Remove Certificate"));
        QVERIFY(!window->control(ControlId::RemoveCa)->isEnabled());
    }

    void hoveringARowShowsTheCertificatesDetails() {
        drop(ControlId::CaList,
             {QUrl::fromLocalFile(certPath("ca.pem")), QUrl::fromLocalFile(certPath("ca2.pem"))});
        QTreeWidget* view = list(ControlId::CaList);
        auto hover = [view](int row) {
            const QPoint at = view->visualItemRect(view->topLevelItem(row)).center();
            QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
            QApplication::sendEvent(view->viewport(), &help);
        };
        hover(1);
        QTRY_VERIFY(QToolTip::isVisible());
        const QString text = shownToolTip();
        QVERIFY2(text.startsWith("Subject: CN=Corvane Second CA,O=Corvane Tests\n"),
                 qPrintable(text));
        QVERIFY(text.contains("\nSHA-256 fingerprint: "));
        QVERIFY(text.contains("\nPublic key: EC (prime256v1), 256 bits"));
        // The row texts stay as they were.
        QCOMPARE(view->topLevelItem(1)->text(0), QString("ca2.pem"));

        // Below the last row there is nothing to describe.
        QToolTip::hideText();
        QTRY_VERIFY(!QToolTip::isVisible());
        const QPoint belowRows(5, view->viewport()->height() - 2);
        QHelpEvent empty(QEvent::ToolTip, belowRows, view->viewport()->mapToGlobal(belowRows));
        QApplication::sendEvent(view->viewport(), &empty);
        QVERIFY(!QToolTip::isVisible());

        // A name from a file that reads as markup shows as the text it is.
        drop(ControlId::CaList, {QUrl::fromLocalFile(certPath("ca-markup.pem"))});
        hover(2);
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY2(shownToolTip().contains("<img src=/nonexistent/corvane-markup x"),
                 qPrintable(shownToolTip()));
        QToolTip::hideText();
    }

    // The whole date stays visible, however wide the locale writes it; Issuer gives up the room.
    void validUntilShowsItsWidestDate() {
        QTreeWidget* view = list(ControlId::CaList);
        const int issuer = view->columnWidth(2);
        window->deleteAllListRows(ControlId::CaList);
        window->setListColumnWidth(ControlId::CaList, 3, 64); // five rows and more
        const int narrow = view->columnWidth(3);
        for (int row = 0; row < 5; ++row) {
            window->insertListRow(ControlId::CaList, row, "ca.pem");
            window->setListCellText(ControlId::CaList, row, 3, row == 3 ? "11/14/2126" : "1/1/26");
        }
        const int needed = view->sizeHintForIndex(view->model()->index(3, 3)).width();
        QVERIFY(needed > narrow);
        QCOMPARE(view->columnWidth(3), needed);
        QCOMPARE(view->columnWidth(2), issuer - (needed - narrow));
    }

    // The details a tooltip shows, from the keyboard on the selected row.
    void certificateDetailsFromTheKeyboard() {
        drop(ControlId::CaList,
             {QUrl::fromLocalFile(certPath("ca.pem")), QUrl::fromLocalFile(certPath("ca2.pem"))});
        QTreeWidget* view = list(ControlId::CaList);
        view->topLevelItem(1)->setSelected(true);
        const std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> keys = {
            {Qt::Key_Menu, Qt::NoModifier},
            {Qt::Key_F10, Qt::ShiftModifier},
            {Qt::Key_Return, Qt::NoModifier}};
        for (const auto& [key, modifiers] : keys) {
            dialogs->clearShown();
            QTest::keyClick(view, key, modifiers);
            QCOMPARE(dialogs->shown().size(), std::size_t(1));
            QCOMPARE(QString::fromStdString(dialogs->shown()[0].caption), QString("ca2.pem"));
        }
    }

    void passwordFieldsHideWhatIsTyped() {
        QCOMPARE(edit(ControlId::Password)->echoMode(), QLineEdit::Password);
        QCOMPARE(edit(ControlId::PrivateKeyPassword)->echoMode(), QLineEdit::Password);
        QCOMPARE(edit(ControlId::Username)->echoMode(), QLineEdit::Normal);
        QCOMPARE(edit(ControlId::InitialIdentity)->echoMode(), QLineEdit::Normal);
    }

    // The limits count stored bytes, so no field takes more than its record holds.
    void fieldsNeverTakeMoreBytesThanTheirRecordHolds() {
        chooseOuter(1); // EAP-TTLS: every text field applies
        struct Case {
            ControlId id;
            int limit;
        };
        for (const Case& c :
             {Case{ControlId::ProfileName, 26}, Case{ControlId::Username, 63},
              Case{ControlId::Password, 63}, Case{ControlId::InitialIdentity, 63}}) {
            QLineEdit* field = edit(c.id);
            field->clear();
            typeText(field, QString(c.limit + 5, QChar('x')));
            QCOMPARE(field->text().size(), c.limit);
            // One stored byte a character of the code page: as many umlauts as letters.
            field->clear();
            typeText(field, QString(c.limit + 1, QChar(0xFC)));
            QCOMPARE(field->text(), QString(c.limit, QChar(0xFC)));
            // A paste leaves out what the code page cannot hold and is cut to the room left.
            field->clear();
            QTest::keyClicks(field, "ab");
            QApplication::clipboard()->setText(QString(3, QChar(0x141)) +
                                               QString(c.limit, QChar(0xFC)));
            field->home(false);
            field->paste();
            QCOMPARE(field->text(), QString(c.limit - 2, QChar(0xFC)) + "ab");
        }
        // The cut paste reached the profile in the device's code page.
        QCOMPARE(logic->profile().profileName.str(), std::string(24, '\xFC') + "ab");
    }

    // The whole window in German, and every caption still fits its control.
    void theGermanWindowIsGermanAndFits() {
        close();
        const std::string chosen =
            selectResourceLibraryIn(CORVANE_BINARY_DIR "/", "Corvane", 0x0407);
        QCOMPARE(QString::fromStdString(chosen), QString("Corvane_deDE.so"));
        // Qt's own texts follow: the buttons of a message box, the file dialog.
        const std::unique_ptr<QTranslator> qtGerman = installToolkitTranslations();
        QMessageBox box(QMessageBox::Question, "", "", QMessageBox::Yes);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QString("&Ja"));
        open();
        struct Text {
            ControlId id;
            const char* text;
        };
        QCOMPARE(window->windowTitle(), QString("Corvane - [Unbenannt]"));
        QCOMPARE(qobject_cast<QGroupBox*>(window->control(ControlId::CertificatesGroup))->title(),
                 QString("Zertifikate"));
        QCOMPARE(qobject_cast<QPushButton*>(window->control(ControlId::New))->text(),
                 QString("&Neu"));
        QCOMPARE(window->menuBar()->actions()[0]->text(), QString("&Datei"));
        QStringList headings;
        for (int i = 0; i < 4; ++i)
            headings << list(ControlId::CaList)->headerItem()->text(i);
        QCOMPARE(headings, (QStringList{"Dateiname", "Antragsteller", "Aussteller", "Gültig bis"}));
        QCOMPARE(column(ControlId::ClientList, 0), QStringList{"Nicht angegeben."});

        checkCaptionsFit();

        // Messages come from the table as well.
        dialogs->answerMessage(MessageBoxAnswer::Ok);
        logic->onCommand(ControlId::Save);
        QCOMPARE(QString::fromStdString(dialogs->shown().back().caption),
                 QString("Ungültiges Feld"));
        close();
        releaseResourceLibrary();
    }

private:
    // The tooltip's text as the reader sees it, markup rendered.
    static QString shownToolTip() {
        const QString text = QToolTip::text();
        if (!Qt::mightBeRichText(text))
            return text;
        QTextDocument document;
        document.setHtml(text);
        return document.toPlainText();
    }

    void checkCaptionsFit() {
        const QStringList tooWide = captionsTooWide();
        QVERIFY2(tooWide.isEmpty(), qPrintable(tooWide.join("; ")));
    }

    // Every caption within its control, in the window's own font.
    QStringList captionsTooWide() {
        QStringList tooWide;
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            QString text;
            int room = widget->width();
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                text = label->text();
            } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
                text = box->text();
                room -= box->sizeHint().width() - box->fontMetrics().horizontalAdvance(text);
            } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
                text = button->text();
                room -= 4; // the frame
            } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
                text = group->title();
                room -= 16;
            } else {
                continue;
            }
            text.remove('&');
            if (!widget->isVisible() || text.isEmpty())
                continue;
            const int needed = widget->fontMetrics().horizontalAdvance(text);
            if (needed > room)
                tooWide << QString("%1 (%2 > %3)").arg(text).arg(needed).arg(room);
        }
        QHeaderView* header = list(ControlId::CaList)->header();
        for (int i = 0; i < 4; ++i) {
            const QString heading = list(ControlId::CaList)->headerItem()->text(i);
            if (header->fontMetrics().horizontalAdvance(heading) >= header->sectionSize(i))
                tooWide << heading;
        }
        return tooWide;
    }
};

QTEST_MAIN(PanesQtTest)
#include "panes_qt_test.moc"
