#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "profile/device_text.h"
#include "ui/controls.h"
#include "ui/main_window.h"

namespace corvane::test {

// The controls of template 103 as plain state. Like the toolkit, it notifies the window of
// every change of a text or a choice, the program's own included, so the tests see that the
// window tells them apart from the user's edits.
class FakeControls : public Controls {
public:
    struct State {
        std::string text;
        bool enabled = true;
        bool visible = true;
        bool checked = false;
        bool tabStop = false;
        std::vector<std::pair<std::string, int>> items;
        int selectedItem = -1;
        std::vector<std::vector<std::string>> rows;
        int selectedRow = -1;
        int focusedRow = -1;
        std::map<int, int> columnWidths;
    };

    explicit FakeControls(MainWindow& window) : window_(window) {
        for (const TemplateControl& row : mainWindowTemplate()) {
            if (row.id == ControlId::None)
                continue;
            State& s = states_[row.id];
            s.tabStop = (row.flags & TabStop) != 0;
            if (row.captionId != 0)
                s.text = "caption " + std::to_string(row.captionId);
        }
    }

    // What the user does. Typing replaces the field's text, one character at a time as keys
    // give them; a paste puts its whole text in at the end. Each edit goes through the window's
    // rule for what a field takes, as the toolkit's edits do.
    void type(ControlId id, const std::string& text) {
        edit(id, std::string());
        for (char32_t c : utf8ToCodePoints(text))
            paste(id, codePointsToUtf8({&c, 1}));
    }
    void paste(ControlId id, const std::string& text) { edit(id, at(id).text + text); }
    void choose(ControlId id, int index) { selectComboIndex(id, index); }
    void click(ControlId id) {
        State& s = at(id);
        s.checked = !s.checked;
        window_.onCheckBoxClicked(id);
    }

    void selectRow(ControlId id, int row) {
        at(id).selectedRow = row;
        window_.onListSelectionChanged(id);
    }

    const State& state(ControlId id) const { return states_.at(id); }
    ControlId focus() const { return focus_; }
    const std::string& title() const { return title_; }
    bool closed() const { return closed_; }

    void setText(ControlId id, const std::string& text) override {
        at(id).text = text;
        window_.onEdited(id);
    }
    std::string text(ControlId id) const override { return states_.at(id).text; }
    void setEnabled(ControlId id, bool enabled) override { at(id).enabled = enabled; }
    bool isEnabled(ControlId id) const override { return states_.at(id).enabled; }
    void setVisible(ControlId id, bool visible) override { at(id).visible = visible; }
    bool isVisible(ControlId id) const override { return states_.at(id).visible; }
    void setChecked(ControlId id, bool checked) override { at(id).checked = checked; }
    bool isChecked(ControlId id) const override { return states_.at(id).checked; }
    void setTabStop(ControlId id, bool tabStop) override { at(id).tabStop = tabStop; }
    void setFocus(ControlId id) override { focus_ = id; }

    void clearComboItems(ControlId id) override {
        at(id).items.clear();
        at(id).selectedItem = -1;
    }
    void addComboItem(ControlId id, const std::string& text, int value) override {
        at(id).items.emplace_back(text, value);
    }
    int comboItemCount(ControlId id) const override { return int(states_.at(id).items.size()); }
    int comboItemValue(ControlId id, int index) const override {
        return states_.at(id).items.at(std::size_t(index)).second;
    }
    int selectedComboIndex(ControlId id) const override { return states_.at(id).selectedItem; }
    void selectComboIndex(ControlId id, int index) override {
        State& s = at(id);
        const int next = (index >= 0 && index < int(s.items.size())) ? index : -1;
        if (next == s.selectedItem)
            return;
        s.selectedItem = next;
        window_.onSelectionChanged(id);
    }

    void deleteAllListRows(ControlId id) override {
        at(id).rows.clear();
        at(id).selectedRow = -1;
        at(id).focusedRow = -1;
    }
    void insertListRow(ControlId id, int row, const std::string& text) override {
        auto& rows = at(id).rows;
        rows.insert(rows.begin() + std::min<std::ptrdiff_t>(row, std::ptrdiff_t(rows.size())),
                    std::vector<std::string>{text});
    }
    void setListCellText(ControlId id, int row, int column, const std::string& text) override {
        auto& cells = at(id).rows.at(std::size_t(row));
        if (cells.size() <= std::size_t(column))
            cells.resize(std::size_t(column) + 1);
        cells[std::size_t(column)] = text;
    }
    int listRowCount(ControlId id) const override { return int(states_.at(id).rows.size()); }
    std::string listCellText(ControlId id, int row, int column) const override {
        const auto& cells = states_.at(id).rows.at(std::size_t(row));
        return std::size_t(column) < cells.size() ? cells[std::size_t(column)] : std::string();
    }
    void setListColumnWidth(ControlId id, int column, int width) override {
        at(id).columnWidths[column] = width;
    }
    int selectedListRow(ControlId id) const override { return states_.at(id).selectedRow; }
    int focusedListRow(ControlId id) const override { return states_.at(id).focusedRow; }
    void setFocusedListRow(ControlId id, int row) override { at(id).focusedRow = row; }

    void refuseInput(ControlId, const std::string& notice) override { refusals_.push_back(notice); }
    // The notice of each refusal signalled since the last call, empty for a beep alone.
    std::vector<std::string> takeRefusals() { return std::exchange(refusals_, {}); }

    void setTitle(const std::string& title) override { title_ = title; }
    void requestClose() override {
        if (window_.onCloseRequested())
            closed_ = true;
    }

private:
    State& at(ControlId id) { return states_.at(id); }
    void edit(ControlId id, const std::string& proposed) {
        const std::string fitted = window_.onFieldEdit(id, at(id).text, proposed).text;
        if (fitted != at(id).text)
            setText(id, fitted);
    }

    MainWindow& window_;
    std::map<ControlId, State> states_;
    ControlId focus_ = ControlId::None;
    std::vector<std::string> refusals_;
    std::string title_;
    bool closed_ = false;
};

} // namespace corvane::test
