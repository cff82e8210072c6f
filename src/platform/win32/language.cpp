#include "platform/language.h"

#include <windows.h>

namespace corvane::platform {

std::uint16_t userLanguageId() {
    const LANGID id = GetUserDefaultUILanguage();
    return id != 0 ? id : 0x0409;
}

} // namespace corvane::platform
