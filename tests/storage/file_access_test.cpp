#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "platform/file_access.h"
#include "storage/profile_records.h"
#include "storage/record_database.h"
#include "support/test_support.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

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

// Runs `body` in a child process and returns its exit code, or 128 + signal.
template <class Body> int inChild(Body body) {
    const pid_t child = fork();
    if (child == 0)
        _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// In a child: become the unprivileged user "nobody" when running as root. False when that
// cannot be done.
bool dropRoot() {
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}

struct stat statOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

// The number of CA certificates in the database at `path`, or -1 when it does not load.
int loadedCertificates(const std::string& path) {
    Profile profile;
    profile.filePath.assign(path);
    if (profile.loadProfileDatabase() != StatusCode::Success)
        return -1;
    return static_cast<int>(profile.caCertificates.count());
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

TEST_F(FileAccessTest, ReadersShareAFileAndAWriterExcludesEveryone) {
    FileAccess reader;
    ASSERT_EQ(reader.open(target, true, false), StatusCode::Success);
    FileAccess other;
    EXPECT_EQ(other.open(target, true, false), StatusCode::Success);
    other.close();
    EXPECT_EQ(other.open(target, false, true), StatusCode::Failure);
    reader.close();

    FileAccess writer;
    ASSERT_EQ(writer.open(target, false, true), StatusCode::Success);
    EXPECT_EQ(other.open(target, true, false), StatusCode::Failure);
    EXPECT_EQ(other.open(target, false, true), StatusCode::Failure);
    // Certificate and key files are read without the lock.
    EXPECT_EQ(other.open(target, true, false, ReadLocking::None), StatusCode::Success);
    other.close();
    writer.close();
    EXPECT_EQ(other.open(target, false, true), StatusCode::Success);
    EXPECT_EQ(reader.open(target, true, true), StatusCode::Failure); // no read-write opens
}

TEST_F(FileAccessTest, AFileBeingWrittenByAnotherProcessCannotBeLoaded) {
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FileAccess held;
        char c = held.open(target, false, true) == StatusCode::Success ? 'y' : 'n';
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

TEST_F(FileAccessTest, AWritableFileInAnUnwritableFolderIsWrittenInPlace) {
    // The folder belongs to someone else; the file itself may be written.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(target.c_str(), 0666), 0);
    const ino_t inode = statOf(target).st_ino;
    const int code = inChild([&] {
        const bool root = geteuid() == 0;
        if (root && !dropRoot())
            return 77;
        if (!root && ::chmod(dir.path().c_str(), 0555) != 0)
            return 78;
        Profile profile;
        fillBigProfile(profile, target, 1);
        return static_cast<int>(profile.saveProfileDatabase());
    });
    if (code == 77)
        GTEST_SKIP() << "cannot drop root privileges here";
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(statOf(target).st_ino, inode);
    EXPECT_EQ(loadedCertificates(target), 1);
    EXPECT_EQ(folderEntries(dir.path()), std::set<std::string>{"target.odb"});
}

TEST_F(FileAccessTest, AFolderThatCannotBeListedStillTakesSaves) {
    // Writable and enterable but not readable: the folder cannot be opened to sync it.
    const bool root = geteuid() == 0;
    ASSERT_EQ(::chmod(dir.path().c_str(), root ? 0733 : 0333), 0);
    const std::string created = dir.file("created.odb");
    const int code = inChild([&] {
        if (root && !dropRoot())
            return 77;
        Profile profile;
        fillBigProfile(profile, created, 1);
        const StatusCode first = profile.saveProfileDatabase();
        fillBigProfile(profile, created, 2);
        const StatusCode second = profile.saveProfileDatabase(); // a replacement this time
        return 10 * static_cast<int>(first) + static_cast<int>(second);
    });
    if (code == 77)
        GTEST_SKIP() << "cannot drop root privileges here";
    ASSERT_EQ(::chmod(dir.path().c_str(), 0700), 0);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(loadedCertificates(created), 2);
    EXPECT_EQ(statOf(created).st_mode & 07777, 0600u);
    EXPECT_EQ(folderEntries(dir.path()), (std::set<std::string>{"created.odb", "target.odb"}));
}

TEST_F(FileAccessTest, RootSavingAnotherUsersFileKeepsItsOwnerGroupAndMode) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root";
    ASSERT_EQ(::chown(target.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    Profile profile;
    fillBigProfile(profile, target, 1);
    ASSERT_EQ(profile.saveProfileDatabase(), StatusCode::Success);
    const struct stat st = statOf(target);
    EXPECT_EQ(st.st_uid, kNobody);
    EXPECT_EQ(st.st_gid, kNobody);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(loadedCertificates(target), 1);
    EXPECT_EQ(folderEntries(dir.path()), std::set<std::string>{"target.odb"});
}

TEST_F(FileAccessTest, AFileWhoseOwnerCannotBeKeptIsWrittenInPlace) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to hand the file to another user";
    // Anyone may write the file and add files to the folder, but a replacement made by nobody
    // could not be given back to root.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    ASSERT_EQ(::chmod(target.c_str(), 0666), 0);
    const ino_t inode = statOf(target).st_ino;
    const int code = inChild([&] {
        if (!dropRoot())
            return 77;
        Profile profile;
        fillBigProfile(profile, target, 1);
        return static_cast<int>(profile.saveProfileDatabase());
    });
    if (code == 77)
        GTEST_SKIP() << "cannot drop root privileges here";
    EXPECT_EQ(code, 0);
    const struct stat st = statOf(target);
    EXPECT_EQ(st.st_ino, inode);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_EQ(st.st_mode & 07777, 0666u);
    EXPECT_EQ(loadedCertificates(target), 1);
    EXPECT_EQ(folderEntries(dir.path()), std::set<std::string>{"target.odb"});
}

class FileAccessHardLinkTest : public FileAccessTest {
protected:
    void SetUp() override {
        FileAccessTest::SetUp();
        fs::create_hard_link(target, other);
    }
    std::string other = dir.file("other.odb");
};

TEST_F(FileAccessHardLinkTest, AFileWithASecondLinkIsWrittenInPlaceAndStaysShared) {
    const ino_t inode = statOf(target).st_ino;
    Profile profile;
    fillBigProfile(profile, target, 8);
    ASSERT_EQ(profile.saveProfileDatabase(), StatusCode::Success);
    EXPECT_EQ(statOf(target).st_ino, inode);
    EXPECT_EQ(statOf(other).st_nlink, 2u);
    EXPECT_EQ(loadedCertificates(other), 8);

    // A shorter database leaves no tail of the longer one behind.
    fillBigProfile(profile, target, 1);
    ASSERT_EQ(profile.saveProfileDatabase(), StatusCode::Success);
    EXPECT_EQ(statOf(other).st_ino, inode);
    EXPECT_EQ(loadedCertificates(other), 1);
    EXPECT_EQ(folderEntries(dir.path()), (std::set<std::string>{"other.odb", "target.odb"}));
}

TEST_F(FileAccessHardLinkTest, EveryFailureWritingInPlaceIsReported) {
    struct Fault {
        unsigned failWriteCall;
        std::int64_t stopAfterBytes;
    };
    for (const Fault fault : {Fault{1, -1}, Fault{2, -1}, Fault{0, 0}, Fault{0, 100000}}) {
        SCOPED_TRACE("write call " + std::to_string(fault.failWriteCall) + ", room " +
                     std::to_string(fault.stopAfterBytes));
        writeFaultHook() = WriteFaultHook{};
        writeFaultHook().failWriteCall = fault.failWriteCall;
        writeFaultHook().stopAfterBytes = fault.stopAfterBytes;
        Profile profile;
        fillBigProfile(profile, target, 8);
        EXPECT_EQ(profile.saveProfileDatabase(), StatusCode::WriteFailed);
        EXPECT_TRUE(profile.modified);
        EXPECT_EQ(statOf(other).st_nlink, 2u);
    }
}

TEST_F(FileAccessHardLinkTest, AFileSizeLimitFailsAnInPlaceSaveBeforeAByteChanges) {
    const int code = inChild([&] {
        rlimit limit{100000, 100000};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 99;
        Profile profile;
        fillBigProfile(profile, target);
        return static_cast<int>(profile.saveProfileDatabase());
    });
    EXPECT_EQ(code, 3);
    EXPECT_TRUE(test::readFile(other) == previous) << "the file changed";
}

TEST_F(FileAccessTest, SavingThroughADanglingLinkCreatesItsTarget) {
    fs::create_directory(dir.file("sub"));
    // chain.odb -> link.odb -> sub/made.odb, which does not exist yet.
    fs::create_symlink("sub/made.odb", dir.file("link.odb"));
    fs::create_symlink(dir.file("link.odb"), dir.file("chain.odb"));
    Profile profile;
    fillBigProfile(profile, dir.file("chain.odb"), 1);
    ASSERT_EQ(profile.saveProfileDatabase(), StatusCode::Success);
    EXPECT_TRUE(fs::is_symlink(dir.file("chain.odb")));
    EXPECT_TRUE(fs::is_symlink(dir.file("link.odb")));
    const std::string made = dir.file("sub/made.odb");
    EXPECT_TRUE(S_ISREG(statOf(made).st_mode));
    EXPECT_EQ(statOf(made).st_mode & 07777, 0600u);
    EXPECT_EQ(loadedCertificates(made), 1);
    EXPECT_EQ(folderEntries(dir.file("sub")), std::set<std::string>{"made.odb"});

    fs::create_symlink("loop.odb", dir.file("loop.odb"));
    fillBigProfile(profile, dir.file("loop.odb"), 1);
    EXPECT_EQ(profile.saveProfileDatabase(), StatusCode::WriteFailed);
}

TEST_F(FileAccessTest, ASaveRemovesStaleTemporaryFilesOfItsTargetOnly) {
    const std::string stale = std::string(".target.odb") + kTemporaryFileMarker;
    const std::set<std::string> kept{
        "target.odb",
        stale + "Busy01",                                            // a live writer holds it
        stale + "abc",                                               // not a name a save makes
        std::string(".other.odb") + kTemporaryFileMarker + "Xy12Z9", // another target's
        "notes.txt",
    };
    for (const std::string& name : kept)
        if (name != "target.odb")
            test::writeFile(dir.file(name), "x");
    for (const std::string& name : {stale + "AbC123", stale + "zzzzzz"})
        test::writeFile(dir.file(name), "secret");
    const int busy = ::open(dir.file(stale + "Busy01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(busy, 0);
    ASSERT_EQ(::flock(busy, LOCK_EX | LOCK_NB), 0);

    Profile profile;
    fillBigProfile(profile, target, 1);
    ASSERT_EQ(profile.saveProfileDatabase(), StatusCode::Success);
    ::close(busy);
    EXPECT_EQ(folderEntries(dir.path()), kept);
}

// A process that dies mid-save never leaves a damaged target. The temporary file it was
// writing may remain, since nothing runs after a kill; the next save of the target removes it.
class FileAccessCrashTest : public FileAccessTest, public ::testing::WithParamInterface<int> {};

TEST_P(FileAccessCrashTest, TheTargetSurvivesAProcessThatDiesMidSave) {
    // Write call to die at; 0 = just before the rename; negative: of a first save.
    const int when = GetParam();
    if (when < 0)
        fs::remove(target);
    const int code = inChild([&] {
        auto die = [] { ::kill(::getpid(), SIGKILL); };
        if (when == 0)
            writeFaultHook().beforeRename = die;
        else
            writeFaultHook().beforeWrite = [&](unsigned call) {
                if (static_cast<int>(call) == std::abs(when))
                    die();
            };
        Profile profile;
        fillBigProfile(profile, target);
        profile.saveProfileDatabase();
        return 0;
    });
    EXPECT_EQ(code, 128 + SIGKILL);
    EXPECT_TRUE(when < 0 || test::readFile(target) == previous) << "the previous file changed";
    for (const std::string& name : folderEntries(dir.path())) {
        if (name != "target.odb") {
            EXPECT_NE(name.find(kTemporaryFileMarker), std::string::npos) << name;
        }
    }

    // A live writer holds its temporary file's lock, so the next save knows the leftovers are
    // stale.
    Profile profile;
    fillBigProfile(profile, target);
    ASSERT_EQ(profile.saveProfileDatabase(), StatusCode::Success);
    EXPECT_EQ(folderEntries(dir.path()), std::set<std::string>{"target.odb"});
    EXPECT_EQ(loadedCertificates(target), 8);
}

INSTANTIATE_TEST_SUITE_P(Moments, FileAccessCrashTest, ::testing::Values(1, 2, 4, 0, -1));

// As root saving into a sticky folder that anyone may write, where the kernel's protection of
// links and regular files (fs.protected_regular) may be switched off.
TEST_F(FileAccessTest, OnlyTheFolderOwnersLinksAreFollowedInASharedFolder) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to plant links as another user";
    const fs::path shared = dir.file("shared");
    fs::create_directory(shared);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    // Someone else's links to root's files, existing or still to be made, and to root's folder.
    fs::create_symlink(target, shared / "old.odb");
    fs::create_symlink(dir.file("new.odb"), shared / "new.odb");
    fs::create_symlink(dir.path(), shared / "in");
    for (const uid_t folderOwner : {uid_t{0}, kNobody}) {
        ASSERT_EQ(::chown(shared.c_str(), folderOwner, folderOwner), 0);
        test::writeFile((shared / "planted.odb").string(), "");
        ASSERT_EQ(::chmod((shared / "planted.odb").c_str(), 0666), 0);
        for (const char* planted : {"old.odb", "new.odb", "in", "planted.odb"})
            ASSERT_EQ(::lchown((shared / planted).c_str(), kNobody, kNobody), 0);
        for (const char* path : {"old.odb", "new.odb", "in/new.odb", "planted.odb"}) {
            Profile profile;
            fillBigProfile(profile, (shared / path).string(), 1);
            EXPECT_EQ(profile.saveProfileDatabase(),
                      folderOwner == kNobody ? StatusCode::Success : StatusCode::WriteFailed);
        }
        EXPECT_EQ(test::readFile(target) == previous, folderOwner == 0);
        EXPECT_EQ(fs::exists(dir.file("new.odb")), folderOwner == kNobody);
        EXPECT_EQ(test::readFile((shared / "planted.odb").string()).empty(), folderOwner == 0);
        EXPECT_EQ(folderEntries(shared),
                  (std::set<std::string>{"in", "new.odb", "old.odb", "planted.odb"}));
    }
}

} // namespace
} // namespace corvane
