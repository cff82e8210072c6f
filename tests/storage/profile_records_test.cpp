#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <ostream>
#include <tuple>

#include "storage/profile_records.h"
#include "storage/storage_test_util.h"
#include "support/test_support.h"

namespace corvane {
namespace {

using test::Bytes;
using test::databaseBytes;
using test::HeaderFields;
using test::RecordFields;

const std::string kAbsent(1, '\0');

std::string bytesOf(const ByteBuffer& buffer) {
    return std::string(buffer.view());
}

std::string encodeMain(const Profile& profile) {
    std::vector<std::uint8_t> buffer(encodeMainRecord(profile, nullptr, 0));
    EXPECT_EQ(encodeMainRecord(profile, buffer.data(), 0), buffer.size());
    return std::string(buffer.begin(), buffer.end());
}

std::unique_ptr<CertificateEntry> certificate(const std::string& label, std::size_t size = 2000) {
    auto entry = std::make_unique<CertificateEntry>();
    entry->kind = CertificateKind::CaCertificate;
    std::string pem = "-----BEGIN CERTIFICATE-----\n" + label + "\n";
    pem.resize(size, 'Q');
    entry->bytes.assign(pem);
    entry->format = CertificateFormat::Pem;
    entry->fileName.assign(label + ".pem");
    entry->subject.assign("CN=" + label);
    entry->issuer.assign("CN=Root " + label);
    entry->notBefore = SystemTime{2020, 1, 3, 1, 12, 30, 45, 500};
    entry->notAfter = SystemTime{2030, 12, 2, 31, 23, 59, 59, 0};
    return entry;
}

// A profile ready to save, its mask computed as the callers do.
Profile& prepared(Profile& profile, const std::string& path) {
    profile.filePath.assign(path);
    profile.updateFieldMask();
    return profile;
}

RecordDatabase readBack(const std::string& path) {
    RecordDatabase db;
    EXPECT_EQ(db.readDatabase(path), StatusCode::Success);
    return db;
}

// A profile database holding the given main record and records 1 onward.
std::string profileFile(const std::string& mainRecord,
                        std::vector<std::string> rest = {kAbsent, kAbsent},
                        HeaderFields header = {}) {
    std::vector<RecordFields> records{{mainRecord}};
    for (auto& r : rest)
        records.push_back({r});
    return databaseBytes(header, records);
}

Bytes mainRecordStart(std::uint32_t format = 1) {
    return Bytes().le32(format).wordField("Trgt", 0x6465766E).byteField("Auth", 9);
}

TEST(ProfileRecordTest, DefaultEapTlsMainRecordIsTwentyFiveBytes) {
    Profile profile;
    profile.updateFieldMask();
    const std::string expected("\x01\x00\x00\x00"
                               "\x74\x67\x72\x54\x04\x00\x00\x00\x6E\x76\x65\x64"
                               "\x68\x74\x75\x41\x01\x00\x00\x00\x09",
                               25);
    EXPECT_EQ(encodeMain(profile), expected);
}

TEST(ProfileRecordTest, MainRecordFieldsFollowTheMaskInOrder) {
    Profile profile;
    profile.authProtocol = EapTtls;
    profile.innerAuthProtocol = EapGtc;
    profile.targetCode = 0x01020304;
    profile.username.assign("alice");
    profile.password.assign("s3cret");
    profile.initialIdentity.assign("anon@example.org");
    profile.privateKeyPassword.assign("pk");
    profile.clientCertificate = certificate("client");
    profile.updateFieldMask();
    const std::string expected = Bytes()
                                     .le32(1)
                                     .wordField("Trgt", 0x01020304)
                                     .byteField("Auth", 10)
                                     .byteField("Tunl", 12)
                                     .textField("Usrn", test::scrambled("alice"))
                                     .textField("Pswd", test::scrambled("s3cret"))
                                     .textField("Idnt", "anon@example.org")
                                     .textField("PKPs", test::scrambled("pk"));
    EXPECT_EQ(encodeMain(profile), expected);
    // Only the record's copy is scrambled.
    EXPECT_EQ(profile.password, "s3cret");

    // LEAP: no tunneled protocol, identity or key password, whatever the profile holds.
    profile.authProtocol = Leap;
    profile.updateFieldMask();
    EXPECT_EQ(encodeMain(profile), Bytes()
                                       .le32(1)
                                       .wordField("Trgt", 0x01020304)
                                       .byteField("Auth", 7)
                                       .textField("Usrn", test::scrambled("alice"))
                                       .textField("Pswd", test::scrambled("s3cret"))
                                       .str());
}

TEST(ProfileRecordTest, EncodingAtAPositionLeavesTheBytesBeforeIt) {
    Profile profile;
    profile.updateFieldMask();
    std::vector<std::uint8_t> buffer(3 + 25, 0xEE);
    EXPECT_EQ(encodeMainRecord(profile, buffer.data(), 3), 28u);
    EXPECT_EQ(buffer[2], 0xEE);
    EXPECT_EQ(buffer[3], 0x01);
}

TEST(ProfileRecordTest, ScramblingIsItsOwnInverseWithTheFormatsKeystream) {
    std::uint8_t zeros[3] = {};
    scrambleBytes(zeros, 3, 0, 3);
    // K ^ (seed - i*M): 0xC6^0x03, 0xC6^0x68, 0xC6^0xCD.
    EXPECT_EQ(zeros[0], 0xC5);
    EXPECT_EQ(zeros[1], 0xAE);
    EXPECT_EQ(zeros[2], 0x0B);

    std::uint8_t data[300];
    for (int i = 0; i < 300; ++i)
        data[i] = static_cast<std::uint8_t>(i);
    scrambleBytes(data, 300, 5, 0x1FF); // only the low bits of start and seed count
    EXPECT_EQ(data[0],
              static_cast<std::uint8_t>(0 ^ 0xC6 ^ static_cast<std::uint8_t>(0xFF - 5 * 0x9B)));
    scrambleBytes(data, 300, 5 + 256, 0xFF);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(data[i], static_cast<std::uint8_t>(i));
}

TEST(ProfileRecordTest, CertificateRecordLayout) {
    auto entry = certificate("ca", 40);
    entry->passwordRequired = true;
    std::vector<std::uint8_t> buffer(encodeCertificateRecord(*entry, nullptr, 0));
    encodeCertificateRecord(*entry, buffer.data(), 0);
    const std::string expected = Bytes()
                                     .textField("SFln", "ca.pem")
                                     .textField("Subj", "CN=ca")
                                     .textField("Issr", "CN=Root ca")
                                     .dateField("NBfr", 2020, 1, 1)
                                     .dateField("NAft", 2030, 12, 31)
                                     .tag("CDta")
                                     .le32(40)
                                     .raw(bytesOf(entry->bytes))
                                     .byteField("CFmt", 3)
                                     .byteField("PKPR", 1);
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), expected);

