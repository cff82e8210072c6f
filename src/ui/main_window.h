#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "certs/certificate_entry.h"
#include "profile/profile.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/display_text.h"

namespace corvane {

enum class SaveResult { Done = 0, Stopped = 1 };

// The longest title the window shows, in bytes.
constexpr std::size_t kMaxTitleLength = 255;

// The folder part of a path, with its trailing '/'; empty when the path has none.
std::string folderOf(std::string_view path);

// The name a save dialog proposes for a profile name: "<name>.odb" with every character a file
// name cannot hold replaced; empty for no name.
std::string proposedFileName(std::string_view profileName);

// "<program> - [<file name or untitled>]" with " *]" when modified. The file name is the text
// after the last '/'. A name too long for the title is shortened in its middle with
// "...", keeping its end, where names usually differ.
std::string composeTitle(std::string_view programTitle, std::string_view filePath,
                         std::string_view untitled, bool modified);

// The main window's behaviour: the document commands, the title, the prompts and the rules that
// bind the controls to the profile. It owns the profile the window edits; the toolkit hands it
// the window's controls and dialogs and calls its handlers.
class MainWindow {
public:
    MainWindow() = default;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    Profile& profile() { return profile_; }
    const Profile& profile() const { return profile_; }

    // The steps of creation once the controls exist: fills the lists, resets the profile, loads
    // the controls, sets the title and the focus. The controls and dialogs must outlive the
    // window's use of them (until detach).
    void createMainWindow(Controls& controls, Dialogs& dialogs, std::string programFolder);
    void detach();
    bool created() const { return controls_ != nullptr; }

    // Handlers for the toolkit's notifications.
    void onEdited(ControlId id);           // a text field changed
    // Before a text field takes what the user typed, pasted or deleted: what the field may hold
    // instead of the proposed text (the accepted one is its text before the edit). A refused
    // character or one over the limit is signalled at the field.
    FieldEdit onFieldEdit(ControlId id, std::string_view accepted, std::string_view proposed);
    void onSelectionChanged(ControlId id); // a drop-down list's choice changed
    void onCheckBoxClicked(ControlId id);
    void onCommand(ControlId id); // a menu item, its shortcut or its button
    void onListSelectionChanged(ControlId id);
    void onListDeleteKey(ControlId id);
    // Files dropped on a list, or on the window itself (id None).
    void onFilesDropped(ControlId id, const std::vector<std::string>& paths);
    // The details of the certificate a row of either list shows; empty for a row without one.
    std::string listRowToolTip(ControlId id, int row);
    // The same details in a box, for the keyboard: the selected row of the CA list, the one row
    // of the client list.
    void onListDetailsRequested(ControlId id);
    void onFocusGained();
    // True when the window may close: the user saved, declined or had nothing to save.
    bool onCloseRequested();

    // Document commands.
    void newProfile();
    void openProfile();
    void openProfileFile(const std::string& path);
    // A file named on the command line or chosen in the open dialog: a provider configuration
    // is imported, anything else opened as a profile database.
    void openFile(const std::string& path);
    // Replaces the document with the profile a provider configuration describes: untitled and
    // modified, so that Save asks for a name. A refused file changes nothing.
    void openProviderConfiguration(const std::string& path);
    SaveResult saveProfile();
    SaveResult saveProfileAs();
    void updateTitle();
    void updateRemoveButton();

    bool suppressChangeNotifications() const { return suppressChangeNotifications_; }
    bool clientCertificateWanted() const { return clientCertificateWanted_; }

    // Drop-down list helpers: the index of the first item with the value (0 when none has it),
    // and the selected item's value (-1 when nothing is selected).
    int findComboIndexByValue(ControlId id, int value) const;
    int selectedComboValue(ControlId id) const;

    // Keeps change notifications from counting as user edits while the program writes into
    // the controls; restores the previous state on leaving.
    class SuppressChangeNotifications {
    public:
        explicit SuppressChangeNotifications(MainWindow& window)
            : window_(window), previous_(window.suppressChangeNotifications_) {
            window_.suppressChangeNotifications_ = true;
        }
        ~SuppressChangeNotifications() { window_.suppressChangeNotifications_ = previous_; }
        SuppressChangeNotifications(const SuppressChangeNotifications&) = delete;
        SuppressChangeNotifications& operator=(const SuppressChangeNotifications&) = delete;

    private:
        MainWindow& window_;
        bool previous_;
    };

private:
    // Where a file dialog starts: the folder of the document (or of the one it had before Save
    // As), else the last folder a dialog went to, else the user's home folder.
    std::string dialogFolder(std::string_view documentFolder) const;
    std::string documentFolder() const;
    void rememberFolder(const std::string& path);
    SaveResult saveProfileFrom(const std::string& documentFolder);
    // Asks whether to save first; false when the command must end.
    bool promptToSaveChanges(unsigned textId);
    void markModified();
    // Shows the document the profile now holds in every control.
    void refreshFromProfile();
    Controls& controls() { return *controls_; }

    // The profile settings pane (settings_pane.cpp).
    void fillAuthProtocolList();
    void loadControlsFromProfile();
    void readControlsIntoProfile();
    void applyProtocolRules();
    void applyClientCertificateChoice();
    void refreshClientCertificateArea();
    bool validateBeforeSave();

    // The certificates pane (certificates_pane.cpp).
    void setUpCertificateLists();
    void refillCaList();
    void addCaCertificates();
    void removeSelectedCaCertificate();
    void setClientCertificateFromFile();
    void clearClientCertificate();
    // Profile::addCertificate for a file chosen or dropped in the window.
    StatusCode addCertificateFromWindow(const std::string& path, CertificateKind kind);
    // True when the profile's certificates changed.
    bool importDroppedFiles(const std::vector<std::string>& paths, CertificateKind kind);

    Profile profile_;
    Controls* controls_ = nullptr;
    Dialogs* dialogs_ = nullptr;
    ReportPresenter* previousPresenter_ = nullptr; // given back on detach
    std::string lastFolder_;
    std::string programFolder_;
    bool suppressChangeNotifications_ = false;
    bool clientCertificateWanted_ = false;
    // The fields that have named a character they refused.
    std::set<ControlId> refusalNamed_;
    // The last tooltip and what it was made from (password, certificate bytes, list and the
    // generation of the CA list, which counts its refills).
    std::string toolTipKey_;
    std::uint64_t caListGeneration_ = 0;
    std::string toolTipText_;
};

} // namespace corvane
