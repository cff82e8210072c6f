// The Windows front end with its real controls, in process, driven by window messages. The
// window rules themselves are the fake-controls suite's; this checks what only Win32 can get
// wrong: the template, the notifications, the shortcuts, the lists, drops and the About box.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "app/resources.h"
#include "app/string_ids.h"
#include "platform/win32/console.h"
#include "platform/win32/wide.h"
#include "support/test_support.h"
#include "ui/scripted_dialogs.h"
#include "ui/win32/about_box.h"
#include "ui/win32/win32_dialogs.h"
#include "ui/win32/win32_main_window.h"

namespace corvane {
namespace {

using Id = ControlId;

std::string textOf(HWND window) {
    wchar_t text[1024]{};
    GetWindowTextW(window, text, 1024);
    return platform::toUtf8(text);
}

// A rectangle in dialog units as the dialog manager turns each of its four numbers into pixels.
RECT toPixels(HWND dialog, const DialogRect& r) {
    RECT rect{r.x, r.y, r.width, r.height};
    MapDialogRect(dialog, &rect);
    return rect;
}

// A child's place in its dialog's client area as x, y, width, height.
RECT placeOf(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

// Acts on the modal box this thread shows next, step by step on a timer, until the box ends;
// after 50 steps it closes the box so that a broken test fails instead of hanging.
class OnModalBox {
public:
    using Step = std::function<void(HWND box, int step)>;
    explicit OnModalBox(Step step) : step_(std::move(step)) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 20, tick);
    }
    ~OnModalBox() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        OnModalBox* self = current_;
        HWND box = nullptr;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND w, LPARAM found) {
                wchar_t name[16]{};
                GetClassNameW(w, name, 16);
                if (!IsWindowVisible(w) || lstrcmpW(name, L"#32770") != 0)
                    return TRUE;
                *reinterpret_cast<HWND*>(found) = w;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&box));
        if (!self || !box)
            return;
        if (self->steps_ == 50)
            PostMessageW(box, WM_CLOSE, 0, 0);
        else if (self->steps_ < 50)
            self->step_(box, self->steps_);
        ++self->steps_;
    }
    static inline OnModalBox* current_ = nullptr;
    Step step_;
    UINT_PTR timer_ = 0;
    int steps_ = 0;
};

class Win32WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX commonControls{sizeof commonControls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&commonControls);
        open(nullptr);
    }

    void open(HMODULE language) {
        if (window_)
            closeWindow();
        window_ = std::make_unique<Win32MainWindow>(
            logic_, ResourceModules{GetModuleHandleW(nullptr), language});
        ASSERT_TRUE(window_->create());
        window_->setOnDestroyed([this] { destroyed_ = true; });
        logic_.createMainWindow(*window_, dialogs_, "C:\\Corvane\\");
        ShowWindow(window(), SW_SHOW);
        UpdateWindow(window());
        SetForegroundWindow(window());
    }

    void closeWindow() {
        logic_.detach();
        window_.reset();
    }

    void TearDown() override {
        for (const std::string& failure : dialogs_.failures())
            ADD_FAILURE() << failure;
        closeWindow();
    }

    HWND window() const { return window_->handle(); }
    HWND control(Id id) const { return window_->control(id); }

    void type(Id id, std::wstring_view text) {
        for (wchar_t c : text)
            SendMessageW(control(id), WM_CHAR, c, 1);
    }

    // A key as the message loop sees it, with Ctrl held or not.
    bool pressKey(HWND target, UINT key, bool withControl = false) {
        BYTE keys[256]{};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = withControl ? 0x80 : 0;
        SetKeyboardState(keys);
        MSG message{target, WM_KEYDOWN, key, 1, 0, {}};
        const bool handled = window_->preTranslate(message);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
        return handled;
    }

    void choose(Id list, int index) {
        SendMessageW(control(list), CB_SETCURSEL, WPARAM(index), 0);
        SendMessageW(window(), WM_COMMAND, MAKEWPARAM(int(list), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(control(list)));
    }

    MainWindow logic_;
    test::ScriptedDialogs dialogs_;
    std::unique_ptr<Win32MainWindow> window_;
    bool destroyed_ = false;
};

