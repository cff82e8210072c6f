// wizard.log in a folder that anyone may write, where another user may have left a file of its
// name in the run's way.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "support/test_support.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

TEST(LogFileTest, APlantedLogIsNeverWrittenThroughOrWaitedFor) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to plant files as another user";
    test::TempDir dir;
    const std::string victim = dir.file("victim");
    test::writeFile(victim, "keep\n");
    const fs::path shared = dir.path() / "shared";
    const std::string log = (shared / "wizard.log").string();
    struct Case {
        const char* name;
        uid_t folderOwner;
        std::function<void()> plant;
        bool used; // the folder owner's own file is the one case that is written
    };
    const Case cases[] = {
        {"link", 0, [&] { fs::create_symlink(victim, log); }, false},
        {"FIFO", 0, [&] { ASSERT_EQ(::mkfifo(log.c_str(), 0666), 0); }, false},
        {"regular file", 0, [&] { test::writeFile(log, ""); }, false},
        {"folder owner's file", kNobody, [&] { test::writeFile(log, ""); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(shared);
        fs::create_directory(shared);
        ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
        ASSERT_EQ(::chown(shared.c_str(), c.folderOwner, c.folderOwner), 0);
        c.plant();
        ASSERT_EQ(::lchown(log.c_str(), kNobody, kNobody), 0);
        ::chmod(log.c_str(), 0666);
        const auto run = test::runScript("new\nbogus\n", shared.string());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.out.find("Error on line 2: Unknown command\n"), std::string::npos);
        // Said once, or not at all.
        const auto said = run.err.find("cannot open wizard.log");
        EXPECT_EQ(said == std::string::npos, c.used) << run.err;
        EXPECT_EQ(said, run.err.rfind("cannot open wizard.log"));
        EXPECT_EQ(test::readFile(victim), "keep\n");
        struct stat st {};
        ASSERT_EQ(::lstat(log.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, kNobody);
        if (S_ISREG(st.st_mode)) {
            EXPECT_EQ(st.st_size == 0, !c.used);
        }
    }
}

} // namespace
} // namespace corvane
