#include "ui/win32/win32_main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "app/resources.h"
#include "app/string_ids.h"
#include "platform/win32/wide.h"
#include "ui/win32/resource_ids.h"

namespace corvane {
namespace {

constexpr wchar_t kWindowClass[] = L"Corvane";

// The paths of a drop, which is finished with.
std::vector<std::string> droppedFiles(HDROP drop) {
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), UINT(path.size())));
        paths.push_back(platform::toUtf8(path));
    }
    DragFinish(drop);
    return paths;
}

// The window being created: its first messages arrive before CreateDialog returns its handle.
thread_local Win32MainWindow* windowBeingCreated = nullptr;

bool isEdit(ControlId id) {
    switch (id) {
    case ControlId::ProfileName:
    case ControlId::Username:
    case ControlId::Password:
    case ControlId::InitialIdentity:
    case ControlId::PrivateKeyPassword:
        return true;
    default:
        return false;
    }
}

bool isCommand(ControlId id) {
    switch (id) {
    case ControlId::New:
    case ControlId::Open:
    case ControlId::Save:
    case ControlId::SaveAs:
    case ControlId::Exit:
    case ControlId::HelpContents:
    case ControlId::About:
    case ControlId::AddCa:
    case ControlId::RemoveCa:
    case ControlId::SetClient:
    case ControlId::ClearClient:
        return true;
    default:
        return false;
    }
}

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(std::size_t(std::max(length, 0)) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), int(text.size()));
    text.resize(std::size_t(std::max(copied, 0)));
    return text;
}

// Info tips show the tooltip text of the window logic, whose lines end in LF alone.
std::wstring infoTipText(const std::string& text) {
    std::wstring wide;
    for (wchar_t c : platform::toWide(text)) {
        if (c == L'\n')
            wide += L'\r';
        wide += c;
    }
    return wide;
}

} // namespace

int captionWidth(HWND control) {
    wchar_t className[16]{};
    GetClassNameW(control, className, 16);
    const auto style = DWORD(GetWindowLongPtrW(control, GWL_STYLE));
    const bool label = lstrcmpiW(className, L"Static") == 0 && (style & SS_TYPEMASK) == SS_LEFT;
    const DWORD buttonType = style & BS_TYPEMASK;
    const bool checkBox = lstrcmpiW(className, L"Button") == 0 &&
                          (buttonType == BS_AUTOCHECKBOX || buttonType == BS_CHECKBOX);
    const std::wstring caption = windowText(control);
    if ((!label && !checkBox) || caption.empty())
        return 0;
    HDC dc = GetDC(control);
    HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT extent{};
    DrawTextW(dc, caption.c_str(), int(caption.size()), &extent,
              DT_CALCRECT | DT_SINGLELINE | (label && (style & SS_NOPREFIX) ? DT_NOPREFIX : 0));
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    int width = int(extent.right - extent.left);
    if (checkBox) {
        const UINT dpi = GetDpiForWindow(control);
        width += GetSystemMetricsForDpi(SM_CXMENUCHECK, dpi) + MulDiv(6, int(dpi), 96);
    }
    return width;
}

void fitCaptions(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect{};
        GetWindowRect(child, &rect);
        const int needed = captionWidth(child);
        if (needed > rect.right - rect.left)
            SetWindowPos(child, nullptr, 0, 0, needed, rect.bottom - rect.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

const DLGTEMPLATE* loadDialogTemplate(const ResourceModules& modules, int id) {
    for (HMODULE module : {modules.language, HMODULE(modules.program)}) {
        if (!module)
            continue;
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5)); // RT_DIALOG
        HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
        if (loaded)
            return static_cast<const DLGTEMPLATE*>(LockResource(loaded));
    }
    return nullptr;
}

Win32MainWindow::Win32MainWindow(MainWindow& logic, ResourceModules modules)
    : logic_(logic), modules_(modules) {
    if (!modules_.language)
        modules_.language = modules_.program;
}

Win32MainWindow::~Win32MainWindow() {
    if (window_) {
        onDestroyed_ = nullptr;
        DestroyWindow(window_);
    }
}

