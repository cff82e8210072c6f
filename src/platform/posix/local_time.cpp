#include "platform/local_time.h"

#include <langinfo.h>
#include <locale.h>

#include <array>
#include <clocale>
#include <ctime>

namespace corvane::platform {

namespace {

std::string formatNow(const char* format) {
    // The header's date and time follow the user's locale; nothing else does.
    std::setlocale(LC_TIME, "");
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[256] = {};
    std::strftime(text, sizeof text, format, &local);
    return text;
}

} // namespace

std::string localShortDate(std::int64_t utcSeconds) {
    const auto when = static_cast<std::time_t>(utcSeconds);
    // localtime_r need not look at TZ again; the rules in force now are the ones to use.
    tzset();
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr)
        return {};

    // The environment's date conventions, without touching the process-wide locale.
    locale_t dateLocale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (dateLocale == static_cast<locale_t>(nullptr))
        dateLocale = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
    std::string format = "%x";
    const int year = local.tm_year + 1900;
    if (dateLocale != static_cast<locale_t>(nullptr) && (year < 1950 || year > 2049)) {
        std::string shortDate = nl_langinfo_l(D_FMT, dateLocale);
        if (auto pos = shortDate.find("%y"); pos != std::string::npos) {
            shortDate.replace(pos, 2, "%Y");
            format = shortDate;
        }
    }
    std::array<char, 256> text{};
    std::size_t written = 0;
    if (dateLocale != static_cast<locale_t>(nullptr)) {
        written = strftime_l(text.data(), text.size(), format.c_str(), &local, dateLocale);
        freelocale(dateLocale);
    } else {
        written = std::strftime(text.data(), text.size(), format.c_str(), &local);
    }
    return std::string(text.data(), written);
}

std::string currentLocalDate() {
    return formatNow("%x");
}

std::string currentLocalTime() {
    return formatNow("%X");
}

} // namespace corvane::platform
