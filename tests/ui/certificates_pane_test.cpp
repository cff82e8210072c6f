// The certificates pane over fake controls: the CA list's rows and columns, Add, Remove, Set,
// Clear, the Delete key, dropped files and the rows' tooltips.
#include <gtest/gtest.h>

#include "certs/cert_test_support.h"
#include "certs/certificate_details.h"
#include "ui/pane_test_support.h"

namespace corvane {
namespace {

using test::certFile;
using Id = ControlId;
using Answer = MessageBoxAnswer;
using Rows = std::vector<std::vector<std::string>>;

const std::string kCaCaption = "CA Certificate Validation Error|";
const std::string kAddCaption = "Add Certificate Failed|";

class CertificatesPaneTest : public test::PaneTest {
protected:
    std::vector<std::string> fileNames() const { return column(Id::CaList, 0); }
};

TEST_F(CertificatesPaneTest, RowsShowNameSubjectIssuerAndLocalEndDate) {
    runWithFiles(Id::AddCa, {certFile("ca.pem"), certFile("name-issuer-o-ou.pem")});
    EXPECT_EQ(takeMessages(), std::vector<std::string>{});
    ASSERT_EQ(controls.listRowCount(Id::CaList), 2);
    const auto& second = *window.profile().caCertificates.itemAt(1);
    const Rows expected{
        {"ca.pem", "Corvane Test CA", "Corvane Test CA",
         formatCertificateDate(window.profile().caCertificates.itemAt(0)->notAfter)},
        {"name-issuer-o-ou.pem", second.subject.str(), second.issuer.str(),
         formatCertificateDate(second.notAfter)}};
    EXPECT_EQ(state(Id::CaList).rows, expected);
    EXPECT_NE(expected[1][3], "");
    EXPECT_TRUE(window.profile().modified);
    EXPECT_EQ(controls.title(), "Corvane - [Untitled *]");
    // The keyboard starts on row 0, which is not selected; Remove waits for a selection.
    EXPECT_EQ(state(Id::CaList).focusedRow, 0);
    EXPECT_EQ(state(Id::CaList).selectedRow, -1);
    EXPECT_FALSE(enabled(Id::RemoveCa));
    EXPECT_TRUE(state(Id::CaList).tabStop);
}

// Each multiple selection with what it shows and what the list holds afterwards.
TEST_F(CertificatesPaneTest, AddingSeveralFiles) {
    struct Case {
        const char* what;
        std::vector<std::string> files;
        std::vector<std::string> messages;
        std::vector<std::string> listed;
    };
    const Case cases[] = {
        {"a PKCS#12 bundle in the middle stops the rest",
         {"ca.pem", "client.p12", "ca2.pem"},
         {kCaCaption + "Format is not supported for CA certificates."},
         {"ca.pem"}},
        {"an expired one warns and both are added",
         {"expired.pem", "ca.pem"},
         {kCaCaption + "WARNING! Certificate is expired."},
         {"expired.pem", "ca.pem"}},
        {"one not yet valid warns too",
         {"future.der", "ca2.pem"},
         {kCaCaption + "WARNING! Certificate is not yet valid."},
         {"future.der", "ca2.pem"}},
        {"a duplicate is reported and the rest still imported",
         {"ca.pem", "ca.der", "ca2.der"},
         {kCaCaption + "Certificate is already in the list."},
         {"ca.pem", "ca2.der"}},
        {"a missing file",
         {"ca.pem", "missing.pem", "ca2.pem"},
         {kCaCaption + "File does not exist."},
         {"ca.pem"}},
        {"cancelled", {}, {}, {}},
        {"an unknown format stops the rest",
         {"../make-certs.sh", "ca.pem"},
         {kCaCaption + "Unsupported or unknown certificate format."},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MainWindow w;
        test::FakeControls fc(w);
        test::ScriptedDialogs d;
        w.createMainWindow(fc, d, "/opt/c/");
        std::vector<std::string> paths;
        for (const std::string& file : c.files)
            paths.push_back(certFile(file));
        d.answerOpen(paths);
        for (std::size_t i = 0; i < c.messages.size(); ++i)
            d.answerMessage(Answer::Ok);
        w.onCommand(Id::AddCa);
        std::vector<std::string> messages;
        for (const auto& shown : d.shown())
            if (shown.kind == "message")
                messages.push_back(shown.caption + "|" + shown.text);
        EXPECT_EQ(messages, c.messages);
        std::vector<std::string> listed;
        for (int row = 0; row < fc.listRowCount(Id::CaList); ++row)
            listed.push_back(fc.listCellText(Id::CaList, row, 0));
        EXPECT_EQ(listed, c.listed);
        EXPECT_EQ(w.profile().caCertificates.count(), c.listed.size());
        EXPECT_EQ(w.profile().modified, !c.listed.empty());
        for (const std::string& failure : d.failures())
            ADD_FAILURE() << failure;
        w.detach();
    }
}

// Mend: an import that fails changes nothing, not even the list's selection.
TEST_F(CertificatesPaneTest, AFailedImportLeavesEverythingAsItWas) {
    runWithFiles(Id::AddCa, {certFile("ca.pem"), certFile("ca2.pem")});
    const std::string saved = dir.file("kept.odb");
    controls.type(Id::ProfileName, "Kept");
    controls.choose(Id::AuthProtocol, test::TlsIndex);
    runWithFiles(Id::SetClient, {certFile("client-plain-rsa.pem")});
    dialogs.answerSave(saved);
    ASSERT_EQ(window.saveProfile(), SaveResult::Done);
    ASSERT_FALSE(window.profile().modified);
    controls.selectRow(Id::CaList, 1);
    const auto caRows = state(Id::CaList).rows;
    const auto clientRows = state(Id::ClientList).rows;
    takeMessages();

    runWithFiles(Id::AddCa, {certFile("client.p12")}, 1);
    runWithFiles(Id::AddCa, {certFile("ca.der")}, 1); // already listed
    runWithFiles(Id::SetClient, {certFile("ca.der")}, 1);
    dialogs.answerMessage(Answer::Ok);
    window.onFilesDropped(Id::CaList, {certFile("bundle.p7b")});
    dialogs.answerMessage(Answer::Ok);
    window.onFilesDropped(Id::ClientList, {certFile("client-key-only.pem")});
    window.onFilesDropped(Id::CaList, {});
    EXPECT_EQ(
        takeMessages(),
        (std::vector<std::string>{
            kCaCaption + "Format is not supported for CA certificates.",
            kCaCaption + "Certificate is already in the list.",
            kAddCaption + "Format is not supported for client certificate / private key files.",
            kAddCaption + "Format is not supported for CA certificates.",
            kAddCaption + "Unsupported or unknown certificate format."}));
    EXPECT_EQ(state(Id::CaList).rows, caRows);
    EXPECT_EQ(state(Id::CaList).selectedRow, 1);
    EXPECT_TRUE(enabled(Id::RemoveCa));
    EXPECT_EQ(state(Id::ClientList).rows, clientRows);
    EXPECT_FALSE(window.profile().modified);
    EXPECT_EQ(controls.title(), "Corvane - [kept.odb]");
    ASSERT_TRUE(window.profile().clientCertificate);
    EXPECT_EQ(window.profile().clientCertificate->fileName.str(), "client-plain-rsa.pem");
}

TEST_F(CertificatesPaneTest, ColumnThreeNarrowsFromFiveCertificates) {
    const char* files[] = {"ca.pem", "ca2.pem", "name-two-cn.pem", "name-utf8.pem",
                           "name-sn-o.pem"};
    for (int i = 0; i < 5; ++i) {
        runWithFiles(Id::AddCa, {certFile(files[i])});
        EXPECT_EQ(state(Id::CaList).columnWidths.at(3), i + 1 < 5 ? 80 : 64) << i;
    }
    // The other columns keep their widths.
    EXPECT_EQ(state(Id::CaList).columnWidths.at(0), 109);
    controls.selectRow(Id::CaList, 4);
    dialogs.answerMessage(Answer::Ok);
    window.onCommand(Id::RemoveCa);
    EXPECT_EQ(state(Id::CaList).columnWidths.at(3), 80);
    EXPECT_EQ(controls.listRowCount(Id::CaList), 4);
}

TEST_F(CertificatesPaneTest, RemoveAndTheDeleteKeyAskFirst) {
    for (bool viaKey : {false, true}) {
        SCOPED_TRACE(viaKey);
        auto remove = [&] {
            viaKey ? window.onListDeleteKey(Id::CaList) : window.onCommand(Id::RemoveCa);
        };
        runWithFiles(Id::AddCa,
                     {certFile("ca.pem"), certFile("ca2.pem"), certFile("name-utf8.pem")});
        remove(); // no selection: nothing at all
        dialogs.clearShown();
        controls.selectRow(Id::CaList, 1);
        dialogs.answerMessage(Answer::Cancel);
        remove();
        EXPECT_EQ(takeMessages(),
                  std::vector<std::string>{"Remove Certificate|Remove the selected certificate?"});
        EXPECT_EQ(fileNames().size(), 3u);
        window.profile().modified = false;
        dialogs.answerMessage(Answer::Ok);
        remove();
        EXPECT_EQ(fileNames(), (std::vector<std::string>{"ca.pem", "name-utf8.pem"}));
        EXPECT_TRUE(window.profile().modified);
        EXPECT_FALSE(enabled(Id::RemoveCa));
        dialogs.answerMessage(MessageBoxAnswer::No);
        window.onCommand(Id::New);
        dialogs.clearShown();
    }
    // The Delete key means nothing on the client list.
    window.onListDeleteKey(Id::ClientList);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(CertificatesPaneTest, RemoveIsDisabledRightAfterAdd) {
    runWithFiles(Id::AddCa, {certFile("ca.pem")});
    controls.selectRow(Id::CaList, 0);
    ASSERT_TRUE(enabled(Id::RemoveCa));
    runWithFiles(Id::AddCa, {certFile("ca2.pem")});
    EXPECT_FALSE(enabled(Id::RemoveCa));
    EXPECT_EQ(state(Id::CaList).selectedRow, -1);
}

TEST_F(CertificatesPaneTest, LeapHidesTheRowsButKeepsTheCertificates) {
    runWithFiles(Id::AddCa, {certFile("ca.pem"), certFile("ca2.pem")});
    controls.choose(Id::AuthProtocol, test::LeapIndex);
    EXPECT_TRUE(state(Id::CaList).rows.empty());
    EXPECT_EQ(window.profile().caCertificates.count(), 2u);
    controls.choose(Id::AuthProtocol, test::TlsIndex);
    EXPECT_EQ(fileNames(), (std::vector<std::string>{"ca.pem", "ca2.pem"}));
}

TEST_F(CertificatesPaneTest, TheListIsATabStopOnlyWithCertificates) {
    EXPECT_FALSE(state(Id::CaList).tabStop);
    runWithFiles(Id::AddCa, {certFile("ca.pem")});
    EXPECT_TRUE(state(Id::CaList).tabStop);
    controls.selectRow(Id::CaList, 0);
    dialogs.answerMessage(Answer::Ok);
    window.onCommand(Id::RemoveCa);
    EXPECT_FALSE(state(Id::CaList).tabStop);
}

TEST_F(CertificatesPaneTest, SetReplacesTheClientCertificateUnlessTheNewOneFails) {
    controls.choose(Id::AuthProtocol, test::TtlsIndex);
    controls.click(Id::ClientCheckBox);
    controls.choose(Id::AuthProtocol, test::TlsIndex);
    window.profile().modified = false;
    runWithFiles(Id::SetClient, {}); // cancelled
    EXPECT_FALSE(window.profile().modified);
    EXPECT_EQ(state(Id::ClientList).rows, (Rows{{"Not specified."}}));
    dialogs.clearShown();

    runWithFiles(Id::SetClient, {certFile("client.p12")});
    EXPECT_EQ(state(Id::ClientList).rows, (Rows{{"client.p12"}}));
    EXPECT_TRUE(enabled(Id::ClearClient));
    EXPECT_TRUE(enabled(Id::PrivateKeyPassword));
    EXPECT_EQ(controls.title(), "Corvane - [Untitled *]");

    runWithFiles(Id::SetClient, {certFile("ca.der")}, 1);
    EXPECT_EQ(takeMessages().back(),
              kAddCaption + "Format is not supported for client certificate / private key files.");
    EXPECT_EQ(state(Id::ClientList).rows, (Rows{{"client.p12"}}));

    // A warning keeps the new one.
    runWithFiles(Id::SetClient, {certFile("client-expired-plain.pem")}, 1);
    EXPECT_EQ(takeMessages().back(), kAddCaption + "WARNING! Certificate is expired.");
    EXPECT_EQ(state(Id::ClientList).rows, (Rows{{"client-expired-plain.pem"}}));
}

// A client certificate set under EAP-TLS is wanted under the tunneled protocols as well.
TEST_F(CertificatesPaneTest, SetSetsTheClientChoice) {
    controls.choose(Id::AuthProtocol, test::TlsIndex);
    runWithFiles(Id::SetClient, {certFile("client-plain-rsa.pem")});
    EXPECT_TRUE(window.clientCertificateWanted());
    controls.choose(Id::AuthProtocol, test::PeapIndex);
    EXPECT_TRUE(state(Id::ClientCheckBox).checked);
    EXPECT_EQ(state(Id::ClientList).rows, (Rows{{"client-plain-rsa.pem"}}));
}

TEST_F(CertificatesPaneTest, ClearAsksAndEmptiesTheKeyPasswordToo) {
    runWithFiles(Id::SetClient, {certFile("client.p12")});
    controls.type(Id::PrivateKeyPassword, test::kP12Password);
    ASSERT_EQ(window.profile().privateKeyPassword.str(), test::kP12Password);
    dialogs.clearShown();

    dialogs.answerMessage(Answer::Cancel);
    window.onCommand(Id::ClearClient);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].caption, "Clear Client Certificate / Private Key");
    EXPECT_EQ(dialogs.shown()[0].text, "Clear the client certificate / private key?");
    EXPECT_EQ(dialogs.shown()[0].type, MessageBoxType::Question);
    EXPECT_EQ(dialogs.shown()[0].buttons, MessageBoxButtons::OkCancel);
    EXPECT_TRUE(window.profile().clientCertificate);

    window.profile().clientKeyBlock.assign(std::string("kept block"));
    dialogs.answerMessage(Answer::Ok);
    window.onCommand(Id::ClearClient);
    EXPECT_FALSE(window.profile().clientCertificate);
    EXPECT_EQ(window.profile().clientKeyBlock.size(), 0u);
    EXPECT_TRUE(window.profile().privateKeyPassword.empty());
    EXPECT_EQ(controls.text(Id::PrivateKeyPassword), "");
    EXPECT_FALSE(enabled(Id::PrivateKeyPassword));
    EXPECT_FALSE(enabled(Id::ClearClient));
    EXPECT_EQ(state(Id::ClientList).rows, (Rows{{"Not specified."}}));
}

TEST_F(CertificatesPaneTest, DroppedFiles) {
    // A folder is passed over; the files are imported in order.
    window.onFilesDropped(Id::CaList,
                          {test::dataFile("certs"), certFile("ca2.pem"), certFile("ca.der")});
    EXPECT_EQ(fileNames(), (std::vector<std::string>{"ca2.pem", "ca.der"}));
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(controls.title(), "Corvane - [Untitled *]");

    // A fatal status ends the loop; a warning does not.
    dialogs.answerMessage(Answer::Ok);
    dialogs.answerMessage(Answer::Ok);
    window.onFilesDropped(
        Id::CaList, {certFile("expired.der"), certFile("client.p12"), certFile("name-utf8.pem")});
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{
                                  kAddCaption + "WARNING! Certificate is expired.",
                                  kAddCaption + "Format is not supported for CA certificates."}));
    EXPECT_EQ(fileNames(), (std::vector<std::string>{"ca2.pem", "ca.der", "expired.der"}));