TEST_F(Win32WindowTest, EveryControlSitsAtItsTemplateRectangleNamedByTheLabelBeforeIt) {
    RECT client{};
    GetClientRect(window(), &client);
    const RECT size = toPixels(window(), kMainWindowSize);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
    for (const TemplateControl& row : mainWindowTemplate()) {
        HWND child = control(row.id);
        for (HWND c = GetWindow(window(), GW_CHILD); !child && c; c = GetWindow(c, GW_HWNDNEXT))
            if ((GetDlgCtrlID(c) & 0xFFFF) == 0xFFFF && textOf(c) == loadString(row.captionId))
                child = c;
        ASSERT_NE(child, nullptr) << int(row.id) << " " << loadString(row.captionId);
        const RECT want = toPixels(window(), row.rect);
        const RECT place = placeOf(child);
        SCOPED_TRACE(testing::Message() << int(row.id) << " " << loadString(row.captionId));
        EXPECT_EQ(place.left, want.left);
        EXPECT_EQ(place.top, want.top);
        // A caption wider in this font than in the template's grows its label to the right.
        EXPECT_EQ(place.right, std::max<LONG>(want.right, captionWidth(child)));
        // A drop-down list's template height is that of its open list.
        if (row.kind != ControlKind::DropDownList) {
            EXPECT_EQ(place.bottom, want.bottom);
        }
        if (row.labelId) {
            EXPECT_EQ(textOf(GetWindow(child, GW_HWNDPREV)), loadString(row.labelId));
        }
    }
}

TEST_F(Win32WindowTest, TabVisitsTheEnabledControlsInTemplateOrder) {
    // A new EAP-TLS profile: the tunneled list, password, identity, Remove, the empty CA list,
    // Clear and the key password are out of the way, the check box hidden.
    const std::vector<int> expected = {1003,  1010,  40007, 40009, 40001, 57601,
                                       57603, 40003, 40004, 1001,  1003};
    ASSERT_EQ(GetDlgCtrlID(GetFocus()), int(Id::ProfileName));
    std::vector<int> visited;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(pressKey(GetFocus(), VK_TAB));
        visited.push_back(GetDlgCtrlID(GetFocus()));
    }
    EXPECT_EQ(visited, expected);
}

TEST_F(Win32WindowTest, TypingMarksTheTitleAndFieldsStoreWindows1252) {
    EXPECT_EQ(textOf(window()), "Corvane - [Untitled]");
    type(Id::ProfileName, L"N");
    EXPECT_EQ(textOf(window()), "Corvane - [Untitled *]");
    EXPECT_EQ(logic_.profile().profileName.str(), "N");

    // Stored in the device's code page whatever the desktop's; a character it cannot hold is
    // not taken.
    type(Id::Username, L"J\u00fcrgen");
    EXPECT_EQ(logic_.profile().username.str(), "J\xFCrgen");
    type(Id::Username, L"\u0141");
    EXPECT_EQ(window_->text(Id::Username), "J\xC3\xBCrgen");
    EXPECT_EQ(logic_.profile().username.str(), "J\xFCrgen");

    for (const auto& [id, limit] : {std::pair{Id::ProfileName, 26}, {Id::Username, 63}}) {
        const std::string full(std::size_t(limit - 1), 'a');
        window_->setText(id, full);
        SendMessageW(control(id), EM_SETSEL, WPARAM(limit), LPARAM(limit));
        type(id, L"\u00e9bc"); // one byte each: the last one left is taken, the next refused
        EXPECT_EQ(window_->text(id), full + "\xC3\xA9");

        // A paste keeps what the device can store, up to the limit.
        window_->setText(id, std::string(std::size_t(limit - 3), 'a'));
        SendMessageW(control(id), EM_SETSEL, WPARAM(limit), LPARAM(limit));
        SendMessageW(control(id), EM_REPLACESEL, TRUE, LPARAM(L"x\u0141y\u00e9z"));
        EXPECT_EQ(window_->text(id), std::string(std::size_t(limit - 3), 'a') + "xy\xC3\xA9");

        // A loaded text over the limit may shrink but never grow.
        const std::string over(std::size_t(limit + 1), 'a');
        window_->setText(id, over);
        SendMessageW(control(id), EM_SETSEL, 0, 0);
        SendMessageW(control(id), EM_REPLACESEL, TRUE, LPARAM(L"b"));
        EXPECT_EQ(window_->text(id), over);
        SendMessageW(control(id), EM_SETSEL, 0, 1);
        SendMessageW(control(id), EM_REPLACESEL, TRUE, LPARAM(L""));
        EXPECT_EQ(window_->text(id), over.substr(1));
    }
}

