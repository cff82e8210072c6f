// The Windows side of the platform layer, through the program as a user runs it and through
// the facilities themselves: locks held by another program, read-only and hard-linked
// databases, temporary files, module loading by full path only, non-ASCII paths, CR LF logs.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "app/resources.h"
#include "platform/file_access.h"
#include "platform/local_time.h"
#include "platform/module.h"
#include "platform/win32/console.h"
#include "support/test_support.h"
#include "support/test_support_win32.h"

namespace corvane {
namespace {

using test::TempDir;

std::wstring wide(const std::string& utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring out(std::size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), n);
    return out;
}

std::size_t temporaryFilesIn(const TempDir& dir) {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        count += entry.path().filename().string().find(kTemporaryFileMarker) != std::string::npos;
    return count;
}

class WindowsScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(test::runScript("set_name X\nset_auth LEAP\nsave held.odb\n", cwd()).exitCode, 0);
        std::filesystem::remove(dir.file("wizard.log"));
        before = test::readFile(dir.file("held.odb"));
    }
    std::string cwd() const { return dir.path().string(); }
    TempDir dir;
    std::string before;
};

// Another program's lock: a writer's excludes every run, a reader's excludes saving only.
TEST_F(WindowsScriptTest, LocksOfAnotherProgramAreRespected) {
    for (bool exclusive : {true, false}) {
        SCOPED_TRACE(exclusive ? "exclusive" : "shared");
        HANDLE held = CreateFileW(wide(dir.file("held.odb")).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        OVERLAPPED at{};
        ASSERT_TRUE(
            LockFileEx(held, exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0, 0, MAXDWORD, MAXDWORD, &at));
        const auto result = test::runScript("load held.odb\nsave held.odb\n", cwd());
        CloseHandle(held);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(test::logBody(cwd()), exclusive ? "Error on line 1: Failed to load database.\n"
                                                  : "Error on line 2: Failed to save database.\n");
        EXPECT_EQ(test::readFile(dir.file("held.odb")), before);
        std::filesystem::remove(dir.file("wizard.log"));
    }
}

TEST_F(WindowsScriptTest, AReadOnlyDatabaseIsNotSavedOver) {
    const std::wstring path = wide(dir.file("held.odb"));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    const auto result = test::runScript("load held.odb\nset_name Y\nsave held.odb\n", cwd());
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(test::logBody(cwd()), "Error on line 3: Failed to save database.\n");
    EXPECT_EQ(test::readFile(dir.file("held.odb")), before);
    EXPECT_EQ(temporaryFilesIn(dir), 0u);
}

// The usual save: the new file takes the old one's place, named as the user named it.
TEST_F(WindowsScriptTest, ASaveReplacesTheDatabase) {
    for (const char* name : {"New Name", "Again"}) {
        const auto result = test::runScript(
            std::string("load held.odb\nset_name \"") + name + "\"\nsave held.odb\n", cwd());
        EXPECT_EQ(result.exitCode, 0) << result.out;
        EXPECT_NE(test::readFile(dir.file("held.odb")).find(name), std::string::npos);
    }
    EXPECT_EQ(temporaryFilesIn(dir), 0u);
}

// A replacement would split the two names; the file is written in place instead.
TEST_F(WindowsScriptTest, AHardLinkedDatabaseKeepsBothNames) {
    ASSERT_TRUE(CreateHardLinkW(wide(dir.file("second.odb")).c_str(),
                                wide(dir.file("held.odb")).c_str(), nullptr));
    ASSERT_EQ(test::runScript("load held.odb\nset_name Renamed\nsave held.odb\n", cwd()).exitCode,
              0);
    const std::string after = test::readFile(dir.file("held.odb"));
    EXPECT_NE(after, before);
    EXPECT_EQ(test::readFile(dir.file("second.odb")), after);
    EXPECT_NE(after.find("Renamed"), std::string::npos);
}

TEST_F(WindowsScriptTest, NonAsciiPathsFromTheCommandLine) {
    const std::string folder = dir.file("Ordner \xC3\x9F");
    std::filesystem::create_directory(
        std::filesystem::path(std::u8string(folder.begin(), folder.end())));
    test::writeFile(folder + "/Pr\xC3\xBC"
                             "fung.txt",
                    "set_name X\nset_auth LEAP\nsave \"Profil \xC3\xA9.odb\"\n");
    const auto result = test::runCorvane({"Pr\xC3\xBC"
                                          "fung.txt"},
                                         folder);
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_EQ(test::readFile(folder + "/Profil \xC3\xA9.odb").substr(0, 4), before.substr(0, 4));
    // wizard.log is a text file: CR LF line ends on Windows.
    const std::string log = test::readFile(folder + "/wizard.log");
    EXPECT_TRUE(log.starts_with("\r\n--- Pr\xC3\xBC"
                                "fung.txt ["))
        << log;
    EXPECT_TRUE(log.ends_with("Saved profile database: Profil \xC3\xA9.odb\r\n")) << log;
}

// The text after the program's name is one path, spaces and all; only a leading quote and a
// final quote are removed.
TEST(WindowsCommandLineTest, TheTextAfterTheProgramIsOnePath) {
    TempDir dir;
    test::writeFile(dir.file("my  script.txt"), "new\n");
    const struct {
        const wchar_t* tail;
        int exitCode;
        const char* logEnd;
    } cases[] = {
        {L"my  script.txt", 0, "--- my  script.txt ["},
        {L"\"my  script.txt\"", 0, "--- my  script.txt ["},
        {L"\"my  script.txt\" now", 1, "Failed to open script file: my  script.txt\" now\n"},
        // cmd leaves the blank before ">", "|" and "&&" on the command line.
        {L"\"my  script.txt\" ", 0, "--- my  script.txt ["},
        {L"my  script.txt \t", 0, "--- my  script.txt ["},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.logEnd));
        std::filesystem::remove(dir.file("wizard.log"));
        EXPECT_EQ(test::runCorvaneCommandLine(c.tail, dir.path().string()).exitCode, c.exitCode);
        const std::string log = test::readTextFile(dir.file("wizard.log"));
        if (c.exitCode == 0) {
            EXPECT_NE(log.find(c.logEnd), std::string::npos) << log;
        } else {
            EXPECT_TRUE(log.ends_with(c.logEnd)) << log;
        }
    }
}

