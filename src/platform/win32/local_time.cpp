#include "platform/local_time.h"

#include <windows.h>

#include <array>

#include "platform/win32/wide.h"

namespace corvane::platform {

namespace {

// Seconds since 1970 to the FILETIME's 100-nanosecond steps since 1601.
constexpr std::int64_t kEpochDifference = 11644473600LL;

std::string formatDate(const SYSTEMTIME& local, const wchar_t* picture, DWORD flags) {
    std::array<wchar_t, 128> text{};
    const int n = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, flags, &local, picture, text.data(),
                                  static_cast<int>(text.size()), nullptr);
    return n > 1 ? toUtf8(std::wstring_view(text.data(), static_cast<std::size_t>(n - 1)))
                 : std::string();
}

} // namespace

std::string localShortDate(std::int64_t utcSeconds) {
    if (utcSeconds < -kEpochDifference || utcSeconds > 910692730085LL)
        return {};
    const std::uint64_t ticks =
        static_cast<std::uint64_t>(utcSeconds + kEpochDifference) * 10000000ULL;
    FILETIME utcFile{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    if (!FileTimeToSystemTime(&utcFile, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return {};
    if (local.wYear < 1950 || local.wYear > 2049) {
        // The user's short date picture with its year written whole.
        std::array<wchar_t, 80> picture{};
        const int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTDATE, picture.data(),
                                      static_cast<int>(picture.size()));
        std::wstring whole(picture.data(), n > 0 ? static_cast<std::size_t>(n - 1) : 0);
        if (whole.find(L"yyyy") == std::wstring::npos) {
            if (auto pos = whole.find(L"yy"); pos != std::wstring::npos) {
                whole.replace(pos, 2, L"yyyy");
                return formatDate(local, whole.c_str(), 0);
            }
        }
    }
    return formatDate(local, nullptr, DATE_SHORTDATE);
}

std::string currentLocalDate() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return formatDate(now, nullptr, DATE_SHORTDATE);
}

std::string currentLocalTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::array<wchar_t, 128> text{};
    const int n = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &now, nullptr, text.data(),
                                  static_cast<int>(text.size()));
    return n > 1 ? toUtf8(std::wstring_view(text.data(), static_cast<std::size_t>(n - 1)))
                 : std::string();
}

} // namespace corvane::platform