    CertificateEntry bare;
    std::vector<std::uint8_t> small(encodeCertificateRecord(bare, nullptr, 0));
    encodeCertificateRecord(bare, small.data(), 0);
    EXPECT_EQ(std::string(small.begin(), small.end()),
              Bytes().dateField("NBfr", 0, 0, 0).dateField("NAft", 0, 0, 0).str());
}

class ProfileRecordFileTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = dir.file("profile.odb");
};

TEST_F(ProfileRecordFileTest, NewProfileGetsANewHeaderAndThreeRecords) {
    Profile profile;
    profile.profileName.assign("Office");
    profile.modified = true;
    const auto before = toDeviceTime(std::time(nullptr));
    ASSERT_EQ(prepared(profile, path).saveProfileDatabase(), StatusCode::Success);
    const auto after = toDeviceTime(std::time(nullptr));

    const std::string bytes = test::readFile(path);
    EXPECT_EQ(bytes.substr(0, 32), std::string("QNRX_Office") + std::string(21, '\0'));
    EXPECT_EQ(test::be16At(bytes, 32), 0x0140);
    EXPECT_EQ(test::be16At(bytes, 34), 1);
    const auto created = test::be32At(bytes, 36);
    EXPECT_GE(created, before);
    EXPECT_LE(created, after);
    EXPECT_EQ(test::be32At(bytes, 40), created);
    EXPECT_EQ(bytes.substr(44, 16), std::string(16, '\0'));
    EXPECT_EQ(bytes.substr(60, 8), "PLCYQNRX");
    EXPECT_EQ(bytes.substr(68, 10), std::string("\0\0\0\0\0\0\0\0\0\x03", 10));
    // Entries: offsets 102, 127, 128, attributes 0x10, unique id 0.
    EXPECT_EQ(bytes.substr(78, 24), Bytes()
                                        .be32(102)
                                        .be32(0x10000000)
                                        .be32(127)
                                        .be32(0x10000000)
                                        .be32(128)
                                        .be32(0x10000000)
                                        .str());
    EXPECT_EQ(bytes.size(), 129u);
    EXPECT_EQ(bytes.substr(127), std::string(2, '\0')); // records 1 and 2: one byte 00 each

    EXPECT_FALSE(profile.modified);
    EXPECT_TRUE(profile.keptHeader.headerValid);
    EXPECT_EQ(profile.keptHeader.creationDate, created);
    EXPECT_EQ(std::string(profile.keptHeader.name.data()), "QNRX_Office");
}

