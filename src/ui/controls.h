#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace corvane {

// Ids of the main window's controls and commands. A button carries the id of its command, so a
// menu item, its button and its shortcut act alike.
enum class ControlId : int {
    None = -1,
    CaList = 1000,
    ProfileName = 1001,
    AuthProtocol = 1003,
    InnerAuthProtocol = 1004,
    InitialIdentity = 1006,
    ClientList = 1007,
    PrivateKeyPassword = 1008,
    Password = 1009,
    Username = 1010,
    InnerAuthProtocolLabel = 1013,
    ClientCheckBox = 1015,
    ClientLabel = 1018,
    UsernameLabel = 1019,
    PasswordLabel = 1020,
    PrivateKeyPasswordLabel = 1021,
    InitialIdentityLabel = 1022,
    CaListLabel = 1025,
    CertificatesGroup = 1026,
    New = 40001,
    SaveAs = 40003,
    Exit = 40004,
    HelpContents = 40005,
    About = 40006,
    AddCa = 40007,
    RemoveCa = 40008,
    SetClient = 40009,
    ClearClient = 40010,
    Open = 57601,
    Save = 57603,
    // Controls of the About box.
    Ok = 1,
    AboutVersion = 1007,
};

enum class ControlKind : std::uint8_t {
    Edit,
    PasswordEdit,
    DropDownList,
    PushButton,
    DefaultPushButton,
    CheckBox,
    StaticText,
    GroupBox,
    ListView,
};

// Style bits of a template control.
enum ControlFlags : unsigned {
    TabStop = 0x01,
    NoColumnHeader = 0x02,
    NoScrolling = 0x04,
    AcceptsDroppedFiles = 0x08,
};

// A rectangle in dialog units: x, y, width, height.
struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct TemplateControl {
    ControlId id;
    ControlKind kind;
    unsigned captionId; // string id of the caption; 0 for none
    DialogRect rect;
    unsigned flags;
    int textLimit;    // longest text the user may enter, in stored bytes; 0 for no limit
    unsigned labelId; // string id of the label that names an input control; 0 for none
};

// Dialog template 103, the main window, in template order (which is also the tab order).
std::span<const TemplateControl> mainWindowTemplate();
constexpr DialogRect kMainWindowSize{0, 0, 309, 342};

// Dialog template 102, the About box.
std::span<const TemplateControl> aboutBoxTemplate();
constexpr DialogRect kAboutBoxSize{0, 0, 209, 105};
// Where the About bitmap is drawn, in pixels of the client area, and its transparent colour.
constexpr int kAboutBitmapX = 19;
constexpr int kAboutBitmapY = 29;
constexpr std::uint32_t kTransparentColour = 0x00FF00; // pure green, 0xRRGGBB

// The template's row of the id; null when the template has none.
const TemplateControl* findControl(std::span<const TemplateControl> table, ControlId id);

// The CA list's columns: heading string and width in pixels of the template's font.
struct ListColumn {
    unsigned headingId; // 0: no heading
    int width;
};
std::span<const ListColumn> caListColumns();
std::span<const ListColumn> clientListColumns();

// What the window logic needs of the controls: text, enabled and shown states, drop-down lists
// with item values, list rows with columns, focus and the title. The toolkit realises it with
// real widgets; the tests with a recording fake.
class Controls {
public:
    virtual ~Controls() = default;

    virtual void setText(ControlId id, const std::string& text) = 0;
    virtual std::string text(ControlId id) const = 0;
    virtual void setEnabled(ControlId id, bool enabled) = 0;
    virtual bool isEnabled(ControlId id) const = 0;
    virtual void setVisible(ControlId id, bool visible) = 0;
    virtual bool isVisible(ControlId id) const = 0;
    virtual void setChecked(ControlId id, bool checked) = 0;
    virtual bool isChecked(ControlId id) const = 0;
    virtual void setTabStop(ControlId id, bool tabStop) = 0;
    virtual void setFocus(ControlId id) = 0;

    // Drop-down lists: items with a value each; indexes from 0, -1 for none.
    virtual void clearComboItems(ControlId id) = 0;
    virtual void addComboItem(ControlId id, const std::string& text, int value) = 0;
    virtual int comboItemCount(ControlId id) const = 0;
    virtual int comboItemValue(ControlId id, int index) const = 0;
    virtual int selectedComboIndex(ControlId id) const = 0;
    virtual void selectComboIndex(ControlId id, int index) = 0;

    // Lists in report style: rows of cells; row -1 means none.
    virtual void deleteAllListRows(ControlId id) = 0;
    virtual void insertListRow(ControlId id, int row, const std::string& text) = 0;
    virtual void setListCellText(ControlId id, int row, int column, const std::string& text) = 0;
    virtual int listRowCount(ControlId id) const = 0;
    virtual std::string listCellText(ControlId id, int row, int column) const = 0;
    // Width in pixels of the template's font; the toolkit scales it like the layout.
    virtual void setListColumnWidth(ControlId id, int column, int width) = 0;
    virtual int selectedListRow(ControlId id) const = 0;
    virtual int focusedListRow(ControlId id) const = 0;
    virtual void setFocusedListRow(ControlId id, int row) = 0;

    // A text field refused what was typed or pasted: the system's beep, and the notice beside
    // the field for a moment when there is one.
    virtual void refuseInput(ControlId id, const std::string& notice) = 0;

    virtual void setTitle(const std::string& title) = 0;
    // Closes the window as its close box does: the logic is asked first.
    virtual void requestClose() = 0;
};

} // namespace corvane