// Help is answered as Windows programs answer it, the blank cmd leaves and all (the spellings
// are in the start-mode table), without a log.
TEST(WindowsCommandLineTest, HelpIsAnswered) {
    TempDir dir;
    const auto result = test::runCorvaneCommandLine(L"/? ", dir.path().string());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.starts_with("Usage:")) << result.out;
    EXPECT_FALSE(std::filesystem::exists(dir.file("wizard.log")));
}

// A script saved in the ANSI code page, as Windows editors save by default, names its files in
// it; the profile keeps the script's bytes.
TEST_F(WindowsScriptTest, AnAnsiScriptNamesNonAsciiFiles) {
    std::filesystem::copy_file(test::dataFile("certs/ca.pem"), dir.path() / L"B\u00e4r.pem");
    const auto result = test::runScript(
        "set_auth EAP-PEAP\nset_inner_auth MSCHAPv2\nadd_ca_cert B\xE4r.pem\nsave a.odb\n", cwd());
    EXPECT_EQ(result.exitCode, 0) << test::logBody(cwd());
    const std::string saved = test::readFile(dir.file("a.odb"));
    EXPECT_NE(saved.find("B\xE4r.pem"), std::string::npos);
}

// Redirected console text is in the console's code page, or the OEM one without a console,
// so that "type" and "find" read German texts right ("\xC3\xBC" is 0x81 in 437 and 850 alike).
TEST(WindowsConsoleTest, RedirectedTextIsInTheConsoleCodePage) {
    const UINT codePage = GetConsoleOutputCP();
    if (!SetConsoleOutputCP(850) && codePage == 0) {
        ASSERT_TRUE(GetOEMCP() == 437 || GetOEMCP() == 850) << GetOEMCP();
    }
    TempDir dir;
    HANDLE file = CreateFileW(wide(dir.file("out.txt")).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    EXPECT_TRUE(platform::writeConsoleHandle(file, "Sie m\xC3\xBCssen\n"));
    CloseHandle(file);
    if (codePage != 0)
        SetConsoleOutputCP(codePage);
    EXPECT_EQ(test::readFile(dir.file("out.txt")), "Sie m\x81ssen\r\n");
}

// Stale temporary files of a target are removed by the next save, also one that makes the
// target anew; one still held open belongs to a live writer and stays. A failed save leaves
// the target as it was and no temporary file.
TEST(WindowsFileAccessTest, AFailedSaveLeavesTheTargetAndNoTemporaryFile) {
    for (bool exists : {true, false}) {
        SCOPED_TRACE(exists ? "existing target" : "new target");
        TempDir dir;
        const std::string target = dir.file("t.odb");
        if (exists)
            test::writeFile(target, "old content");
        const std::string prefix = ".t.odb" + std::string(kTemporaryFileMarker);
        const std::string stale = dir.file(prefix + "Abc123");
        const std::string live = dir.file(prefix + "Xyz789");
        test::writeFile(stale, "stale");
        test::writeFile(live, "live");
        HANDLE liveHandle =
            CreateFileW(wide(live).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(liveHandle, INVALID_HANDLE_VALUE);
        writeFaultHook() = WriteFaultHook{};
        writeFaultHook().failWriteCall = 1;
        FileAccess file;
        ASSERT_EQ(file.open(target, false, true), StatusCode::Success);
        const std::string bytes(100000, 'n');
        file.writeBlock(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        EXPECT_EQ(file.commit(), StatusCode::Failure);
        writeFaultHook() = WriteFaultHook{};
        CloseHandle(liveHandle);
        EXPECT_EQ(std::filesystem::exists(target), exists);
        if (exists) {
            EXPECT_EQ(test::readFile(target), "old content");
        }
        EXPECT_FALSE(std::filesystem::exists(stale));
        EXPECT_TRUE(std::filesystem::exists(live));
        std::filesystem::remove(live);
        EXPECT_EQ(temporaryFilesIn(dir), 0u);
    }
}

// Modules come from a full path only: one planted in the current folder is never loaded.
TEST(WindowsModuleTest, OnlyFullPathsLoad) {
    TempDir dir;
    const std::string german = std::string(CORVANE_BINARY_DIR) + "/Corvane_deDE.dll";
    std::filesystem::copy_file(german, dir.file("Corvane_deDE.dll"));
    std::filesystem::copy_file(german, dir.file("corvane-window.dll"));
    test::writeFile(dir.file("Corvane_frFR.dll"), "this is not a module");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    platform::ResourceModule module;
    EXPECT_FALSE(module.load("Corvane_deDE.dll"));
    EXPECT_FALSE(platform::Module("corvane-window.dll"));
    EXPECT_EQ(selectResourceLibraryIn("", "Corvane", 0x0407), "");
    EXPECT_EQ(selectResourceLibraryIn(dir.path().string() + "\\", "Corvane", 0x040C), "");
    EXPECT_EQ(selectResourceLibraryIn(dir.path().string() + "\\", "Corvane", 0x0407),
              "Corvane_deDE.dll");
    EXPECT_EQ(loadString(20), "Fehler in Zeile %d: %s\n");
    releaseResourceLibrary();
    EXPECT_EQ(loadString(20), "Error on line %d: %s\n");
    std::filesystem::current_path(previous);
}

TEST(WindowsDateTest, YearsOutsideTwoDigitReachAreWrittenWhole) {
    // 2126-11-14 and 1949-06-15, noon UTC: no time zone moves either across a year.
    EXPECT_NE(platform::localShortDate(4950331200LL).find("2126"), std::string::npos);
    EXPECT_NE(platform::localShortDate(-648388800LL).find("1949"), std::string::npos);
    EXPECT_FALSE(platform::localShortDate(1199188800LL).empty());
}

} // namespace
} // namespace corvane