TEST_F(ProfileRecordFileTest, DatabaseNameKeepsTwentySixCharactersOfTheProfileName) {
    Profile profile;
    const std::string thirty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234";
    profile.profileName.assign(thirty);
    ASSERT_EQ(prepared(profile, path).saveProfileDatabase(), StatusCode::Success);
    const std::string bytes = test::readFile(path);
    EXPECT_EQ(bytes.substr(0, 32), "QNRX_" + thirty.substr(0, 26) + '\0');

    Profile loaded;
    loaded.filePath.assign(path);
    ASSERT_EQ(loaded.loadProfileDatabase(), StatusCode::Success);
    EXPECT_EQ(loaded.profileName, thirty.substr(0, 26));
}

TEST_F(ProfileRecordFileTest, EmptyProfileNameSavesAndLoadsBack) {
    Profile profile;
    ASSERT_EQ(prepared(profile, path).saveProfileDatabase(), StatusCode::Success);
    EXPECT_EQ(test::readFile(path).substr(0, 6), std::string("QNRX_\0", 6));
    Profile loaded;
    loaded.filePath.assign(path);
    EXPECT_EQ(loaded.loadProfileDatabase(), StatusCode::Success);
    EXPECT_TRUE(loaded.profileName.empty());
}

TEST_F(ProfileRecordFileTest, FullEapTlsProfileRoundTrips) {
    Profile profile;
    profile.profileName.assign("Lab");
    profile.targetCode = 0xA1B2C3D4;
    profile.username.assign("bob");
    profile.privateKeyPassword.assign("keypass");
    profile.clientCertificate = certificate("client", 3000);
    profile.clientCertificate->format = CertificateFormat::Pkcs12;
    profile.clientCertificate->passwordRequired = true;
    const std::string block = "opaque key block \x00\x01\xFF";
    profile.clientKeyBlock.assign(block);
    profile.caCertificates.append(certificate("ca1"));
    profile.caCertificates.append(certificate("ca2", 500));
    ASSERT_EQ(prepared(profile, path).saveProfileDatabase(), StatusCode::Success);

    RecordDatabase db = readBack(path);
    ASSERT_EQ(db.recordCount(), 5u);
    EXPECT_EQ(bytesOf(db.recordAt(2)->data), test::scrambled(block));

    Profile loaded;
    loaded.filePath.assign(path);
    loaded.modified = true;
    ASSERT_EQ(loaded.loadProfileDatabase(), StatusCode::Success);
    EXPECT_FALSE(loaded.modified);
    EXPECT_EQ(loaded.filePath, path);
    EXPECT_EQ(loaded.profileName, "Lab");
    EXPECT_EQ(loaded.targetCode, 0xA1B2C3D4u);
    EXPECT_EQ(loaded.authProtocol, EapTls);
    EXPECT_EQ(loaded.username, "bob");
    EXPECT_EQ(loaded.privateKeyPassword, "keypass");
    EXPECT_TRUE(loaded.password.empty());
    EXPECT_EQ(bytesOf(loaded.clientKeyBlock), block);
    ASSERT_TRUE(loaded.clientCertificate);
    EXPECT_EQ(loaded.clientCertificate->kind, CertificateKind::ClientCertificate);
    EXPECT_EQ(loaded.clientCertificate->format, CertificateFormat::Pkcs12);
    EXPECT_TRUE(loaded.clientCertificate->bytes.equals(profile.clientCertificate->bytes));
    // The flag is learnt again by checking the certificate, not taken from the file.
    EXPECT_FALSE(loaded.clientCertificate->passwordRequired);
    ASSERT_EQ(loaded.caCertificates.count(), 2u);
    const CertificateEntry& ca = *loaded.caCertificates.itemAt(1);
    EXPECT_EQ(ca.kind, CertificateKind::CaCertificate);
    EXPECT_TRUE(ca.bytes.equals(profile.caCertificates.itemAt(1)->bytes));
    EXPECT_EQ(ca.fileName, "ca2.pem");
    EXPECT_EQ(ca.subject, "CN=ca2");
    EXPECT_EQ(ca.issuer, "CN=Root ca2");
    EXPECT_EQ(ca.notBefore, (SystemTime{2020, 1, 0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(ca.notAfter, (SystemTime{2030, 12, 0, 31, 0, 0, 0, 0}));
}

TEST_F(ProfileRecordFileTest, LeapWritesNoCertificatesEvenWhenTheProfileHoldsThem) {
    Profile profile;
    profile.profileName.assign("Leap");
    profile.authProtocol = Leap;
    profile.clientCertificate = certificate("client");
    profile.clientKeyBlock.assign("block");
    profile.caCertificates.append(certificate("ca"));
    ASSERT_EQ(prepared(profile, path).saveProfileDatabase(), StatusCode::Success);
    RecordDatabase db = readBack(path);
    ASSERT_EQ(db.recordCount(), 3u);
    EXPECT_EQ(bytesOf(db.recordAt(1)->data), kAbsent);
    EXPECT_EQ(bytesOf(db.recordAt(2)->data), kAbsent);
}

TEST_F(ProfileRecordFileTest, EmptyUserNameWritesNoFieldAndLoadsEmpty) {
    Profile profile;
    profile.profileName.assign("NoUser");
    ASSERT_EQ(prepared(profile, path).saveProfileDatabase(), StatusCode::Success);
    EXPECT_EQ(readBack(path).recordAt(0)->length(), 25u);
    Profile loaded;
    loaded.filePath.assign(path);
    loaded.username.assign("stale");
    ASSERT_EQ(loaded.loadProfileDatabase(), StatusCode::Success);
    EXPECT_TRUE(loaded.username.empty());
}

TEST_F(ProfileRecordFileTest, SecretCharacterScrambledToZeroSurvives) {
    // A one-character secret is XORed with K ^ seed = 0xC6 ^ 0x01 = 0xC7.
    Profile profile;
    profile.profileName.assign("Zero");
    profile.username.assign("\xC7");
    ASSERT_EQ(prepared(profile, path).saveProfileDatabase(), StatusCode::Success);
    const std::string main = bytesOf(readBack(path).recordAt(0)->data);
    EXPECT_EQ(main.substr(25), Bytes().tag("Usrn").le32(2).u8(0).u8(0).str());
    Profile loaded;
    loaded.filePath.assign(path);
    ASSERT_EQ(loaded.loadProfileDatabase(), StatusCode::Success);
    EXPECT_EQ(loaded.username, "\xC7");
}

TEST_F(ProfileRecordFileTest, RecordsUpToSixtyThousandBytesAreSaved) {
    // NBfr and NAft take 12 bytes each, the CDta header 8 and CFmt 9: 41 around the bytes.
    Profile profile;
    profile.profileName.assign("Limit");
    auto entry = std::make_unique<CertificateEntry>();
    entry->bytes.assign(std::string(60000 - 41, 'x'));
    entry->format = CertificateFormat::Pem;
    ASSERT_EQ(encodeCertificateRecord(*entry, nullptr, 0), 60000u);
    profile.caCertificates.append(std::move(entry));
    profile.clientKeyBlock.assign(std::string(60000, 'k'));
    ASSERT_EQ(prepared(profile, path).saveProfileDatabase(), StatusCode::Success);
    EXPECT_EQ(readBack(path).recordAt(3)->length(), 60000u);
}

TEST_F(ProfileRecordFileTest, OversizedRecordStopsTheSaveBeforeTheFileIsOpened) {
    auto oversized = [] {
        auto entry = std::make_unique<CertificateEntry>();
        entry->bytes.assign(std::string(60000 - 40, 'x'));
        return entry;
    };
    {
        Profile profile;
        profile.caCertificates.append(oversized());
        profile.modified = true;
        EXPECT_EQ(prepared(profile, path).saveProfileDatabase(), StatusCode::RecordTooLarge);
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_TRUE(profile.modified);
        EXPECT_FALSE(profile.keptHeader.headerValid);
    }
    test::writeFile(path, "previous content");
    {
        Profile profile;
        profile.clientCertificate = oversized();
        EXPECT_EQ(prepared(profile, path).saveProfileDatabase(), StatusCode::RecordTooLarge);
    }
    {
        Profile profile;
        profile.clientKeyBlock.assign(std::string(60001, 'k'));
        EXPECT_EQ(prepared(profile, path).saveProfileDatabase(), StatusCode::RecordTooLarge);
    }
    EXPECT_EQ(test::readFile(path), "previous content");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(ProfileRecordFileTest, FailedWriteLeavesTheProfileAsItWas) {
    Profile profile;
    profile.profileName.assign("Kept");
    profile.modified = true;
    profile.keptHeader.headerValid = true;
    profile.keptHeader.creationDate = 1234;
    profile.keptHeader.creator = fourCharCode("QNRX");
    profile.filePath.assign(dir.file("missing-folder/p.odb"));
    profile.updateFieldMask();
    EXPECT_EQ(profile.saveProfileDatabase(), StatusCode::WriteFailed);
    EXPECT_TRUE(profile.modified);
    EXPECT_EQ(profile.keptHeader.creationDate, 1234u);
    EXPECT_EQ(profile.keptHeader.modificationDate, 0u);

    profile.filePath.clear();
    EXPECT_EQ(profile.saveProfileDatabase(), StatusCode::WriteFailed);
}

TEST_F(ProfileRecordFileTest, LoadedHeaderIsKeptByTheNextSave) {
    HeaderFields header;
    header.name = "ABCDEKept";
    header.attributes = 0x0009; // resource form, plus a bit carried as it is
    header.version = 7;
    header.creationDate = 0x0A0B0C0D;
    header.modificationDate = 0x0E0F1011;
    header.lastBackupDate = 0x12131415;
    header.modificationNumber = 99;
    header.appInfoOffset = 0x50;
    header.sortInfoOffset = 0x60;
    header.uniqueIdSeed = 0x777;
    std::vector<RecordFields> records{
        {mainRecordStart()}, {kAbsent, 0, 0, fourCharCode("tRES"), 5}, {kAbsent}};
    test::writeFile(path, databaseBytes(header, records));

    Profile profile;
    profile.filePath.assign(path);
    ASSERT_EQ(profile.loadProfileDatabase(), StatusCode::Success);
    EXPECT_EQ(profile.profileName, "Kept");
    ASSERT_TRUE(profile.keptHeader.headerValid);
    EXPECT_EQ(profile.keptHeader.creationDate, 0x0A0B0C0Du);

    const std::string copy = dir.file("copy.odb");
    const auto before = toDeviceTime(std::time(nullptr));
    ASSERT_EQ(prepared(profile, copy).saveProfileDatabase(), StatusCode::Success);
    const std::string bytes = test::readFile(copy);
    EXPECT_EQ(bytes.substr(0, 32), std::string("QNRX_Kept") + std::string(23, '\0'));
    EXPECT_EQ(test::be16At(bytes, 32), 0x0009);
    EXPECT_EQ(test::be16At(bytes, 34), 7);
    EXPECT_EQ(test::be32At(bytes, 36), 0x0A0B0C0Du);
    EXPECT_GE(test::be32At(bytes, 40), before);
    EXPECT_EQ(test::be32At(bytes, 44), 0x12131415u);
    EXPECT_EQ(test::be32At(bytes, 48), 99u);
    EXPECT_EQ(test::be32At(bytes, 52), 0x50u);
    EXPECT_EQ(test::be32At(bytes, 56), 0x60u);
    EXPECT_EQ(test::be32At(bytes, 68), 0x777u);
    // Resource form again, every entry with type and id zero: the first record at 78 + 30.
    EXPECT_EQ(bytes.substr(78, 10), Bytes().be32(0).be16(0).be32(108).str());
    EXPECT_EQ(bytes.substr(88, 6), std::string(6, '\0'));

    Profile again;
    again.filePath.assign(copy);
    ASSERT_EQ(again.loadProfileDatabase(), StatusCode::Success);
    EXPECT_EQ(again.keptHeader.attributes, 0x0009);
    EXPECT_EQ(again.profileName, "Kept");
}

TEST_F(ProfileRecordFileTest, SecondSaveKeepsTheCreationDateOfTheFirst) {
    Profile profile;
    profile.profileName.assign("Twice");
    ASSERT_EQ(prepared(profile, path).saveProfileDatabase(), StatusCode::Success);
    profile.keptHeader.creationDate = 5; // as if it had been made long ago
    profile.keptHeader.modificationNumber = 6;
    ASSERT_EQ(profile.saveProfileDatabase(), StatusCode::Success);
    const std::string bytes = test::readFile(path);
    EXPECT_EQ(test::be32At(bytes, 36), 5u);
    EXPECT_EQ(test::be32At(bytes, 48), 6u);

    profile.reset(false); // a reset profile gets a new header
    ASSERT_EQ(prepared(profile, path).saveProfileDatabase(), StatusCode::Success);
    EXPECT_NE(test::be32At(test::readFile(path), 36), 5u);
}

// ---- Loading hand-made files ----

class ProfileRecordLoadTest : public ProfileRecordFileTest {
protected:
    // Loads `bytes` into a profile that holds something beforehand, so that "untouched" and
    // "reset" can be told apart.
    StatusCode load(const std::string& bytes) {
        test::writeFile(path, bytes);
        return loadAsItIs();
    }
    StatusCode loadAsItIs() {
        profile.filePath.assign(path);
        profile.profileName.assign("Before");
        profile.username.assign("old");
        profile.caCertificates.clear();
        profile.caCertificates.append(certificate("old"));
        profile.keptHeader.headerValid = true;
        profile.modified = true;
        return profile.loadProfileDatabase();
    }
    void expectUntouched() {
        EXPECT_EQ(profile.profileName, "Before");
        EXPECT_EQ(profile.username, "old");
        EXPECT_EQ(profile.caCertificates.count(), 1u);
        EXPECT_TRUE(profile.keptHeader.headerValid);
        EXPECT_TRUE(profile.modified);
    }
    void expectResetKeepingPath() {
        EXPECT_EQ(profile.filePath, path);
        EXPECT_EQ(profile.caCertificates.count(), 0u);
        EXPECT_FALSE(profile.keptHeader.headerValid);
        EXPECT_FALSE(profile.modified);
    }
    Profile profile;
};

TEST_F(ProfileRecordLoadTest, UnreadableFilesGiveOneAndLeaveTheProfile) {
    EXPECT_EQ(load(""), StatusCode::FileNotFound);
    expectUntouched();
    std::filesystem::remove(path);
    EXPECT_EQ(profile.loadProfileDatabase(), StatusCode::FileNotFound);
    expectUntouched();
    // Type and creator right, but the record list runs past the end of the file.
    EXPECT_EQ(load(test::headerBytes(HeaderFields{}, 3).str()), StatusCode::FileNotFound);
    expectUntouched();
}

TEST_F(ProfileRecordLoadTest, ADatabaseOverSixtyFourMebibytesGivesOneAndLeavesTheProfile) {
    constexpr std::uint64_t kSixtyFourMebibytes = 64 * 1024 * 1024;
    // A valid profile padded with zeros that are never written: the file is sparse.
    test::writeFile(path, profileFile(mainRecordStart()));
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(kSixtyFourMebibytes)), 0);
    EXPECT_EQ(loadAsItIs(), StatusCode::Success);
    for (const std::uint64_t size : {kSixtyFourMebibytes + 1, std::uint64_t{1} << 30}) {
        ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(size)), 0);
        EXPECT_EQ(loadAsItIs(), StatusCode::FileNotFound);
        expectUntouched();
    }
}