bool Win32MainWindow::create() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (!GetClassInfoExW(modules_.program, kWindowClass, &windowClass)) {
        windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = windowProcedure;
        windowClass.cbWndExtra = DLGWINDOWEXTRA;
        windowClass.hInstance = modules_.program;
        windowClass.hIcon = static_cast<HICON>(LoadImageW(
            modules_.program, MAKEINTRESOURCEW(CORVANE_ICON), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
        windowClass.hIconSm = static_cast<HICON>(
            LoadImageW(modules_.program, MAKEINTRESOURCEW(CORVANE_ICON), IMAGE_ICON,
                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1);
        windowClass.lpszClassName = kWindowClass;
        if (!RegisterClassExW(&windowClass)) {
            MessageBoxW(nullptr, platform::toWide(loadString(ids::RequiresWindowsNt)).c_str(),
                        platform::toWide(loadString(ids::ProgramTitle)).c_str(),
                        MB_OK | MB_ICONERROR);
            return false;
        }
    }
    const DLGTEMPLATE* dialogTemplate = loadDialogTemplate(modules_, CORVANE_MAIN_DIALOG);
    if (!dialogTemplate)
        return false;
    // The template's class name makes this window procedure the window's; the dialog manager
    // creates the controls and sizes the window from the template's dialog units.
    windowBeingCreated = this;
    HWND created =
        CreateDialogIndirectParamW(modules_.program, dialogTemplate, nullptr, nullptr, 0);
    windowBeingCreated = nullptr;
    if (!created || created != window_) {
        if (created)
            DestroyWindow(created);
        window_ = nullptr;
        return false;
    }
    useLanguageMenu();
    accelerators_ = LoadAcceleratorsW(modules_.language, MAKEINTRESOURCEW(CORVANE_ACCELERATORS));
    if (!accelerators_)
        accelerators_ = LoadAcceleratorsW(modules_.program, MAKEINTRESOURCEW(CORVANE_ACCELERATORS));
    setUpControls();
    DragAcceptFiles(window_, TRUE);
    return true;
}

void Win32MainWindow::useLanguageMenu() {
    // The dialog manager took the template's menu from the program; the language has its own.
    if (modules_.language == modules_.program)
        return;
    HMENU translated = LoadMenuW(modules_.language, MAKEINTRESOURCEW(CORVANE_MENU));
    if (!translated)
        return;
    HMENU builtIn = GetMenu(window_);
    SetMenu(window_, translated);
    if (builtIn)
        DestroyMenu(builtIn);
}

void Win32MainWindow::setUpControls() {
    fitCaptions(window_);
    // The fields' limits are the window logic's (onFieldEdit), not the edit's own: a native
    // limit would cut a paste before the characters the device cannot store are left out.
    for (ControlId id : {ControlId::CaList, ControlId::ClientList}) {
        HWND list = control(id);
        const DWORD extended = LVS_EX_INFOTIP | LVS_EX_DOUBLEBUFFER |
                               (id == ControlId::CaList ? LVS_EX_FULLROWSELECT : 0);
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
        const auto columns = id == ControlId::CaList ? caListColumns() : clientListColumns();
        for (std::size_t i = 0; i < columns.size(); ++i) {
            std::wstring heading = columns[i].headingId
                                       ? platform::toWide(loadString(columns[i].headingId))
                                       : std::wstring();
            LVCOLUMNW column{};
            column.mask = LVCF_FMT | LVCF_SUBITEM | LVCF_WIDTH | LVCF_ORDER |
                          (heading.empty() ? 0u : unsigned(LVCF_TEXT));
            column.fmt = LVCFMT_LEFT;
            column.iSubItem = int(i);
            column.iOrder = int(i);
            column.cx = scaleTemplatePixels(columns[i].width, baseUnits());
            columnWidths_[{id, int(i)}] = columns[i].width;
            column.pszText = heading.data();
            SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
        }
        SetWindowSubclass(list, listProcedure, UINT_PTR(id), reinterpret_cast<DWORD_PTR>(this));
    }
}

HWND Win32MainWindow::control(ControlId id) const {
    return window_ && id != ControlId::None ? GetDlgItem(window_, int(id)) : nullptr;
}

DialogBaseUnits Win32MainWindow::baseUnits() const {
    RECT rect{0, 0, 4, 8};
    if (!window_ || !MapDialogRect(window_, &rect))
        return kTemplateBaseUnits;
    return {int(rect.right), int(rect.bottom)};
}

bool Win32MainWindow::preTranslate(MSG& message) {
    if (!window_)
        return false;
    // Shortcuts belong to this window: not to a help window or a box of the same thread.
    const bool ours = message.hwnd == window_ || IsChild(window_, message.hwnd);
    if (ours && accelerators_ && TranslateAcceleratorW(window_, accelerators_, &message))
        return true;
    if (ours && message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
        onEnter(message.hwnd))
        return true;
    return IsDialogMessageW(window_, &message) != 0;
}

bool Win32MainWindow::onEnter(HWND target) {
    // The template gives Add... and Remove the default-button look, so the dialog manager would
    // press one of them for Enter anywhere. Enter on a list shows the selected row's details; in
    // a field, a closed drop-down list or the check box it does nothing; a focused button is
    // still pressed by the dialog manager.
    if (GetParent(target) != window_)
        return false;
    const auto id = ControlId(GetDlgCtrlID(target));
    if (id == ControlId::CaList || id == ControlId::ClientList) {
        logic_.onListDetailsRequested(id);
        return true;
    }
    if (id == ControlId::AuthProtocol || id == ControlId::InnerAuthProtocol)
        return SendMessageW(target, CB_GETDROPPEDSTATE, 0, 0) == 0;
    return isEdit(id) || id == ControlId::ClientCheckBox;
}

LRESULT CALLBACK Win32MainWindow::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self && windowBeingCreated) {
        self = windowBeingCreated;
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self)
        return DefDlgProcW(window, message, wParam, lParam);
    return self->handleMessage(message, wParam, lParam);
}

