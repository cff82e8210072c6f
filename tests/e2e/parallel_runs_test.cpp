// Many scripts at once over the same files, as a batch of provisioning jobs runs them: readers
// of one template database and one certificate file must never get in one another's way, and
// runs in one folder share its wizard.log.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
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

} // namespace
} // namespace corvane

namespace corvane {
namespace {

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

    const std::regex header(R"(--- [ab]\.txt \[.*\] ---)");
    const std::regex lineError(R"(Error on line (\d+): Failed to add ca certificate\.)");
    const std::string duplicate =
        "ERROR: Add Certificate Failed - Certificate is already in the list.";
    std::istringstream log(test::readTextFile(dir.file("wizard.log")));
    std::map<int, int> lineErrors; // line number -> lines seen for it
    int headers = 0, empty = 0, duplicates = 0;
    std::smatch match;
    for (std::string line; std::getline(log, line);) {
        if (line.empty())
            ++empty;
        else if (std::regex_match(line, header))
            ++headers;
        else if (line == duplicate)
            ++duplicates;
        else if (std::regex_match(line, match, lineError))
            ++lineErrors[std::stoi(match[1])];
        else
            ADD_FAILURE() << "torn line: " << line;
    }
    EXPECT_EQ(empty, 2);
    EXPECT_EQ(headers, 2);
    EXPECT_EQ(duplicates, 2 * (kLines - 1));
    ASSERT_EQ(lineErrors.size(), std::size_t(kLines - 1));
    for (const auto& [number, count] : lineErrors)
        EXPECT_EQ(count, 2) << "line " << number;
}

} // namespace
} // namespace corvane