TEST_F(ProfileRecordLoadTest, ForeignFilesGiveSevenAndLeaveTheProfile) {
    HeaderFields other;
    other.creator = fourCharCode("XXXX");
    EXPECT_EQ(load(profileFile(mainRecordStart(), {kAbsent, kAbsent}, other)),
              StatusCode::NotProfileDatabase);
    expectUntouched();
    other = HeaderFields{};
    other.type = fourCharCode("DATA");
    EXPECT_EQ(load(profileFile(mainRecordStart(), {kAbsent, kAbsent}, other)),
              StatusCode::NotProfileDatabase);
    // Too short to hold a creator.
    EXPECT_EQ(load(test::headerBytes(HeaderFields{}, 0).str().substr(0, 67)),
              StatusCode::NotProfileDatabase);
    expectUntouched();
}

TEST_F(ProfileRecordLoadTest, NameShorterThanFiveIsMalformedAndTheFirstFiveAreSkipped) {
    HeaderFields header;
    header.name = "QNRX";
    EXPECT_EQ(load(profileFile(mainRecordStart(), {kAbsent, kAbsent}, header)),
              StatusCode::Malformed);
    expectResetKeepingPath();
    EXPECT_TRUE(profile.profileName.empty());

    header.name = "QNRX_";
    EXPECT_EQ(load(profileFile(mainRecordStart(), {kAbsent, kAbsent}, header)),
              StatusCode::Success);
    EXPECT_TRUE(profile.profileName.empty());

    header.name = "ABCDEName";
    EXPECT_EQ(load(profileFile(mainRecordStart(), {kAbsent, kAbsent}, header)),
              StatusCode::Success);
    EXPECT_EQ(profile.profileName, "Name");
}

