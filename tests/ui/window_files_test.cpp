// The window and its files: texts of another encoding, where file dialogs start, the names they
// propose, the title after a cancelled Save As, and certificate details from the keyboard.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/string_ids.h"
#include "certs/cert_test_support.h"
#include "storage/record_database.h"
#include "ui/pane_test_support.h"

namespace corvane {
namespace {

using test::certFile;
using Id = ControlId;
using Answer = MessageBoxAnswer;

class WindowFilesTest : public test::PaneTest {
protected:
    // The records of a database, in order.
    static std::vector<std::string> records(const std::string& path) {
        RecordDatabase database;
        EXPECT_EQ(database.readDatabase(path), StatusCode::Success);
        std::vector<std::string> out;
        for (std::uint32_t i = 0; i < database.recordCount(); ++i)
            out.emplace_back(database.recordAt(i)->data.view());
        return out;
    }
    // The folder of the dialog shown last.
    std::string lastDialogFolder() const { return dialogs.shown().back().request.initialFolder; }
};

// A script in Latin-1 writes Latin-1 bytes; the window shows them readably and saves them back
// untouched, and an edit changes only the record that holds the field.
TEST_F(WindowFilesTest, TextsOfAnotherEncodingGoBackByteForByte) {
    const std::string script = "new\nset_name Lab\nset_auth EAP-TTLS\n"
                               "set_username J\xFCrgen\nset_password pa\xDF\xDFwort\n"
                               "add_ca_cert " +
                               certFile("ca.pem") + "\nsave latin1.odb\n";
    ASSERT_EQ(test::runScript(script, dir.path().string()).exitCode, 0);
    const std::string path = dir.file("latin1.odb");
    const std::vector<std::string> before = records(path);

    window.openProfileFile(path);
    EXPECT_EQ(controls.text(Id::Username), "J\xC3\xBCrgen");
    EXPECT_EQ(controls.title(), "Corvane - [latin1.odb]");
    controls.type(Id::ProfileName, "Lab"); // every edit reads all fields back
    ASSERT_EQ(window.saveProfile(), SaveResult::Done);
    EXPECT_EQ(records(path), before);

    controls.type(Id::InitialIdentity, "an\xC3\xB3n");
    ASSERT_EQ(window.saveProfile(), SaveResult::Done);
    const std::vector<std::string> after = records(path);
    ASSERT_EQ(after.size(), before.size());
    int changed = 0;
    for (std::size_t i = 0; i < after.size(); ++i)
        changed += after[i] != before[i];
    EXPECT_EQ(changed, 1);
    Profile reloaded;
    reloaded.filePath.assign(path);
    ASSERT_EQ(reloaded.loadProfileDatabase(), StatusCode::Success);
    EXPECT_EQ(reloaded.username.str(), "J\xFCrgen");
    EXPECT_EQ(reloaded.password.str(), "pa\xDF\xDFwort");
    EXPECT_EQ(reloaded.initialIdentity.str(), "an\xF3n");
}

// Dialogs start in the document's folder, else the last one used, else the home folder.
TEST_F(WindowFilesTest, FileDialogsStartWhereTheUserWorks) {
    const char* startHome = std::getenv("HOME");
    const std::string home = dir.path().string(), previousHome = startHome ? startHome : "";
    setenv("HOME", home.c_str(), 1);

    dialogs.answerOpen({});
    window.onCommand(Id::Open);
    EXPECT_EQ(lastDialogFolder(), home + "/");

    runWithFiles(Id::AddCa, {certFile("ca.pem")});
    EXPECT_EQ(lastDialogFolder(), home + "/");
    const std::string certFolder = folderOf(certFile("ca.pem"));
    runWithFiles(Id::SetClient, {});
    EXPECT_EQ(lastDialogFolder(), certFolder);

    // Yes in the prompt goes to Save As, which starts beside the open document.
    controls.choose(Id::AuthProtocol, test::TtlsIndex);
    controls.type(Id::ProfileName, "a/b\\c:d*e?f\"g<h>i|j");
    const std::string saved = dir.file("lab.odb");
    dialogs.answerSave(saved);
    ASSERT_EQ(window.saveProfile(), SaveResult::Done);
    EXPECT_EQ(lastDialogFolder(), certFolder);
    EXPECT_EQ(dialogs.shown().back().request.proposedName, "a_b_c_d_e_f_g_h_i_j.odb");
    runWithFiles(Id::AddCa, {certFile("ca2.pem")});
    controls.type(Id::Username, "u");
    dialogs.answerMessage(Answer::Yes);
    dialogs.answerSave(std::nullopt);
    window.onCommand(Id::New);
    EXPECT_EQ(lastDialogFolder(), folderOf(saved));
    // The cancelled Save As left the document without a name, and the title says so.
    EXPECT_EQ(controls.title(), "Corvane - [Untitled *]");
    setenv("HOME", previousHome.c_str(), 1);

    // A document named relative to the current folder (as on the command line) lies there.
    const std::filesystem::path started = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    dialogs.answerSave("relative.odb");
    ASSERT_EQ(window.saveProfile(), SaveResult::Done);
    dialogs.answerOpen({});
    window.onCommand(Id::Open);
    std::filesystem::current_path(started);
    EXPECT_EQ(lastDialogFolder(), folderOf(saved));
}

TEST_F(WindowFilesTest, CertificateDetailsFromTheKeyboard) {
    runWithFiles(Id::AddCa, {certFile("ca.pem"), certFile("ca2.pem")});
    window.onListDetailsRequested(Id::CaList); // no row selected: nothing to show
    EXPECT_TRUE(dialogs.shown().back().kind == "open");
    controls.selectRow(Id::CaList, 1);
    window.onListDetailsRequested(Id::CaList);
    ASSERT_EQ(dialogs.shown().back().kind, "details");
    EXPECT_EQ(dialogs.shown().back().caption, "ca2.pem");
    EXPECT_EQ(dialogs.shown().back().text.rfind("Subject: CN=Corvane Second CA", 0), 0u);
}

TEST(ReportPresenterTest, TheWindowGivesReportsBackWhenItGoes) {
    test::ScriptedDialogs before;
    ReportPresenter* log = setReportPresenter(&before);
    {
        MainWindow window;
        test::FakeControls controls(window);
        test::ScriptedDialogs dialogs;
        window.createMainWindow(controls, dialogs, "/opt/c/");
        window.detach();
    }
    before.answerMessage(Answer::Ok);
    reportStatus(nullptr, StatusCode::Expired, ids::CaValidationCaption);
    setReportPresenter(log);
    EXPECT_EQ(before.shown().size(), 1u);
}

} // namespace
} // namespace corvane
