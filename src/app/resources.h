#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Longest text that loadString delivers (its buffer holds 1024 characters with the NUL).
constexpr std::size_t kMaxStringLength = 1023;

struct LanguageCodes {
    std::string language; // two lower-case letters, or empty
    std::string country;  // two upper-case letters, or empty
};

// Language and country codes of a 16-bit language id.
LanguageCodes languageCodes(std::uint16_t languageId);

// The user's language id, from the messages locale (LC_ALL, LC_MESSAGES, LANG).
std::uint16_t userDefaultLanguageId();
// The language id of one locale name such as "de_DE.UTF-8"; "C", "POSIX" and "" give 0x0409.
std::uint16_t languageIdFromLocale(std::string_view locale);

// The resource module file names tried for a language id, in order.
std::vector<std::string> resourceLibraryNames(std::string_view baseName, std::uint16_t languageId);

// Chooses the resource module for the user's language from the program's own folder. Always
// succeeds: without a module the built-in table serves.
void selectResourceLibrary(std::string_view baseName);
// The same, from a given folder and language (tests use it). Returns the module chosen, or "".
// An empty folder (the program's own is unknown) loads nothing.
std::string selectResourceLibraryIn(const std::string& folder, std::string_view baseName,
                                    std::uint16_t languageId);
// The language code ("de") of the loaded resource module; empty while the built-in table serves.
std::string resourceLibraryLanguage();
// Releases a loaded resource module; the built-in table serves afterwards.
void releaseResourceLibrary();
// The system's handle of the loaded resource module (its window resources are read through
// it); null while the built-in table serves.
void* resourceModuleHandle();

// The text of a string id: from the resource module, else the built-in table, else empty.
std::string loadString(unsigned id);
// True when the text equals the string's text, ignoring the case of ASCII letters.
bool matchesString(std::string_view text, unsigned id);

// Fills "%d" and "%s" of a loaded format with the given texts in order ("%%" gives "%"). The
// format is never handed to printf, so a translated format cannot read past its arguments.
std::string fillFormat(std::string_view format, const std::vector<std::string>& args);

// Folder of the running executable, with a trailing slash; empty when it cannot be known.
std::string executableFolder();

} // namespace corvane