TEST_F(ProfileRecordLoadTest, FormatWordAboveOneIsNotSupported) {
    EXPECT_EQ(load(profileFile(mainRecordStart(2))), StatusCode::VersionNotSupported);
    expectResetKeepingPath();
    EXPECT_EQ(load(profileFile(mainRecordStart(0))), StatusCode::Success);
}

TEST_F(ProfileRecordLoadTest, MissingRecordsAreMalformed) {
    EXPECT_EQ(load(databaseBytes(HeaderFields{}, {})), StatusCode::Malformed);
    expectResetKeepingPath();
    EXPECT_EQ(load(profileFile(mainRecordStart(), {})), StatusCode::Malformed);
    EXPECT_EQ(load(profileFile(mainRecordStart(), {kAbsent})), StatusCode::Malformed);
}

TEST_F(ProfileRecordLoadTest, FieldsComeInAnyOrderAndTheLastOneWins) {
    const std::string main = Bytes()
                                 .le32(1)
                                 .textField("Idnt", "id")
                                 .byteField("Auth", 10)
                                 .tag("Tunl")
                                 .le32(77) // a fixed-size field's stored length is not compared
                                 .u8(13)
                                 .byteField("Auth", 11)
                                 .textField("Pswd", test::scrambled("pw"))
                                 .textField("Usrn", "") // stored length 1: an empty text
                                 .str();
    EXPECT_EQ(load(profileFile(main)), StatusCode::Success);
    EXPECT_EQ(profile.authProtocol, EapPeap);
    EXPECT_EQ(profile.innerAuthProtocol, EapMschapV2);
    EXPECT_EQ(profile.targetCode, kDefaultTargetCode);
    EXPECT_EQ(profile.initialIdentity, "id");
    EXPECT_EQ(profile.password, "pw");
    EXPECT_TRUE(profile.username.empty());
}

