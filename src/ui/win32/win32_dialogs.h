#pragma once

#include <windows.h>

#include "ui/dialogs.h"
#include "ui/win32/win32_main_window.h"

namespace corvane {

// Message boxes, the common file dialogs, the About box and the help viewer, owned by the main
// window.
class Win32Dialogs : public Dialogs {
public:
    explicit Win32Dialogs(const Win32MainWindow& owner) : owner_(owner) {}

    MessageBoxAnswer messageBox(const std::string& text, const std::string& caption,
                                MessageBoxType type, MessageBoxButtons buttons) override;
    std::vector<std::string> chooseFileToOpen(const FileDialogRequest& request) override;
    std::optional<std::string> chooseFileToSave(const FileDialogRequest& request) override;
    void showAbout() override;
    void showHelp(const std::string& helpFilePath) override;
    // A certificate's details in a box whose text Ctrl+C copies whole.
    void showDetails(const std::string& caption, const std::string& text) override;

private:
    const Win32MainWindow& owner_;
};

// The file names of a multiple selection: the folder, then each name, each ended by a zero, and
// a final zero; or one whole path. The full paths, in the dialog's order.
std::vector<std::wstring> selectedPaths(const std::wstring& buffer);

} // namespace corvane