LRESULT Win32MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_NOTIFY:
        return onNotify(*reinterpret_cast<const NMHDR*>(lParam), lParam);
    case WM_ACTIVATE:
        // Whenever the window itself gains the focus it goes on to the profile name.
        if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) {
            logic_.onFocusGained();
            return 0;
        }
        break;
    case WM_SETFOCUS:
        logic_.onFocusGained();
        return 0;
    case WM_DROPFILES:
        // Outside the lists only a provider configuration is taken: it opens as the document.
        logic_.onFilesDropped(ControlId::None, droppedFiles(reinterpret_cast<HDROP>(wParam)));
        return 0;
    case WM_CONTEXTMENU:
        // The menu key or Shift+F10 on a list (position -1) shows the row's details, which the
        // info tip shows only to the mouse.
        if (lParam == -1) {
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(wParam));
            if (id == int(ControlId::CaList) || id == int(ControlId::ClientList)) {
                logic_.onListDetailsRequested(ControlId(id));
                return 0;
            }
        }
        break;
    case WM_DPICHANGED: {
        // The dialog manager scales the window and its controls; list columns are ours.
        const LRESULT result = DefDlgProcW(window_, message, wParam, lParam);
        for (const auto& [place, width] : columnWidths_)
            setListColumnWidth(place.first, place.second, width);
        return result;
    }
    case WM_CLOSE:
        // The logic asks about unsaved changes; a save that did not happen keeps the window.
        if (logic_.onCloseRequested())
            DestroyWindow(window_);
        return 0;
    case WM_DESTROY:
        if (onDestroyed_)
            onDestroyed_();
        break;
    case WM_NCDESTROY: {
        const LRESULT result = DefDlgProcW(window_, message, wParam, lParam);
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        window_ = nullptr;
        return result;
    }
    default:
        break;
    }
    return DefDlgProcW(window_, message, wParam, lParam);
}

void Win32MainWindow::onCommand(int id, int code, HWND from) {
    const auto control = ControlId(id);
    if (isEdit(control)) {
        if (code == EN_CHANGE)
            onEditChanged(control, from);
    } else if (control == ControlId::AuthProtocol || control == ControlId::InnerAuthProtocol) {
        if (code == CBN_SELCHANGE)
            logic_.onSelectionChanged(control);
    } else if (control == ControlId::ClientCheckBox) {
        if (code == BN_CLICKED)
            logic_.onCheckBoxClicked(control);
    } else if (isCommand(control)) {
        // A menu item (code 0), a shortcut (code 1) and a button's click act alike.
        if (!from || code == BN_CLICKED)
            logic_.onCommand(control);
    }
}

void Win32MainWindow::onEditChanged(ControlId id, HWND edit) {
    if (fittingEdit_)
        return;
    if (programWriting_) {
        acceptedText_[id] = windowText(edit);
        logic_.onEdited(id);
        return;
    }
    const std::string now = platform::toUtf8(windowText(edit));
    const std::string accepted = platform::toUtf8(acceptedText_[id]);
    if (now == accepted)
        return;
    // The edit has already changed the text; what the field may not take is taken back out.
    const FieldEdit fitted = logic_.onFieldEdit(id, accepted, now);
    if (fitted.text != now) {
        fittingEdit_ = true;
        SetWindowTextW(edit, platform::toWide(fitted.text).c_str());
        fittingEdit_ = false;
        const auto caret = WPARAM(platform::toWide(fitted.text.substr(0, fitted.caret)).size());
        SendMessageW(edit, EM_SETSEL, caret, caret);
    }
    if (fitted.text == accepted)
        return;
    acceptedText_[id] = platform::toWide(fitted.text);
    logic_.onEdited(id);
}

