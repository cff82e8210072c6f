#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "ui/controls.h"
#include "ui/geometry.h"
#include "ui/main_window.h"

namespace corvane {

// Where the front end finds its resources: the program's own module (icon, About bitmap and the
// built-in templates) and the module of the user's language (templates, menu, shortcuts), which
// is the program's own when no language module was loaded.
struct ResourceModules {
    HINSTANCE program = nullptr;
    HMODULE language = nullptr;
};

// A dialog template of the language's module, else of the program's own; null when neither has
// it.
const DLGTEMPLATE* loadDialogTemplate(const ResourceModules& modules, int id);

// The width in pixels a label's or a check box's caption needs in its control's font (the box
// of a check box included); 0 for other controls.
int captionWidth(HWND control);
// Labels and check boxes of a dialog grow to show their whole caption: the system's font may
// run wider than the one the template was laid out with.
void fitCaptions(HWND dialog);

// The main window: a modeless dialog made from template 103 with a window class of its own, and
// the Controls interface the window logic drives. Notifications of the controls go to the
// logic's handlers.
class Win32MainWindow : public Controls {
public:
    Win32MainWindow(MainWindow& logic, ResourceModules modules);
    ~Win32MainWindow() override;
    Win32MainWindow(const Win32MainWindow&) = delete;
    Win32MainWindow& operator=(const Win32MainWindow&) = delete;

    // Registers the window class and creates the window, hidden. False when either fails; a
    // class that cannot be registered is reported in a message box.
    bool create();
    HWND handle() const { return window_; }
    HACCEL accelerators() const { return accelerators_; }
    HWND control(ControlId id) const;
    const ResourceModules& modules() const { return modules_; }
    // Dialog base units of the window's font, as the template's dialog units are measured.
    DialogBaseUnits baseUnits() const;
    // Runs once the window has been destroyed; the program ends its message loop there.
    void setOnDestroyed(std::function<void()> onDestroyed) {
        onDestroyed_ = std::move(onDestroyed);
    }
    // The message loop's filter: the window's shortcuts, then the dialog keyboard navigation.
    // True when the message has been handled.
    bool preTranslate(MSG& message);

    void setText(ControlId id, const std::string& text) override;
    std::string text(ControlId id) const override;
    void setEnabled(ControlId id, bool enabled) override;
    bool isEnabled(ControlId id) const override;
    void setVisible(ControlId id, bool visible) override;
    bool isVisible(ControlId id) const override;
    void setChecked(ControlId id, bool checked) override;
    bool isChecked(ControlId id) const override;
    void setTabStop(ControlId id, bool tabStop) override;
    void setFocus(ControlId id) override;
    void clearComboItems(ControlId id) override;
    void addComboItem(ControlId id, const std::string& text, int value) override;
    int comboItemCount(ControlId id) const override;
    int comboItemValue(ControlId id, int index) const override;
    int selectedComboIndex(ControlId id) const override;
    void selectComboIndex(ControlId id, int index) override;
    void deleteAllListRows(ControlId id) override;
    void insertListRow(ControlId id, int row, const std::string& text) override;
    void setListCellText(ControlId id, int row, int column, const std::string& text) override;
    int listRowCount(ControlId id) const override;
    std::string listCellText(ControlId id, int row, int column) const override;
    void setListColumnWidth(ControlId id, int column, int width) override;
    int selectedListRow(ControlId id) const override;
    int focusedListRow(ControlId id) const override;
    void setFocusedListRow(ControlId id, int row) override;
    void refuseInput(ControlId id, const std::string& notice) override;
    void setTitle(const std::string& title) override;
    void requestClose() override;

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    static LRESULT CALLBACK listProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR subclassId, DWORD_PTR owner);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void onCommand(int id, int code, HWND from);
    LRESULT onNotify(const NMHDR& header, LPARAM lParam);
    void onEditChanged(ControlId id, HWND edit);
    // Enter pressed on one of the window's controls; true when it has been handled.
    bool onEnter(HWND target);
    void setUpControls();
    void useLanguageMenu();

    MainWindow& logic_;
    ResourceModules modules_;
    HWND window_ = nullptr;
    // Loaded from a resource, so freed with the process.
    HACCEL accelerators_ = nullptr;
    std::function<void()> onDestroyed_;
    // Each field's text before the user's edit: the rule for what a field takes compares with it.
    std::map<ControlId, std::wstring> acceptedText_;
    // Column widths as the logic gave them, in pixels of the template's font: set again in the
    // new scale when the window moves to a screen of another resolution.
    std::map<std::pair<ControlId, int>, int> columnWidths_;
    bool programWriting_ = false;
    bool fittingEdit_ = false; // taking back out of a field what it may not hold
};

} // namespace corvane
