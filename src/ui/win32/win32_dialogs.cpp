#include "ui/win32/win32_dialogs.h"

#include <commdlg.h>
#include <htmlhelp.h>

#include "app/resources.h"
#include "app/string_ids.h"
#include "platform/win32/wide.h"
#include "ui/win32/about_box.h"

namespace corvane {
namespace {

// Room for a multiple selection of many long names.
constexpr std::size_t kFileBufferSize = 32768;

UINT iconOf(MessageBoxType type) {
    switch (type) {
    case MessageBoxType::Error:
        return MB_ICONERROR;
    case MessageBoxType::Question:
        return MB_ICONQUESTION;
    default:
        return MB_ICONWARNING;
    }
}

UINT buttonsOf(MessageBoxButtons buttons) {
    switch (buttons) {
    case MessageBoxButtons::OkCancel:
        return MB_OKCANCEL;
    case MessageBoxButtons::YesNoCancel:
        return MB_YESNOCANCEL;
    default:
        return MB_OK;
    }
}

// "description\0pattern;pattern\0...\0\0"; Windows matches the patterns regardless of case.
std::wstring filterText(const std::vector<FileFilter>& filters) {
    std::wstring text;
    for (const FileFilter& filter : filters) {
        text += platform::toWide(filter.description);
        text += L'\0';
        for (std::size_t i = 0; i < filter.patterns.size(); ++i) {
            if (i > 0)
                text += L';';
            text += platform::toWide(filter.patterns[i]);
        }
        text += L'\0';
    }
    text += L'\0';
    return text;
}

// The dialog's record and the texts it points into, which must live as long as it does.
struct FileDialog {
    FileDialog(HWND owner, const FileDialogRequest& request)
        : title(platform::toWide(request.title)), filter(filterText(request.filters)),
          defaultSuffix(platform::toWide(request.defaultSuffix)),
          initialFolder(platform::toWide(request.initialFolder)), buffer(kFileBufferSize, L'\0') {
        const std::wstring proposed = platform::toWide(request.proposedName);
        proposed.copy(buffer.data(), std::min(proposed.size(), buffer.size() - 1));
        record.lStructSize = sizeof record;
        record.hwndOwner = owner;
        record.lpstrFilter = filter.c_str();
        record.nFilterIndex = 1;
        record.lpstrFile = buffer.data();
        record.nMaxFile = DWORD(buffer.size());
        record.lpstrTitle = title.c_str();
        record.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
        record.lpstrDefExt = defaultSuffix.empty() ? nullptr : defaultSuffix.c_str();
        // The current folder is where script runs keep their log: the dialogs leave it alone.
        record.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
        if (request.mustExist)
            record.Flags |= OFN_FILEMUSTEXIST;
        if (request.multiSelect)
            record.Flags |= OFN_ALLOWMULTISELECT;
        if (request.overwritePrompt)
            record.Flags |= OFN_OVERWRITEPROMPT;
        if (request.hideReadOnly)
            record.Flags |= OFN_HIDEREADONLY;
    }

    std::wstring title;
    std::wstring filter;
    std::wstring defaultSuffix;
    std::wstring initialFolder;
    std::wstring buffer;
    OPENFILENAMEW record{};
};

} // namespace

std::vector<std::wstring> selectedPaths(const std::wstring& buffer) {
    const std::size_t firstEnd = buffer.find(L'\0');
    const std::wstring first = buffer.substr(0, firstEnd);
    if (first.empty())
        return {};
    if (firstEnd == std::wstring::npos || firstEnd + 1 >= buffer.size() ||
        buffer[firstEnd + 1] == L'\0')
        return {first};
    // A folder such as "C:\" already ends in its separator.
    const std::wstring folder = first.back() == L'\\' ? first : first + L'\\';
    std::vector<std::wstring> paths;
    std::size_t start = firstEnd + 1;
    while (start < buffer.size() && buffer[start] != L'\0') {
        const std::size_t end = buffer.find(L'\0', start);
        const std::size_t stop = end == std::wstring::npos ? buffer.size() : end;
        paths.push_back(folder + buffer.substr(start, stop - start));
        start = stop + 1;
    }
    return paths;
}

MessageBoxAnswer Win32Dialogs::messageBox(const std::string& text, const std::string& caption,
                                          MessageBoxType type, MessageBoxButtons buttons) {
    const int answer =
        MessageBoxW(owner_.handle(), platform::toWide(text).c_str(),
                    platform::toWide(caption).c_str(), iconOf(type) | buttonsOf(buttons));
    switch (answer) {
    case IDOK:
        return MessageBoxAnswer::Ok;
    case IDYES:
        return MessageBoxAnswer::Yes;
    case IDNO:
        return MessageBoxAnswer::No;
    default:
        return MessageBoxAnswer::Cancel;
    }
}

std::vector<std::string> Win32Dialogs::chooseFileToOpen(const FileDialogRequest& request) {
    FileDialog dialog(owner_.handle(), request);
    std::vector<std::string> chosen;
    if (!GetOpenFileNameW(&dialog.record))
        return chosen;
    for (const std::wstring& path : selectedPaths(dialog.buffer))
        chosen.push_back(platform::toUtf8(path));
    return chosen;
}

std::optional<std::string> Win32Dialogs::chooseFileToSave(const FileDialogRequest& request) {
    FileDialog dialog(owner_.handle(), request);
    if (!GetSaveFileNameW(&dialog.record))
        return std::nullopt;
    return platform::toUtf8(dialog.buffer.c_str());
}

void Win32Dialogs::showAbout() {
    runAboutBox(owner_.handle(), owner_.modules());
}

void Win32Dialogs::showDetails(const std::string& caption, const std::string& text) {
    MessageBoxW(owner_.handle(), platform::toWide(text).c_str(), platform::toWide(caption).c_str(),
                MB_OK | MB_ICONINFORMATION);
}

void Win32Dialogs::showHelp(const std::string& helpFilePath) {
    // The help viewer opens in a window of its own that the main window does not own.
    const std::wstring path = platform::toWide(helpFilePath);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const bool present =
        attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (!present || !HtmlHelpW(GetDesktopWindow(), path.c_str(), HH_DISPLAY_TOPIC, 0))
        messageBox(fillFormat(loadString(ids::HelpFileUnreadable), {helpFilePath}),
                   loadString(ids::ProgramTitle), MessageBoxType::Error, MessageBoxButtons::Ok);
}

} // namespace corvane
