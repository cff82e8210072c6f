// The main window's document commands, title and prompts, run against recording controls.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "app/string_ids.h"
#include "platform/files.h"
#include "support/test_support.h"
#include "ui/fake_controls.h"
#include "ui/main_window.h"
#include "ui/scripted_dialogs.h"

namespace corvane {
namespace {

using test::FakeControls;
using test::ScriptedDialogs;
using Answer = MessageBoxAnswer;

// Saves in these tests use LEAP, which needs no certificates, so that only the document
// commands decide whether a save happens.
constexpr int kLeap = 3;

constexpr const char* kSaveBeforeNew =
    "Save changes to the current profile before starting a new profile?";
constexpr const char* kSaveBeforeOpen =
    "Save changes to the current profile before opening another profile?";
constexpr const char* kSaveBeforeExit = "Save changes to the current profile before exiting?";

class MainWindowTest : public testing::Test {
protected:
    MainWindowTest() : controls(window) { window.createMainWindow(controls, dialogs, "/opt/c/"); }
    ~MainWindowTest() override { window.detach(); }

    void TearDown() override {
        for (const std::string& failure : dialogs.failures())
            ADD_FAILURE() << failure;
    }

    // A profile database written by the profile model itself.
    std::string makeDatabase(const std::string& fileName, const std::string& profileName) {
        Profile profile;
        profile.filePath.assign(dir.file(fileName));
        profile.profileName.assign(profileName);
        profile.authProtocol = Leap;
        profile.username.assign("alice");
        profile.updateFieldMask();
        EXPECT_EQ(profile.saveProfileDatabase(), StatusCode::Success);
        return dir.file(fileName);
    }

    // Every message box shown, as "caption|text".
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& shown : dialogs.shown())
            if (shown.kind == "message")
                out.push_back(shown.caption + "|" + shown.text);
        return out;
    }
    std::vector<std::string> kinds() const {
        std::vector<std::string> out;
        for (const auto& shown : dialogs.shown())
            out.push_back(shown.kind);
        return out;
    }

    test::TempDir dir;
    MainWindow window;
    ScriptedDialogs dialogs;
    FakeControls controls;
};

