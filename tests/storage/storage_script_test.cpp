#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <ostream>

#include "storage/profile_records.h"
#include "storage/storage_test_util.h"
#include "support/test_support.h"

namespace corvane {
namespace {

using test::Bytes;

// The file without its modification date, which every save refreshes.
std::string withoutModificationDate(std::string bytes) {
    if (bytes.size() >= 44)
        bytes.replace(40, 4, 4, '\0');
    return bytes;
}

class StorageScriptTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string cwd = dir.path().string();
};

TEST_F(StorageScriptTest, LeapProfileIsSavedLoadedAndSavedAgain) {
    const auto result = test::runScript("new\n"
                                        "set_name Office\n"
                                        "set_auth LEAP\n"
                                        "set_username u\n"
                                        "set_password p\n"
                                        "save out.odb\n"
                                        "load out.odb\n"
                                        "save again.odb\n",
                                        cwd);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(test::logBody(cwd),
              "Saved profile database: out.odb\nSaved profile database: again.odb\n");

    const std::string out = test::readFile(dir.file("out.odb"));
    EXPECT_EQ(out.substr(0, 12), std::string("QNRX_Office\0", 12));
    // Three records after a 24-byte list: the main record, then one byte 00 twice.
    const std::string main = Bytes()
                                 .le32(1)
                                 .wordField("Trgt", 0x6465766E)
                                 .byteField("Auth", 7)
                                 .textField("Usrn", test::scrambled("u"))
                                 .textField("Pswd", test::scrambled("p"));
    EXPECT_EQ(out.substr(102), main + std::string(2, '\0'));
    EXPECT_EQ(withoutModificationDate(test::readFile(dir.file("again.odb"))),
              withoutModificationDate(out));
}

TEST_F(StorageScriptTest, LoadKeepsTheHeaderAndCertificatesForTheNextSave) {
    Profile profile;
    profile.profileName.assign("Campus");
    profile.authProtocol = EapTtls;
    profile.innerAuthProtocol = Mschap;
    profile.initialIdentity.assign("anonymous");
    for (int i = 0; i < 3; ++i) {
        auto entry = std::make_unique<CertificateEntry>();
        entry->bytes.assign(std::string(2000, static_cast<char>('a' + i)));
        entry->format = CertificateFormat::Pem;
        entry->subject.assign("CN=ca" + std::to_string(i));
        profile.caCertificates.append(std::move(entry));
    }
    profile.keptHeader.headerValid = true;
    profile.keptHeader.creator = fourCharCode("QNRX");
    profile.keptHeader.type = fourCharCode("PLCY");
    profile.keptHeader.creationDate = 0x01020304;
    profile.keptHeader.uniqueIdSeed = 0x55;
    profile.filePath.assign(dir.file("campus.odb"));
    profile.updateFieldMask();
    ASSERT_EQ(profile.saveProfileDatabase(), StatusCode::Success);

    const auto result = test::runScript("load campus.odb\nsave copy.odb\n", cwd);
    EXPECT_EQ(result.exitCode, 0);
    const std::string copy = test::readFile(dir.file("copy.odb"));
    EXPECT_EQ(test::be32At(copy, 36), 0x01020304u);
    EXPECT_EQ(test::be32At(copy, 68), 0x55u);
    EXPECT_EQ(withoutModificationDate(copy),
              withoutModificationDate(test::readFile(dir.file("campus.odb"))));
}

TEST_F(StorageScriptTest, FilesThatCannotBeLoadedStopTheScript) {
    test::writeFile(dir.file("text.odb"), std::string(200, 'x'));
    test::writeFile(dir.file("empty.odb"), "");
    for (const char* file : {"missing.odb", "text.odb", "empty.odb"}) {
        SCOPED_TRACE(file);
        const auto result =
            test::runScript(std::string("# first line\nload ") + file + "\nsave out.odb\n", cwd);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(test::logBody(cwd), "Error on line 2: Failed to load database.\n");
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.odb")));
        std::filesystem::remove(dir.file("wizard.log"));
    }
}

// A lock that another program holds on the database, and what a script that loads the file and
// saves it again makes of it.
struct HeldLock {
    const char* name;
    int operation; // for flock
    const char* log;
};

void PrintTo(const HeldLock& lock, std::ostream* out) {
    *out << lock.name;
}

class StorageScriptLockTest : public StorageScriptTest,
                              public ::testing::WithParamInterface<HeldLock> {};

TEST_P(StorageScriptLockTest, AWriterExcludesEveryoneAndReadersExcludeWriters) {
    ASSERT_EQ(test::runScript("set_name X\nset_auth LEAP\nsave held.odb\n", cwd).exitCode, 0);
    std::filesystem::remove(dir.file("wizard.log"));
    const std::string before = test::readFile(dir.file("held.odb"));
    const int fd = ::open(dir.file("held.odb").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, GetParam().operation | LOCK_NB), 0);
    const auto result = test::runScript("load held.odb\nsave held.odb\n", cwd);
    ::close(fd);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(test::logBody(cwd), GetParam().log);
    EXPECT_TRUE(test::readFile(dir.file("held.odb")) == before);
}

INSTANTIATE_TEST_SUITE_P(
    Locks, StorageScriptLockTest,
    ::testing::Values(HeldLock{"Exclusive", LOCK_EX, "Error on line 1: Failed to load database.\n"},
                      HeldLock{"Shared", LOCK_SH, "Error on line 2: Failed to save database.\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StorageScriptTest, ACertificateFileIsReadEvenWhileSomeoneHoldsItsLock) {
    std::filesystem::copy_file(test::dataFile("certs/ca.pem"), dir.file("ca.pem"));
    const int fd = ::open(dir.file("ca.pem").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    const auto result =
        test::runScript("set_name X\nset_auth EAP-PEAP\nset_inner_auth MSCHAPv2\nset_username u\n"
                        "set_password p\nadd_ca_cert ca.pem\nsave out.odb\n",
                        cwd);
    ::close(fd);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(test::logBody(cwd), "Saved profile database: out.odb\n");
}

TEST_F(StorageScriptTest, ASaveThatCannotBeWrittenStopsTheScript) {
    const auto result =
        test::runScript("set_auth LEAP\nsave no/such/folder/out.odb\nsave out.odb\n", cwd);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(test::logBody(cwd), "Error on line 2: Failed to save database.\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.odb")));
}

} // namespace
} // namespace corvane
