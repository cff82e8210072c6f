#include "ui/qt/qt_dialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTranslator>
#include <QVBoxLayout>

#include "app/string_ids.h"
#include "ui/qt/about_box.h"
#include "ui/qt/help_window.h"
#include "ui/qt/qt_strings.h"

namespace corvane {
namespace {

QMessageBox::Icon iconOf(MessageBoxType type) {
    switch (type) {
    case MessageBoxType::Error:
        return QMessageBox::Critical;
    case MessageBoxType::Question:
        return QMessageBox::Question;
    default:
        return QMessageBox::Warning;
    }
}

// "Description (*.odb)" as Qt reads filters: the shown text, then the patterns in parentheses.
QString qtFilter(const FileFilter& filter) {
    QStringList patterns;
    for (const std::string& pattern : filter.patterns)
        patterns << toQString(caseInsensitivePattern(pattern));
    return toQString(filter.description) + QStringLiteral(" (") + patterns.join(' ') +
           QStringLiteral(")");
}

} // namespace

std::unique_ptr<QTranslator> installToolkitTranslations() {
    const std::string language = resourceLibraryLanguage();
    if (language.empty())
        return nullptr;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_") + toQString(language),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    QCoreApplication::installTranslator(translator.get());
    return translator;
}

void configureFileDialog(QFileDialog& dialog, const FileDialogRequest& request, bool save) {
    dialog.setWindowTitle(toQString(request.title));
    // Qt's own dialog everywhere, so that the filters behave alike on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The description already names its patterns; the case-blind ones stay out of sight.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList filters;
    for (const FileFilter& filter : request.filters)
        filters << qtFilter(filter);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(toQString(request.defaultSuffix));
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        if (request.multiSelect)
            dialog.setFileMode(QFileDialog::ExistingFiles);
        else
            dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile
                                                 : QFileDialog::AnyFile);
    }
    if (!request.initialFolder.empty())
        dialog.setDirectory(toQString(request.initialFolder));
    if (!request.proposedName.empty())
        dialog.selectFile(toQString(request.proposedName));
}

QtDialogs::QtDialogs(QWidget* owner) : owner_(owner) {}

QtDialogs::~QtDialogs() = default;

MessageBoxAnswer QtDialogs::messageBox(const std::string& text, const std::string& caption,
                                       MessageBoxType type, MessageBoxButtons buttons) {
    QMessageBox box(iconOf(type), toQString(caption), toQString(text), QMessageBox::NoButton,
                    owner_);
    box.setTextFormat(Qt::PlainText);
    switch (buttons) {
    case MessageBoxButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
        break;
    case MessageBoxButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MessageBoxButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MessageBoxAnswer::Ok;
    case QMessageBox::Yes:
        return MessageBoxAnswer::Yes;
    case QMessageBox::No:
        return MessageBoxAnswer::No;
    default:
        return MessageBoxAnswer::Cancel;
    }
}

std::vector<std::string> QtDialogs::chooseFileToOpen(const FileDialogRequest& request) {
    QFileDialog dialog(owner_);
    configureFileDialog(dialog, request, false);
    std::vector<std::string> chosen;
    if (dialog.exec() == QDialog::Accepted)
        for (const QString& path : dialog.selectedFiles())
            chosen.push_back(fromQString(path));
    return chosen;
}

std::optional<std::string> QtDialogs::chooseFileToSave(const FileDialogRequest& request) {
    QFileDialog dialog(owner_);
    configureFileDialog(dialog, request, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return fromQString(dialog.selectedFiles().front());
}

void QtDialogs::showAbout() {
    AboutBox box(owner_);
    box.runOver(owner_ ? owner_->frameGeometry() : QRect());
}

void QtDialogs::showDetails(const std::string& caption, const std::string& text) {
    QDialog box(owner_);
    box.setWindowTitle(toQString(caption));
    auto* layout = new QVBoxLayout(&box);
    // Plain text, read-only but selectable: the details can be copied, never run as markup.
    auto* view = new QPlainTextEdit(toQString(text), &box);
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    // Wide enough for the longest line (a fingerprint), within reason; longer ones scroll.
    const QFontMetrics metrics(view->font());
    int widest = 0;
    for (const QString& line : view->toPlainText().split('\n'))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const int frame = 2 * (view->frameWidth() + int(view->document()->documentMargin())) + 4;
    view->setMinimumSize(std::min(widest + frame, metrics.averageCharWidth() * 140),
                         metrics.lineSpacing() * 10);
    layout->addWidget(view);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &box);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    layout->addWidget(buttons);
    view->setFocus();
    box.exec();
}

void QtDialogs::showHelp(const std::string& helpFilePath) {
    if (help_ && help_->filePath() == helpFilePath) {
        help_->showDefaultTopic();
        return;
    }
    std::unique_ptr<HelpWindow> help = HelpWindow::open(helpFilePath);
    if (!help) {
        messageBox(fillFormat(loadString(ids::HelpFileUnreadable), {helpFilePath}),
                   loadString(ids::ProgramTitle), MessageBoxType::Error, MessageBoxButtons::Ok);
        return;
    }
    help_ = std::move(help);
    help_->showDefaultTopic();
}

} // namespace corvane
