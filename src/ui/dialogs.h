#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "profile/report.h"

namespace corvane {

enum class MessageBoxButtons { Ok, OkCancel, YesNoCancel };
enum class MessageBoxAnswer { Ok, Cancel, Yes, No };

// One entry of a file dialog's filter: a description and its patterns ("*.odb").
struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;
};

// What a file dialog shows and allows.
struct FileDialogRequest {
    std::string title;
    std::vector<FileFilter> filters;
    std::string defaultSuffix; // added to a typed name without extension; empty for none
    std::string proposedName;
    std::string initialFolder; // where the dialog starts; empty for the toolkit's choice
    bool mustExist = false;
    bool multiSelect = false;
    bool overwritePrompt = false;
    bool hideReadOnly = false;
};

// The main window's message boxes, file dialogs, About box and help, all owned by the main
// window. The toolkit shows real ones; the tests script the answers.
class Dialogs : public ReportPresenter {
public:
    virtual MessageBoxAnswer messageBox(const std::string& text, const std::string& caption,
                                        MessageBoxType type, MessageBoxButtons buttons) = 0;
    // The chosen paths; empty when the user cancelled.
    virtual std::vector<std::string> chooseFileToOpen(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> chooseFileToSave(const FileDialogRequest& request) = 0;
    virtual void showAbout() = 0;
    // A small read-only box whose text can be selected and copied.
    virtual void showDetails(const std::string& caption, const std::string& text) = 0;
    // Opens the help file at its default topic in a window the main window does not own.
    virtual void showHelp(const std::string& helpFilePath) = 0;

    void showMessage(OwnerWindow, const std::string& text, const std::string& caption,
                     MessageBoxType type) override {
        messageBox(text, caption, type, MessageBoxButtons::Ok);
    }
};

// An error box: the text under the program title with the stop icon and OK.
void showErrorMessage(const std::string& text);

// The open and save dialogs of profile databases; the open dialog offers provider
// configurations too.
FileDialogRequest openProfileDatabaseRequest();
FileDialogRequest saveProfileDatabaseRequest(const std::string& proposedName);

// A file pattern that matches whatever the case of its letters: "*.odb" -> "*.[oO][dD][bB]".
std::string caseInsensitivePattern(std::string_view pattern);

// "Corvane.chm" in the given folder (which ends in a slash).
std::string helpFilePath(const std::string& programFolder);

} // namespace corvane
