// Many scripts at once over the same files, as a batch of provisioning jobs runs them: readers
// of one template database and one certificate file must never get in one another's way, and
// runs in one folder share its wizard.log.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "profile/profile.h"
#include "support/test_support.h"

namespace corvane {
namespace {

constexpr int kParallelRuns = 40;
constexpr int kRounds = 5;

// Runs corvane on one script in each folder, all at once; their exit codes in folder order.
std::vector<int> runAtOnce(const std::vector<std::string>& folders,
                           const std::vector<std::string>& scripts) {
    std::vector<int> codes(folders.size(), -1);
    std::vector<std::thread> runs;
    for (std::size_t i = 0; i < folders.size(); ++i)
        runs.emplace_back(
            [&, i] { codes[i] = test::runCorvane({scripts[i]}, folders[i]).exitCode; });
    for (std::thread& run : runs)
        run.join();
    return codes;
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
        const std::vector<int> codes =
            runAtOnce(folders, std::vector<std::string>(folders.size(), "script.txt"));
        for (std::size_t i = 0; i < codes.size(); ++i) {
            if (codes[i] != 0) {
                ++failures;
                ADD_FAILURE() << "round " << round << ", run " << i << ": exit " << codes[i] << "\n"
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

// Two batch jobs in one folder report into one wizard.log at once: every line arrives, whole.
TEST(ParallelRunsTest, RunsInOneFolderKeepEveryLogLineWhole) {
    constexpr int kLines = 800;
    test::TempDir dir;
    const std::string cwd = dir.path().string();
    // Every line after the first adds the certificate again: a warning of two lines each.
    std::string script;
    for (int i = 0; i < kLines; ++i)
        script += "add_ca_cert " + test::dataFile("certs/ca.pem") + "\n";
    test::writeFile(dir.file("a.txt"), script);
    test::writeFile(dir.file("b.txt"), script);
    EXPECT_EQ(runAtOnce({cwd, cwd}, {"a.txt", "b.txt"}), (std::vector<int>{0, 0}));

    // Every line once per run, none torn; the headers by their start (they hold the time).
    std::map<std::string, int> expected{{"", 2}, {"--- a.txt ", 1}, {"--- b.txt ", 1}}, seen;
    for (int n = 2; n <= kLines; ++n)
        expected["Error on line " + std::to_string(n) + ": Failed to add ca certificate."] = 2;
    expected["ERROR: Add Certificate Failed - Certificate is already in the list."] =
        2 * (kLines - 1);
    std::istringstream log(test::readTextFile(dir.file("wizard.log")));
    for (std::string line; std::getline(log, line);)
        ++seen[line.starts_with("--- ") ? line.substr(0, 10) : line];
    EXPECT_TRUE(seen == expected);
}

} // namespace
} // namespace corvane
