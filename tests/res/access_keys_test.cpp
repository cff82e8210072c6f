// Access keys ("&" before a letter) of every language: within one window (its controls and its
// menu bar) and within one menu no two share a key, or Alt+key reaches only the first.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
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
    std::vector<unsigned> mainWindow = {ids::FileMenu, ids::HelpMenu}, about;
    for (const TemplateControl& row : mainWindowTemplate())
        mainWindow.push_back(row.captionId);
    for (const TemplateControl& row : aboutBoxTemplate())
        about.push_back(row.captionId);
    const std::vector<unsigned> groups[] = {mainWindow,
                                            about,
                                            {ids::NewMenuItem, ids::OpenMenuItem, ids::SaveMenuItem,
                                             ids::SaveAsMenuItem, ids::ExitMenuItem},
                                            {ids::ContentsMenuItem, ids::AboutMenuItem}};
    std::map<unsigned, std::string> texts;
    for (const TableString& s : kEnglish)
        texts[s.id] = s.text;
    for (bool german : {false, true}) {
        // A language without its own text for an id shows the English one.
        for (const TableString& s : kGerman)
            if (german)
                texts[s.id] = s.text;
        // The Save As button ends in dots, as its menu item does: both lead to a dialog.
        EXPECT_TRUE(texts[ids::SaveAsButton].ends_with("...")) << texts[ids::SaveAsButton];
        for (const std::vector<unsigned>& group : groups) {
            std::map<char, unsigned> owners;
            for (unsigned id : group) {
                const std::string& text = texts[id];
                const std::size_t amp = text.find('&');
                if (id == 0 || amp == std::string::npos)
                    continue;
                const char key = char(std::tolower(static_cast<unsigned char>(text[amp + 1])));
                const auto [owner, added] = owners.emplace(key, id);
                EXPECT_TRUE(added) << "\"" << text << "\" and \"" << texts[owner->second]
                                   << "\" share the key " << key;
            }
        }
    }
}

} // namespace
} // namespace corvane