TEST_F(ProfileRecordLoadTest, SingleByteRecordsOneAndTwoMeanNothingIsThere) {
    EXPECT_EQ(load(profileFile(mainRecordStart(), {"\x7F", ""})), StatusCode::Success);
    EXPECT_FALSE(profile.clientCertificate);
    EXPECT_TRUE(profile.clientKeyBlock.empty());
}

TEST_F(ProfileRecordLoadTest, CaRecordsLoadWhateverTheOuterProtocol) {
    const std::string main = Bytes().le32(1).byteField("Auth", 7);
    const std::string ca = Bytes().textField("Subj", "CN=x").tag("CDta").le32(3).raw("pem");
    EXPECT_EQ(load(profileFile(main, {kAbsent, kAbsent, ca, ca})), StatusCode::Success);
    EXPECT_EQ(profile.authProtocol, Leap);
    ASSERT_EQ(profile.caCertificates.count(), 2u);
    EXPECT_EQ(bytesOf(profile.caCertificates.itemAt(1)->bytes), "pem");
}

// Records that claim more than they hold, or hold what no field is: 6, never an over-read.
struct MalformedRecord {
    const char* name;
    std::string main;
    std::vector<std::string> rest;
};

// Without a printer the test's name would be printed as the object's raw bytes, padding included.
void PrintTo(const MalformedRecord& record, std::ostream* out) {
    *out << record.name << " (main record of " << record.main.size() << " bytes, "
         << record.rest.size() << " more records)";
}