TEST_F(MainWindowTest, StartsUntitledWithTheNameFieldFocused) {
    EXPECT_EQ(controls.title(), "Corvane - [Untitled]");
    EXPECT_EQ(controls.focus(), ControlId::ProfileName);
    EXPECT_FALSE(window.profile().modified);
    const auto& protocols = controls.state(ControlId::AuthProtocol);
    ASSERT_EQ(protocols.items.size(), 4u);
    const std::vector<std::pair<std::string, int>> expected{
        {"EAP-TLS", 9}, {"EAP-TTLS", 10}, {"EAP-PEAP", 11}, {"LEAP", 7}};
    EXPECT_EQ(protocols.items, expected);
    EXPECT_EQ(protocols.selectedItem, 0);
    EXPECT_FALSE(controls.state(ControlId::RemoveCa).enabled);
    EXPECT_EQ(controls.state(ControlId::CaList).columnWidths,
              (std::map<int, int>{{0, 109}, {1, 100}, {2, 100}, {3, 80}}));
    EXPECT_EQ(controls.state(ControlId::ClientList).columnWidths, (std::map<int, int>{{0, 370}}));
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(MainWindowTest, TypingMarksTheDocumentButTheProgramsOwnWritesDoNot) {
    controls.type(ControlId::ProfileName, "o");
    EXPECT_EQ(controls.title(), "Corvane - [Untitled *]");
    EXPECT_EQ(window.profile().profileName.str(), "o");
    EXPECT_TRUE(window.profile().modified);

    dialogs.answerMessage(Answer::No);
    window.onCommand(ControlId::New);
    EXPECT_FALSE(window.profile().modified);
    EXPECT_EQ(controls.title(), "Corvane - [Untitled]");
    EXPECT_EQ(controls.text(ControlId::ProfileName), "");
    EXPECT_FALSE(window.suppressChangeNotifications());

    for (ControlId id : {ControlId::Username, ControlId::Password, ControlId::InitialIdentity,
                         ControlId::PrivateKeyPassword}) {
        controls.type(id, "x");
        EXPECT_TRUE(window.profile().modified) << int(id);
        dialogs.answerMessage(Answer::No);
        window.onCommand(ControlId::New);
        EXPECT_FALSE(window.profile().modified) << int(id);
    }
    controls.choose(ControlId::AuthProtocol, 3);
    EXPECT_TRUE(window.profile().modified);
    EXPECT_EQ(window.profile().authProtocol, Leap);
}

TEST_F(MainWindowTest, TheCheckBoxClickCountsAsAnEdit) {
    controls.click(ControlId::ClientCheckBox);
    EXPECT_TRUE(window.clientCertificateWanted());
    EXPECT_TRUE(window.profile().modified);
    EXPECT_EQ(controls.title(), "Corvane - [Untitled *]");
    dialogs.answerMessage(Answer::No);
    window.onCommand(ControlId::New);
    EXPECT_FALSE(window.clientCertificateWanted());
    EXPECT_FALSE(controls.state(ControlId::ClientCheckBox).checked);
}

TEST(TitleTest, ComposesAndShortens) {
    struct Case {
        const char* path;
        bool modified;
        const char* title;
    };
    // On Linux a backslash is part of a file name; on Windows it separates folders.
    const bool backslashSeparates =
        std::string_view(platform::kPathSeparators).find('\\') != std::string_view::npos;
    const Case cases[] = {
        {"", false, "Corvane - [Untitled]"},
        {"", true, "Corvane - [Untitled *]"},
        {"/srv/lab\\guest.odb", false,
         backslashSeparates ? "Corvane - [guest.odb]" : "Corvane - [lab\\guest.odb]"},
        {"/home/a/office.odb", true, "Corvane - [office.odb *]"},
        {"/home/a.b\\c/x.odb", false, "Corvane - [x.odb]"},
        {"plain.odb", false, "Corvane - [plain.odb]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(composeTitle("Corvane", c.path, "Untitled", c.modified), c.title) << c.path;

    const std::string longName = std::string(150, 'a') + std::string(150, 'b') + "-end.odb";
    for (bool modified : {false, true}) {
        const std::string title = composeTitle("Corvane", "/x/" + longName, "Untitled", modified);
        EXPECT_EQ(title.size(), kMaxTitleLength);
        EXPECT_EQ(title.rfind("Corvane - [aaa", 0), 0u);
        EXPECT_NE(title.find("..."), std::string::npos);
        const std::string end = modified ? "bbb-end.odb *]" : "bbb-end.odb]";
        EXPECT_EQ(title.substr(title.size() - end.size()), end);
    }
    // A name that just fits is left whole.
    const std::string fits(255 - 12, 'f');
    EXPECT_EQ(composeTitle("Corvane", fits, "Untitled", false), "Corvane - [" + fits + "]");
    // Shortening never cuts a character of two bytes in half.
    std::string accented;
    for (int i = 0; i < 200; ++i)
        accented += "\xC3\xA9";
    const std::string title = composeTitle("Corvane", accented, "Untitled", false);
    EXPECT_LE(title.size(), kMaxTitleLength);
    const std::string inner = title.substr(11, title.size() - 12);
    const auto dots = inner.find("...");
    ASSERT_NE(dots, std::string::npos);
    EXPECT_EQ(dots % 2, 0u);
    EXPECT_EQ((inner.size() - dots - 3) % 2, 0u);
}

TEST_F(MainWindowTest, OpenNamedFileShowsItsNameWithoutAPrompt) {
    const std::string path = makeDatabase("net.odb", "Office");
    controls.type(ControlId::Username, "changed");
    window.openProfileFile(path);
    EXPECT_EQ(controls.title(), "Corvane - [net.odb]");
    EXPECT_EQ(controls.text(ControlId::ProfileName), "Office");
    EXPECT_EQ(controls.text(ControlId::Username), "alice");
    EXPECT_EQ(controls.state(ControlId::AuthProtocol).selectedItem, 3);
    EXPECT_FALSE(window.profile().modified);
    EXPECT_EQ(window.profile().filePath.str(), path);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(MainWindowTest, FailedOpensReportAndForgetTheFileName) {
    const std::string good = makeDatabase("good.odb", "Kept");
    window.openProfileFile(good);
    controls.type(ControlId::Username, "edited");

    // A record database of another type, and a path that does not exist.
    const std::string foreign = dir.file("foreign.odb");
    {
        std::string bytes = test::readFile(good);
        bytes.replace(60, 4, "TEXT");
        test::writeFile(foreign, bytes);
    }
    struct Case {
        std::string path;
        const char* text;
    };
    const Case cases[] = {
        {foreign, "The selected file is not a valid profile database."},
        {dir.file("missing.odb"), "Failed to open profile database."},
        {dir.path().string(), "Failed to open profile database."},
    };
    for (const Case& c : cases) {
        dialogs.clearShown();
        dialogs.answerMessage(Answer::Ok);
        window.openProfileFile(c.path);
        EXPECT_EQ(messages(), std::vector<std::string>{std::string("Corvane|") + c.text});
        EXPECT_EQ(dialogs.shown().front().type, MessageBoxType::Error);
        EXPECT_EQ(dialogs.shown().front().buttons, MessageBoxButtons::Ok);
        // The fields and the modified flag stay; the file name is gone.
        EXPECT_EQ(controls.text(ControlId::ProfileName), "Kept") << c.path;
        EXPECT_EQ(controls.text(ControlId::Username), "edited");
        EXPECT_TRUE(window.profile().modified);
        EXPECT_TRUE(window.profile().filePath.empty());
        EXPECT_EQ(controls.title(), "Corvane - [Untitled *]");
    }
}

TEST_F(MainWindowTest, SaveAsksForANameOnlyWhileUntitled) {
    controls.type(ControlId::ProfileName, "Office");
    controls.choose(ControlId::AuthProtocol, kLeap);
    const std::string path = dir.file("chosen.odb");
    dialogs.answerSave(path);
    EXPECT_EQ(window.saveProfile(), SaveResult::Done);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    const FileDialogRequest& request = dialogs.shown()[0].request;
    EXPECT_EQ(request.title, "Save Profile Database");
    EXPECT_EQ(request.proposedName, "Office.odb");
    EXPECT_EQ(request.defaultSuffix, "odb");
    EXPECT_TRUE(request.overwritePrompt);
    EXPECT_FALSE(request.mustExist);
    EXPECT_FALSE(request.multiSelect);
    ASSERT_EQ(request.filters.size(), 1u);
    EXPECT_EQ(request.filters[0].description, "Profile Databases (*.odb)");
    EXPECT_EQ(request.filters[0].patterns, std::vector<std::string>{"*.odb"});
    EXPECT_EQ(controls.title(), "Corvane - [chosen.odb]");
    EXPECT_FALSE(window.profile().modified);
    EXPECT_TRUE(std::filesystem::exists(path));

    // Titled: Save writes again without a dialog; Save As always asks, proposing the name.
    controls.type(ControlId::Username, "bob");
    window.onCommand(ControlId::Save);
    EXPECT_EQ(dialogs.shown().size(), 1u);
    EXPECT_FALSE(window.profile().modified);
    Profile reread;
    reread.filePath.assign(path);
    ASSERT_EQ(reread.loadProfileDatabase(), StatusCode::Success);
    EXPECT_EQ(reread.username.str(), "bob");

    dialogs.answerSave(std::nullopt);
    EXPECT_EQ(window.saveProfileAs(), SaveResult::Stopped);
    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown()[1].request.proposedName, "Office.odb");
    EXPECT_TRUE(window.profile().filePath.empty());
    controls.type(ControlId::Username, "carol");
    EXPECT_EQ(controls.title(), "Corvane - [Untitled *]");
}

TEST_F(MainWindowTest, SaveAfterACancelledDialogAsksAgain) {
    controls.type(ControlId::ProfileName, "N");
    controls.choose(ControlId::AuthProtocol, kLeap);
    dialogs.answerSave(std::nullopt);
    EXPECT_EQ(window.saveProfile(), SaveResult::Stopped);
    EXPECT_TRUE(window.profile().modified);
    EXPECT_TRUE(window.profile().filePath.empty());
    dialogs.answerSave(dir.file("second.odb"));
    EXPECT_EQ(window.saveProfile(), SaveResult::Done);
    EXPECT_EQ(kinds(), (std::vector<std::string>{"save", "save"}));
    EXPECT_EQ(controls.title(), "Corvane - [second.odb]");
}

TEST_F(MainWindowTest, ANameOfSpacesIsProposedAsItIs) {
    controls.type(ControlId::ProfileName, "  ");
    controls.choose(ControlId::AuthProtocol, kLeap);
    dialogs.answerSave(std::nullopt);
    window.saveProfile();
    EXPECT_EQ(dialogs.shown().at(0).request.proposedName, "  .odb");
}

TEST_F(MainWindowTest, ValidationRefusesBeforeAnyDialog) {
    struct Case {
        std::string name;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"", {"Invalid Field|The profile name must be at least one character long."}},
        {"caf\xC3\xA9",
         {"Invalid Field|This string must contain 7-bit ASCII characters in the range 0x20 to "
          "0x7E."}},
        {"tab\there",
         {"Invalid Field|This string must contain 7-bit ASCII characters in the "
          "range 0x20 to 0x7E."}},
        {std::string(27, 'n'), {}},
    };
    for (const Case& c : cases) {
        dialogs.clearShown();
        // Set as a loaded name is: the field takes no 27th character typed.
        controls.setText(ControlId::ProfileName, c.name);
        for (std::size_t i = 0; i < c.messages.size(); ++i)
            dialogs.answerMessage(Answer::Ok);
        EXPECT_EQ(window.saveProfile(), SaveResult::Stopped);
        EXPECT_EQ(messages(), c.messages) << c.name;
        EXPECT_EQ(kinds().size(), c.messages.size()) << "no file dialog for " << c.name;
        for (const auto& shown : dialogs.shown())
            EXPECT_EQ(shown.type, MessageBoxType::Exclamation);
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(MainWindowTest, SaveFailuresKeepTheFileNameAndTheModifiedFlag) {
    // A folder that does not exist cannot take the file.
    controls.type(ControlId::ProfileName, "N");
    controls.choose(ControlId::AuthProtocol, kLeap);
    dialogs.answerSave(dir.file("no/such/folder/x.odb"));
    dialogs.answerMessage(Answer::Ok);
    EXPECT_EQ(window.saveProfile(), SaveResult::Stopped);
    EXPECT_EQ(messages(), std::vector<std::string>{"Corvane|Failed to save profile database."});
    EXPECT_EQ(dialogs.shown().back().type, MessageBoxType::Error);
    EXPECT_TRUE(window.profile().modified);
    EXPECT_EQ(controls.title(), "Corvane - [x.odb *]");

    // A certificate record over its limit.
    dialogs.clearShown();
    controls.choose(ControlId::AuthProtocol, 1);
    ASSERT_EQ(window.profile().addCertificate(test::dataFile("certs/ca.pem"),
                                              CertificateKind::CaCertificate),
              StatusCode::Success);
    ASSERT_EQ(window.profile().clientKeyBlock.resize(70000), 0);
    window.profile().filePath.assign(dir.file("big.odb"));
    dialogs.answerMessage(Answer::Ok);
    EXPECT_EQ(window.saveProfile(), SaveResult::Stopped);
    EXPECT_EQ(messages(),
              std::vector<std::string>{"Corvane|Failed to safe profile database because one of the "
                                       "certificates is too large (>60KB)."});
    EXPECT_FALSE(std::filesystem::exists(dir.file("big.odb")));
    EXPECT_EQ(window.profile().filePath.str(), dir.file("big.odb"));
}

// New, Open and closing ask first when the document is modified.
TEST_F(MainWindowTest, PromptsAnsweredEveryWay) {
    enum class Command { New, Open, Close };
    struct Case {
        Command command;
        Answer answer;
        bool titled;
        bool saveChosen; // Yes: the save dialog gives a path (else it is cancelled)
        bool goesOn;
    };
    const Case cases[] = {
        {Command::New, Answer::Yes, false, true, true},
        {Command::New, Answer::Yes, true, true, true},
        {Command::New, Answer::Yes, true, false, false},
        {Command::New, Answer::No, false, false, true},
        {Command::New, Answer::No, true, false, true},
        {Command::New, Answer::Cancel, true, false, false},
        {Command::Open, Answer::Yes, false, true, true},
        {Command::Open, Answer::Yes, false, false, false},
        {Command::Open, Answer::No, true, false, true},
        {Command::Open, Answer::Cancel, false, false, false},
        {Command::Close, Answer::Yes, true, true, true},
        {Command::Close, Answer::Yes, false, false, false},
        {Command::Close, Answer::No, false, false, true},
        {Command::Close, Answer::Cancel, true, false, false},
    };
    const std::string other = makeDatabase("other.odb", "Other");
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        MainWindow w;
        FakeControls fc(w);
        ScriptedDialogs d;
        w.createMainWindow(fc, d, "/opt/c/");
        const std::string ownPath = dir.file("own" + std::to_string(n++) + ".odb");
        if (c.titled) {
            fc.type(ControlId::ProfileName, "Own");
            fc.choose(ControlId::AuthProtocol, kLeap);
            d.answerSave(ownPath);
            ASSERT_EQ(w.saveProfile(), SaveResult::Done);
            d.clearShown();
        }
        fc.type(ControlId::ProfileName, "Own");
        fc.choose(ControlId::AuthProtocol, kLeap);
        fc.type(ControlId::Username, "edited");
        d.answerMessage(c.answer);
        if (c.answer == Answer::Yes)
            d.answerSave(c.saveChosen ? std::optional<std::string>(ownPath) : std::nullopt);
        const char* prompt = nullptr;
        switch (c.command) {
        case Command::New:
            prompt = kSaveBeforeNew;
            w.onCommand(ControlId::New);
            break;
        case Command::Open:
            prompt = kSaveBeforeOpen;
            if (c.goesOn)
                d.answerOpen({other});
            w.onCommand(ControlId::Open);
            break;
        case Command::Close:
            prompt = kSaveBeforeExit;
            w.onCommand(ControlId::Exit);
            break;
        }
        ASSERT_FALSE(d.shown().empty());
        EXPECT_EQ(d.shown()[0].caption, "Save changes?");
        EXPECT_EQ(d.shown()[0].text, prompt);
        EXPECT_EQ(d.shown()[0].type, MessageBoxType::Question);
        EXPECT_EQ(d.shown()[0].buttons, MessageBoxButtons::YesNoCancel);
        if (c.answer == Answer::Yes) {
            // Yes always shows the save dialog, titled or not.
            ASSERT_GE(d.shown().size(), 2u);
            EXPECT_EQ(d.shown()[1].kind, "save");
            EXPECT_EQ(d.shown()[1].request.proposedName, "Own.odb");
            if (c.saveChosen) {
                Profile saved;
                saved.filePath.assign(ownPath);
                ASSERT_EQ(saved.loadProfileDatabase(), StatusCode::Success);
                EXPECT_EQ(saved.username.str(), "edited");
            }
        }
        if (c.goesOn) {
            switch (c.command) {
            case Command::New:
                EXPECT_EQ(fc.text(ControlId::Username), "");
                EXPECT_EQ(fc.title(), "Corvane - [Untitled]");
                break;
            case Command::Open:
                EXPECT_EQ(fc.text(ControlId::ProfileName), "Other");
                EXPECT_EQ(fc.title(), "Corvane - [other.odb]");
                break;
            case Command::Close:
                EXPECT_TRUE(fc.closed());
                break;
            }
            EXPECT_EQ(w.profile().modified, c.command == Command::Close && c.answer == Answer::No);
        } else {
            EXPECT_EQ(fc.text(ControlId::Username), "edited");
            EXPECT_TRUE(w.profile().modified);
            EXPECT_FALSE(fc.closed());
            if (c.answer == Answer::Yes) { // Save As forgot the file name
                EXPECT_TRUE(w.profile().filePath.empty());
            }
        }
        for (const std::string& failure : d.failures())
            ADD_FAILURE() << failure;
        w.detach();
    }
}

TEST_F(MainWindowTest, CleanDocumentsCloseAndOpenWithoutAPrompt) {
    const std::string path = makeDatabase("net.odb", "Net");
    dialogs.answerOpen({path});
    window.onCommand(ControlId::Open);
    EXPECT_EQ(kinds(), std::vector<std::string>{"open"});
    const FileDialogRequest& request = dialogs.shown()[0].request;
    EXPECT_EQ(request.title, "Open Profile Database");
    EXPECT_TRUE(request.mustExist);
    EXPECT_TRUE(request.hideReadOnly);
    EXPECT_FALSE(request.overwritePrompt);
    EXPECT_EQ(request.proposedName, "");
    EXPECT_EQ(request.defaultSuffix, "odb");
    dialogs.answerOpen({});
    window.onCommand(ControlId::Open);
    EXPECT_EQ(controls.title(), "Corvane - [net.odb]");
    window.onCommand(ControlId::Exit);
    EXPECT_TRUE(controls.closed());
}

// Mend: a save that fails after Yes stops the command, so the changes are not thrown away.
TEST_F(MainWindowTest, AFailedSaveInAPromptStopsTheCommand) {
    const std::string other = makeDatabase("other.odb", "Other");
    controls.type(ControlId::ProfileName, "Mine");
    controls.choose(ControlId::AuthProtocol, kLeap);
    const std::string unwritable = dir.file("gone/x.odb");
    for (ControlId command : {ControlId::New, ControlId::Open, ControlId::Exit}) {
        dialogs.clearShown();
        dialogs.answerMessage(Answer::Yes);
        dialogs.answerSave(unwritable);
        dialogs.answerMessage(Answer::Ok);
        window.onCommand(command);
        EXPECT_EQ(kinds(), (std::vector<std::string>{"message", "save", "message"}));
        EXPECT_EQ(messages().back(), "Corvane|Failed to save profile database.");
        EXPECT_EQ(controls.text(ControlId::ProfileName), "Mine");
        EXPECT_TRUE(window.profile().modified);
        EXPECT_FALSE(controls.closed());
    }
    // Validation refusing the save stops it as well.
    dialogs.clearShown();
    controls.type(ControlId::ProfileName, "");
    dialogs.answerMessage(Answer::Yes);
    dialogs.answerMessage(Answer::Ok);
    EXPECT_FALSE(window.onCloseRequested());
    EXPECT_EQ(kinds(), (std::vector<std::string>{"message", "message"}));
}

TEST_F(MainWindowTest, PathsLongerThanTheOldBuffersWork) {
    std::filesystem::path folder = dir.path();
    for (int i = 0; i < 4; ++i)
        folder /= std::string(90, char('a' + i));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / (std::string(120, 'n') + ".odb")).string();
    ASSERT_GT(path.size(), 500u);
    controls.type(ControlId::ProfileName, "Long");
    controls.choose(ControlId::AuthProtocol, kLeap);
    dialogs.answerSave(path);
    ASSERT_EQ(window.saveProfile(), SaveResult::Done);
    window.onCommand(ControlId::New);
    EXPECT_EQ(controls.text(ControlId::ProfileName), "");
    dialogs.answerOpen({path});
    window.onCommand(ControlId::Open);
    EXPECT_EQ(controls.text(ControlId::ProfileName), "Long");
    EXPECT_EQ(window.profile().filePath.str(), path);
    // The title keeps the end of the name, which fits in it.
    EXPECT_EQ(controls.title(), "Corvane - [" + std::string(120, 'n') + ".odb]");
}

TEST_F(MainWindowTest, FocusReturnsToTheNameField) {
    controls.setFocus(ControlId::Username);
    window.onFocusGained();
    EXPECT_EQ(controls.focus(), ControlId::ProfileName);
}

TEST_F(MainWindowTest, HelpAndAboutGoThroughTheDialogs) {
    dialogs.expectHelp();
    dialogs.expectAbout();
    window.onCommand(ControlId::HelpContents);
    window.onCommand(ControlId::About);
    ASSERT_EQ(kinds(), (std::vector<std::string>{"help", "about"}));
    EXPECT_EQ(dialogs.shown()[0].text, "/opt/c/Corvane.chm");
}

TEST_F(MainWindowTest, RemoveFollowsTheCaListSelection) {
    controls.insertListRow(ControlId::CaList, 0, "a.pem");
    controls.selectRow(ControlId::CaList, 0);
    EXPECT_TRUE(controls.state(ControlId::RemoveCa).enabled);
    controls.selectRow(ControlId::CaList, -1);
    EXPECT_FALSE(controls.state(ControlId::RemoveCa).enabled);
}

TEST_F(MainWindowTest, ReportsBecomeMessageBoxesWhileTheWindowExists) {
    dialogs.answerMessage(Answer::Ok);
    showErrorMessage("Broken.");
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].caption, "Corvane");
    EXPECT_EQ(dialogs.shown()[0].type, MessageBoxType::Error);
    dialogs.answerMessage(Answer::Ok);
    reportStatus(nullptr, StatusCode::Expired, ids::CaValidationCaption);
    EXPECT_EQ(messages().back(),
              "CA Certificate Validation Error|WARNING! Certificate is expired.");
    EXPECT_EQ(dialogs.shown().back().type, MessageBoxType::Exclamation);
}

