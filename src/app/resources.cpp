#include "app/resources.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <utility>

#include "platform/language.h"
#include "platform/module.h"
#include "platform/program_folder.h"

namespace corvane {
namespace {

struct BuiltInString {
    unsigned id;
    const char* text;
};

constexpr BuiltInString kBuiltIn[] = {
#include "res/strings_en.inc"
};

// Looked up by binary search: a table merged out of order would lose strings silently.
static_assert(std::is_sorted(std::begin(kBuiltIn), std::end(kBuiltIn),
                             [](const BuiltInString& a, const BuiltInString& b) {
                                 return a.id <= b.id;
                             }));

const char* builtInString(unsigned id) {
    auto it = std::lower_bound(std::begin(kBuiltIn), std::end(kBuiltIn), id,
                               [](const BuiltInString& s, unsigned v) { return s.id < v; });
    return (it != std::end(kBuiltIn) && it->id == id) ? it->text : nullptr;
}

platform::ResourceModule& resourceModule() {
    static platform::ResourceModule module;
    return module;
}

// The language of the loaded resource module, empty while the built-in texts serve.
std::string& resourceLanguage() {
    static std::string language;
    return language;
}

// Primary language numbers by language code: the inverse of the language table, with the
// codes the C library uses where the table keeps older ones.
const std::map<std::string, unsigned>& primaryLanguages() {
    static const std::map<std::string, unsigned> table = [] {
        std::map<std::string, unsigned> t;
        for (unsigned primary = 1; primary < 0x400; ++primary) {
            LanguageCodes codes = languageCodes(static_cast<std::uint16_t>(primary));
            if (!codes.language.empty())
                t.emplace(codes.language, primary);
        }
        t["ja"] = 17;
        t["he"] = 13;
        t["id"] = 33;
        t["nb"] = 20;
        t["nn"] = 20;
        t["sr"] = 26;
        t["bs"] = 26;
        t["fa"] = 41;
        t["gl"] = 86;
        return t;
    }();
    return table;
}

// Language ids of locales whose country is not the language's default sublanguage (1).
const std::map<std::string, std::uint16_t>& localeLanguageIds() {
    static const std::map<std::string, std::uint16_t> table = {
        {"ar_IQ", 0x0801}, {"ar_EG", 0x0C01}, {"zh_TW", 0x0404}, {"zh_CN", 0x0804},
        {"zh_HK", 0x0C04}, {"zh_SG", 0x1004}, {"de_CH", 0x0807}, {"de_AT", 0x0C07},
        {"de_LU", 0x1007}, {"de_LI", 0x1407}, {"en_GB", 0x0809}, {"en_AU", 0x0C09},
        {"en_CA", 0x1009}, {"en_NZ", 0x1409}, {"en_IE", 0x1809}, {"en_ZA", 0x1C09},
        {"en_IN", 0x4009}, {"es_ES", 0x0C0A}, {"es_MX", 0x080A}, {"es_AR", 0x2C0A},
        {"es_CO", 0x240A}, {"es_CL", 0x340A}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C},
        {"fr_CH", 0x100C}, {"fr_LU", 0x140C}, {"it_CH", 0x0810}, {"nl_BE", 0x0813},
        {"nn_NO", 0x0814}, {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"sr_RS", 0x241A},
        {"bs_BA", 0x141A}, {"sv_FI", 0x081D}, {"ms_BN", 0x083E},
    };
    return table;
}

} // namespace

LanguageCodes languageCodes(std::uint16_t languageId) {
    static const std::map<unsigned, const char*> languages = {
        {1, "ar"},  {2, "bg"},  {3, "ca"},  {4, "zh"},  {5, "cs"},  {6, "da"},  {7, "de"},
        {8, "el"},  {9, "en"},  {10, "es"}, {11, "fi"}, {12, "fr"}, {13, "iw"}, {14, "hu"},
        {15, "is"}, {16, "it"}, {17, "jp"}, {18, "ko"}, {19, "nl"}, {20, "no"}, {21, "pl"},
        {22, "pt"}, {24, "ro"}, {25, "ru"}, {26, "hr"}, {27, "sk"}, {28, "sq"}, {29, "sv"},
        {30, "th"}, {31, "tr"}, {32, "ur"}, {33, "in"}, {34, "uk"}, {35, "be"}, {36, "sl"},
        {37, "et"}, {38, "lv"}, {39, "lt"}, {42, "vi"}, {43, "hy"}, {44, "az"}, {45, "eu"},
        {47, "mk"}, {54, "af"}, {55, "ka"}, {56, "fo"}, {57, "hi"}, {62, "ms"}, {63, "kk"},
        {65, "sw"}, {67, "uz"}, {68, "tt"}, {69, "bn"}, {70, "pa"}, {71, "gu"}, {72, "or"},
        {73, "ta"}, {75, "kn"}, {76, "ml"}, {77, "as"}, {78, "mr"}, {79, "sa"}, {89, "sd"},
        {96, "ks"}, {97, "ne"},
    };
    const unsigned primary = languageId & 0x3FF;
    const unsigned sub = languageId >> 10;
    LanguageCodes codes;
    if (auto it = languages.find(primary); it != languages.end())
        codes.language = it->second;
    static const std::map<std::pair<unsigned, unsigned>, const char*> countries = {
        {{4, 1}, "TW"},  {{4, 2}, "CN"},  {{7, 1}, "DE"},  {{9, 1}, "US"},  {{9, 2}, "GB"},
        {{10, 3}, "ES"}, {{12, 1}, "FR"}, {{16, 1}, "IT"}, {{22, 1}, "BR"}, {{22, 2}, "PT"},
    };
    if (primary == 17)
        codes.country = "JP";
    else if (auto it = countries.find({primary, sub}); it != countries.end())
        codes.country = it->second;
    return codes;
}

