// The program as a user starts it: odd command lines, scripts from other systems, the program's
// own folder and the hardening of the built binary.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "support/test_support.h"

namespace corvane {
namespace {

using test::commandOutput;
using test::logBody;
using test::readFile;
using test::runCorvane;
using test::runScript;
using test::TempDir;
using namespace std::string_literals;

TEST(CommandLineTest, HelpAndVersionAnswerOnTheTerminal) {
    TempDir dir;
    auto version = runCorvane({"--version"}, dir.path().string());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "Corvane 1.0\n");
    auto help = runCorvane({"--help"}, dir.path().string());
    EXPECT_EQ(help.exitCode, 0);
    for (const char* word : {"Usage:", "--open", "add_ca_cert", "set_pkpassword",
                             "clear_client_cert_pkey", "wizard.log", "Exit codes"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    EXPECT_FALSE(std::filesystem::exists(dir.file("wizard.log")));

    // A file of that name, as anyone may leave one in a shared folder, is never run: it is
    // answered all the same. Named with its folder, it is a script.
    test::writeFile(dir.file("--help"), "set_auth LEAP\nsave " + dir.file("planted.odb") + "\n");
    auto answered = runCorvane({"--help"}, dir.path().string());
    EXPECT_EQ(answered.exitCode, 0);
    EXPECT_EQ(answered.out, help.out);
    EXPECT_FALSE(std::filesystem::exists(dir.file("wizard.log")));
    auto script = runCorvane({"./--help"}, dir.path().string());
    EXPECT_EQ(script.exitCode, 0);
    EXPECT_EQ(logBody(dir.path().string()),
              "Saved profile database: " + dir.file("planted.odb") + "\n");
    TempDir other;
    EXPECT_EQ(runCorvane({"--version", "x"}, other.path().string()).exitCode, 1);
    EXPECT_TRUE(std::filesystem::exists(other.file("wizard.log")));
}

// The desktop types a file by its content, so a file without ".odb" may be offered to Corvane
// as a profile database; its command must then open the window, never run the file.
TEST(CommandLineTest, DesktopEntryNeverRunsItsFileAsAScript) {
    std::ifstream entry(std::string(CORVANE_TEST_DATA_DIR) + "/../../packaging/corvane.desktop");
    std::vector<std::string> command;
    for (std::string line; std::getline(entry, line);) {
        if (!line.starts_with("Exec="))
            continue;
        std::istringstream words(line.substr(5));
        for (std::string word; words >> word;)
            command.push_back(word);
    }
    ASSERT_GE(command.size(), 2u);
    ASSERT_EQ(command.front(), "corvane");
    command.erase(command.begin());

    TempDir dir;
    // A script whose first line carries the database type and creator at offset 60.
    const std::string file = dir.file("office-wifi");
    test::writeFile(file, "#" + std::string(59, ' ') + "PLCYQNRX\nnew\nset_auth LEAP\n" + "save " +
                              dir.file("beside.odb") + "\n");
    std::replace(command.begin(), command.end(), "%f"s, file);
    const auto desktop = runCorvane(command, dir.path().string());
    EXPECT_EQ(desktop.exitCode, 1); // no display here, so the window cannot open
    EXPECT_NE(desktop.err.find("main window"), std::string::npos) << desktop.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("beside.odb")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("wizard.log")));
    // The same file named alone is a script, and one that writes beside itself.
    EXPECT_EQ(runCorvane({file}, dir.path().string()).exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.file("beside.odb")));
}

TEST(CommandLineTest, EmptyQuotedPathIsAScriptThatCannotBeOpened) {
    for (const char* argument : {"", "\"\""}) {
        TempDir dir;
        auto r = runCorvane({argument}, dir.path().string());
        EXPECT_EQ(r.exitCode, 1) << argument;
        EXPECT_EQ(r.err, "") << argument; // no window-module message
        const std::string log = readFile(dir.file("wizard.log"));
        EXPECT_TRUE(log.starts_with("\n---  [")) << log;
        EXPECT_TRUE(log.ends_with("] ---\nFailed to open script file: \n")) << log;
    }
}

TEST(ScriptTextTest, ByteOrderMarkAtTheStartIsSkipped) {
    TempDir dir;
    auto r = runScript("\xEF\xBB\xBFnew\nbogus\n", dir.path().string());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(logBody(dir.path().string()), "Error on line 2: Unknown command\n");
    // Only a whole mark at the very start is skipped; a partial one stays part of the command.
    TempDir partial;
    runScript("\xEF\xBBnew\n", partial.path().string());
    EXPECT_EQ(logBody(partial.path().string()), "Error on line 1: Unknown command\n");
    TempDir later;
    runScript("new\n\xEF\xBB\xBFnew\n", later.path().string());
    EXPECT_EQ(logBody(later.path().string()), "Error on line 2: Unknown command\n");
}

