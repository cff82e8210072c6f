#pragma once

#include <QMainWindow>

#include <functional>
#include <map>
#include <vector>

#include "ui/controls.h"
#include "ui/geometry.h"
#include "ui/main_window.h"

class QAction;
class QIcon;
class QTreeWidget;

namespace corvane {

// The program's icon in all its sizes.
QIcon corvaneIcon();

// Dialog base units of a widget's font: average letter width and character height.
DialogBaseUnits dialogBaseUnits(const QWidget& widget);

// The main window with real widgets: every control of template 103 at its rectangle in dialog
// units of the window's own font, the menu bar with its shortcuts, and the Controls interface
// the window logic drives.
class QtMainWindow : public QMainWindow, public Controls {
public:
    explicit QtMainWindow(MainWindow& logic);
    ~QtMainWindow() override;

    // Called once the user's close got past the prompt.
    void setOnClosed(std::function<void()> onClosed) { onClosed_ = std::move(onClosed); }
    // Puts the window in the middle of its screen.
    void centreOnScreen();

    QWidget* control(ControlId id) const;
    QAction* action(ControlId id) const;
    DialogBaseUnits baseUnits() const { return units_; }

    // The widget's own members of these names stay usable beside the control ones.
    using QMainWindow::isEnabled;
    using QMainWindow::isVisible;
    using QMainWindow::setEnabled;
    using QMainWindow::setFocus;
    using QMainWindow::setVisible;

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

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Provider configurations dropped on the window outside the lists.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createControls(QWidget* face);
    void createMenus();
    QWidget* createControl(const TemplateControl& row, QWidget* face);
    QTreeWidget* list(ControlId id) const;
    ControlId listOf(QObject* watched) const;
    // "Valid Until" as wide as its widest date, at least as asked; Issuer gives up the room.
    void fitValidUntilColumn();

    MainWindow& logic_;
    DialogBaseUnits units_;
    std::map<ControlId, QWidget*> controls_;
    std::map<ControlId, QAction*> actions_;
    std::function<void()> onClosed_;
    int validUntilWidth_ = 0; // as the logic asked, in pixels
    int widestValidUntil_ = 0;
};

} // namespace corvane