TEST_F(MainWindowTest, ProviderConfigurationOpensAsAnUntitledModifiedProfileWithOneNotice) {
    dialogs.answerOpen({test::dataFile("eap-config/peap-two-cas.eap-config")});
    dialogs.answerMessage(Answer::Ok);
    window.onCommand(ControlId::Open);
    const FileDialogRequest& request = dialogs.shown()[0].request;
    ASSERT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filters[1].description, "Provider configurations (*.eap-config)");
    EXPECT_EQ(request.filters[1].patterns, std::vector<std::string>{"*.eap-config"});

    EXPECT_EQ(controls.title(), "Corvane - [Untitled *]");
    EXPECT_EQ(controls.text(ControlId::ProfileName), "Example University Network");
    EXPECT_EQ(controls.listRowCount(ControlId::CaList), 2);
    const std::vector<std::string> shown = messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].starts_with("Provider Configuration|The device profile cannot hold"))
        << shown[0];

    // A broken configuration dropped on a list is refused and changes nothing.
    const std::string broken = dir.file("broken.eap-config");
    test::writeFile(broken, "<html/>");
    dialogs.answerMessage(Answer::No);
    dialogs.answerMessage(Answer::Ok);
    window.onFilesDropped(ControlId::CaList, {broken});
    EXPECT_EQ(messages().back(),
              "Provider Configuration|Failed to open provider configuration.\n\nThe file is not "
              "a provider configuration: its root element is \"html\", not "
              "EAPIdentityProviderList.");
    EXPECT_EQ(controls.listRowCount(ControlId::CaList), 2);
}

} // namespace
} // namespace corvane
