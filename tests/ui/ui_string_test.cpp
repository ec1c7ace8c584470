#include "ui/base/ui_string.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "win/text.h"

namespace Ulmar {
// Readable failures: gtest would print the pointer conversion's address.
void PrintTo(const CUiString& s, std::ostream* os) { *os << '"' << win::WideToUtf8(s.str()) << '"'; }
}  // namespace Ulmar

using Ulmar::CUiString;

namespace {

TEST(UiString, ConstructionTreatsNullAndLengthsSafely) {
    EXPECT_TRUE(CUiString(static_cast<const wchar_t*>(nullptr)).IsEmpty());
    EXPECT_EQ(CUiString(L"abcdef", 3), L"abc");
    EXPECT_EQ(CUiString(L"ab\0cd", 5), L"ab");  // stops at a terminator inside the length
    EXPECT_EQ(CUiString(L"abc", -1), L"abc");
    EXPECT_EQ(CUiString(L"abc", 0), L"");
    EXPECT_EQ(CUiString(L'x').GetLength(), 1);

    CUiString s(L"abc");
    EXPECT_EQ(s.GetAt(0), L'a');
    EXPECT_EQ(s.GetAt(3), L'\0');
    EXPECT_EQ(s.GetAt(-1), L'\0');
    s.SetAt(1, L'X');
    s.SetAt(7, L'Y');
    s.SetAt(-1, L'Y');
    EXPECT_EQ(s, L"aXc");
}

TEST(UiString, ValueSemantics) {
    CUiString a(L"one");
    CUiString b = a;
    b += L" two";
    EXPECT_EQ(a, L"one");
    EXPECT_EQ(b, L"one two");
    a = b;
    b.SetAt(0, L'O');
    EXPECT_EQ(a, L"one two");
    a = static_cast<const wchar_t*>(nullptr);
    EXPECT_TRUE(a.IsEmpty());
}

TEST(UiString, AppendingAndAssigningFromItself) {
    CUiString s(L"abc");
    s += s;
    EXPECT_EQ(s, L"abcabc");
    s.Append(s.GetData() + 3);
    EXPECT_EQ(s, L"abcabcabc");
    s = s.GetData() + 6;
    EXPECT_EQ(s, L"abc");
    s = s.GetData();
    EXPECT_EQ(s, L"abc");
    s.Assign(s.GetData() + 1, 1);
    EXPECT_EQ(s, L"b");
    EXPECT_EQ(L"<" + CUiString(L"x") + L">", L"<x>");
}

TEST(UiString, PiecesClampTheirPositions) {
    const CUiString s(L"Torvane");
    EXPECT_EQ(s.Left(3), L"Tor");
    EXPECT_EQ(s.Left(99), L"Torvane");
    EXPECT_EQ(s.Left(-2), L"");
    EXPECT_EQ(s.Mid(3), L"vane");
    EXPECT_EQ(s.Mid(3, 2), L"va");
    EXPECT_EQ(s.Mid(-5, 3), L"Tor");
    EXPECT_EQ(s.Mid(7), L"");
    EXPECT_EQ(s.Mid(70, 2), L"");
    EXPECT_EQ(s.Right(4), L"vane");
    EXPECT_EQ(s.Right(40), L"Torvane");
    EXPECT_EQ(s.Right(-1), L"");
}

TEST(UiString, FindAndReplace) {
    CUiString s(L"a-b-c");
    EXPECT_EQ(s.Find(L'-'), 1);
    EXPECT_EQ(s.Find(L'-', 2), 3);
    EXPECT_EQ(s.Find(L'-', 4), -1);
    EXPECT_EQ(s.Find(L'-', 99), -1);
    EXPECT_EQ(s.Find(L"b-"), 2);
    EXPECT_EQ(s.Find(L"zz"), -1);
    EXPECT_EQ(s.Find(static_cast<const wchar_t*>(nullptr)), -1);
    EXPECT_EQ(s.ReverseFind(L'-'), 3);
    EXPECT_EQ(s.ReverseFind(L'x'), -1);

    EXPECT_EQ(s.Replace(L"-", L"--"), 2);  // the replacement holds the pattern
    EXPECT_EQ(s, L"a--b--c");
    EXPECT_EQ(s.Replace(L"--", nullptr), 2);
    EXPECT_EQ(s, L"abc");
    EXPECT_EQ(s.Replace(L"", L"x"), 0);
    EXPECT_EQ(s.Replace(L"q", L"x"), 0);
    CUiString t(L"aaaa");
    EXPECT_EQ(t.Replace(L"aa", L"b"), 2);
    EXPECT_EQ(t, L"bb");
}

TEST(UiString, ComparisonWithAndWithoutCase) {
    const CUiString s(L"Window");
    EXPECT_EQ(s.Compare(L"Window"), 0);
    EXPECT_NE(s.Compare(L"window"), 0);
    EXPECT_EQ(s.CompareNoCase(L"WINDOW"), 0);
    EXPECT_LT(s.CompareNoCase(L"windows"), 0);
    EXPECT_GT(s.Compare(nullptr), 0);
    EXPECT_TRUE(s < L"Wz");
    EXPECT_TRUE(s != L"Win");
    EXPECT_EQ(CUiString(L"\x00C4" L"bc").CompareNoCase(L"\x00E4" L"BC"), 0);  // beyond ASCII too

    CUiString up(L"Mixed Case \x00E4");
    up.MakeUpper();
    EXPECT_EQ(up, L"MIXED CASE \x00C4");
    up.MakeLower();
    EXPECT_EQ(up, L"mixed case \x00E4");
}

TEST(UiString, FormatTakesWideStringsAndAnyLength) {
    CUiString s;
    EXPECT_EQ(s.Format(L"%s=%d%%, %c", L"percent", 42, L'!'), 14);
    EXPECT_EQ(s, L"percent=42%, !");
    EXPECT_EQ(s.Format(L"%s", L"\x6258\x5C14\x6587"), 3);  // 托尔文
    EXPECT_EQ(s, L"\x6258\x5C14\x6587");

    const std::wstring longText(5000, L'z');
    s.Format(L"[%s]", longText.c_str());
    EXPECT_EQ(s.GetLength(), 5002);
    EXPECT_EQ(s.str(), L"[" + longText + L"]");

    EXPECT_EQ(s.Format(L""), 0);
    EXPECT_TRUE(s.IsEmpty());
    s = L"keep";
    EXPECT_EQ(s.Format(nullptr), 0);
    EXPECT_TRUE(s.IsEmpty());
}

TEST(UiString, FormatMayReadItsOwnText) {
    CUiString s(L"installing");
    s.Format(L"%s... %d%%", s.GetData(), 40);
    EXPECT_EQ(s, L"installing... 40%");
    s.Format(L"%s|%s", s.GetData(), static_cast<const wchar_t*>(s));
    EXPECT_EQ(s, L"installing... 40%|installing... 40%");
}

}  // namespace