TEST(ScriptTextTest, LineEndsAtItsFirstNulByte) {
    TempDir dir;
    auto r =
        runScript("set_name Off\0ice\nset_auth LEAP\0junk\nsave n.odb\n"s, dir.path().string());
    EXPECT_EQ(r.exitCode, 0) << logBody(dir.path().string());
    const std::string saved = readFile(dir.file("n.odb"));
    ASSERT_GE(saved.size(), 32u);
    EXPECT_EQ(saved.substr(0, 9), "QNRX_Off\0"s);
    EXPECT_EQ(saved.find("ice"), std::string::npos);
}

TEST(ScriptTextTest, LongCommentLineStaysCommentAcrossPieces) {
    TempDir dir;
    const std::string comment = "#" + std::string(1022, 'x') + "save from-comment.odb";
    auto r = runScript(comment + "\n" + comment + std::string(2000, 'y') + "bogus\nnew\n",
                       dir.path().string());
    EXPECT_EQ(r.exitCode, 0) << logBody(dir.path().string());
    EXPECT_FALSE(std::filesystem::exists(dir.file("from-comment.odb")));
    // A comment that starts late in a long line also covers the rest of it.
    TempDir late;
    auto r2 = runScript("new " + std::string(1000, ' ') + "# " + std::string(100, 'z') +
                            " bogus\nbogus\n",
                        late.path().string());
    EXPECT_EQ(r2.exitCode, 1);
    EXPECT_EQ(logBody(late.path().string()), "Error on line 3: Unknown command\n");
}

// Runs corvane in a mount namespace where /proc is empty, as in a minimal chroot.
std::string runWithoutProc(const std::string& folder, const std::string& args, int* exitCode) {
    return commandOutput("cd '" + folder + "' && LC_ALL= LC_MESSAGES= LANG=de_DE.UTF-8 " +
                             "unshare -m sh -c 'mount -t tmpfs none /proc && exec \"$0\" " + args +
                             "' " + CORVANE_EXECUTABLE + " 2>&1",
                         exitCode);
}

TEST(ProgramFolderTest, UnknownProgramFolderLoadsNoModuleFromTheCurrentFolder) {
    if (commandOutput("unshare -m sh -c 'mount -t tmpfs none /proc && echo ok' 2>/dev/null") !=
        "ok\n")
        GTEST_SKIP() << "needs root and mount namespaces";
    TempDir dir;
    std::filesystem::copy_file(std::string(CORVANE_BINARY_DIR) + "/Corvane_deDE.so",
                               dir.file("Corvane_deDE.so"));
    std::filesystem::copy_file(std::string(CORVANE_BINARY_DIR) + "/Corvane_deDE.so",
                               dir.file("corvane-window.so"));
    test::writeFile(dir.file("script.txt"), "bogus\n");
    int exitCode = -1;
    runWithoutProc(dir.path().string(), "script.txt", &exitCode);
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(logBody(dir.path().string()), "Error on line 1: Unknown command\n");
    const std::string window = runWithoutProc(dir.path().string(), "", &exitCode);
    EXPECT_EQ(exitCode, 1);
    EXPECT_NE(window.find("folder cannot be found"), std::string::npos) << window;
}

TEST(ProgramFolderTest, WindowModeWithoutItsModuleSaysSoInOneLine) {
    TempDir dir;
    std::filesystem::copy_file(CORVANE_EXECUTABLE, dir.file("corvane"));
    int exitCode = -1;
    // A display is there, so only the missing module can stop the window.
    const std::string output = commandOutput(
        "cd '" + dir.path().string() + "' && QT_QPA_PLATFORM=offscreen ./corvane 2>&1", &exitCode);
    EXPECT_EQ(exitCode, 1);
    EXPECT_NE(output.find(dir.file("corvane-window.so") + " is missing"), std::string::npos)
        << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
}

TEST(ProgramLinkTest, BuiltWithTheDistributionHardening) {
    const std::string program = CORVANE_EXECUTABLE;
    const std::string dynamic = commandOutput("readelf -d " + program);
    EXPECT_NE(dynamic.find("BIND_NOW"), std::string::npos) << dynamic;
    EXPECT_NE(dynamic.find("PIE"), std::string::npos) << dynamic;
    EXPECT_NE(commandOutput("readelf -l " + program).find("GNU_RELRO"), std::string::npos);
    const std::string symbols = commandOutput("nm -D " + program);
    EXPECT_NE(symbols.find("__stack_chk_fail"), std::string::npos);
#if defined(__OPTIMIZE__) && !defined(__SANITIZE_ADDRESS__)
    EXPECT_NE(symbols.find("_chk@"), symbols.find("__stack_chk_fail@")) << symbols;
#endif
}

} // namespace
} // namespace corvane
