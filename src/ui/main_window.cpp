#include "ui/main_window.h"

#include <cstdlib>
#include <filesystem>
#include <utility>

#include "app/resources.h"
#include "app/string_ids.h"
#include "platform/files.h"
#include "profile/eap_config.h"
#include "ui/display_text.h"

namespace corvane {
namespace {

bool isUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The middle of the name replaced by "..." so that it fits in the given number of bytes; the
// end is kept a little longer than the start, and no character is cut in two.
std::string shortenInMiddle(std::string_view name, std::size_t room) {
    constexpr std::string_view kEllipsis = "...";
    if (name.size() <= room)
        return std::string(name);
    if (room <= kEllipsis.size())
        return std::string(kEllipsis.substr(0, room));
    const std::size_t keep = room - kEllipsis.size();
    std::size_t headEnd = keep / 2;
    while (headEnd > 0 && isUtf8Continuation(name[headEnd]))
        --headEnd;
    std::size_t tailStart = name.size() - (keep - keep / 2);
    while (tailStart < name.size() && isUtf8Continuation(name[tailStart]))
        ++tailStart;
    std::string result(name.substr(0, headEnd));
    result += kEllipsis;
    result += name.substr(tailStart);
    return result;
}

} // namespace

std::string folderOf(std::string_view path) {
    const auto slash = path.find_last_of(platform::kPathSeparators);
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string proposedFileName(std::string_view profileName) {
    if (profileName.empty())
        return {};
    // A name may hold characters a file name cannot; each becomes an underscore.
    return platform::safeFileName(profileName) + ".odb";
}

std::string composeTitle(std::string_view programTitle, std::string_view filePath,
                         std::string_view untitled, bool modified) {
    std::string name(untitled);
    if (!filePath.empty()) {
        const auto slash = filePath.find_last_of(platform::kPathSeparators);
        name = std::string(slash == std::string_view::npos ? filePath : filePath.substr(slash + 1));
    }
    std::string head(programTitle);
    head += " - [";
    const std::string_view tail = modified ? " *]" : "]";
    const std::size_t fixed = head.size() + tail.size();
    const std::size_t room = fixed < kMaxTitleLength ? kMaxTitleLength - fixed : 0;
    return head + shortenInMiddle(name, room) + std::string(tail);
}

void MainWindow::createMainWindow(Controls& controls, Dialogs& dialogs, std::string programFolder) {
    controls_ = &controls;
    dialogs_ = &dialogs;
    programFolder_ = std::move(programFolder);
    // Reports become message boxes owned by this window from now on.
    previousPresenter_ = setReportPresenter(&dialogs);
    clientCertificateWanted_ = false;
    fillAuthProtocolList();
    setUpCertificateLists();
    refreshClientCertificateArea();
    profile_.reset(true);
    loadControlsFromProfile();
    updateTitle();
    controls.setFocus(ControlId::ProfileName);
}

void MainWindow::detach() {
    if (!controls_)
        return;
    setReportPresenter(previousPresenter_);
    controls_ = nullptr;
    dialogs_ = nullptr;
}

void MainWindow::markModified() {
    profile_.modified = true;
}

void MainWindow::onEdited(ControlId id) {
    switch (id) {
    case ControlId::ProfileName:
    case ControlId::InitialIdentity:
    case ControlId::PrivateKeyPassword:
    case ControlId::Password:
    case ControlId::Username:
        break;
    default:
        return;
    }
    if (suppressChangeNotifications_ || !controls_)
        return;
    readControlsIntoProfile();
    markModified();
    updateTitle();
}

void MainWindow::onSelectionChanged(ControlId id) {
    if (id != ControlId::AuthProtocol && id != ControlId::InnerAuthProtocol)
        return;
    if (suppressChangeNotifications_ || !controls_)
        return;
    readControlsIntoProfile();
    applyProtocolRules();
    markModified();
    updateTitle();
}

void MainWindow::onCheckBoxClicked(ControlId id) {
    if (id != ControlId::ClientCheckBox || suppressChangeNotifications_ || !controls_)
        return;
    clientCertificateWanted_ = controls().isChecked(ControlId::ClientCheckBox);
    applyClientCertificateChoice();
    // Only the window's choice changed, yet it counts as an edit of the document.
    markModified();
    updateTitle();
}

void MainWindow::onCommand(ControlId id) {
    if (!controls_)
        return;
    switch (id) {
    case ControlId::New:
        newProfile();
        break;
    case ControlId::Open:
        openProfile();
        break;
    case ControlId::Save:
        saveProfile();
        break;
    case ControlId::SaveAs:
        saveProfileAs();
        break;
    case ControlId::Exit:
        controls().requestClose();
        break;
    case ControlId::HelpContents:
        dialogs_->showHelp(helpFilePath(programFolder_));
        break;
    case ControlId::About:
        dialogs_->showAbout();
        break;
    case ControlId::AddCa:
        addCaCertificates();
        break;
    case ControlId::RemoveCa:
        removeSelectedCaCertificate();
        break;
    case ControlId::SetClient:
        setClientCertificateFromFile();
        break;
    case ControlId::ClearClient:
        clearClientCertificate();
        break;
    default:
        break;
    }
}

void MainWindow::onListSelectionChanged(ControlId id) {
    if (id == ControlId::CaList && controls_)
        updateRemoveButton();
}

void MainWindow::onListDeleteKey(ControlId id) {
    if (id == ControlId::CaList && controls_)
        removeSelectedCaCertificate();
}

void MainWindow::onFilesDropped(ControlId id, const std::vector<std::string>& paths) {
    if (!controls_)
        return;
    // A provider configuration dropped anywhere on the window opens as the document.
    for (const std::string& path : paths)
        if (isProviderConfigurationPath(path)) {
            if (promptToSaveChanges(ids::SaveBeforeOpenText))
                openProviderConfiguration(path);
            return;
        }
    // A drop that changed nothing leaves the lists as they were.
    if (id == ControlId::CaList) {
        if (importDroppedFiles(paths, CertificateKind::CaCertificate))
            refillCaList();
        updateTitle();
    } else if (id == ControlId::ClientList) {
        if (importDroppedFiles(paths, CertificateKind::ClientCertificate))
            refreshClientCertificateArea();
        updateTitle();
    }
}

void MainWindow::onFocusGained() {
    if (controls_)
        controls().setFocus(ControlId::ProfileName);
}

bool MainWindow::onCloseRequested() {
    if (!controls_)
        return true;
    return promptToSaveChanges(ids::SaveBeforeExitText);
}

bool MainWindow::promptToSaveChanges(unsigned textId) {
    if (!profile_.modified)
        return true;
    const MessageBoxAnswer answer =
        dialogs_->messageBox(loadString(textId), loadString(ids::SaveChangesCaption),
                             MessageBoxType::Question, MessageBoxButtons::YesNoCancel);
    switch (answer) {
    case MessageBoxAnswer::Yes:
        // A save that did not happen, refused, cancelled or failed, keeps the user's changes
        // from being thrown away by the command that asked.
        return saveProfileAs() == SaveResult::Done;
    case MessageBoxAnswer::No:
        return true;
    default:
        return false;
    }
}

void MainWindow::newProfile() {
    if (!promptToSaveChanges(ids::SaveBeforeNewText))
        return;
    profile_.reset(true);
    clientCertificateWanted_ = false;
    controls().setChecked(ControlId::ClientCheckBox, false);
    refillCaList();
    refreshClientCertificateArea();
    loadControlsFromProfile();
    updateTitle();
    controls().setFocus(ControlId::ProfileName);
}

void MainWindow::openProfile() {
    if (!promptToSaveChanges(ids::SaveBeforeOpenText))
        return;
    FileDialogRequest request = openProfileDatabaseRequest();
    request.initialFolder = dialogFolder(documentFolder());
    const std::vector<std::string> chosen = dialogs_->chooseFileToOpen(request);
    if (chosen.empty())
        return;
    rememberFolder(chosen.front());
    openFile(chosen.front());
}

void MainWindow::openProfileFile(const std::string& path) {
    profile_.filePath.assign(path);
    const StatusCode status = profile_.loadProfileDatabase();
    if (status != StatusCode::Success) {
        showErrorMessage(loadString(status == StatusCode::NotProfileDatabase
                                        ? ids::NotProfileDatabaseText
                                        : ids::OpenProfileFailed));
        profile_.filePath.clear();
    }
    refreshFromProfile();
}

void MainWindow::refreshFromProfile() {
    clientCertificateWanted_ = profile_.clientCertificate != nullptr;
    if (clientCertificateWanted_)
        controls().setChecked(ControlId::ClientCheckBox, true);
    loadControlsFromProfile();
    refillCaList();
    refreshClientCertificateArea();
    updateRemoveButton();
    updateTitle();
}

void MainWindow::openFile(const std::string& path) {
    if (isProviderConfigurationPath(path))
        openProviderConfiguration(path);
    else
        openProfileFile(path);
}

void MainWindow::openProviderConfiguration(const std::string& path) {
    const ConfigImport result = importProviderConfiguration(path, profile_, userLanguageCode());
    const std::string caption = loadString(ids::ProviderConfigurationCaption);
    if (!result.imported()) {
        dialogs_->messageBox(loadString(ids::ConfigOpenFailed) + "\n\n" +
                                 configImportErrorText(result),
                             caption, MessageBoxType::Error, MessageBoxButtons::Ok);
        return;
    }
    refreshFromProfile();
    // What the device will not enforce, in one box.
    std::string notice;
    for (const std::string& line : configImportNotice(result))
        notice += (notice.empty() ? "" : "\n") + line;
    if (!notice.empty())
        dialogs_->messageBox(notice, caption, MessageBoxType::Exclamation, MessageBoxButtons::Ok);
}

SaveResult MainWindow::saveProfile() {
    return saveProfileFrom(documentFolder());
}

SaveResult MainWindow::saveProfileFrom(const std::string& documentFolder) {
    profile_.updateFieldMask();
    if (!validateBeforeSave())
        return SaveResult::Stopped;
    if (profile_.filePath.empty()) {
        FileDialogRequest request =
            saveProfileDatabaseRequest(proposedFileName(profile_.profileName.view()));
        request.initialFolder = dialogFolder(documentFolder);
        const std::optional<std::string> chosen = dialogs_->chooseFileToSave(request);
        if (!chosen)
            return SaveResult::Stopped;
        rememberFolder(*chosen);
        profile_.filePath.assign(*chosen);
    }
    readControlsIntoProfile();
    const StatusCode status = profile_.saveProfileDatabase();
    if (status != StatusCode::Success)
        showErrorMessage(loadString(status == StatusCode::RecordTooLarge
                                        ? ids::CertificateTooLargeText
                                        : ids::SaveProfileFailed));
    updateTitle();
    return status == StatusCode::Success ? SaveResult::Done : SaveResult::Stopped;
}

SaveResult MainWindow::saveProfileAs() {
    const std::string folder = documentFolder();
    profile_.filePath.clear();
    const SaveResult result = saveProfileFrom(folder);
    // Refused or cancelled, the document has lost its file name: the title says so.
    updateTitle();
    return result;
}

std::string MainWindow::documentFolder() const {
    if (profile_.filePath.empty())
        return {};
    // A name given on the command line may be relative to the folder the program started in.
    std::error_code error;
    const std::filesystem::path absolute =
        std::filesystem::absolute(std::string(profile_.filePath.view()), error);
    return folderOf(error ? std::string(profile_.filePath.view()) : absolute.string());
}

std::string MainWindow::dialogFolder(std::string_view documentFolder) const {
    if (!documentFolder.empty())
        return std::string(documentFolder);
    if (!lastFolder_.empty())
        return lastFolder_;
    const char* home = std::getenv("HOME");
    if (!home || !*home)
        return {};
    std::string folder(home);
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

void MainWindow::rememberFolder(const std::string& path) {
    if (std::string folder = folderOf(path); !folder.empty())
        lastFolder_ = std::move(folder);
}

void MainWindow::updateTitle() {
    const std::string program = loadString(ids::WindowTitle);
    if (program.empty() || !controls_)
        return;
    controls().setTitle(composeTitle(program, displaySystemText(profile_.filePath.view()),
                                     loadString(ids::Untitled), profile_.modified));
}

void MainWindow::updateRemoveButton() {
    controls().setEnabled(ControlId::RemoveCa, controls().selectedListRow(ControlId::CaList) >= 0);
}

int MainWindow::findComboIndexByValue(ControlId id, int value) const {
    const int count = controls_->comboItemCount(id);
    for (int i = 0; i < count; ++i)
        if (controls_->comboItemValue(id, i) == value)
            return i;
    return 0;
}

int MainWindow::selectedComboValue(ControlId id) const {
    const int index = controls_->selectedComboIndex(id);
    return index < 0 ? -1 : controls_->comboItemValue(id, index);
}

} // namespace corvane
