#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "storage/file_access.h"
#include "storage/profile_records.h"
#include "storage/record_database.h"
#include "support/test_support.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

// Resets the process-wide fault hook around a test.
struct HookGuard {
    HookGuard() { writeFaultHook() = WriteFaultHook{}; }
    ~HookGuard() { writeFaultHook() = WriteFaultHook{}; }
    HookGuard(const HookGuard&) = delete;
    HookGuard& operator=(const HookGuard&) = delete;
};

std::set<std::string> folderEntries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// An EAP-TTLS profile whose database is about 400 KB, large enough for several write calls.
void fillBigProfile(Profile& profile, const std::string& path, int certificates = 8) {
    profile.reset(true);
    profile.profileName.assign("Big");
    profile.authProtocol = EapTtls;
    profile.username.assign("user");
    profile.password.assign("pass");
    for (int i = 0; i < certificates; ++i) {
        auto entry = std::make_unique<CertificateEntry>();
        entry->kind = CertificateKind::CaCertificate;
        entry->bytes.assign(std::string(50000, static_cast<char>('A' + i)));
        entry->format = CertificateFormat::Pem;
        entry->fileName.assign("ca" + std::to_string(i) + ".pem");
        profile.caCertificates.append(std::move(entry));
    }
    profile.filePath.assign(path);
    profile.updateFieldMask();
    profile.modified = true;
}

class FileAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        Profile original;
        original.profileName.assign("Original");
        original.filePath.assign(target);
        original.updateFieldMask();
        ASSERT_EQ(original.saveProfileDatabase(), StatusCode::Success);
        previous = test::readFile(target);
        writeFaultHook() = WriteFaultHook{};
    }
    // The previous file is there byte for byte, and nothing else is in the folder.
    void expectPreviousFileOnly() {
        EXPECT_TRUE(test::readFile(target) == previous) << "the previous file changed";
        EXPECT_EQ(folderEntries(dir.path()), std::set<std::string>{"target.odb"});
    }

    HookGuard hook;
    test::TempDir dir;
    std::string target = dir.file("target.odb");
    std::string previous;
};

TEST_F(FileAccessTest, ASecondOpenOfAnOpenFileFails) {
    FileAccess first;
    ASSERT_EQ(first.open(target, true, false), StatusCode::Success);
    FileAccess second;
    EXPECT_EQ(second.open(target, true, false), StatusCode::Failure);
    EXPECT_EQ(second.open(target, false, true), StatusCode::Failure);
    first.close();
    EXPECT_EQ(second.open(target, true, false), StatusCode::Success);
    EXPECT_EQ(first.open(target, true, true), StatusCode::Failure); // no in-place updates
}

TEST_F(FileAccessTest, AFileLockedElsewhereCannotBeLoadedOrSaved) {
    const int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);

    RecordDatabase db;
    EXPECT_EQ(db.readDatabase(target), StatusCode::Failure);
    std::uint32_t type = 0;
    EXPECT_EQ(readTypeAndCreator(target, &type, nullptr), StatusCode::Failure);
    ByteBuffer buffer;
    EXPECT_EQ(readWholeFile(target, buffer), StatusCode::Failure);
    Profile profile;
    profile.filePath.assign(target);
    EXPECT_EQ(profile.loadProfileDatabase(), StatusCode::FileNotFound);
    fillBigProfile(profile, target, 1);
    EXPECT_EQ(profile.saveProfileDatabase(), StatusCode::WriteFailed);
    EXPECT_TRUE(profile.modified);
    expectPreviousFileOnly();

    ::close(fd);
    EXPECT_EQ(profile.saveProfileDatabase(), StatusCode::Success);
}

