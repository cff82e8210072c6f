#pragma once

#include <QPointer>

#include <memory>

#include "ui/dialogs.h"
#include "ui/qt/help_window.h"

class QFileDialog;
class QTranslator;
class QWidget;

namespace corvane {

// Qt's own texts (standard buttons, the file dialog) in the resource module's language,
// installed in the application; null when there is none to load.
std::unique_ptr<QTranslator> installToolkitTranslations();

// The file dialog of a request: title, filters that match whatever the case, default suffix
// and options.
void configureFileDialog(QFileDialog& dialog, const FileDialogRequest& request, bool save);

// Message boxes, file dialogs, the About box and help, owned by the main window (help is not:
// its window stays free of the main window).
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* owner);
    ~QtDialogs() override;

    MessageBoxAnswer messageBox(const std::string& text, const std::string& caption,
                                MessageBoxType type, MessageBoxButtons buttons) override;
    std::vector<std::string> chooseFileToOpen(const FileDialogRequest& request) override;
    std::optional<std::string> chooseFileToSave(const FileDialogRequest& request) override;
    void showAbout() override;
    void showDetails(const std::string& caption, const std::string& text) override;
    void showHelp(const std::string& helpFilePath) override;

    HelpWindow* helpWindow() const { return help_.get(); }

private:
    QPointer<QWidget> owner_;
    std::unique_ptr<HelpWindow> help_;
};

} // namespace corvane