enum class Way { Button, Menu, Shortcut };

struct CommandCase {
    Id id;
    unsigned menuTextId; // 0: not in the menu
    UINT key;            // 0: no shortcut
    bool control;
    bool button;
    bool edited;      // the profile is modified first
    std::string kind; // the dialog it shows
    unsigned textId;  // its title, message text or 0
};

TEST_F(Win32WindowTest, MenuItemsShortcutsAndButtonsGiveTheSameCommand) {
    const CommandCase cases[] = {
        {Id::New, ids::NewMenuItem, 'N', true, true, true, "message", ids::SaveBeforeNewText},
        {Id::Open, ids::OpenMenuItem, 'O', true, true, true, "message", ids::SaveBeforeOpenText},
        {Id::Save, ids::SaveMenuItem, 'S', true, true, false, "message", ids::NameTooShort},
        {Id::SaveAs, ids::SaveAsMenuItem, 0, false, true, false, "message", ids::NameTooShort},
        {Id::Exit, ids::ExitMenuItem, 0, false, true, true, "message", ids::SaveBeforeExitText},
        {Id::HelpContents, ids::ContentsMenuItem, VK_F1, false, false, false, "help", 0},
        {Id::About, ids::AboutMenuItem, 0, false, false, false, "about", 0},
        {Id::AddCa, 0, 0, false, true, false, "open", ids::AddCaCertificateTitle},
        {Id::SetClient, 0, 0, false, true, false, "open", ids::SetClientCertificateTitle},
    };
    for (const CommandCase& c : cases) {
        for (Way way : {Way::Button, Way::Menu, Way::Shortcut}) {
            if ((way == Way::Button && !c.button) || (way == Way::Menu && !c.menuTextId) ||
                (way == Way::Shortcut && !c.key))
                continue;
            SCOPED_TRACE(testing::Message() << int(c.id) << " way " << int(way));
            window_->setText(Id::ProfileName, "");
            if (c.edited)
                type(Id::ProfileName, L"x");
            if (c.kind == "message")
                dialogs_.answerMessage(c.edited ? MessageBoxAnswer::Cancel : MessageBoxAnswer::Ok);
            else if (c.kind == "open")
                dialogs_.answerOpen({});
            else if (c.kind == "help")
                dialogs_.expectHelp();
            else
                dialogs_.expectAbout();
            dialogs_.clearShown();
            if (way == Way::Button) {
                SendMessageW(control(c.id), BM_CLICK, 0, 0);
            } else if (way == Way::Menu) {
                wchar_t item[64]{};
                GetMenuStringW(GetMenu(window()), UINT(c.id), item, 64, MF_BYCOMMAND);
                EXPECT_EQ(platform::toUtf8(item), loadString(c.menuTextId));
                SendMessageW(window(), WM_COMMAND, MAKEWPARAM(int(c.id), 0), 0);
            } else {
                EXPECT_TRUE(pressKey(control(Id::ProfileName), c.key, c.control));
            }
            ASSERT_EQ(dialogs_.shown().size(), 1u);
            const auto& shown = dialogs_.shown().front();
            EXPECT_EQ(shown.kind, c.kind);
            if (c.kind == "help") {
                EXPECT_EQ(shown.text, "C:\\Corvane\\Corvane.chm");
            } else if (c.textId) {
                EXPECT_EQ(c.kind == "open" ? shown.caption : shown.text, loadString(c.textId));
            }
        }
    }
    EXPECT_FALSE(destroyed_);
}

