#include "ui/qt/help_window.h"

#include <QDesktopServices>
#include <QShortcut>

#include "app/string_ids.h"
#include "ui/qt/chm_file.h"
#include "ui/qt/qt_main_window.h"
#include "ui/qt/qt_strings.h"

namespace corvane {
namespace {

// Pages inside the help file are addressed as "chm:/path/page.html", so relative links resolve
// inside the file.
const QString kScheme = QStringLiteral("chm");

QUrl topicUrl(const std::string& pathInside) {
    QUrl url;
    url.setScheme(kScheme);
    url.setPath(
        toQString(pathInside.empty() || pathInside.front() != '/' ? "/" + pathInside : pathInside));
    return url;
}

} // namespace

std::unique_ptr<HelpWindow> HelpWindow::open(const std::string& path) {
    std::unique_ptr<ChmFile> file = ChmFile::open(path);
    if (!file)
        return nullptr;
    return std::unique_ptr<HelpWindow>(new HelpWindow(path, std::move(file)));
}

HelpWindow::HelpWindow(std::string path, std::unique_ptr<ChmFile> file)
    : QTextBrowser(nullptr), path_(std::move(path)), file_(std::move(file)) {
    setWindowTitle(tableText(ids::HelpWindowTitle));
    setWindowIcon(corvaneIcon());
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { followLink(url); });
    // Esc closes the help, so it is as easy to leave by keyboard as to open with F1.
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
    resize(720, 560);
}

HelpWindow::~HelpWindow() = default;

void HelpWindow::showDefaultTopic() {
    setSource(topicUrl(file_->defaultTopic()));
    show();
    raise();
    activateWindow();
}

// Only web pages leave the help: a file, a desktop entry or any other scheme would be handed
// to whatever the desktop runs for it, on a click in a page that says anything.
void HelpWindow::followLink(const QUrl& url) {
    if (url.scheme() == kScheme || url.isRelative())
        setSource(url);
    else if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        QDesktopServices::openUrl(url);
}

// Pages, images and style sheets come from the help file only: a page naming a local file, a
// device or a pipe gets nothing. Nothing is an empty, not a null, value: for a null one the
// document would read a local file itself.
QVariant HelpWindow::loadResource(int type, const QUrl& name) {
    const QVariant nothing = QByteArray("");
    const QUrl url = name.isRelative() ? source().resolved(name) : name;
    if (url.scheme() != kScheme)
        return nothing;
    const std::optional<std::string> content = file_->read(fromQString(url.path()));
    if (!content) {
        if (type == QTextDocument::HtmlResource)
            return QString(QStringLiteral("<p>%1</p>"))
                .arg(toQString(
                         fillFormat(loadString(ids::HelpTopicMissing), {fromQString(url.path())}))
                         .toHtmlEscaped());
        return nothing;
    }
    return QByteArray(content->data(), qsizetype(content->size()));
}

} // namespace corvane
