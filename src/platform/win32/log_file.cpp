#include "platform/log_file.h"

#include <windows.h>

#include <climits>

#include "platform/win32/wide.h"

namespace corvane::platform {

namespace {

HANDLE handleOf(std::intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

std::string systemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text ? text : L"", length);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(error) : toUtf8(message);
}

} // namespace

LogFile::~LogFile() {
    close();
}

void LogFile::close() {
    if (handle_ != -1)
        CloseHandle(handleOf(handle_));
    handle_ = -1;
}

LogOpenResult LogFile::open(const std::string& path, std::string& systemReason) {
    close();
    const std::wstring wide = toWide(path);
    // Append access only: each write lands whole at the end of the file, whatever other runs
    // in the folder append at the same time, and they may all hold it open at once. A link is
    // opened as itself, and then refused.
    // Read access only so that the lock below may be taken.
    const HANDLE file = CreateFileW(wide.c_str(), FILE_APPEND_DATA | FILE_READ_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        systemReason = systemMessage(GetLastError());
        return LogOpenResult::Failed;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        CloseHandle(file);
        return LogOpenResult::NotARegularFile;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return LogOpenResult::Opened;
}

bool LogFile::append(std::string_view text) {
    if (handle_ == -1)
        return false;
    // A text file: CR LF line ends, as every Windows tool expects.
    std::string lines;
    lines.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            lines += '\r';
        lines += c;
    }
    if (lines.size() > MAXDWORD)
        return false;
    // Appending is atomic on Windows, but not under every implementation of its calls (Wine
    // finds the end and then writes there): runs also take turns by a lock far beyond any
    // data, which no reader or writer of the text ever touches.
    const HANDLE file = handleOf(handle_);
    OVERLAPPED turn{};
    turn.Offset = MAXDWORD;
    turn.OffsetHigh = 0x7FFFFFFF;
    const bool locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn);
    DWORD written = 0;
    const bool whole =
        WriteFile(file, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr) &&
        written == lines.size();
    if (locked)
        UnlockFileEx(file, 0, 1, 0, &turn);
    return whole;
}

} // namespace corvane::platform