TEST_F(Win32WindowTest, ClosingStopsUnlessTheSaveItAskedForHappened) {
    choose(Id::AuthProtocol, 3); // LEAP needs no certificate, so the save goes to its dialog
    type(Id::ProfileName, L"x");
    test::TempDir folder;
    const std::string unwritable = folder.file("missing\\net.odb");
    using A = MessageBoxAnswer;
    // How the window is closed, then the answers: Yes with a cancelled save, Yes with a save
    // that fails, Cancel; Esc asks nothing and leaves the window open.
    for (const auto& close : std::vector<std::function<void()>>{
             [&] { SendMessageW(control(Id::Exit), BM_CLICK, 0, 0); },
             [&] { SendMessageW(window(), WM_SYSCOMMAND, SC_CLOSE, 0); },
             [&] { SendMessageW(window(), WM_COMMAND, MAKEWPARAM(40004, 0), 0); }}) {
        dialogs_.answerMessage(A::Yes);
        dialogs_.answerSave(std::nullopt);
        close();
        ASSERT_NE(window_->handle(), nullptr);
        dialogs_.answerMessage(A::Yes);
        dialogs_.answerSave(unwritable);
        dialogs_.answerMessage(A::Ok); // "Failed to save profile database."
        close();
        ASSERT_NE(window_->handle(), nullptr);
        dialogs_.answerMessage(A::Cancel);
        close();
        ASSERT_NE(window_->handle(), nullptr);
        EXPECT_TRUE(pressKey(control(Id::ProfileName), VK_ESCAPE));
        EXPECT_FALSE(destroyed_);
        EXPECT_TRUE(IsWindow(window()));
    }
    EXPECT_EQ(dialogs_.shown()[4].text, loadString(ids::SaveProfileFailed));
    dialogs_.answerMessage(A::No);
    SendMessageW(window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(destroyed_);
    EXPECT_EQ(window_->handle(), nullptr);
}

std::vector<std::string> columnHeadings(HWND list) {
    std::vector<std::string> headings;
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int count = int(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[64]{};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = 64;
        SendMessageW(list, LVM_GETCOLUMNW, WPARAM(i), reinterpret_cast<LPARAM>(&column));
        headings.push_back(platform::toUtf8(text));
    }
    return headings;
}

TEST_F(Win32WindowTest, ListsShowALoadedProfileInTheirColumns) {
    test::TempDir folder;
    Profile saved;
    saved.reset(true);
    saved.profileName.assign("Net");
    saved.privateKeyPassword.assign("corvane-p12");
    ASSERT_EQ(saved.addCertificate(test::dataFile("certs/ca.pem"), CertificateKind::CaCertificate),
              StatusCode::Success);
    ASSERT_EQ(saved.addCertificate(test::dataFile("certs/ca2.pem"), CertificateKind::CaCertificate),
              StatusCode::Success);
    ASSERT_EQ(saved.addCertificate(test::dataFile("certs/client.p12"),
                                   CertificateKind::ClientCertificate),
              StatusCode::Success);
    saved.updateFieldMask();
    saved.filePath.assign(folder.file("net.odb"));
    ASSERT_EQ(saved.saveProfileDatabase(), StatusCode::Success);

    logic_.openProfileFile(folder.file("net.odb"));
    EXPECT_EQ(textOf(window()), "Corvane - [net.odb]");
    HWND caList = control(Id::CaList);
    EXPECT_EQ(columnHeadings(caList),
              (std::vector<std::string>{"Filename", "Subject", "Issuer", "Valid Until"}));
    const auto columns = caListColumns();
    for (std::size_t i = 0; i < columns.size(); ++i)
        EXPECT_EQ(SendMessageW(caList, LVM_GETCOLUMNWIDTH, i, 0),
                  scaleTemplatePixels(columns[i].width, window_->baseUnits()));
    ASSERT_EQ(window_->listRowCount(Id::CaList), 2);
    for (int row = 0; row < 2; ++row) {
        const CertificateEntry& entry = *logic_.profile().caCertificates.itemAt(std::size_t(row));
        EXPECT_EQ(window_->listCellText(Id::CaList, row, 0), entry.fileName.str());
        EXPECT_EQ(window_->listCellText(Id::CaList, row, 1), entry.subject.str());
        EXPECT_EQ(window_->listCellText(Id::CaList, row, 2), entry.issuer.str());
        EXPECT_FALSE(window_->listCellText(Id::CaList, row, 3).empty());
    }
    HWND clientList = control(Id::ClientList);
    EXPECT_TRUE(GetWindowLongPtrW(clientList, GWL_STYLE) & LVS_NOCOLUMNHEADER);
    EXPECT_EQ(SendMessageW(clientList, LVM_GETCOLUMNWIDTH, 0, 0),
              scaleTemplatePixels(370, window_->baseUnits()));
    EXPECT_EQ(window_->listCellText(Id::ClientList, 0, 0), "client.p12");

    // The row's info tip is the certificate's details, one per line.
    wchar_t tip[1024]{};
    NMLVGETINFOTIPW request{
        {caList, UINT_PTR(Id::CaList), UINT(LVN_GETINFOTIPW)}, 0, tip, 1024, 1, 0, 0};
    SendMessageW(window(), WM_NOTIFY, WPARAM(Id::CaList), reinterpret_cast<LPARAM>(&request));
    const std::string text = platform::toUtf8(tip), subject = loadString(ids::ToolTipSubject);
    EXPECT_EQ(text.substr(0, 9), subject.substr(0, 9));
    EXPECT_EQ(text.find_first_of('\n'), text.find("\r\n") + 1);
}

void dropFiles(HWND target, const std::vector<std::string>& paths) {
    std::wstring names;
    for (const std::string& path : paths)
        names += platform::toWide(path) + L'\0';
    names += L'\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    SendMessageW(target, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

TEST_F(Win32WindowTest, FilesDroppedOnTheListsAreImported) {
    EXPECT_TRUE(GetWindowLongPtrW(control(Id::CaList), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    dropFiles(control(Id::CaList),
              {test::dataFile("certs/ca.pem"), test::dataFile("certs/ca2.pem")});
    EXPECT_EQ(window_->listRowCount(Id::CaList), 2);
    EXPECT_EQ(window_->listCellText(Id::CaList, 1, 0), "ca2.pem");
    EXPECT_EQ(textOf(window()), "Corvane - [Untitled *]");

    dropFiles(control(Id::ClientList),
              {test::dataFile("certs/client-plain-rsa.pem"), test::dataFile("certs/ca.pem")});
    EXPECT_EQ(window_->listCellText(Id::ClientList, 0, 0), "client-plain-rsa.pem");
}

// The template gives Add... and Remove the default-button look: Enter in a field must not press
// them, and Enter on a list row shows the row's details.
TEST_F(Win32WindowTest, EnterInAFieldDoesNothingAndOnAListRowShowsItsDetails) {
    dropFiles(control(Id::CaList), {test::dataFile("certs/ca.pem")});
    LVITEMW item{};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(control(Id::CaList), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
    ASSERT_TRUE(IsWindowEnabled(control(Id::RemoveCa)));
    for (Id id : {Id::ProfileName, Id::Username, Id::AuthProtocol}) {
        SetFocus(control(id));
        EXPECT_TRUE(pressKey(control(id), VK_RETURN));
    }
    EXPECT_TRUE(dialogs_.shown().empty());
    EXPECT_EQ(window_->listRowCount(Id::CaList), 1);
    SetFocus(control(Id::CaList));
    EXPECT_TRUE(pressKey(control(Id::CaList), VK_RETURN));
    ASSERT_EQ(dialogs_.shown().size(), 1u);
    EXPECT_EQ(dialogs_.shown()[0].kind, "details");
    EXPECT_EQ(dialogs_.shown()[0].caption, "ca.pem");
}

TEST_F(Win32WindowTest, ProviderConfigurationDroppedOnTheWindowOpensWithItsNotice) {
    EXPECT_TRUE(GetWindowLongPtrW(window(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    dialogs_.answerMessage(MessageBoxAnswer::Ok);
    dropFiles(window(), {test::dataFile("certs/ca.pem"),
                         test::dataFile("eap-config/peap-two-cas.eap-config")});
    EXPECT_EQ(textOf(window()), "Corvane - [Untitled *]");
    EXPECT_EQ(textOf(control(Id::ProfileName)), "Example University Network");
    EXPECT_EQ(textOf(control(Id::InitialIdentity)), "anonymous@example.org");
    EXPECT_EQ(window_->listRowCount(Id::CaList), 2);
    EXPECT_EQ(window_->listCellText(Id::CaList, 0, 0), "Corvane Test CA.der");
    ASSERT_EQ(dialogs_.shown().size(), 1u);
    EXPECT_EQ(dialogs_.shown()[0].caption, "Provider Configuration");
    EXPECT_EQ(dialogs_.shown()[0].text.rfind("The device profile cannot hold", 0), 0u);
}

TEST_F(Win32WindowTest, AboutBoxEndsWithOkEnterOrItsCloseBoxButNotEsc) {
    const HWND main = window();
    auto press = [](UINT key) { // then OK, if the box is still there
        return [key](HWND box, int step) {
            if (step == 0)
                PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
            else
                PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        };
    };
    const std::pair<OnModalBox::Step, INT_PTR> cases[] = {
        {[](HWND box, int) { SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0); }, 1},
        {press(VK_RETURN), 1},
        {press(VK_ESCAPE), 1}, // Esc leaves it open for OK
        {[](HWND box, int) { PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); }, 2},
    };
    for (const auto& [step, result] : cases) {
        OnModalBox acting(step);
        EXPECT_EQ(runAboutBox(main, window_->modules()), result);
    }

    // Centred over the main window by its client size; the bitmap's green shows the face.
    RECT mainRect{};
    GetWindowRect(main, &mainRect);
    OnModalBox looking([&](HWND box, int step) {
        if (step < 2)
            return; // painted by now
        RECT boxRect{}, client{};
        GetWindowRect(box, &boxRect);
        GetClientRect(box, &client);
        const Point corner =
            centreOverRectangle({mainRect.left, mainRect.top, mainRect.right, mainRect.bottom},
                                client.right, client.bottom);
        EXPECT_EQ(boxRect.left, corner.x);
        EXPECT_EQ(boxRect.top, corner.y);
        HDC dc = GetDC(box);
        EXPECT_EQ(GetPixel(dc, kAboutBitmapX, kAboutBitmapY), GetSysColor(COLOR_3DFACE));
        EXPECT_NE(GetPixel(dc, kAboutBitmapX + 39, kAboutBitmapY + 39), RGB(0, 255, 0));
        EXPECT_NE(GetPixel(dc, kAboutBitmapX + 39, kAboutBitmapY + 39), GetSysColor(COLOR_3DFACE));
        ReleaseDC(box, dc);
        EndDialog(box, 1);
    });
    runAboutBox(main, window_->modules());
}

TEST_F(Win32WindowTest, TranslatedTemplateMenuAndShortcutsComeFromTheLanguageModule) {
    wchar_t path[MAX_PATH]{};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring german(path);
    german.replace(german.find_last_of(L'\\') + 1, std::wstring::npos, L"Corvane_deDE.dll");
    HMODULE module = LoadLibraryExW(german.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    for (HMODULE language : {HMODULE(nullptr), module}) {
        open(language);
        auto translated = [&](unsigned id) {
            wchar_t text[256]{};
            return language && LoadStringW(language, id, text, 256) ? platform::toUtf8(text)
                                                                    : loadString(id);
        };
        wchar_t menu[64]{};
        GetMenuStringW(GetMenu(window()), 0, menu, 64, MF_BYPOSITION);
        EXPECT_EQ(platform::toUtf8(menu), translated(ids::FileMenu));
        EXPECT_EQ(CopyAcceleratorTableW(window_->accelerators(), nullptr, 0), 4);
        EXPECT_EQ(textOf(control(Id::SaveAs)), translated(ids::SaveAsButton));
        // Every caption shows whole: a grown label stops short of the input column, and a
        // button's caption fits within its edges.
        const RECT column = toPixels(window(), {172, 0, 0, 0});
        for (HWND c = GetWindow(window(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            const RECT place = placeOf(c);
            SCOPED_TRACE(textOf(c));
            if (captionWidth(c) > 0 && place.left < column.left) {
                EXPECT_LE(place.left + place.right, column.left);
            }
            wchar_t className[16]{};
            GetClassNameW(c, className, 16);
            if (lstrcmpiW(className, L"Button") == 0 &&
                (GetWindowLongPtrW(c, GWL_STYLE) & BS_TYPEMASK) <= BS_DEFPUSHBUTTON) {
                HDC dc = GetDC(c);
                SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(c, WM_GETFONT, 0, 0)));
                RECT extent{};
                const std::wstring caption = platform::toWide(textOf(c));
                DrawTextW(dc, caption.c_str(), -1, &extent, DT_CALCRECT | DT_SINGLELINE);
                ReleaseDC(c, dc);
                EXPECT_LE(extent.right + 2 * GetSystemMetrics(SM_CXEDGE) + 2, place.right);
            }
        }
    }
    closeWindow();
    FreeLibrary(module);
}

TEST(Win32FileDialog, MultipleSelectionsBecomeWholePaths) {
    using V = std::vector<std::wstring>;
    const std::pair<std::wstring, V> cases[] = {
        {std::wstring(L"C:\\certs\\ca.pem\0\0", 17), V{L"C:\\certs\\ca.pem"}},
        {std::wstring(L"C:\\certs\0a.pem\0b.der\0\0", 23),
         V{L"C:\\certs\\a.pem", L"C:\\certs\\b.der"}},
        {std::wstring(L"C:\\\0a.pem\0b.der\0\0", 18), V{L"C:\\a.pem", L"C:\\b.der"}},
        {std::wstring(L"\0\0", 2), V{}},
    };
    for (const auto& [buffer, paths] : cases) {
        EXPECT_EQ(selectedPaths(buffer), paths);
    }
}

// A console gets characters, whatever its code page: the euro sign is in no OEM code page.
// Here, since Wine's console needs the display.
TEST(Win32Console, AConsoleShowsTheCharacters) {
    FreeConsole();
    ASSERT_TRUE(AllocConsole());
    ASSERT_TRUE(SetConsoleOutputCP(850));
    HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(console, &info));
    EXPECT_TRUE(platform::writeConsoleHandle(console, "\xC3\xBC \xE2\x82\xAC"));
    wchar_t shown[3] = {};
    DWORD read = 0;
    ReadConsoleOutputCharacterW(console, shown, 3, info.dwCursorPosition, &read);
    EXPECT_EQ(std::wstring(shown, read), L"\u00fc \u20ac");
    FreeConsole();
}

} // namespace
} // namespace corvane
