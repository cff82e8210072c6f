// Access keys ("&" before a letter) of every language: within one window (its controls and its
// menu bar) and within one menu, no two share a key, or Alt+key reaches only the first.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "app/string_ids.h"
#include "ui/controls.h"

namespace corvane {
namespace {

struct TableString {
    unsigned id;
    const char* text;
};

constexpr TableString kEnglish[] = {
#include "res/strings_en.inc"
};

constexpr TableString kGerman[] = {
#include "res/strings_de.inc"
};

// The access key of a caption, lower-cased; empty for none. "&&" is a plain ampersand.
std::string accessKey(std::string_view text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        std::size_t length = 1;
        while (i + 1 + length < text.size() && (text[i + 1 + length] & 0xC0) == 0x80)
            ++length;
        std::string key(text.substr(i + 1, length));
        if (length == 1)
            key[0] = char(std::tolower(static_cast<unsigned char>(key[0])));
        return key;
    }
    return {};
}

// The groups of captions whose keys must differ.
std::vector<std::vector<unsigned>> accessKeyGroups() {
    std::vector<unsigned> mainWindow = {ids::FileMenu, ids::HelpMenu};
    for (const TemplateControl& row : mainWindowTemplate())
        if (row.captionId)
            mainWindow.push_back(row.captionId);
    std::vector<unsigned> about;
    for (const TemplateControl& row : aboutBoxTemplate())
        if (row.captionId)
            about.push_back(row.captionId);
    return {mainWindow,
            about,
            {ids::NewMenuItem, ids::OpenMenuItem, ids::SaveMenuItem, ids::SaveAsMenuItem,
             ids::ExitMenuItem},
            {ids::ContentsMenuItem, ids::AboutMenuItem}};
}

TEST(AccessKeysTest, UniqueWithinEachWindowAndMenuInEveryLanguage) {
    const std::pair<const char*, std::span<const TableString>> tables[] = {{"en", kEnglish},
                                                                           {"de", kGerman}};
    for (const auto& [language, table] : tables) {
        std::map<unsigned, std::string> texts;
        // A language without its own text for an id shows the English one.
        for (const TableString& s : kEnglish)
            texts[s.id] = s.text;
        for (const TableString& s : table)
            texts[s.id] = s.text;
        for (const std::vector<unsigned>& group : accessKeyGroups()) {
            std::map<std::string, unsigned> owners;
            for (unsigned id : group) {
                const std::string key = accessKey(texts.at(id));
                if (key.empty())
                    continue;
                const auto [owner, added] = owners.emplace(key, id);
                EXPECT_TRUE(added) << language << ": \"" << texts[id] << "\" and \""
                                   << texts[owner->second] << "\" share the key " << key;
            }
        }
    }
}

// The Save As button ends in dots, as its menu item does: both lead to a dialog.
TEST(AccessKeysTest, SaveAsButtonShowsItsDialogDots) {
    for (std::span<const TableString> table :
         {std::span<const TableString>(kEnglish), std::span<const TableString>(kGerman)}) {
        std::map<unsigned, std::string> texts;
        for (const TableString& s : table)
            texts[s.id] = s.text;
        for (unsigned id : {ids::SaveAsButton, ids::SaveAsMenuItem})
            EXPECT_TRUE(texts.at(id).ends_with("...")) << texts.at(id);
    }
}

} // namespace
} // namespace corvane
