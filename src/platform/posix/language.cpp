#include "platform/language.h"

#include <cstdlib>

#include "app/resources.h"

namespace corvane::platform {

// The POSIX locale of messages stands for the user's language.
std::uint16_t userLanguageId() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return languageIdFromLocale(value);
    }
    return 0x0409;
}

} // namespace corvane::platform