std::vector<MalformedRecord> malformedRecords() {
    const std::string ok = mainRecordStart();
    std::vector<MalformedRecord> cases{
        {"EmptyMainRecord", "", {kAbsent, kAbsent}},
        {"ShortFormatWord", "\x01\x00", {kAbsent, kAbsent}},
        {"UnknownTag", ok + Bytes().tag("Xxxx").le32(1).u8(0).str(), {kAbsent, kAbsent}},
        {"PartialTag", ok + "ab", {kAbsent, kAbsent}},
        {"TextPastEnd", ok + Bytes().tag("Usrn").le32(10).raw("abc").str(), {kAbsent, kAbsent}},
        {"HugeTextLength",
         ok + Bytes().tag("Idnt").le32(0xFFFFFFFF).raw("abc").str(),
         {kAbsent, kAbsent}},
        {"TextOfLengthZero", ok + Bytes().tag("Pswd").le32(0).str(), {kAbsent, kAbsent}},
        {"LengthWordCut", ok + Bytes().tag("Usrn").u8(1).str(), {kAbsent, kAbsent}},
        {"TargetValueCut", Bytes().le32(1).tag("Trgt").le32(4).u8(1).u8(2), {kAbsent, kAbsent}},
        {"AuthWithoutValue", Bytes().le32(1).tag("Auth").le32(1), {kAbsent, kAbsent}},
        {"CertificateUnknownTag", ok, {Bytes().textField("Nope", "x"), kAbsent}},
        {"CertificateDataPastEnd", ok, {kAbsent, kAbsent, Bytes().tag("CDta").le32(100).raw("x")}},
        {"CertificateDateCut", ok, {Bytes().tag("NBfr").le32(4).le16(2020), kAbsent}},
        {"CertificateTextOfLengthZero", ok, {kAbsent, kAbsent, Bytes().tag("Subj").le32(0)}},
        {"CertificateFormatCut", ok, {kAbsent, kAbsent, Bytes().tag("CFmt").le32(1)}},
        {"PasswordFlagCut", ok, {kAbsent, kAbsent, Bytes().tag("PKPR").le32(1)}},
    };
    return cases;
}

