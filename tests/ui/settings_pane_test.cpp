// The profile settings pane over fake controls: what each outer protocol enables, shows and
// blanks, the optional client certificate, and the checks before a save.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/resources.h"
#include "certs/cert_test_support.h"
#include "storage/record_database.h"
#include "ui/pane_test_support.h"

namespace corvane {
namespace {

using test::certFile;
using Id = ControlId;
using Answer = MessageBoxAnswer;

class SettingsPaneTest : public test::PaneTest {};

// Every row of the resulting-states table, for each combination of a held client certificate
// and the optional box's choice made beforehand under EAP-TTLS.
TEST_F(SettingsPaneTest, ResultingStatesOfEveryOuterProtocol) {
    struct Row {
        int index;
        std::size_t innerItems;
        bool password, identity, caArea, headingIsLabel, boxEnabled;
    };
    const Row rows[] = {
        {test::TlsIndex, 0, false, false, true, true, false},
        {test::TtlsIndex, 7, true, true, true, false, true},
        {test::PeapIndex, 3, true, true, true, false, true},
        {test::LeapIndex, 0, true, false, false, false, false},
    };
    for (bool held : {false, true}) {
        for (bool ticked : {false, true}) {
            for (const Row& row : rows) {
                SCOPED_TRACE(testing::Message() << "protocol " << row.index << " held " << held
                                                << " ticked " << ticked);
                MainWindow w;
                test::FakeControls c(w);
                test::ScriptedDialogs d;
                w.createMainWindow(c, d, "/opt/c/");
                c.choose(Id::AuthProtocol, test::TtlsIndex);
                c.type(Id::Password, "pw");
                c.type(Id::InitialIdentity, "id");
                if (held) {
                    c.click(Id::ClientCheckBox); // Set... applies only while the box is ticked
                    d.answerOpen({certFile("client-plain-rsa.pem")});
                    w.onCommand(Id::SetClient);
                    c.type(Id::PrivateKeyPassword, "pk");
                }
                if (w.clientCertificateWanted() != ticked)
                    c.click(Id::ClientCheckBox);
                c.choose(Id::AuthProtocol, row.index);
                auto s = [&c](Id id) { return c.state(id); };

                EXPECT_EQ(s(Id::InnerAuthProtocol).items.size(), row.innerItems);
                EXPECT_EQ(s(Id::InnerAuthProtocol).enabled, row.innerItems > 0);
                EXPECT_EQ(s(Id::InnerAuthProtocolLabel).enabled, row.innerItems > 0);
                EXPECT_EQ(s(Id::Password).enabled, row.password);
                EXPECT_EQ(s(Id::PasswordLabel).enabled, row.password);
                EXPECT_EQ(s(Id::Password).text, row.password ? "pw" : "");
                EXPECT_EQ(s(Id::InitialIdentity).enabled, row.identity);
                EXPECT_EQ(s(Id::InitialIdentityLabel).enabled, row.identity);
                EXPECT_EQ(s(Id::InitialIdentity).text, row.identity ? "id" : "");
                for (Id id : {Id::AddCa, Id::CaList, Id::CaListLabel})
                    EXPECT_EQ(s(id).enabled, row.caArea) << int(id);
                EXPECT_FALSE(s(Id::RemoveCa).enabled); // until a row is selected

                EXPECT_EQ(s(Id::ClientLabel).visible, row.headingIsLabel);
                EXPECT_EQ(s(Id::ClientLabel).enabled, row.headingIsLabel);
                EXPECT_EQ(s(Id::ClientCheckBox).visible, !row.headingIsLabel);
                EXPECT_EQ(s(Id::ClientCheckBox).enabled, row.boxEnabled);
                if (s(Id::ClientCheckBox).visible) {
                    EXPECT_EQ(s(Id::ClientCheckBox).checked, row.boxEnabled && ticked);
                }

                const bool setEnabled = row.headingIsLabel || (row.boxEnabled && ticked);
                EXPECT_EQ(s(Id::SetClient).enabled, setEnabled);
                EXPECT_EQ(s(Id::ClientList).enabled, setEnabled);
                const bool clearEnabled = setEnabled && held;
                EXPECT_EQ(s(Id::ClearClient).enabled, clearEnabled);
                EXPECT_EQ(s(Id::PrivateKeyPassword).enabled, clearEnabled);
                EXPECT_EQ(s(Id::PrivateKeyPasswordLabel).enabled, clearEnabled);
                // Shown while a client certificate is allowed, blank otherwise.
                EXPECT_EQ(s(Id::PrivateKeyPassword).text,
                          held && row.index != test::LeapIndex ? "pk" : "");
                std::vector<std::vector<std::string>> clientRows;
                if (setEnabled)
                    clientRows.push_back({held ? "client-plain-rsa.pem" : "Not specified."});
                EXPECT_EQ(s(Id::ClientList).rows, clientRows);

                // The profile name and the username always apply; the choice itself survives.
                EXPECT_TRUE(s(Id::ProfileName).enabled);
                EXPECT_TRUE(s(Id::Username).enabled);
                EXPECT_EQ(w.clientCertificateWanted(), ticked);
                EXPECT_EQ(w.profile().password.str(), "pw");
                EXPECT_EQ(w.profile().initialIdentity.str(), "id");
                EXPECT_FALSE(w.suppressChangeNotifications());
                for (const std::string& failure : d.failures())
                    ADD_FAILURE() << failure;
                w.detach();
            }
        }
    }
}

// Switching keeps the tunneled method by its value, not by its position.
TEST_F(SettingsPaneTest, TtlsToPeapSelectsByValue) {
    struct Case {
        int ttlsIndex;
        std::string peapText;
        int storedAfterwards;
    };
    const Case cases[] = {
        {4, "GTC", 12},          // EAP-GTC and GTC both carry 12
        {1, "MSCHAPv2", 13},     // CHAP has no PEAP counterpart: position 0
        {5, "MD5-Challenge", 8}, // EAP-MD5-Challenge
        {6, "MSCHAPv2", 13},     // EAP-MSCHAPv2
        {3, "MSCHAPv2", 13},     // MSCHAPv2 (3) is not EAP-MSCHAPv2 (13): position 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ttlsIndex);
        controls.choose(Id::AuthProtocol, test::TtlsIndex);
        controls.choose(Id::InnerAuthProtocol, c.ttlsIndex);
        controls.choose(Id::AuthProtocol, test::PeapIndex);
        EXPECT_EQ(selectedInnerText(), c.peapText);
        // The profile takes the shown value at the next read-back.
        controls.type(Id::Username, "u" + std::to_string(c.ttlsIndex));
        EXPECT_EQ(window.profile().innerAuthProtocol, c.storedAfterwards);
        controls.choose(Id::AuthProtocol, test::LeapIndex);
    }
    // And back: GTC under EAP-PEAP is EAP-GTC under EAP-TTLS.
    controls.choose(Id::AuthProtocol, test::PeapIndex);
    controls.choose(Id::InnerAuthProtocol, 1);
    controls.choose(Id::AuthProtocol, test::TtlsIndex);
    EXPECT_EQ(selectedInnerText(), "EAP-GTC");
}

TEST_F(SettingsPaneTest, TtlsAfterTlsShowsPapAndTlsStores255) {
    controls.type(Id::Username, "u");
    EXPECT_EQ(window.profile().innerAuthProtocol, 255); // the empty list under EAP-TLS
    controls.choose(Id::AuthProtocol, test::TtlsIndex);
    EXPECT_EQ(selectedInnerText(), "PAP");
    EXPECT_EQ(state(Id::InnerAuthProtocol).items.size(), 7u);
    EXPECT_EQ(window.profile().innerAuthProtocol, 255); // the shown value is taken at read-back
    controls.type(Id::Username, "v");
    EXPECT_EQ(window.profile().innerAuthProtocol, Pap);
}

TEST_F(SettingsPaneTest, TheClientChoiceSurvivesADetourThroughLeap) {
    controls.choose(Id::AuthProtocol, test::TtlsIndex);
    controls.click(Id::ClientCheckBox);
    ASSERT_TRUE(state(Id::SetClient).enabled);
    controls.choose(Id::AuthProtocol, test::LeapIndex);
    EXPECT_FALSE(state(Id::ClientCheckBox).checked);
    EXPECT_FALSE(state(Id::ClientCheckBox).enabled);
    EXPECT_FALSE(state(Id::SetClient).enabled);
    EXPECT_TRUE(state(Id::ClientList).rows.empty());
    EXPECT_TRUE(window.clientCertificateWanted());
    controls.choose(Id::AuthProtocol, test::TtlsIndex);
    EXPECT_TRUE(state(Id::ClientCheckBox).checked);
    EXPECT_TRUE(state(Id::SetClient).enabled);
    EXPECT_TRUE(state(Id::ClientList).enabled);
    EXPECT_EQ(state(Id::ClientList).rows,
              (std::vector<std::vector<std::string>>{{"Not specified."}}));
}

TEST_F(SettingsPaneTest, ADisabledFieldKeepsItsValueForLater) {
    controls.choose(Id::AuthProtocol, test::TtlsIndex);
    controls.type(Id::Password, "secret");
    controls.type(Id::InitialIdentity, "anonymous");
    controls.choose(Id::AuthProtocol, test::TlsIndex);
    EXPECT_EQ(controls.text(Id::Password), "");
    // Edits elsewhere read back only the enabled fields.
    controls.type(Id::Username, "someone");
    EXPECT_EQ(window.profile().password.str(), "secret");
    EXPECT_EQ(window.profile().initialIdentity.str(), "anonymous");
    controls.choose(Id::AuthProtocol, test::TtlsIndex);
    EXPECT_EQ(controls.text(Id::Password), "secret");
    EXPECT_EQ(controls.text(Id::InitialIdentity), "anonymous");
    // LEAP keeps the password shown and blanks only the identity.
    controls.choose(Id::AuthProtocol, test::LeapIndex);
    EXPECT_EQ(controls.text(Id::Password), "secret");
    EXPECT_EQ(controls.text(Id::InitialIdentity), "");
}

TEST_F(SettingsPaneTest, AnOuterProtocolOutsideTheListDisablesEverythingOptional) {
    Profile stored;
    stored.filePath.assign(dir.file("odd.odb"));
    stored.profileName.assign("Odd");
    stored.authProtocol = 8;
    stored.updateFieldMask();
    ASSERT_EQ(stored.saveProfileDatabase(), StatusCode::Success);

    window.openProfileFile(dir.file("odd.odb"));
    EXPECT_EQ(state(Id::AuthProtocol).selectedItem, 0);
    EXPECT_EQ(window.profile().authProtocol, 8);
    for (Id id : {Id::InnerAuthProtocol, Id::Password, Id::InitialIdentity, Id::AddCa, Id::RemoveCa,
                  Id::CaList, Id::ClientCheckBox, Id::SetClient, Id::ClientList, Id::ClearClient,
                  Id::PrivateKeyPassword, Id::ClientLabel})
        EXPECT_FALSE(enabled(id)) << int(id);
    EXPECT_TRUE(state(Id::ClientCheckBox).visible);
    EXPECT_TRUE(state(Id::CaList).rows.empty());
    EXPECT_TRUE(state(Id::ClientList).rows.empty());
    EXPECT_EQ(controls.text(Id::Password), "");
    // The save would write EAP-TLS, so it is checked as EAP-TLS.
    dialogs.answerMessage(Answer::Ok);
    EXPECT_EQ(window.saveProfile(), SaveResult::Stopped);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"Certificate Required|You must specify at "
                                                       "least one CA certificate for server "
                                                       "authentication."});
    controls.type(Id::Username, "u");
    EXPECT_EQ(window.profile().authProtocol, EapTls);
    EXPECT_EQ(controls.text(Id::ProfileName), "Odd");
}