    // On the client list only the first file that is not a folder counts, and the choice of
    // the box is not touched.
    ASSERT_FALSE(window.clientCertificateWanted());
    window.onFilesDropped(Id::ClientList, {test::dataFile("certs"), certFile("client.p12"),
                                           certFile("client-plain-rsa.pem")});
    EXPECT_EQ(state(Id::ClientList).rows, (Rows{{"client.p12"}}));
    EXPECT_FALSE(window.clientCertificateWanted());
    EXPECT_TRUE(dialogs.shown().empty());
}

// A file chosen or dropped in the window keeps its name in the device's code page, "_" for a
// character the code page cannot hold; the file itself is read by its real name.
TEST_F(CertificatesPaneTest, FileNamesAreStoredInTheDeviceCodePage) {
    // Joined as bytes: a path made from a name converts it in the system's code page on Windows.
    const std::string ca = dir.file("") + "Zertifikat-\xC3\xBC-\xC5\x81.pem";
    const std::string client = dir.file("") + "\xE4\xB8\xAD-schl\xC3\xBCssel.pem";
    test::writeFile(ca, test::readFile(certFile("ca.pem")));
    test::writeFile(client, test::readFile(certFile("client-plain-rsa.pem")));
    runWithFiles(Id::AddCa, {ca});
    window.onFilesDropped(Id::ClientList, {client});
    ASSERT_EQ(fileNames(), std::vector<std::string>{"Zertifikat-\xC3\xBC-_.pem"});
    ASSERT_NE(window.profile().clientCertificate, nullptr);
    EXPECT_EQ(window.profile().caCertificates.itemAt(0)->fileName.str(), "Zertifikat-\xFC-_.pem");
    EXPECT_EQ(window.profile().clientCertificate->fileName.str(), "_-schl\xFCssel.pem");
}

