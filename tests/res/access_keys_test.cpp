// Access keys ("&" before a letter) of every language: within one window (its controls and its
// menu bar) and within one menu no two share a key, or Alt+key reaches only the first.
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

TEST(AccessKeysTest, UniqueWithinEachWindowAndMenuInEveryLanguage) {
    std::vector<unsigned> groups[] = {{ids::FileMenu, ids::HelpMenu},
                                      {},
                                      {ids::NewMenuItem, ids::OpenMenuItem, ids::SaveMenuItem,
                                       ids::SaveAsMenuItem, ids::ExitMenuItem},
                                      {ids::ContentsMenuItem, ids::AboutMenuItem}};
    for (const TemplateControl& row : mainWindowTemplate())
        groups[0].push_back(row.captionId);
    for (const TemplateControl& row : aboutBoxTemplate())
        groups[1].push_back(row.captionId);
    // A language without its own text for an id shows the English one.
    std::map<unsigned, std::string> texts;
    for (const auto& table :
         {std::span<const TableString>(kEnglish), std::span<const TableString>(kGerman)}) {
        for (const TableString& s : table)
            texts[s.id] = s.text;
        // The Save As button ends in dots, as its menu item does: both lead to a dialog.
        EXPECT_TRUE(texts[ids::SaveAsButton].ends_with("...")) << texts[ids::SaveAsButton];
        for (const std::vector<unsigned>& group : groups) {
            std::map<char, unsigned> owners;
            for (unsigned id : group) {
                const std::size_t amp = texts[id].find('&');
                if (id == 0 || amp == std::string::npos)
                    continue;
                const char key = char(std::tolower(static_cast<unsigned char>(texts[id][amp + 1])));
                const auto [owner, added] = owners.emplace(key, id);
                EXPECT_TRUE(added) << "\"" << texts[id] << "\" and \"" << texts[owner->second]
                                   << "\" share the key " << key;
            }
        }
    }
}

} // namespace
} // namespace corvane
