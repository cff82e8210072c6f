// The help window over the built help file: its default topic, links followed inside the file,
// and a clear message for a file that cannot be read.
#include <QDesktopServices>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <string>
#include <vector>

#include "ui/qt/help_window.h"
#include "ui/qt/qt_dialogs.h"

using namespace corvane;

namespace {

// The real dialogs with message boxes recorded instead of shown.
class RecordingDialogs : public QtDialogs {
public:
    using QtDialogs::QtDialogs;
    std::vector<std::string> messages;
    MessageBoxAnswer messageBox(const std::string& text, const std::string& caption,
                                MessageBoxType type, MessageBoxButtons) override {
        messages.push_back(caption + "|" + text + (type == MessageBoxType::Error ? "|stop" : ""));
        return MessageBoxAnswer::Ok;
    }
};

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class HelpWindowTest : public QObject {
    Q_OBJECT
    QList<QUrl> opened_; // by the desktop's opener of links, which the test stands in for

public slots:
    void open(const QUrl& url) { opened_.append(url); }

private slots:
    void opensAtTheDefaultTopicAndFollowsLinks() {
        RecordingDialogs dialogs(nullptr);
        dialogs.showHelp(CORVANE_HELP_FILE);
        QVERIFY(dialogs.messages.empty());
        HelpWindow* help = dialogs.helpWindow();
        QVERIFY(help);
        QVERIFY(help->isVisible());
        QVERIFY(!help->parentWidget());
        QCOMPARE(help->windowTitle(), QString("Corvane Help"));
        QCOMPARE(help->source().scheme(), QString("chm"));
        QCOMPARE(help->source().path(), QString("/index.html"));
        QVERIFY(help->toPlainText().contains("Corvane"));

        // A relative link of the page is read from inside the file.
        const QUrl before = help->source();
        emit help->anchorClicked(before.resolved(QUrl("script.html")));
        QCOMPARE(help->source().path(), QString("/script.html"));
        QVERIFY(help->toPlainText().contains("set_client_cert_pkey"));
        QVERIFY(help->isBackwardAvailable());
        help->backward();
        QCOMPARE(help->source(), before);

        // Asking again shows the same window at its default topic.
        emit help->anchorClicked(before.resolved(QUrl("messages.html")));
        dialogs.showHelp(CORVANE_HELP_FILE);
        QCOMPARE(dialogs.helpWindow(), help);
        QCOMPARE(help->source().path(), QString("/index.html"));

        // A page the file lacks says so instead of staying blank.
        emit help->anchorClicked(before.resolved(QUrl("no-such-page.html")));
        QVERIFY(help->toPlainText().contains("/no-such-page.html"));

        // Esc closes it.
        help->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(help));
        QTest::keyClick(help, Qt::Key_Escape);
        QVERIFY(!help->isVisible());
    }

    // A page may name files, devices and pipes of the machine, and links for other programs.
    void readsAndHandsOnNothingFromOutsideTheFile() {
        QTemporaryDir scratch;
        const QImage picture(4, 4, QImage::Format_RGB32);
        // The picture's own file on disk: the page may show it only from inside the help file.
        const QUrl outside = QUrl::fromLocalFile(scratch.filePath("inside.png"));
        const QUrl desktopEntry = QUrl::fromLocalFile(scratch.filePath("run.desktop"));
        const QString page = "<img src=\"inside.png\"><img src=\"%1\"><a href=\"%2\">run</a>";
        QVERIFY(picture.save(outside.toLocalFile()));
        QVERIFY(writeFile(scratch.filePath("page.html"),
                          page.arg(outside.toString(), desktopEntry.toString()).toUtf8()));
        QVERIFY(writeFile(scratch.filePath("page.hhp"),
                          "[OPTIONS]\nCompiled file=page.chm\nDefault topic=page.html\n"
                          "[FILES]\npage.html\ninside.png\n"));
        QProcess chmcmd;
        chmcmd.setWorkingDirectory(scratch.path());
        chmcmd.start(CORVANE_CHMCMD, {"page.hhp"});
        QVERIFY(chmcmd.waitForFinished() && chmcmd.exitCode() == 0);
        const auto help = HelpWindow::open(scratch.filePath("page.chm").toStdString());
        QVERIFY(help);
        help->showDefaultTopic();
        // The picture the page shows for each <img>, once laid out.
        auto shown = [&help](const QUrl& url) {
            return qvariant_cast<QPixmap>(
                help->document()->resource(QTextDocument::ImageResource, url));
        };
        QVERIFY(!shown(QUrl("inside.png")).isNull());
        QVERIFY(shown(outside).isNull());

        for (const char* scheme : {"file", "https"})
            QDesktopServices::setUrlHandler(scheme, this, "open");
        emit help->anchorClicked(desktopEntry);
        emit help->anchorClicked(QUrl("https://example.org/"));
        for (const char* scheme : {"file", "https"})
            QDesktopServices::unsetUrlHandler(scheme);
        QCOMPARE(opened_, QList<QUrl>{QUrl("https://example.org/")});
    }

    void anUnreadableFileGivesAMessage() {
        QVERIFY(!HelpWindow::open("/nonexistent/Corvane.chm"));
        RecordingDialogs dialogs(nullptr);
        dialogs.showHelp("/nonexistent/Corvane.chm");
        QCOMPARE(dialogs.messages,
                 (std::vector<std::string>{
                     "Corvane|The help file /nonexistent/Corvane.chm cannot be opened.|stop"}));
        QVERIFY(!dialogs.helpWindow());
        // Not a help file at all.
        dialogs.messages.clear();
        dialogs.showHelp(CORVANE_NOT_A_HELP_FILE);
        QCOMPARE(dialogs.messages.size(), std::size_t(1));
        // A damaged help file: its compression window of 0 once ended the program on F1.
        QFile real(CORVANE_HELP_FILE);
        QVERIFY(real.open(QIODevice::ReadOnly));
        QByteArray bytes = real.readAll();
        const qsizetype control = bytes.indexOf("LZXC");
        QVERIFY(control > 0);
        bytes.replace(control + 12, 4, QByteArray(4, '\0'));
        QTemporaryDir scratch;
        QFile damaged(scratch.filePath("Corvane.chm"));
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(bytes) == bytes.size());
        damaged.close();
        dialogs.messages.clear();
        dialogs.showHelp(damaged.fileName().toStdString());
        QCOMPARE(dialogs.messages.size(), std::size_t(1));
        QVERIFY(!dialogs.helpWindow());
    }
};

QTEST_MAIN(HelpWindowTest)
#include "help_window_test.moc"
