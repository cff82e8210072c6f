// Window mode from the outside: the program itself links no GUI library, and without a display
// the window module says so in one line instead of aborting.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "support/test_support.h"

namespace corvane {
namespace {

using test::commandOutput;

TEST(WindowModeTest, NoDisplayGivesOneLineAndExitCodeOne) {
    if (!std::filesystem::exists(std::string(CORVANE_BINARY_DIR) + "/corvane-window.so"))
        GTEST_SKIP() << "the window module is not built (Qt 6 missing)";
    test::TempDir dir;
    const std::string line = "corvane: no display to show the main window on (set DISPLAY or "
                             "WAYLAND_DISPLAY); to run a script: corvane <script file>\n";
    struct Case {
        std::map<std::string, std::string> env;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {{{"QT_QPA_PLATFORM", ""}}, {}},
        {{{"QT_QPA_PLATFORM", ""}}, {"profile.odb"}},
        // A provider configuration is opened in the window, never run as a script.
        {{{"QT_QPA_PLATFORM", ""}}, {"campus.eap-config"}},
        // A platform that cannot start ends the same way, not with Qt's abort.
        {{{"QT_QPA_PLATFORM", "no-such-platform"}}, {}},
        {{{"QT_QPA_PLATFORM", ""}, {"DISPLAY", ":97"}}, {}},
    };
    for (const Case& c : cases) {
        const test::RunResult r = test::runCorvane(c.args, dir.path().string(), c.env);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, line);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

} // namespace
} // namespace corvane
