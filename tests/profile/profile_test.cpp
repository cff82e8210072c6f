#include "profile/profile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/string_ids.h"
#include "script/log.h"
#include "support/test_support.h"

namespace corvane {
namespace {

std::unique_ptr<CertificateEntry> entryWith(std::string_view bytes) {
    auto entry = std::make_unique<CertificateEntry>();
    entry->kind = CertificateKind::CaCertificate;
    entry->bytes.assign(bytes);
    return entry;
}

TEST(ProfileTest, FreshProfileHoldsTheDefaults) {
    Profile profile;
    EXPECT_EQ(profile.authProtocol, EapTls);
    EXPECT_EQ(profile.innerAuthProtocol, Pap);
    EXPECT_EQ(profile.targetCode, 0x6465766Eu);
    EXPECT_TRUE(profile.profileName.empty());
    EXPECT_TRUE(profile.filePath.empty());
    EXPECT_EQ(profile.caCertificates.count(), 0u);
    EXPECT_EQ(profile.clientCertificate, nullptr);
    EXPECT_FALSE(profile.keptHeader.headerValid);
    EXPECT_FALSE(profile.modified);
}

TEST(ProfileTest, ResetReturnsEverythingToTheDefaults) {
    Profile profile;
    profile.filePath.assign("a.odb");
    profile.profileName.assign("Office");
    profile.targetCode = 1;
    profile.authProtocol = Leap;
    profile.innerAuthProtocol = Chap;
    profile.username.assign("u");
    profile.password.assign("p");
    profile.privateKeyPassword.assign("k");
    profile.initialIdentity.assign("i");
    profile.caCertificates.append(entryWith("ca"));
    profile.clientCertificate = entryWith("client");
    profile.clientKeyBlock.assign("block");
    profile.keptHeader.headerValid = true;
    profile.modified = true;

    EXPECT_EQ(profile.reset(false), StatusCode::Success);
    EXPECT_EQ(profile.filePath, "a.odb");
    EXPECT_TRUE(profile.profileName.empty());
    EXPECT_EQ(profile.targetCode, kDefaultTargetCode);
    EXPECT_EQ(profile.authProtocol, EapTls);
    EXPECT_EQ(profile.innerAuthProtocol, Pap);
    EXPECT_TRUE(profile.username.empty() && profile.password.empty() &&
                profile.privateKeyPassword.empty() && profile.initialIdentity.empty());
    EXPECT_EQ(profile.caCertificates.count(), 0u);
    EXPECT_EQ(profile.clientCertificate, nullptr);
    EXPECT_TRUE(profile.clientKeyBlock.empty());
    EXPECT_FALSE(profile.keptHeader.headerValid);
    EXPECT_FALSE(profile.modified);

    profile.reset(true);
    EXPECT_TRUE(profile.filePath.empty());
}

TEST(ProfileTest, RemoveCaCertificateByIndex) {
    Profile profile;
    profile.caCertificates.append(entryWith("first"));
    profile.caCertificates.append(entryWith("second"));

    EXPECT_EQ(profile.removeCertificate(2, CertificateKind::CaCertificate), StatusCode::Failure);
    EXPECT_EQ(profile.removeCertificate(-1, CertificateKind::CaCertificate), StatusCode::Failure);
    EXPECT_FALSE(profile.modified);
    EXPECT_EQ(profile.caCertificates.count(), 2u);

    EXPECT_EQ(profile.removeCertificate(1, CertificateKind::CaCertificate), StatusCode::Success);
    EXPECT_TRUE(profile.modified);
    ASSERT_EQ(profile.caCertificates.count(), 1u);
    EXPECT_EQ(profile.caCertificates.itemAt(0)->bytes.view(), "first");
}

TEST(ProfileTest, ClearingTheClientCertificateDropsTheKeyBlockToo) {
    Profile profile;
    EXPECT_EQ(profile.removeCertificate(0, CertificateKind::ClientCertificate),
              StatusCode::Success); // nothing to clear is no failure
    profile.clientCertificate = entryWith("client");
    profile.clientKeyBlock.assign("block");
    profile.modified = false;
    EXPECT_EQ(profile.removeCertificate(7, CertificateKind::ClientCertificate),
              StatusCode::Success);
    EXPECT_EQ(profile.clientCertificate, nullptr);
    EXPECT_TRUE(profile.clientKeyBlock.empty());
    EXPECT_TRUE(profile.modified);
}

TEST(ProfileTest, DuplicateCaCertificatesAreFoundByTheirBytes) {
    Profile profile;
    profile.caCertificates.append(entryWith("AAAA"));
    EXPECT_TRUE(profile.hasCaCertificate(*entryWith("AAAA")));
    EXPECT_FALSE(profile.hasCaCertificate(*entryWith("AAAAB")));
    EXPECT_FALSE(profile.hasCaCertificate(*entryWith("AAAB")));
}

TEST(FieldMaskTest, FollowsTheOuterProtocolAndTheClientCertificate) {
    Profile profile;
    struct Case {
        std::uint8_t outer;
        bool client;
        std::uint8_t mask;
    };
    for (const Case& c :
         {Case{EapTls, false, 0x38}, Case{EapTls, true, 0x78}, Case{EapTtls, false, 0x1F},
          Case{EapTtls, true, 0x5F}, Case{EapPeap, false, 0x1F}, Case{EapPeap, true, 0x5F},
          Case{Leap, false, 0x02}, Case{Leap, true, 0x02}, Case{8, true, 0x00}}) {
        profile.authProtocol = c.outer;
        profile.clientCertificate = c.client ? entryWith("c") : nullptr;
        profile.updateFieldMask();
        EXPECT_EQ(profile.fieldMask, c.mask) << int(c.outer) << " client " << c.client;
    }
}

TEST(ValidationTest, ProfileName) {
    EXPECT_EQ(validateProfileName(""), StatusCode::NameEmpty);
    EXPECT_EQ(validateProfileName(std::string(26, 'a')), StatusCode::Success);
    EXPECT_EQ(validateProfileName(std::string(27, 'a')), StatusCode::TextTooLong);
    EXPECT_EQ(validateProfileName(std::string(27, '\t')), StatusCode::TextTooLong); // length first
    EXPECT_EQ(validateProfileName("Home\tOffice"), StatusCode::NameNotAscii);
    EXPECT_EQ(validateProfileName("Caf\xE9"), StatusCode::NameNotAscii);
    EXPECT_EQ(validateProfileName("del\x7F"), StatusCode::NameNotAscii);
    EXPECT_EQ(validateProfileName(std::string("nul\0x", 5)), StatusCode::NameNotAscii);
    EXPECT_EQ(validateProfileName(" ~"), StatusCode::Success);
}

TEST(ValidationTest, TextFieldsLimitOnlyTheLength) {
    EXPECT_EQ(validateTextField(std::string(64, '\xE9')), StatusCode::Success);
    EXPECT_EQ(validateTextField(std::string(65, 'a')), StatusCode::TextTooLong);
    EXPECT_EQ(validateTextField(""), StatusCode::Success);
}

TEST(ValidationTest, ProtocolPairs) {
    for (std::uint8_t inner : {0, 1, 4, 5, 99})
        EXPECT_EQ(validateProtocols(Leap, inner), StatusCode::Success);
    EXPECT_EQ(validateProtocols(EapTls, 200), StatusCode::Success);
    for (std::uint8_t inner : {1, 2, 3, 4, 8, 12, 13})
        EXPECT_EQ(validateProtocols(EapTtls, inner), StatusCode::Success) << int(inner);
    for (std::uint8_t inner : {0, 5, 6, 7, 9, 11, 14})
        EXPECT_EQ(validateProtocols(EapTtls, inner), StatusCode::BadInnerProtocol) << int(inner);
    for (std::uint8_t inner : {8, 12, 13})
        EXPECT_EQ(validateProtocols(EapPeap, inner), StatusCode::Success) << int(inner);
    for (std::uint8_t inner : {1, 2, 3, 4, 5, 6})
        EXPECT_EQ(validateProtocols(EapPeap, inner), StatusCode::BadInnerProtocol) << int(inner);
    EXPECT_EQ(validateProtocols(8, Pap), StatusCode::BadAuthProtocol);
    EXPECT_EQ(validateProtocols(0, Pap), StatusCode::BadAuthProtocol);
}

TEST(ValidationTest, CertificateRequirements) {
    EXPECT_EQ(checkCertificateRequirements(EapTls, 0, false), StatusCode::CaCertificateRequired);
    EXPECT_EQ(checkCertificateRequirements(EapTls, 0, true), StatusCode::CaCertificateRequired);
    EXPECT_EQ(checkCertificateRequirements(EapTls, 1, false),
              StatusCode::ClientCertificateRequired);
    EXPECT_EQ(checkCertificateRequirements(EapTls, 1, true), StatusCode::Success);
    EXPECT_EQ(checkCertificateRequirements(EapTtls, 0, true), StatusCode::CaCertificateRequired);
    EXPECT_EQ(checkCertificateRequirements(EapPeap, 0, false), StatusCode::CaCertificateRequired);
    EXPECT_EQ(checkCertificateRequirements(EapPeap, 2, false), StatusCode::Success);
    EXPECT_EQ(checkCertificateRequirements(Leap, 0, false), StatusCode::Success);
    EXPECT_EQ(checkCertificateRequirements(8, 0, false), StatusCode::Success);
}

TEST(StatusTest, OnlyTheCertificateWarningsAreNotFatal) {
    for (int code = 1; code < 300; ++code) {
        auto status = static_cast<StatusCode>(code);
        const bool warning = code == 54 || code == 55 || code == 105;
        EXPECT_EQ(isFatalStatus(status), !warning) << code;
    }
}

TEST(StatusTest, EachStatusHasItsText) {
    EXPECT_EQ(statusTextId(StatusCode::FileNotFound), 250u);
    EXPECT_EQ(statusTextId(StatusCode::WrongPassword), 238u);
    EXPECT_EQ(statusTextId(StatusCode::NotYetValid), 239u);
    EXPECT_EQ(statusTextId(StatusCode::Expired), 240u);
    EXPECT_EQ(statusTextId(StatusCode::NoCertificate), 241u);
    EXPECT_EQ(statusTextId(StatusCode::NoPrivateKey), 242u);
    EXPECT_EQ(statusTextId(StatusCode::AddFailed), 247u);
    EXPECT_EQ(statusTextId(StatusCode::ReadFailed), 247u);
    EXPECT_EQ(statusTextId(StatusCode::UnknownFormat), 244u);
    EXPECT_EQ(statusTextId(StatusCode::CaFormatNotSupported), 245u);
    EXPECT_EQ(statusTextId(StatusCode::ClientFormatNotSupported), 246u);
    EXPECT_EQ(statusTextId(StatusCode::AlreadyInList), 236u);
    for (int code : {2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 51, 53, 58, 59, 60, 999})
        EXPECT_EQ(statusTextId(static_cast<StatusCode>(code)), 237u) << code;
}

// Runs a body with the current directory in a fresh folder and the log reopened there.
class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_.path());
        closeLog();
    }
    void TearDown() override {
        closeLog();
        std::filesystem::current_path(previous_);
    }
    test::TempDir folder_;
    std::filesystem::path previous_;
};