TEST_F(FileAccessTest, AFileHeldByAnotherProcessCannotBeLoaded) {
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FileAccess held;
        char c = held.open(target, true, false) == StatusCode::Success ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        (void)!read(release[0], &c, 1);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    Profile profile;
    profile.filePath.assign(target);
    EXPECT_EQ(profile.loadProfileDatabase(), StatusCode::FileNotFound);
    ASSERT_EQ(write(release[1], &c, 1), 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(profile.loadProfileDatabase(), StatusCode::Success);
    EXPECT_EQ(profile.profileName, "Original");
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        ::close(fd);
}

TEST_F(FileAccessTest, TheTargetStaysLockedWhileItIsBeingReplaced) {
    std::vector<StatusCode> seen;
    auto tryRead = [&] {
        std::uint32_t type = 0;
        seen.push_back(readTypeAndCreator(target, &type, nullptr));
    };
    writeFaultHook().beforeWrite = [&](unsigned) { tryRead(); };
    writeFaultHook().beforeRename = tryRead;
    Profile profile;
    fillBigProfile(profile, target);
    ASSERT_EQ(profile.saveProfileDatabase(), StatusCode::Success);
    ASSERT_GE(seen.size(), 3u);
    for (StatusCode status : seen)
        EXPECT_EQ(status, StatusCode::Failure);
}

TEST_F(FileAccessTest, NewFilesArePrivateAndReplacedFilesKeepTheirMode) {
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    Profile profile;
    fillBigProfile(profile, target, 1);
    ASSERT_EQ(profile.saveProfileDatabase(), StatusCode::Success);
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(FileAccessTest, SavingThroughASymbolicLinkReplacesWhatItPointsTo) {
    const std::string link = dir.file("link.odb");
    fs::create_symlink(target, link);
    Profile profile;
    fillBigProfile(profile, link, 1);
    ASSERT_EQ(profile.saveProfileDatabase(), StatusCode::Success);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_FALSE(test::readFile(target) == previous) << "the target was not replaced";
    EXPECT_EQ(folderEntries(dir.path()), (std::set<std::string>{"link.odb", "target.odb"}));
}

TEST_F(FileAccessTest, EveryFailingWriteCallIsReportedAndLeavesThePreviousFile) {
    Profile profile;
    fillBigProfile(profile, dir.file("measure.odb"));
    ASSERT_EQ(profile.saveProfileDatabase(), StatusCode::Success);
    const unsigned calls = writeFaultHook().writeCalls;
    ASSERT_GE(calls, 3u);
    fs::remove(dir.file("measure.odb"));

    for (unsigned n = 1; n <= calls; ++n) {
        SCOPED_TRACE("failing write call " + std::to_string(n));
        writeFaultHook() = WriteFaultHook{};
        writeFaultHook().failWriteCall = n;
        fillBigProfile(profile, target);
        EXPECT_EQ(profile.saveProfileDatabase(), StatusCode::WriteFailed);
        EXPECT_TRUE(profile.modified);
        expectPreviousFileOnly();
    }
}

TEST_F(FileAccessTest, AFullDiskIsReportedAndLeavesThePreviousFile) {
    Profile profile;
    fillBigProfile(profile, target);
    ASSERT_EQ(profile.saveProfileDatabase(), StatusCode::Success);
    const std::string written = test::readFile(target);
    test::writeFile(target, previous);

    for (std::int64_t room : {std::int64_t{0}, std::int64_t{1}, std::int64_t{78},
                              std::int64_t{65536}, static_cast<std::int64_t>(written.size()) - 1}) {
        SCOPED_TRACE("room for " + std::to_string(room) + " bytes");
        writeFaultHook() = WriteFaultHook{};
        writeFaultHook().stopAfterBytes = room;
        EXPECT_EQ(profile.saveProfileDatabase(), StatusCode::WriteFailed);
        expectPreviousFileOnly();
    }
    writeFaultHook() = WriteFaultHook{};
    writeFaultHook().stopAfterBytes = static_cast<std::int64_t>(written.size());
    EXPECT_EQ(profile.saveProfileDatabase(), StatusCode::Success);
    EXPECT_EQ(test::readFile(target).size(), written.size());
}

// Runs `body` in a child process and returns its exit code, or 128 + signal.
template <class Body> int inChild(Body body) {
    const pid_t child = fork();
    if (child == 0)
        _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST_F(FileAccessTest, AFileSizeLimitFailsTheSaveInsteadOfKillingTheProcess) {
    const int code = inChild([&] {
        rlimit limit{100000, 100000};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 99;
        Profile profile;
        fillBigProfile(profile, target);
        return static_cast<int>(profile.saveProfileDatabase());
    });
    EXPECT_EQ(code, 3);
    expectPreviousFileOnly();
}

TEST_F(FileAccessTest, AScriptUnderUlimitReportsTheFailedSave) {
    Profile profile;
    fillBigProfile(profile, dir.file("big.odb"));
    ASSERT_EQ(profile.saveProfileDatabase(), StatusCode::Success);
    test::writeFile(dir.file("script.txt"), "load big.odb\nsave target.odb\n");
    // 200 blocks of 512 bytes: room for the log, not for the 400 KB database.
    const std::string command = "cd '" + dir.path().string() + "' && ulimit -f 200 && '" +
                                CORVANE_EXECUTABLE + "' script.txt >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(test::logBody(dir.path().string()), "Error on line 2: Failed to save database.\n");
    EXPECT_TRUE(test::readFile(target) == previous) << "the previous file changed";
    EXPECT_EQ(folderEntries(dir.path()),
              (std::set<std::string>{"big.odb", "script.txt", "target.odb", "wizard.log"}));
}

TEST_F(FileAccessTest, AnUnwritableFolderFailsTheSave) {
    // The folder belongs to someone else; the file itself could be written in place.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(target.c_str(), 0666), 0);
    const int code = inChild([&] {
        const bool root = geteuid() == 0;
        if (root && (setgid(65534) != 0 || setuid(65534) != 0))
            return 77;
        if (!root && ::chmod(dir.path().c_str(), 0555) != 0)
            return 78;
        Profile profile;
        fillBigProfile(profile, target, 1);
        return static_cast<int>(profile.saveProfileDatabase());
    });
    if (code == 77)
        GTEST_SKIP() << "cannot drop root privileges here";
    EXPECT_EQ(code, 3);
    expectPreviousFileOnly();
}

// A process that dies mid-save never leaves a damaged target. The temporary file it was
// writing may remain, since nothing runs after a kill; it is named so that it is recognisable.
class FileAccessCrashTest : public FileAccessTest, public ::testing::WithParamInterface<int> {};

TEST_P(FileAccessCrashTest, TheTargetSurvivesAProcessThatDiesMidSave) {
    const int when = GetParam(); // write call to die at; 0 = just before the rename
    const int code = inChild([&] {
        auto die = [] { ::kill(::getpid(), SIGKILL); };
        if (when == 0)
            writeFaultHook().beforeRename = die;
        else
            writeFaultHook().beforeWrite = [&](unsigned call) {
                if (static_cast<int>(call) == when)
                    die();
            };
        Profile profile;
        fillBigProfile(profile, target);
        profile.saveProfileDatabase();
        return 0;
    });
    EXPECT_EQ(code, 128 + SIGKILL);
    EXPECT_TRUE(test::readFile(target) == previous) << "the previous file changed";
    for (const std::string& name : folderEntries(dir.path())) {
        if (name != "target.odb") {
            EXPECT_NE(name.find(kTemporaryFileMarker), std::string::npos) << name;
        }
    }

    Profile profile;
    fillBigProfile(profile, target);
    ASSERT_EQ(profile.saveProfileDatabase(), StatusCode::Success);
    profile.filePath.assign(target);
    ASSERT_EQ(profile.loadProfileDatabase(), StatusCode::Success);
    EXPECT_EQ(profile.caCertificates.count(), 8u);
}

INSTANTIATE_TEST_SUITE_P(Moments, FileAccessCrashTest, ::testing::Values(1, 2, 4, 0));

} // namespace
} // namespace corvane
