// Attribute tables: each class reads its own rows and hands the rest to its
// base class, down to the custom attributes of the control base.
#include <gtest/gtest.h>

#include <climits>
#include <cwchar>
#include <string>

#include "ui/base/attribute_values.h"
#include "ui/base/control.h"
#include "ui/controls/button.h"
#include "ui/controls/layouts.h"
#include "ui/controls/option.h"
#include "ui/controls/tab_layout.h"
#include "win/text.h"

using namespace Ulmar;

TEST(AttributeTable, ANameFallsThroughEveryBaseTableInAnyCase) {
    CButtonUI button;
    button.SetAttribute(L"NormalImage", L"a.png");      // the button's own row
    button.SetAttribute(L"TEXTCOLOR", L"#FF102030");    // the label's
    button.SetAttribute(L"Width", L"40");               // the control base's
    button.SetAttribute(L"nosuchattribute", L"1");      // nobody's
    EXPECT_STREQ(L"a.png", button.GetNormalImage().GetData());
    EXPECT_EQ(0xFF102030u, button.GetTextColor());
    EXPECT_EQ(40, button.GetFixedWidth());
    EXPECT_STREQ(L"1", button.GetCustomAttribute(L"nosuchattribute"));
    // A name some table read is not kept a second time as a custom attribute.
    EXPECT_EQ(nullptr, button.GetCustomAttribute(L"NormalImage"));
    EXPECT_EQ(nullptr, button.GetCustomAttribute(L"TEXTCOLOR"));
    EXPECT_EQ(nullptr, button.GetCustomAttribute(L"Width"));
}

TEST(AttributeTable, NamesMatchWholeNotByPrefix) {
    CControlUI control;
    control.SetAttribute(L"widthx", L"5");
    control.SetAttribute(L"widt", L"6");
    EXPECT_EQ(0, control.GetFixedWidth());
    EXPECT_STREQ(L"5", control.GetCustomAttribute(L"widthx"));
    EXPECT_STREQ(L"6", control.GetCustomAttribute(L"widt"));

    EXPECT_TRUE(win::EqualsNoCase(L"VScrollBarStyle", L"vscrollbarstyle"));
    EXPECT_FALSE(win::EqualsNoCase(L"sepimm", L"sepim"));
    EXPECT_FALSE(win::EqualsNoCase(nullptr, L""));
    EXPECT_TRUE(win::EqualsNoCase(nullptr, nullptr));
    EXPECT_EQ(L"mixed\\case", win::FoldCase(L"MiXeD\\Case"));
    EXPECT_EQ(L"", win::FoldCase(nullptr));
}

TEST(AttributeTable, ExactRowsTakeOnlyTheirOwnSpellingTheRestEndsCustom) {
    CVerticalLayoutUI column;
    column.SetAttribute(L"childalign", L"right");
    EXPECT_EQ(static_cast<UINT>(DT_RIGHT), column.GetChildAlign());
    column.SetAttribute(L"ChildAlign", L"center");
    EXPECT_EQ(static_cast<UINT>(DT_RIGHT), column.GetChildAlign());
    EXPECT_STREQ(L"center", column.GetCustomAttribute(L"ChildAlign"));
    column.SetAttribute(L"childalign", L"Center");  // the words are exact too: no change
    EXPECT_EQ(static_cast<UINT>(DT_RIGHT), column.GetChildAlign());
    // The layout's own row, then the container's, reached through the column's table.
    column.SetAttribute(L"SepHeight", L"7");
    column.SetAttribute(L"ChildPadding", L"3");
    EXPECT_EQ(7, column.GetSepHeight());
    EXPECT_EQ(3, column.GetChildPadding());

    CHorizontalLayoutUI row;
    row.SetAttribute(L"sepheight", L"7");  // a column's attribute, not a row's
    EXPECT_EQ(0, row.GetSepWidth());
    EXPECT_STREQ(L"7", row.GetCustomAttribute(L"sepheight"));
}

TEST(AttributeTable, PassOnRowsApplyAndStillReachTheBase) {
    CCheckBoxUI box;
    box.SetAttribute(L"enableautocheck", L"true");
    EXPECT_TRUE(box.IsAutoCheck());
    EXPECT_STREQ(L"true", box.GetCustomAttribute(L"enableautocheck"));

    CTabLayoutUI tabs;
    tabs.Add(new CControlUI());
    tabs.Add(new CControlUI());
    tabs.SetAttribute(L"selectedid", L"1");
    EXPECT_EQ(1, tabs.GetCurSel());
    EXPECT_STREQ(L"1", tabs.GetCustomAttribute(L"selectedid"));
}

// Fractions are read by hand, not by wcstod; they must read as wcstod would,
// stepping over one separator after each number.
TEST(AttributeValue, FractionsReadAsWcstodReadsThem) {
    auto reference = [](const wchar_t* value, double (&out)[4]) {
        const wchar_t* p = value;
        for (double& f : out) {
            wchar_t* end = nullptr;
            f = std::wcstod(p, &end);
            p = *end ? end + 1 : end;
        }
    };
    const wchar_t* cases[] = {L"0.3,0.25,0.1,0.7", L"1,2,3,4", L"-0.5, .75,+2.,1e-1", L"2.5E2,1e+2,3e0,0.125e1",
                              L"x,0.2", L"0.5junk,0.6", L"", L"1,,2", L"0.1234567890123,9007199254740991,1e-3x,e5",
                              L"1e,2e-,3.e1,-"};
    for (const wchar_t* value : cases) {
        double ours[4] = {-9, -9, -9, -9};
        double theirs[4] = {-9, -9, -9, -9};
        attribute_value::ParseFractions(value, ours);
        reference(value, theirs);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(theirs[i], ours[i]) << "\"" << win::WideToUtf8(value) << "\" [" << i << "]";
    }
}

TEST(DecimalText, MatchesToWstringAtEveryIntegerTypesLimits) {
    EXPECT_EQ(std::to_wstring(0), win::DecimalText(0));
    EXPECT_EQ(std::to_wstring(-1), win::DecimalText(-1));
    EXPECT_EQ(std::to_wstring(INT_MIN), win::DecimalText(INT_MIN));
    EXPECT_EQ(std::to_wstring(INT_MAX), win::DecimalText(INT_MAX));
    EXPECT_EQ(std::to_wstring(LLONG_MIN), win::DecimalText(LLONG_MIN));
    EXPECT_EQ(std::to_wstring(ULLONG_MAX), win::DecimalText(ULLONG_MAX));
    EXPECT_EQ(std::to_wstring(4294967295ul), win::DecimalText(DWORD{4294967295ul}));
    EXPECT_EQ(L"1000", win::DecimalText(static_cast<unsigned short>(1000)));
}
