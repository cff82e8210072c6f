// PATH edited for the installer: the list rules, and the registry value read and written whole,
// however long, with its type kept.
#include "platform/win32/path_list.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/setup.h"

namespace corvane::platform {
namespace {

TEST(PathListTest, AddsAndRemovesOnlyTheFolder) {
    const std::wstring folder = L"C:\\Program Files\\Corvane";
    struct Case {
        std::wstring list, added, removed;
    };
    const Case cases[] = {
        {L"", folder, L""},
        {L"C:\\Tools", L"C:\\Tools;" + folder, L"C:\\Tools"},
        {L"C:\\Tools;", L"C:\\Tools;" + folder, L"C:\\Tools;"},
        {L"A;;B", L"A;;B;" + folder, L"A;;B"},
        {L"A;c:\\program files\\corvane\\;B", L"A;c:\\program files\\corvane\\;B", L"A;B"},
        {L"\"C:\\Program Files\\Corvane\";%SystemRoot%",
         L"\"C:\\Program Files\\Corvane\";%SystemRoot%", L"%SystemRoot%"},
        {L"C:\\Program Files\\Corvane2", L"C:\\Program Files\\Corvane2;" + folder,
         L"C:\\Program Files\\Corvane2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pathWithEntry(c.list, folder), c.added);
        EXPECT_EQ(pathWithoutEntry(c.list, folder), c.removed);
    }
}

class PathValueTest : public ::testing::Test {
protected:
    void SetUp() override {
        name_ = L"Software\\CorvaneTest-" + std::to_wstring(GetCurrentProcessId());
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, name_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegDeleteKeyW(HKEY_CURRENT_USER, name_.c_str());
    }
    void set(DWORD type, const std::wstring& text) {
        ASSERT_EQ(RegSetValueExW(key_, L"Path", 0, type,
                                 reinterpret_cast<const BYTE*>(text.c_str()),
                                 DWORD((text.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    // "TYPE:text", or "missing".
    std::wstring value() const {
        wchar_t buffer[kMaxEnvironmentValue + 1]{};
        DWORD type = 0;
        DWORD size = sizeof buffer;
        if (RegQueryValueExW(key_, L"Path", nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                             &size) != ERROR_SUCCESS)
            return L"missing";
        return std::to_wstring(type) + L":" + buffer;
    }
    std::wstring name_;
    HKEY key_ = nullptr;
};

// Added once and removed again, the type kept; a missing value is made and deleted again.
TEST_F(PathValueTest, EntryIsAddedOnceAndRemovedAgain) {
    const std::wstring folder = L"C:\\Program Files\\Corvane";
    std::wstring list = L"%SystemRoot%\\system32";
    while (list.size() < 2000)
        list += L";C:\\Some Vendor\\Tool " + std::to_wstring(list.size());
    set(REG_EXPAND_SZ, list);
    for (const std::wstring& before : {list, std::wstring()}) {
        const std::wstring type = std::to_wstring(REG_EXPAND_SZ) + L":";
        for (int i = 0; i < 2; ++i) { // once only
            ASSERT_TRUE(addToPathValue(key_, folder));
            EXPECT_EQ(value(), type + (before.empty() ? folder : before + L";" + folder));
        }
        ASSERT_TRUE(removeFromPathValue(key_, folder));
        EXPECT_EQ(value(), before.empty() ? L"missing" : type + before);
        RegDeleteValueW(key_, L"Path");
    }
}

TEST_F(PathValueTest, NothingChangesWhenTheEntryCannotBeAdded) {
    const std::wstring full(kMaxEnvironmentValue - 5, L'x');
    set(REG_SZ, full);
    EXPECT_FALSE(addToPathValue(key_, L"C:\\Corvane"));
    EXPECT_EQ(value(), std::to_wstring(REG_SZ) + L":" + full);
    set(REG_DWORD, L"\x07"); // 4 bytes: the number 7
    EXPECT_FALSE(addToPathValue(key_, L"C:\\Corvane"));
}

TEST(SetupCommandTest, OnlyWellFormedCommandsRun) {
    EXPECT_EQ(runSetupCommand("office.txt"), std::nullopt);
    EXPECT_EQ(runSetupCommand("--add-to-pathx AllUsers C:\\X"), std::nullopt);
    EXPECT_EQ(runSetupCommand("--add-to-path Everyone C:\\X"), 1);
    EXPECT_EQ(runSetupCommand("--add-to-path CurrentUser"), 1);
    EXPECT_EQ(runSetupCommand("--remove-from-path CurrentUser C:\\A;C:\\B"), 1);
}

} // namespace
} // namespace corvane::platform