TEST_F(ReportTest, ScriptModeLogsEveryReportAsAnError) {
    testing::internal::CaptureStdout();
    reportStatus(nullptr, StatusCode::Expired, ids::AddCertificateFailedCaption);
    reportStatus(nullptr, StatusCode::Malformed, ids::ClientValidationCaption);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string expected =
        "ERROR: Add Certificate Failed - WARNING! Certificate is expired.\n"
        "ERROR: Client Certificate / Private Key Validation Error - Failed to validate "
        "certificate.\n";
    EXPECT_EQ(test::readTextFile(folder_.file("wizard.log")), expected);
    EXPECT_EQ(out, expected);
}

TEST_F(ReportTest, WindowModeShowsAMessageBoxInstead) {
    struct Recorder : ReportPresenter {
        std::vector<std::string> shown;
        void showMessage(OwnerWindow, const std::string& text, const std::string& caption,
                         MessageBoxType type) override {
            shown.push_back(caption + "|" + text + "|" +
                            (type == MessageBoxType::Exclamation ? "!" : "?"));
        }
    } recorder;
    ReportPresenter* log = setReportPresenter(&recorder);
    reportStatus(nullptr, StatusCode::AlreadyInList, ids::CaValidationCaption);
    setReportPresenter(log);
    EXPECT_EQ(recorder.shown, (std::vector<std::string>{
                                  "CA Certificate Validation Error|Certificate is already in the "
                                  "list.|!"}));
    EXPECT_FALSE(std::filesystem::exists(folder_.file("wizard.log")));
}

} // namespace
} // namespace corvane