std::uint16_t languageIdFromLocale(std::string_view locale) {
    // "ll_CC.charset@modifier": only the language and the country matter.
    std::string_view name = locale.substr(0, locale.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX")
        return 0x0409;
    std::string language(name.substr(0, name.find('_')));
    std::transform(language.begin(), language.end(), language.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::string country;
    if (auto us = name.find('_'); us != std::string_view::npos) {
        country = std::string(name.substr(us + 1));
        std::transform(country.begin(), country.end(), country.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    }
    if (auto it = localeLanguageIds().find(language + "_" + country);
        it != localeLanguageIds().end())
        return it->second;
    auto primary = primaryLanguages().find(language);
    if (primary == primaryLanguages().end())
        return 0x0409;
    return static_cast<std::uint16_t>((1u << 10) | primary->second);
}

std::uint16_t userDefaultLanguageId() {
    return platform::userLanguageId();
}

std::vector<std::string> resourceLibraryNames(std::string_view baseName, std::uint16_t languageId) {
    const std::string base(baseName);
    const std::string suffix = platform::kModuleSuffix;
    const LanguageCodes codes = languageCodes(languageId);
    std::vector<std::string> names;
    if (!codes.language.empty() && !codes.country.empty())
        names.push_back(base + "_" + codes.language + codes.country + suffix);
    char hex[8];
    std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(languageId));
    names.push_back(base + "_" + hex + suffix);
    if (languageId != 0x0409 && !codes.language.empty()) {
        static const std::map<unsigned, const char*> fallback = {
            {4, "CN"},  {7, "DE"},  {9, "US"},  {10, "SP"},
            {12, "FR"}, {16, "IT"}, {17, "JP"}, {22, "BR"},
        };
        if (auto it = fallback.find(languageId & 0x3FF); it != fallback.end())
            names.push_back(base + "_" + codes.language + it->second + suffix);
    }
    return names;
}

std::string executableFolder() {
    return platform::programFolder();
}

std::string selectResourceLibraryIn(const std::string& folder, std::string_view baseName,
                                    std::uint16_t languageId) {
    releaseResourceLibrary();
    if (folder.empty())
        return {};
    for (const std::string& name : resourceLibraryNames(baseName, languageId)) {
        // Only the program's own folder: a module in the current directory is never loaded.
        if (resourceModule().load(folder + name)) {
            resourceLanguage() = languageCodes(languageId).language;
            return name;
        }
    }
    return {};
}

void selectResourceLibrary(std::string_view baseName) {
    selectResourceLibraryIn(executableFolder(), baseName, userDefaultLanguageId());
}

void releaseResourceLibrary() {
    resourceModule().release();
    resourceLanguage().clear();
}

std::string resourceLibraryLanguage() {
    return resourceLanguage();
}

void* resourceModuleHandle() {
    return resourceModule().handle();
}

std::string loadString(unsigned id) {
    std::optional<std::string> translated = resourceModule().text(id);
    std::string result;
    if (translated && !translated->empty())
        result = std::move(*translated);
    else if (const char* text = builtInString(id))
        result = text;
    if (result.size() > kMaxStringLength)
        result.resize(kMaxStringLength);
    return result;
}

bool matchesString(std::string_view text, unsigned id) {
    const std::string expected = loadString(id);
    return std::equal(text.begin(), text.end(), expected.begin(), expected.end(),
                      [](char a, char b) {
                          auto lower = [](char c) {
                              return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
                          };
                          return lower(a) == lower(b);
                      });
}

std::string fillFormat(std::string_view format, const std::vector<std::string>& args) {
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            const char conversion = format[i + 1];
            if (conversion == 's' || conversion == 'd') {
                if (next < args.size())
                    out += args[next];
                ++next;
                ++i;
                continue;
            }
            if (conversion == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

} // namespace corvane