TEST_F(CertificatesPaneTest, RowTooltipsDescribeTheCertificate) {
    runWithFiles(Id::AddCa, {certFile("ca.pem"), certFile("ca2.der")});
    const std::string first = window.listRowToolTip(Id::CaList, 0);
    const std::string second = window.listRowToolTip(Id::CaList, 1);
    for (const char* line :
         {"Subject: CN=Corvane Test CA,O=Corvane Tests\n",
          "Issuer: CN=Corvane Test CA,O=Corvane "
          "Tests\n",
          "\nSignature algorithm: ecdsa-with-SHA256\n", "\nPublic key: EC (prime256v1), 256 bits"})
        EXPECT_NE(first.find(line), std::string::npos) << line << " in\n" << first;
    for (const char* label :
         {"\nValid from: ", "\nValid until: ", "\nSerial number: ", "\nSHA-256 fingerprint: "})
        EXPECT_NE(first.find(label), std::string::npos) << label;
    EXPECT_NE(second.find("Subject: CN=Corvane Second CA"), std::string::npos);
    EXPECT_EQ(window.listRowToolTip(Id::CaList, 0), first);
    EXPECT_EQ(window.listRowToolTip(Id::CaList, 2), "");
    EXPECT_EQ(window.listRowToolTip(Id::CaList, -1), "");

    // The client row: "Not specified." has none; a bundle needs its password.
    EXPECT_EQ(window.listRowToolTip(Id::ClientList, 0), "");
    runWithFiles(Id::SetClient, {certFile("client.p12")});
    EXPECT_EQ(window.listRowToolTip(Id::ClientList, 0),
              "The certificate's details cannot be read (a protected file needs its private key "
              "password).");
    controls.type(Id::PrivateKeyPassword, test::kP12Password);
    EXPECT_EQ(window.listRowToolTip(Id::ClientList, 0)
                  .rfind("Subject: CN=Client RSA,O=Corvane "
                         "Tests\n",
                         0),
              0u);
    // No rows under LEAP, so no tooltips either.
    controls.choose(Id::AuthProtocol, test::LeapIndex);
    EXPECT_EQ(window.listRowToolTip(Id::CaList, 0), "");
}

TEST_F(CertificatesPaneTest, RowTooltipsCarryTheCertificatesAdvisories) {
    // A server's own certificate added as a CA, without the CA that issued it.
    runWithFiles(Id::AddCa, {test::dataFile("advisories/server-leaf.pem")});
    const std::string tip = window.listRowToolTip(Id::CaList, 0);
    EXPECT_NE(tip.find("\n\nAdvisories:\nCA-NOT-CA: This certificate is not a CA certificate"),
              std::string::npos)
        << tip;
    EXPECT_NE(tip.find("\nCA-NOT-ROOT: "), std::string::npos) << tip;
    // Its issuer added, the chain is whole: the tip says so at once.
    runWithFiles(Id::AddCa, {test::dataFile("advisories/intermediate.pem")});
    EXPECT_EQ(window.listRowToolTip(Id::CaList, 0).find("CA-NOT-ROOT"), std::string::npos);
}

} // namespace
} // namespace corvane
