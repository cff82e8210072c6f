// The window templates, dialog-unit geometry and the file dialogs' requests.
#include <gtest/gtest.h>

#include <set>

#include "app/resources.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/geometry.h"

namespace corvane {
namespace {

TEST(WindowTemplateTest, MainWindowHoldsEveryControlInTabOrder) {
    const auto table = mainWindowTemplate();
    ASSERT_EQ(table.size(), 30u);
    const std::vector<int> expectedOrder{1001,  1003,  1004,  1010,  1009, 1006,  40007, 40008,
                                         1000,  1015,  40009, 40010, 1008, 40001, 57601, 57603,
                                         40003, 40004, 1018,  1007,  -1,   -1,    1013,  1025,
                                         1022,  -1,    1021,  1020,  1019, 1026};
    std::vector<int> order;
    std::set<int> unique;
    for (const TemplateControl& row : table) {
        order.push_back(int(row.id));
        if (row.id != ControlId::None) {
            EXPECT_TRUE(unique.insert(int(row.id)).second) << int(row.id);
        }
        // Every control lies inside the window.
        EXPECT_LE(row.rect.x + row.rect.width, kMainWindowSize.width) << int(row.id);
        EXPECT_LE(row.rect.y + row.rect.height, kMainWindowSize.height) << int(row.id);
    }
    EXPECT_EQ(order, expectedOrder);

    struct Expected {
        ControlId id;
        DialogRect rect;
        int limit;
        const char* label;
    };
    const Expected inputs[] = {
        {ControlId::ProfileName, {172, 19, 112, 14}, 26, "Profile Name:"},
        {ControlId::AuthProtocol, {172, 38, 112, 65}, 0, "Authentication Protocol:"},
        {ControlId::InnerAuthProtocol, {172, 56, 112, 115}, 0, "Tunneled Authentication Protocol:"},
        {ControlId::Username, {172, 74, 112, 14}, 63, "Username (optional):"},
        {ControlId::Password, {172, 93, 112, 14}, 63, "Password (optional):"},
        {ControlId::InitialIdentity, {172, 112, 112, 14}, 63, "Initial Identity (optional):"},
        {ControlId::CaList, {22, 177, 262, 50}, 0, "CA Certificates (for Server Authentication):"},
        {ControlId::PrivateKeyPassword,
         {172, 285, 112, 14},
         63,
         "Private Key Password (optional):"},
        {ControlId::ClientList, {21, 264, 262, 13}, 0, "Client Certificate / Private Key:"},
    };
    for (const Expected& expected : inputs) {
        const TemplateControl* row = findControl(table, expected.id);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->rect.x, expected.rect.x);
        EXPECT_EQ(row->rect.y, expected.rect.y);
        EXPECT_EQ(row->rect.width, expected.rect.width);
        EXPECT_EQ(row->rect.height, expected.rect.height);
        EXPECT_EQ(row->textLimit, expected.limit);
        EXPECT_EQ(loadString(row->labelId), expected.label) << int(expected.id);
    }
    EXPECT_EQ(findControl(table, ControlId::Password)->kind, ControlKind::PasswordEdit);
    EXPECT_EQ(findControl(table, ControlId::PrivateKeyPassword)->kind, ControlKind::PasswordEdit);
    EXPECT_FALSE(findControl(table, ControlId::ClientList)->flags & TabStop);
    EXPECT_TRUE(findControl(table, ControlId::ClientList)->flags & NoColumnHeader);
    EXPECT_EQ(loadString(findControl(table, ControlId::AddCa)->captionId), "A&dd...");
    EXPECT_EQ(loadString(findControl(table, ControlId::Exit)->captionId), "E&xit");
    EXPECT_EQ(findControl(table, ControlId::None), nullptr);
}

TEST(WindowTemplateTest, AboutBox) {
    const auto table = aboutBoxTemplate();
    ASSERT_EQ(table.size(), 5u);
    EXPECT_EQ(loadString(findControl(table, ControlId::AboutVersion)->captionId), "Version 1.0");
    const TemplateControl* ok = findControl(table, ControlId::Ok);
    EXPECT_EQ(ok->kind, ControlKind::DefaultPushButton);
    EXPECT_EQ(ok->rect.x, 80);
    EXPECT_EQ(ok->rect.y, 84);
    // The bitmap's column left of x = 80 is free.
    for (const TemplateControl& row : table)
        EXPECT_GE(row.rect.x, 80);
}

TEST(GeometryTest, DialogUnitsFollowTheFont) {
    struct Case {
        DialogBaseUnits units;
        DialogRect rect;
        PixelRect pixels;
    };
    const Case cases[] = {
        {{6, 13}, {172, 19, 112, 14}, {258, 31, 168, 23}},
        {{8, 16}, {172, 19, 112, 14}, {344, 38, 224, 28}},
        {{7, 15}, {309, 342, 1, 3}, {541, 641, 2, 6}},
        {{12, 26}, {0, 0, 309, 342}, {0, 0, 927, 1112}},
    };
    for (const Case& c : cases) {
        const PixelRect p = dialogRectToPixels(c.rect, c.units);
        EXPECT_EQ(p.x, c.pixels.x);
        EXPECT_EQ(p.y, c.pixels.y);
        EXPECT_EQ(p.width, c.pixels.width);
        EXPECT_EQ(p.height, c.pixels.height);
    }
    EXPECT_EQ(scaleTemplatePixels(109, {6, 13}), 109);
    EXPECT_EQ(scaleTemplatePixels(109, {12, 26}), 218);
    EXPECT_EQ(scaleTemplatePixels(80, {7, 15}), 93);
    EXPECT_EQ(mulDiv(-7, 3, 2), -11);
    EXPECT_EQ(mulDiv(5, 1, 0), 0);
}

TEST(GeometryTest, CentringTruncatesEachHalvingApart) {
    struct Case {
        ScreenRect rect;
        int width;
        int height;
        Point expected;
    };
    const Case cases[] = {
        // Odd sizes: (101 - 0) / 2 = 50 and 31 / 2 = 15, where (101 - 31) / 2 would give 35.
        {{0, 0, 101, 77}, 31, 21, {35, 28}},
        {{10, 20, 111, 97}, 31, 21, {45, 48}},
        {{100, 50, 717, 600}, 313, 157, {252, 247}},
        // Left of and above the screen's origin.
        {{-301, -99, -100, 0}, 51, 11, {-226, -55}},
    };
    for (const Case& c : cases) {
        const Point p = centreOverRectangle(c.rect, c.width, c.height);
        EXPECT_EQ(p.x, c.expected.x);
        EXPECT_EQ(p.y, c.expected.y);
    }
}

TEST(FileDialogTest, PatternsMatchRegardlessOfCase) {
    EXPECT_EQ(caseInsensitivePattern("*.odb"), "*.[oO][dD][bB]");
    EXPECT_EQ(caseInsensitivePattern("*.DER"), "*.[dD][eE][rR]");
    EXPECT_EQ(caseInsensitivePattern("*.p12"), "*.[pP]12");
    EXPECT_EQ(caseInsensitivePattern("*.*"), "*.*");
    EXPECT_EQ(helpFilePath("/usr/lib/corvane/"), "/usr/lib/corvane/Corvane.chm");
}

} // namespace
} // namespace corvane