void Win32MainWindow::refuseInput(ControlId id, const std::string& notice) {
    MessageBeep(MB_OK);
    HWND field = control(id);
    if (!field || notice.empty())
        return;
    const std::wstring text = platform::toWide(notice);
    EDITBALLOONTIP balloon{};
    balloon.cbStruct = sizeof balloon;
    balloon.pszTitle = L"";
    balloon.pszText = text.c_str();
    balloon.ttiIcon = TTI_NONE;
    SendMessageW(field, EM_SHOWBALLOONTIP, 0, reinterpret_cast<LPARAM>(&balloon));
}

LRESULT Win32MainWindow::onNotify(const NMHDR& header, LPARAM lParam) {
    const auto id = ControlId(header.idFrom);
    if (id != ControlId::CaList && id != ControlId::ClientList)
        return DefDlgProcW(window_, WM_NOTIFY, header.idFrom, lParam);
    switch (header.code) {
    case LVN_ITEMCHANGED:
        logic_.onListSelectionChanged(id);
        return 0;
    case LVN_KEYDOWN:
        if (reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey == VK_DELETE)
            logic_.onListDeleteKey(id);
        return 0;
    case NM_RETURN:
        logic_.onListDetailsRequested(id);
        return 0;
    case LVN_GETINFOTIPW: {
        auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(lParam);
        const std::string text = logic_.listRowToolTip(id, tip->iItem);
        if (!text.empty() && tip->pszText && tip->cchTextMax > 0) {
            const std::wstring wide = infoTipText(text);
            const std::size_t room = std::size_t(tip->cchTextMax) - 1;
            const std::size_t copied = std::min(room, wide.size());
            wide.copy(tip->pszText, copied);
            tip->pszText[copied] = L'\0';
        }
        return 0;
    }
    default:
        return 0;
    }
}