// The checks before a save, in their order: the first failure is the only message.
TEST_F(SettingsPaneTest, ChecksBeforeASaveInTheirOrder) {
    struct Case {
        const char* what;
        std::string name;
        int outer;
        bool ticked;
        std::vector<std::string> caFiles;
        std::string clientFile;
        std::string keyPassword;
        std::vector<std::string> messages;
        bool saves;
    };
    const std::string kRequired = "Certificate Required|";
    const std::string kClientCheck = "Client Certificate / Private Key Validation Error|";
    const Case cases[] = {
        {"name first",
         "",
         test::PeapIndex,
         true,
         {},
         "",
         "",
         {"Invalid Field|The profile name must be at least one character long."},
         false},
        {"name not ASCII",
         "Caf\xC3\xA9",
         test::LeapIndex,
         false,
         {},
         "",
         "",
         {"Invalid Field|This string must contain 7-bit ASCII characters in the range 0x20 to "
          "0x7E."},
         false},
        {"name too long", std::string(27, 'n'), test::LeapIndex, false, {}, "", "", {}, false},
        {"26 characters", std::string(26, 'n'), test::LeapIndex, false, {}, "", "", {}, true},
        {"ticked box before missing CA",
         "n",
         test::PeapIndex,
         true,
         {},
         "",
         "",
         {kRequired + "Optional client certificate / private key is checked, but no client "
                      "cert / private key file has been specified."},
         false},
        {"TTLS ticked too",
         "n",
         test::TtlsIndex,
         true,
         {"ca.pem"},
         "",
         "",
         {kRequired + "Optional client certificate / private key is checked, but no client "
                      "cert / private key file has been specified."},
         false},
        {"no CA",
         "n",
         test::PeapIndex,
         false,
         {},
         "",
         "",
         {kRequired + "You must specify at least one CA certificate for server authentication."},
         false},
        {"TLS without anything: the CA first",
         "n",
         test::TlsIndex,
         false,
         {},
         "",
         "",
         {kRequired + "You must specify at least one CA certificate for server authentication."},
         false},
        {"TLS without client",
         "n",
         test::TlsIndex,
         false,
         {"ca.pem"},
         "",
         "",
         {kRequired +
          "You must specify a client certificate / private key for TLS authentication."},
         false},
        {"LEAP needs nothing", "n", test::LeapIndex, false, {}, "", "", {}, true},
        {"wrong key password",
         "n",
         test::TlsIndex,
         false,
         {"ca.pem"},
         "client-enc-pkcs8.pem",
         "wrong",
         {kClientCheck +
          "The password for your client certificate / private key appears to be incorrect."},
         false},
        {"right key password",
         "n",
         test::TlsIndex,
         false,
         {"ca.pem"},
         "client-enc-pkcs8.pem",
         test::kKeyPassword,
         {},
         true},
        {"bundle password",
         "n",
         test::PeapIndex,
         true,
         {"ca.der"},
         "client.p12",
         test::kP12Password,
         {},
         true},
        {"expired client warns and saves",
         "n",
         test::TlsIndex,
         false,
         {"ca.pem"},
         "client-expired-plain.pem",
         "",
         {kClientCheck + "WARNING! Certificate is expired."},
         true},
        {"client checked under LEAP as well",
         "n",
         test::LeapIndex,
         false,
         {},
         "client.p12",
         "wrong",
         {kClientCheck +
          "The password for your client certificate / private key appears to be incorrect."},
         false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MainWindow w;
        test::FakeControls fc(w);
        test::ScriptedDialogs d;
        w.createMainWindow(fc, d, "/opt/c/");
        // Certificates go in under EAP-TLS, where every certificate control applies.
        for (const std::string& file : c.caFiles)
            ASSERT_EQ(w.profile().addCertificate(certFile(file), CertificateKind::CaCertificate),
                      StatusCode::Success);
        if (!c.clientFile.empty()) {
            d.answerOpen({certFile(c.clientFile)});
            if (c.clientFile.find("expired") != std::string::npos)
                d.answerMessage(Answer::Ok); // the warning of the Set command
            w.onCommand(Id::SetClient);
            fc.type(Id::PrivateKeyPassword, c.keyPassword);
        }
        fc.choose(Id::AuthProtocol, test::TtlsIndex);
        if (w.clientCertificateWanted() != c.ticked)
            fc.click(Id::ClientCheckBox);
        fc.choose(Id::AuthProtocol, c.outer);
        fc.setText(Id::ProfileName, c.name); // as loaded: no 27th character can be typed
        d.clearShown();

        for (std::size_t i = 0; i < c.messages.size(); ++i)
            d.answerMessage(Answer::Ok);
        const std::string path = dir.file("check" + std::to_string(n++) + ".odb");
        if (c.saves)
            d.answerSave(path);
        const SaveResult result = w.saveProfile();
        std::vector<std::string> messages;
        for (const auto& shown : d.shown()) {
            if (shown.kind == "message") {
                messages.push_back(shown.caption + "|" + shown.text);
                EXPECT_EQ(shown.type, MessageBoxType::Exclamation);
                EXPECT_EQ(shown.buttons, MessageBoxButtons::Ok);
            }
        }
        EXPECT_EQ(messages, c.messages);
        EXPECT_EQ(result == SaveResult::Done, c.saves);
        EXPECT_EQ(std::filesystem::exists(path), c.saves);
        // Validation comes before any file dialog.
        if (!c.saves) {
            EXPECT_EQ(d.shown().size(), c.messages.size());
        }
        for (const std::string& failure : d.failures())
            ADD_FAILURE() << failure;
        w.detach();
    }
}

// The fields take characters of the device's code page, one stored byte each, up to their limit;
// typed or pasted, any other character is refused with a beep, and named once in each field.
TEST_F(SettingsPaneTest, FieldsTakeTheDeviceCodePageUpToTheirLimit) {
    const std::string L = "\xC5\x81", zhong = "\xE4\xB8\xAD", ae = "\xC3\xA4",
                      notice = "The character \"%s\" cannot be stored on the device.";
    const std::string noL = fillFormat(notice, {L}), noZhong = fillFormat(notice, {zhong});
    using P = Profile;
    struct Case {
        Id id;
        CountedString P::*field;
        std::size_t before;               // 'a's in the field first
        bool paste;                       // else typed one key at a time at the end
        std::string input, stored;        // the field's bytes after the 'a's
        std::vector<std::string> notices; // one a refusal; empty for the beep alone
    } cases[] = {
        {Id::Username, &P::username, 0, false, "J\xC3\xBCrgen", "J\xFCrgen", {}},
        {Id::Password, &P::password, 0, true, "\xE2\x82\xAC\xC2\x81\xC3\xBF", "\x80\x81\xFF", {}},
        {Id::Password, &P::password, 62, false, ae + "\xC3\xB6", "\xE4", {""}},
        {Id::ProfileName, &P::profileName, 25, false, "\xC3\xBCx", "\xFC", {""}},
        {Id::Username, &P::username, 0, false, "a" + L + "b" + zhong, "ab", {noL, ""}},
        {Id::InitialIdentity, &P::initialIdentity, 0, true, "p" + zhong + "q" + L, "pq", {noZhong}},
        {Id::PrivateKeyPassword, &P::privateKeyPassword, 60, true, ae + L + "xyz", "\xE4xy", {noL}},
    };
    controls.choose(Id::AuthProtocol, test::TtlsIndex);
    controls.click(Id::ClientCheckBox);
    runWithFiles(Id::SetClient, {certFile("client-plain-rsa.pem")});
    for (const Case& c : cases) {
        controls.type(c.id, std::string(c.before, 'a'));
        if (c.paste)
            controls.paste(c.id, c.input);
        else
            for (char32_t key : utf8ToCodePoints(c.input))
                controls.paste(c.id, codePointsToUtf8({&key, 1}));
        EXPECT_EQ((window.profile().*c.field).str(), std::string(c.before, 'a') + c.stored)
            << c.input;
        EXPECT_EQ(controls.takeRefusals(), c.notices) << c.input;
    }
}

// Mend of the text encoding: the window stores what is typed in the device's code page, as a
// script written in Windows-1252 does, so the same edits give the same records.
TEST_F(SettingsPaneTest, SavedRecordsEqualThoseOfTheSameScript) {
    controls.type(Id::ProfileName, "Office");
    controls.choose(Id::AuthProtocol, test::TtlsIndex);
    controls.choose(Id::InnerAuthProtocol, 4); // EAP-GTC
    controls.type(Id::Username, "J\xC3\xBCrgen");
    controls.type(Id::Password, "pw1");
    controls.type(Id::InitialIdentity, "anon");
    controls.choose(Id::AuthProtocol, test::TlsIndex);
    controls.choose(Id::AuthProtocol, test::PeapIndex);
    // EAP-TLS left no tunneled method behind (255), so EAP-PEAP shows its first one.
    EXPECT_EQ(selectedInnerText(), "MSCHAPv2");
    controls.choose(Id::InnerAuthProtocol, 1); // GTC
    runWithFiles(Id::AddCa, {certFile("ca.pem"), certFile("ca2.der")});
    controls.selectRow(Id::CaList, 0);
    dialogs.answerMessage(Answer::Ok);
    window.onCommand(Id::RemoveCa);
    controls.type(Id::Password, "pw\xE2\x82\xAC");
    controls.click(Id::ClientCheckBox);
    runWithFiles(Id::SetClient, {certFile("client.p12")});
    controls.type(Id::PrivateKeyPassword, test::kP12Password);
    const std::string fromWindow = dir.file("window.odb");
    dialogs.answerSave(fromWindow);
    ASSERT_EQ(window.saveProfile(), SaveResult::Done);
    EXPECT_EQ(takeMessages(),
              std::vector<std::string>{"Remove Certificate|Remove the selected certificate?"});

    const std::string script = "new\n"
                               "set_name Office\n"
                               "set_auth EAP-PEAP\n"
                               "set_inner_auth EAP-GTC\n"
                               "set_username J\xFCrgen\n"
                               "set_password pw\x80\n"
                               "set_initial_identity anon\n"
                               "add_ca_cert " +
                               certFile("ca2.der") +
                               "\n"
                               "set_pkpassword " +
                               test::kP12Password +
                               "\n"
                               "set_client_cert_pkey " +
                               certFile("client.p12") +
                               "\n"
                               "save script.odb\n";
    const test::RunResult run = test::runScript(script, dir.path().string());
    ASSERT_EQ(run.exitCode, 0) << test::logBody(dir.path().string());

    RecordDatabase window, scripted;
    ASSERT_EQ(window.readDatabase(fromWindow), StatusCode::Success);
    ASSERT_EQ(scripted.readDatabase(dir.file("script.odb")), StatusCode::Success);
    EXPECT_EQ(std::string(window.name.data()), std::string(scripted.name.data()));
    EXPECT_EQ(window.type, scripted.type);
    EXPECT_EQ(window.creator, scripted.creator);
    ASSERT_EQ(window.recordCount(), scripted.recordCount());
    ASSERT_GE(window.recordCount(), 3u);
    for (std::uint32_t i = 0; i < window.recordCount(); ++i) {
        const RecordEntry& a = *window.recordAt(i);
        const RecordEntry& b = *scripted.recordAt(i);
        EXPECT_EQ(a.resourceType, b.resourceType) << i;
        EXPECT_EQ(a.resourceId, b.resourceId) << i;
        EXPECT_EQ(a.data.view(), b.data.view()) << "record " << i;
    }
}

} // namespace
} // namespace corvane
