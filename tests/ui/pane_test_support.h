#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"
#include "ui/fake_controls.h"
#include "ui/main_window.h"
#include "ui/scripted_dialogs.h"

namespace corvane::test {

// Positions of the outer protocols in their list.
enum OuterIndex { TlsIndex = 0, TtlsIndex = 1, PeapIndex = 2, LeapIndex = 3 };

// A main window over fake controls whose dialogs must all be answered.
class PaneTest : public testing::Test {
protected:
    PaneTest() : controls(window) { window.createMainWindow(controls, dialogs, "/opt/c/"); }
    ~PaneTest() override { window.detach(); }

    void TearDown() override {
        for (const std::string& failure : dialogs.failures())
            ADD_FAILURE() << failure;
    }

    // Every message box shown since the last call, as "caption|text".
    std::vector<std::string> takeMessages() {
        std::vector<std::string> out;
        for (const auto& shown : dialogs.shown())
            if (shown.kind == "message")
                out.push_back(shown.caption + "|" + shown.text);
        dialogs.clearShown();
        return out;
    }

    // Chooses files in the next open dialog, then runs the command; every report is answered.
    void runWithFiles(ControlId command, const std::vector<std::string>& paths, int reports = 0) {
        dialogs.answerOpen(paths);
        for (int i = 0; i < reports; ++i)
            dialogs.answerMessage(MessageBoxAnswer::Ok);
        window.onCommand(command);
    }

    const FakeControls::State& state(ControlId id) const { return controls.state(id); }
    bool enabled(ControlId id) const { return state(id).enabled; }
    std::vector<std::string> column(ControlId id, int column) const {
        std::vector<std::string> out;
        for (int row = 0; row < controls.listRowCount(id); ++row)
            out.push_back(controls.listCellText(id, row, column));
        return out;
    }
    std::string selectedInnerText() const {
        const auto& inner = state(ControlId::InnerAuthProtocol);
        return inner.selectedItem < 0 ? std::string()
                                      : inner.items[std::size_t(inner.selectedItem)].first;
    }

    TempDir dir;
    MainWindow window;
    ScriptedDialogs dialogs;
    FakeControls controls;
};

} // namespace corvane::test