LRESULT CALLBACK Win32MainWindow::listProcedure(HWND list, UINT message, WPARAM wParam,
                                                LPARAM lParam, UINT_PTR subclassId,
                                                DWORD_PTR owner) {
    if (message == WM_DROPFILES) {
        auto* self = reinterpret_cast<Win32MainWindow*>(owner);
        self->logic_.onFilesDropped(ControlId(subclassId),
                                    droppedFiles(reinterpret_cast<HDROP>(wParam)));
        return 0;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(list, listProcedure, subclassId);
    return DefSubclassProc(list, message, wParam, lParam);
}

void Win32MainWindow::setText(ControlId id, const std::string& text) {
    HWND target = control(id);
    if (!target)
        return;
    programWriting_ = true;
    SetWindowTextW(target, platform::toWide(text).c_str());
    programWriting_ = false;
}

std::string Win32MainWindow::text(ControlId id) const {
    HWND target = control(id);
    return target ? platform::toUtf8(windowText(target)) : std::string();
}

void Win32MainWindow::setEnabled(ControlId id, bool enabled) {
    if (HWND target = control(id))
        EnableWindow(target, enabled);
}

bool Win32MainWindow::isEnabled(ControlId id) const {
    HWND target = control(id);
    return target && IsWindowEnabled(target);
}

void Win32MainWindow::setVisible(ControlId id, bool visible) {
    if (HWND target = control(id))
        ShowWindow(target, visible ? SW_SHOWNA : SW_HIDE);
}

bool Win32MainWindow::isVisible(ControlId id) const {
    // The control's own state: the window itself may not be shown yet.
    HWND target = control(id);
    return target && (GetWindowLongPtrW(target, GWL_STYLE) & WS_VISIBLE);
}

void Win32MainWindow::setChecked(ControlId id, bool checked) {
    if (HWND target = control(id))
        SendMessageW(target, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32MainWindow::isChecked(ControlId id) const {
    HWND target = control(id);
    return target && SendMessageW(target, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32MainWindow::setTabStop(ControlId id, bool tabStop) {
    HWND target = control(id);
    if (!target)
        return;
    const LONG_PTR style = GetWindowLongPtrW(target, GWL_STYLE);
    SetWindowLongPtrW(target, GWL_STYLE, tabStop ? style | WS_TABSTOP : style & ~WS_TABSTOP);
}

void Win32MainWindow::setFocus(ControlId id) {
    // Through the dialog manager, so that the default button and a field's selection follow.
    if (HWND target = control(id))
        SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
}

void Win32MainWindow::clearComboItems(ControlId id) {
    if (HWND target = control(id))
        SendMessageW(target, CB_RESETCONTENT, 0, 0);
}

void Win32MainWindow::addComboItem(ControlId id, const std::string& text, int value) {
    HWND target = control(id);
    if (!target)
        return;
    const std::wstring wide = platform::toWide(text);
    const LRESULT index =
        SendMessageW(target, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    if (index >= 0)
        SendMessageW(target, CB_SETITEMDATA, WPARAM(index), LPARAM(value));
}

int Win32MainWindow::comboItemCount(ControlId id) const {
    HWND target = control(id);
    return target ? std::max(0, int(SendMessageW(target, CB_GETCOUNT, 0, 0))) : 0;
}

int Win32MainWindow::comboItemValue(ControlId id, int index) const {
    HWND target = control(id);
    const LRESULT value = target ? SendMessageW(target, CB_GETITEMDATA, WPARAM(index), 0) : 0;
    return value == CB_ERR ? 0 : int(value);
}

int Win32MainWindow::selectedComboIndex(ControlId id) const {
    HWND target = control(id);
    return target ? int(SendMessageW(target, CB_GETCURSEL, 0, 0)) : -1;
}

void Win32MainWindow::selectComboIndex(ControlId id, int index) {
    if (HWND target = control(id))
        SendMessageW(target, CB_SETCURSEL, WPARAM(index), 0);
}

void Win32MainWindow::deleteAllListRows(ControlId id) {
    if (HWND target = control(id))
        SendMessageW(target, LVM_DELETEALLITEMS, 0, 0);
}

void Win32MainWindow::insertListRow(ControlId id, int row, const std::string& text) {
    HWND target = control(id);
    if (!target)
        return;
    std::wstring wide = platform::toWide(text);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = wide.data();
    SendMessageW(target, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void Win32MainWindow::setListCellText(ControlId id, int row, int column, const std::string& text) {
    HWND target = control(id);
    if (!target)
        return;
    std::wstring wide = platform::toWide(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide.data();
    SendMessageW(target, LVM_SETITEMTEXTW, WPARAM(row), reinterpret_cast<LPARAM>(&item));
}

int Win32MainWindow::listRowCount(ControlId id) const {
    HWND target = control(id);
    return target ? int(SendMessageW(target, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

std::string Win32MainWindow::listCellText(ControlId id, int row, int column) const {
    HWND target = control(id);
    if (!target || row < 0 || row >= listRowCount(id))
        return {};
    // The list copies at most the buffer's size; a text that fills it may have more.
    std::wstring buffer(256, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = int(buffer.size());
        const auto length = std::size_t(
            SendMessageW(target, LVM_GETITEMTEXTW, WPARAM(row), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < buffer.size() || buffer.size() >= 65536) {
            buffer.resize(std::min(length, buffer.size()));
            return platform::toUtf8(buffer);
        }
        buffer.assign(buffer.size() * 4, L'\0');
    }
}

void Win32MainWindow::setListColumnWidth(ControlId id, int column, int width) {
    columnWidths_[{id, column}] = width;
    if (HWND target = control(id))
        SendMessageW(target, LVM_SETCOLUMNWIDTH, WPARAM(column),
                     MAKELPARAM(scaleTemplatePixels(width, baseUnits()), 0));
}

int Win32MainWindow::selectedListRow(ControlId id) const {
    HWND target = control(id);
    return target ? int(SendMessageW(target, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)) : -1;
}

int Win32MainWindow::focusedListRow(ControlId id) const {
    HWND target = control(id);
    return target ? int(SendMessageW(target, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED)) : -1;
}

void Win32MainWindow::setFocusedListRow(ControlId id, int row) {
    HWND target = control(id);
    if (!target)
        return;
    LVITEMW item{};
    item.stateMask = LVIS_FOCUSED;
    item.state = LVIS_FOCUSED;
    SendMessageW(target, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
}

void Win32MainWindow::setTitle(const std::string& title) {
    if (window_)
        SetWindowTextW(window_, platform::toWide(title).c_str());
}

void Win32MainWindow::requestClose() {
    if (window_)
        SendMessageW(window_, WM_CLOSE, 0, 0);
}

} // namespace corvane
