// Many scripts at once over the same files, as a batch of provisioning jobs runs them: readers
// of one template database and one certificate file must never get in one another's way.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "profile/profile.h"
#include "support/test_support.h"

namespace corvane {
namespace {

constexpr int kParallelRuns = 40;
constexpr int kRounds = 5;

// Starts corvane on script.txt in `cwd`, its output discarded; returns the child's id.
pid_t startScript(const std::string& cwd) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int devnull = ::open("/dev/null", O_RDWR);
        if (devnull < 0 || chdir(cwd.c_str()) != 0)
            _exit(127);
        dup2(devnull, 0);
        dup2(devnull, 1);
        dup2(devnull, 2);
        execl(CORVANE_EXECUTABLE, CORVANE_EXECUTABLE, "script.txt", static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

int exitCodeOf(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(ParallelRunsTest, ScriptsLoadingOneTemplateAndAddingOneCertificateAllSucceed) {
    test::TempDir dir;
    const std::string cwd = dir.path().string();
    const auto made = test::runScript("set_name Template\nset_auth EAP-PEAP\n"
                                      "set_inner_auth MSCHAPv2\nset_username u\nset_password p\n"
                                      "add_ca_cert " +
                                          test::dataFile("certs/ca.pem") + "\nsave template.odb\n",
                                      cwd);
    ASSERT_EQ(made.exitCode, 0) << test::logBody(cwd);
    const std::string templatePath = dir.file("template.odb");
    const std::string templateBytes = test::readFile(templatePath);

    std::vector<std::string> folders;
    for (int i = 0; i < kParallelRuns; ++i) {
        folders.push_back(dir.file("run" + std::to_string(i)));
        std::filesystem::create_directory(folders.back());
        test::writeFile(folders.back() + "/script.txt", "load " + templatePath + "\nadd_ca_cert " +
                                                            test::dataFile("certs/ca2.pem") +
                                                            "\nsave out.odb\n");
    }

    int failures = 0;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<pid_t> children;
        for (const std::string& folder : folders)
            children.push_back(startScript(folder));
        for (std::size_t i = 0; i < children.size(); ++i) {
            ASSERT_GT(children[i], 0) << "fork failed";
            const int code = exitCodeOf(children[i]);
            if (code != 0) {
                ++failures;
                ADD_FAILURE() << "round " << round << ", run " << i << ": exit " << code << "\n"
                              << test::readTextFile(folders[i] + "/wizard.log");
            }
        }
    }
    EXPECT_EQ(failures, 0) << "of " << kRounds * kParallelRuns << " runs";

    EXPECT_TRUE(test::readFile(templatePath) == templateBytes) << "the template changed";
    for (const std::string& folder : folders) {
        Profile result;
        result.filePath.assign(folder + "/out.odb");
        ASSERT_EQ(result.loadProfileDatabase(), StatusCode::Success) << folder;
        EXPECT_EQ(result.caCertificates.count(), 2u) << folder;
    }
}

} // namespace
} // namespace corvane