class ProfileRecordMalformedTest : public ::testing::TestWithParam<MalformedRecord> {};

TEST_P(ProfileRecordMalformedTest, LoadsWithStatusSix) {
    test::TempDir dir;
    const std::string path = dir.file("bad.odb");
    test::writeFile(path, profileFile(GetParam().main, GetParam().rest));
    Profile profile;
    profile.filePath.assign(path);
    EXPECT_EQ(profile.loadProfileDatabase(), StatusCode::Malformed);
    EXPECT_FALSE(profile.keptHeader.headerValid);
}

INSTANTIATE_TEST_SUITE_P(Layout, ProfileRecordMalformedTest,
                         ::testing::ValuesIn(malformedRecords()),
                         [](const auto& info) { return std::string(info.param.name); });

// More records than a profile holds, or a CA record without its certificate: a save never
// writes them, and they would only make a small file take much memory.
TEST_F(ProfileRecordLoadTest, TenThousandCaRecordsLoadAndMoreOrEmptyOnesAreRefused) {
    const std::string ca = Bytes().tag("CDta").le32(1).raw("x");
    for (const auto& [count, last, expected] :
         {std::tuple{kMaxCaCertificates, ca, StatusCode::Success},
          {1u, std::string(), StatusCode::Malformed},
          {kMaxCaCertificates + 1, ca, StatusCode::Malformed},
          {kMaxRecordCount - 2, ca, StatusCode::FileNotFound}}) { // the container refuses these
        std::vector<std::string> rest(count + 2, ca);
        rest[0] = rest[1] = kAbsent;
        rest.back() = last;
        EXPECT_EQ(load(profileFile(mainRecordStart(), rest)), expected);
    }
}

TEST_F(ProfileRecordLoadTest, FieldsBeforeAFailureStayInTheResetProfile) {
    const std::string main =
        Bytes().le32(1).textField("Usrn", test::scrambled("kept")).tag("Bad!").le32(0).str();
    EXPECT_EQ(load(profileFile(main)), StatusCode::Malformed);
    EXPECT_EQ(profile.username, "kept");
    EXPECT_EQ(profile.profileName, "Test");
    expectResetKeepingPath();
}

TEST(ProfileRecordDecodeTest, CertificateRecordFillsAnEmptyEntry) {
    const std::string record = Bytes()
                                   .byteField("PKPR", 1)
                                   .byteField("CFmt", 1)
                                   .dateField("NAft", 2031, 2, 28)
                                   .textField("SFln", "ca.der")
                                   .textField("Issr", "CN=I")
                                   .tag("CDta")
                                   .le32(0)
                                   .str();
    CertificateEntry entry;
    ASSERT_EQ(decodeCertificateRecord(entry, reinterpret_cast<const std::uint8_t*>(record.data()),
                                      record.size()),
              StatusCode::Success);
    EXPECT_EQ(entry.format, CertificateFormat::Der);
    EXPECT_EQ(entry.notAfter, (SystemTime{2031, 2, 0, 28, 0, 0, 0, 0}));
    EXPECT_EQ(entry.notBefore, SystemTime{});
    EXPECT_EQ(entry.fileName, "ca.der");
    EXPECT_EQ(entry.issuer, "CN=I");
    EXPECT_TRUE(entry.subject.empty());
    EXPECT_TRUE(entry.bytes.empty());
    EXPECT_FALSE(entry.passwordRequired);
}

} // namespace
} // namespace corvane
