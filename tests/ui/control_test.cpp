// The control base: its attribute table and attribute lists, metrics under
// DPI scaling, invalidation, events, and its painting layers checked by pixels.
#include <gtest/gtest.h>

#include "tests/ui/ui_test_support.h"
#include "ui/base/control.h"
#include "ui/base/dpi.h"
#include "ui/base/paint_manager.h"
#include "ui/base/resource_manager.h"

using namespace Ulmar;
using uitest::ProbeControl;
using uitest::TestContainer;
using uitest::TestWindow;

namespace {

// A tree in a real window: root 200x100 white, one child placed by `pos`.
struct Scene {
    TestWindow window{200, 100};
    TestContainer* root = new TestContainer();
    CControlUI* child = new CControlUI();

    explicit Scene(const wchar_t* attributes) {
        root->SetBkColor(0xFFFFFFFF);
        child->ApplyAttributeList(attributes);
        root->Add(child);
        window.pm().AttachDialog(root);
        uitest::Flush(window.hwnd());
    }
    DWORD Pixel(int x, int y) { return uitest::OffscreenPixel(window.pm(), x, y) & 0x00FFFFFF; }
};

}  // namespace

// ---- attribute values ----

TEST(ControlAttributes, PosGivesOffsetAndSizeAndNegativeNumbersTakeTheOtherEdge) {
    CControlUI c;
    c.SetAttribute(L"pos", L"10,20,110,50");
    EXPECT_EQ(10, c.GetFixedXY().cx);
    EXPECT_EQ(20, c.GetFixedXY().cy);
    EXPECT_EQ(100, c.GetFixedWidth());
    EXPECT_EQ(30, c.GetFixedHeight());
    c.SetAttribute(L"pos", L"-1,-1,40,20");
    EXPECT_EQ(40, c.GetFixedXY().cx);
    EXPECT_EQ(20, c.GetFixedXY().cy);
    EXPECT_EQ(41, c.GetFixedWidth());
    EXPECT_EQ(21, c.GetFixedHeight());
}

TEST(ControlAttributes, ColoursReadWithOrWithoutHashAndSixDigitsHaveNoAlpha) {
    CControlUI c;
    c.SetAttribute(L"bkcolor", L"#FF102030");
    EXPECT_EQ(0xFF102030u, c.GetBkColor());
    c.SetAttribute(L"bkcolor", L"FF405060");
    EXPECT_EQ(0xFF405060u, c.GetBkColor());
    c.SetAttribute(L"bkcolor1", L"  #FFFFFF");
    EXPECT_EQ(0x00FFFFFFu, c.GetBkColor()) << "leading blanks skipped; six digits leave alpha 0";
    c.SetAttribute(L"bordercolor", L" #FF000001");
    EXPECT_EQ(0u, c.GetBorderColor()) << "border colours skip no blanks";
    c.SetAttribute(L"focusbordercolor", L"#FF000002");
    EXPECT_EQ(0xFF000002u, c.GetFocusBorderColor());
    c.SetAttribute(L"bkcolor3", L"#zz");
    EXPECT_EQ(0u, c.GetBkColor3());
}

TEST(ControlAttributes, BorderSizeBothFormsAndPerSideNames) {
    CControlUI c;
    c.SetAttribute(L"bordersize", L"1,2,3,4");
    RECT sides = c.GetBorderSizes();
    EXPECT_EQ(1, sides.left);
    EXPECT_EQ(4, sides.bottom);
    EXPECT_EQ(0, c.GetBorderSize()) << "the list form leaves the uniform size";
    c.SetAttribute(L"bordersize", L"2");
    sides = c.GetBorderSizes();
    EXPECT_EQ(2, c.GetBorderSize());
    EXPECT_EQ(0, sides.left + sides.top + sides.right + sides.bottom) << "a single number clears the sides";
    c.SetAttribute(L"rightbordersize", L"5");
    EXPECT_EQ(5, c.GetBorderSizes().right);
}

TEST(ControlAttributes, FloatReadsFourDecimalsAndAlignWords) {
    CControlUI c;
    c.SetAttribute(L"float", L"0.25,0.5,0.75,1.0");
    EXPECT_TRUE(c.IsFloat());
    const TPercentInfo p = c.GetFloatPercent();
    EXPECT_DOUBLE_EQ(0.25, p.left);
    EXPECT_DOUBLE_EQ(0.5, p.top);
    EXPECT_DOUBLE_EQ(0.75, p.right);
    EXPECT_DOUBLE_EQ(1.0, p.bottom);
    c.SetAttribute(L"float", L"false");
    EXPECT_FALSE(c.IsFloat());

    c.SetAttribute(L"floatalign", L"right,bottom");
    EXPECT_EQ(static_cast<UINT>(DT_RIGHT | DT_BOTTOM), c.GetFloatAlign());
    c.SetAttribute(L"floatalign", L"center vcenter");
    EXPECT_EQ(static_cast<UINT>(DT_CENTER | DT_VCENTER), c.GetFloatAlign()) << "words switch their pair";
    c.SetAttribute(L"floatalign", L"left, bogus");
    EXPECT_EQ(static_cast<UINT>(DT_VCENTER), c.GetFloatAlign()) << "unknown words are ignored";
    c.SetAttribute(L"floatalign", L"null");
    EXPECT_EQ(0u, c.GetFloatAlign());
}

TEST(ControlAttributes, UnknownNamesBecomeCustomAttributesFirstValueWins) {
    CControlUI c;
    c.SetAttribute(L"shadowoutset", L"4");
    c.SetAttribute(L"shadowoutset", L"9");
    c.SetAttribute(L"empty", L"");
    ASSERT_NE(nullptr, c.GetCustomAttribute(L"shadowoutset"));
    EXPECT_STREQ(L"4", c.GetCustomAttribute(L"shadowoutset"));
    EXPECT_EQ(nullptr, c.GetCustomAttribute(L"empty"));
    c.SetAttribute(L"style", L"nosuchstyle");
    EXPECT_STREQ(L"nosuchstyle", c.GetCustomAttribute(L"style")) << "an unknown style ends as custom";
    c.RemoveAllCustomAttribute();
    EXPECT_EQ(nullptr, c.GetCustomAttribute(L"shadowoutset"));
}

TEST(ControlAttributes, FlagsTextsCursorAndShortcut) {
    CControlUI c;
    c.ApplyAttributeList(L"visible=\"FALSE\" enabled=\"TRUE\" mouse=\"no\" menu=\"true\" cursor=\"hand\" "
                         L"shortcut=\"Kx\" text=\"a{\\n}b\" tooltip=\"x<n>y\" name=\"n1\"");
    EXPECT_FALSE(c.IsVisible());
    EXPECT_TRUE(c.IsEnabled());
    EXPECT_FALSE(c.IsMouseEnabled()) << "only \"true\" is true";
    EXPECT_TRUE(c.IsContextMenuUsed());
    EXPECT_EQ(32649, c.GetCursor());
    EXPECT_EQ(L'K', c.GetShortcut());
    EXPECT_EQ(CUiString(L"a\nb"), c.GetText());
    EXPECT_EQ(CUiString(L"x\r\ny"), c.GetToolTip());
    EXPECT_EQ(CUiString(L"n1"), c.GetName());
    c.SetAttribute(L"cursor", L"pointer");
    EXPECT_EQ(32649, c.GetCursor()) << "an unknown cursor word changes nothing";
}

TEST(ControlAttributes, NegativeSizesAreIgnored) {
    CControlUI c;
    c.SetAttribute(L"width", L"40");
    c.SetAttribute(L"width", L"-5");
    c.SetAttribute(L"maxheight", L"-1");
    EXPECT_EQ(40, c.GetFixedWidth());
    EXPECT_EQ(9999, c.GetMaxHeight());
}

// ---- attribute lists ----

TEST(ControlAttributeList, CommaAndSpaceSeparateSemicolonEndsMissingQuoteKeepsEarlierPairs) {
    CControlUI c;
    c.ApplyAttributeList(L"width=\"10\",height=\"20\" minwidth=\"5\"");
    EXPECT_EQ(10, c.GetFixedWidth());
    EXPECT_EQ(20, c.GetFixedHeight());
    EXPECT_EQ(5, c.GetMinWidth());

    CControlUI d;
    d.ApplyAttributeList(L"width=\"10\";height=\"20\"");
    EXPECT_EQ(10, d.GetFixedWidth());
    EXPECT_EQ(0, d.GetFixedHeight()) << "a semicolon ends the list";

    CControlUI e;
    e.ApplyAttributeList(L"width=\"10\" height=\"20");
    EXPECT_EQ(10, e.GetFixedWidth());
    EXPECT_EQ(0, e.GetFixedHeight()) << "a missing closing quote ends parsing";

    CControlUI f;
    f.ApplyAttributeList(L"width=10 height=\"20\"");
    EXPECT_EQ(0, f.GetFixedWidth()) << "a value must be quoted";
    EXPECT_EQ(0, f.GetFixedHeight());
}

TEST(ControlAttributeList, QuotEntitiesAndLineBreaksAreReadAsQuotesAndSpaces) {
    CControlUI c;
    c.ApplyAttributeList(L"width=&quot;7&quot;\r\n\theight=\"3\"");
    EXPECT_EQ(7, c.GetFixedWidth());
    EXPECT_EQ(3, c.GetFixedHeight());
}

TEST(ControlAttributeList, StylesApplyByNameAndACycleDoesNotRecurseForever) {
    TestWindow w(100, 100);
    CPaintManagerUI& pm = w.pm();
    pm.AddStyle(L"red", L"bkcolor=\"#FFFF0000\" width=\"12\"");
    pm.AddStyle(L"loop", L"loop");
    pm.AddStyle(L"a", L"style=\"b\" height=\"3\"");
    pm.AddStyle(L"b", L"style=\"a\"");
    CControlUI c;
    c.SetManager(&pm, nullptr, false);
    c.ApplyAttributeList(L"red");
    EXPECT_EQ(0xFFFF0000u, c.GetBkColor());
    EXPECT_EQ(12, c.GetFixedWidth());
    c.SetAttribute(L"style", L"red");
    c.ApplyAttributeList(L"loop");
    c.SetAttribute(L"style", L"a");
    EXPECT_EQ(3, c.GetFixedHeight());
    c.SetManager(nullptr, nullptr, false);
}

// ---- DPI ----

TEST(ControlDpi, ScaledMetricsNeverVanishAndRawWithoutManager) {
    EXPECT_EQ(1, CDPI::ScaleValue(1, 40));
    EXPECT_EQ(-1, CDPI::ScaleValue(-1, 40));
    EXPECT_EQ(0, CDPI::ScaleValue(0, 150));
    EXPECT_EQ(15, CDPI::ScaleValue(10, 150));

    TestWindow w(100, 100);
    CControlUI c;
    c.ApplyAttributeList(L"width=\"10\" padding=\"1,2,3,4\" bordersize=\"1\" borderround=\"4,6\"");
    EXPECT_EQ(10, c.GetFixedWidth());
    c.SetManager(&w.pm(), nullptr, false);
    EXPECT_EQ(100, w.pm().GetDPIScale());
    EXPECT_EQ(10, c.GetFixedWidth());
    w.pm().GetDPIObj()->SetScale(48);  // 50 percent
    EXPECT_EQ(5, c.GetFixedWidth());
    EXPECT_EQ(1, c.GetPadding().left) << "1 at 50 percent stays 1";
    EXPECT_EQ(1, c.GetBorderSize());
    EXPECT_EQ(3, c.GetBorderRound().cy);
    w.pm().GetDPIObj()->SetScale(144);
    EXPECT_EQ(15, c.GetFixedWidth());
    EXPECT_EQ(450, c.GetToolTipWidth());
    w.pm().GetDPIObj()->SetScale(96);
    c.SetManager(nullptr, nullptr, false);
}

// ---- geometry, invalidation, events ----

TEST(ControlGeometry, SetPosNormalisesAndRelativePosIsFromTheParent) {
    TestContainer parent;
    CControlUI* child = new CControlUI();
    parent.Add(child);
    parent.SetPos(RECT{10, 20, 110, 120});
    child->SetPos(RECT{30, 40, 20, 30});
    EXPECT_EQ(30, child->GetPos().right) << "right below left becomes left";
    EXPECT_EQ(40, child->GetPos().bottom);
    const RECT rel = child->GetRelativePos();
    EXPECT_EQ(20, rel.left);
    EXPECT_EQ(20, rel.top);
    EXPECT_EQ(0, CControlUI().GetRelativePos().left);
}

TEST(ControlGeometry, HiddenOrDisjointAncestorStopsInvalidation) {
    Scene s(L"pos=\"10,10,40,40\" bkcolor=\"#FF0000FF\"");
    HWND hwnd = s.window.hwnd();
    RECT update;
    ::ValidateRect(hwnd, nullptr);
    s.child->Invalidate();
    ASSERT_TRUE(::GetUpdateRect(hwnd, &update, FALSE));
    EXPECT_EQ(10, update.left);
    EXPECT_EQ(40, update.bottom);

    ::ValidateRect(hwnd, nullptr);
    s.root->SetVisible(false);
    ::ValidateRect(hwnd, nullptr);
    s.child->SetInheritedVisible(true);  // itself visible, its parent not
    s.child->SetPos(RECT{50, 10, 60, 20}, true);
    EXPECT_FALSE(::GetUpdateRect(hwnd, &update, FALSE)) << "a hidden parent stops the repaint";
    s.root->SetVisible(true);
    uitest::Flush(hwnd);

    ::ValidateRect(hwnd, nullptr);
    s.child->SetPos(RECT{300, 300, 320, 320}, false);
    s.child->Invalidate();
    EXPECT_FALSE(::GetUpdateRect(hwnd, &update, FALSE)) << "outside the parent nothing is invalidated";
}

TEST(ControlEvents, BaseHandlesFocusTimerMenuAndPassesTheRestToItsParent) {
    TestWindow w(100, 100);
    auto* parent = new ProbeControl();
    CControlUI child;
    child.SetManager(&w.pm(), parent, false);
    struct Rec : INotifyUI {
        std::vector<std::wstring> types;
        void Notify(TNotifyEvent& msg) override { types.push_back(msg.type.str()); }
    } rec;
    w.pm().AddNotifier(&rec);

    TControlEvent e;
    e.type = UIEVENT_SETFOCUS;
    child.DispatchEvent(e);
    EXPECT_TRUE(child.IsFocused());
    e.type = UIEVENT_KILLFOCUS;
    child.DispatchEvent(e);
    EXPECT_FALSE(child.IsFocused());
    e.type = UIEVENT_TIMER;
    child.DispatchEvent(e);
    e.type = UIEVENT_CONTEXTMENU;
    child.DispatchEvent(e);  // menu not used: nothing
    child.SetContextMenuUsed(true);
    child.DispatchEvent(e);
    EXPECT_EQ((std::vector<std::wstring>{L"timer", L"menu"}), rec.types);

    e.type = UIEVENT_BUTTONDOWN;
    child.DispatchEvent(e);
    EXPECT_EQ(1, parent->Count(UIEVENT_BUTTONDOWN)) << "unhandled kinds go to the parent";

    int calls = 0;
    child.OnEvent += [&](void*) { ++calls; return false; };
    child.DispatchEvent(e);
    EXPECT_EQ(1, calls);
    EXPECT_EQ(1, parent->Count(UIEVENT_BUTTONDOWN)) << "a handler returning false stops HandleEvent";
    w.pm().RemoveNotifier(&rec);
    child.SetManager(nullptr, nullptr, false);
    delete parent;
}

TEST(ControlFind, FlagsFilterInvisibleDisabledAndMissedHits) {
    CControlUI c;
    c.SetPos(RECT{0, 0, 10, 10});
    auto self = [](CControlUI* control, void*) { return control; };
    POINT inside = {5, 5};
    POINT outside = {15, 5};
    EXPECT_EQ(&c, c.FindControl(self, &inside, UIFIND_HITTEST));
    EXPECT_EQ(nullptr, c.FindControl(self, &outside, UIFIND_HITTEST));
    c.SetMouseEnabled(false);
    EXPECT_EQ(nullptr, c.FindControl(self, &inside, UIFIND_HITTEST));
    c.SetEnabled(false);
    EXPECT_EQ(nullptr, c.FindControl(self, nullptr, UIFIND_ENABLED));
    EXPECT_EQ(&c, c.FindControl(self, nullptr, UIFIND_VISIBLE));
    c.SetVisible(false);
    EXPECT_EQ(nullptr, c.FindControl(self, nullptr, UIFIND_VISIBLE));
    EXPECT_EQ(&c, c.FindControl(self, nullptr, UIFIND_ALL));
    EXPECT_EQ(&c, c.GetInterface(L"CONTROL"));
    EXPECT_EQ(nullptr, c.GetInterface(L"Button"));
}

// ---- painting ----

TEST(ControlPaint, SingleBorderSizeDrawsAnOutlineAndAListOnlyItsSides) {
    Scene s(L"pos=\"10,10,50,50\" bordercolor=\"#FF000000\" bordersize=\"0,0,0,1\"");
    EXPECT_EQ(0u, s.Pixel(30, 49)) << "bottom line";
    EXPECT_EQ(0xFFFFFFu, s.Pixel(10, 30)) << "no left line";
    EXPECT_EQ(0xFFFFFFu, s.Pixel(30, 10)) << "no top line";

    s.child->SetAttribute(L"bordersize", L"2");
    uitest::Flush(s.window.hwnd());
    EXPECT_EQ(0u, s.Pixel(10, 30)) << "left side of the outline";
    EXPECT_EQ(0u, s.Pixel(30, 10));
    EXPECT_EQ(0xFFFFFFu, s.Pixel(30, 30)) << "the inside is not filled";
}

TEST(ControlPaint, OpaqueColourRepaintsOnlyTheDirtyPartTranslucentTheWhole) {
    Scene s(L"pos=\"10,10,90,50\" bkcolor=\"#FF00FF00\"");
    EXPECT_EQ(0x00FF00u, s.Pixel(20, 20));
    // Repaint only the left half after changing the colour: the right half keeps green.
    s.child->SetBkColor(0xFF0000FF);
    ::ValidateRect(s.window.hwnd(), nullptr);
    s.window.pm().Invalidate(RECT{10, 10, 50, 50});
    uitest::Flush(s.window.hwnd());
    EXPECT_EQ(0x0000FFu, s.Pixel(20, 20));
    EXPECT_EQ(0x00FF00u, s.Pixel(80, 20)) << "opaque fills stop at the paint rectangle";

    s.child->SetBkColor(0x800000FF);
    ::ValidateRect(s.window.hwnd(), nullptr);
    s.window.pm().Invalidate(RECT{10, 10, 50, 50});
    uitest::Flush(s.window.hwnd());
    // The translucent fill covers the whole item rectangle, also the unpainted half.
    EXPECT_NE(0x00FF00u, s.Pixel(80, 20));
}

TEST(ControlPaint, ThreeColoursMakeTwoGradientHalves) {
    Scene s(L"pos=\"0,0,20,100\" bkcolor=\"#FFFF0000\" bkcolor2=\"#FF00FF00\" bkcolor3=\"#FF0000FF\"");
    const DWORD top = s.Pixel(10, 0);
    const DWORD middle = s.Pixel(10, 50);
    const DWORD bottom = s.Pixel(10, 99);
    EXPECT_GT((top >> 16) & 0xFF, 0xC0u) << std::hex << top;
    EXPECT_GT((middle >> 8) & 0xFF, 0xC0u) << std::hex << middle;
    EXPECT_GT(bottom & 0xFF, 0xC0u) << std::hex << bottom;
}

TEST(ControlPaint, RoundBorderClipsTheCornersAndRestoresTheClip) {
    Scene s(L"pos=\"10,10,90,90\" bkcolor=\"#FF0000FF\" bordercolor=\"#FF000000\" bordersize=\"1\" "
            L"borderround=\"30,30\"");
    EXPECT_EQ(0xFFFFFFu, s.Pixel(11, 11)) << "the corner is clipped away";
    EXPECT_EQ(0x0000FFu, s.Pixel(50, 50));
    // Painting twice into a DC with a clip of its own leaves that clip as it was.
    HDC dc = ::CreateCompatibleDC(nullptr);
    HRGN own = ::CreateRectRgn(0, 0, 5, 5);
    ::SelectClipRgn(dc, own);
    s.child->Paint(dc, RECT{0, 0, 100, 100}, nullptr);
    s.child->Paint(dc, RECT{0, 0, 100, 100}, nullptr);
    HRGN after = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(1, ::GetClipRgn(dc, after));
    EXPECT_TRUE(::EqualRgn(own, after));
    ::DeleteObject(after);
    ::DeleteObject(own);
    ::DeleteDC(dc);
}

TEST(ControlPaint, PaintStopsAtTheStopControlAndSkipsDisjointRectangles) {
    CControlUI c;
    c.SetPos(RECT{0, 0, 10, 10});
    HDC dc = ::CreateCompatibleDC(nullptr);
    EXPECT_FALSE(c.Paint(dc, RECT{0, 0, 10, 10}, &c));
    EXPECT_TRUE(c.Paint(dc, RECT{20, 20, 30, 30}, nullptr));
    ::DeleteDC(dc);
}

TEST(ControlAttributes, ResourceTextReadsTheLanguageTableByKey) {
    CResourceManager::GetInstance().AddText(L"CTL_TEST_KEY", L"安装");
    CControlUI c;
    c.ApplyAttributeList(L"text=\"CTL_TEST_KEY\" tooltip=\"CTL_MISSING\"");
    EXPECT_EQ(CUiString(L"CTL_TEST_KEY"), c.GetText()) << "plain text is not looked up";
    c.SetAttribute(L"resourcetext", L"true");
    EXPECT_EQ(CUiString(L"安装"), c.GetText());
    EXPECT_EQ(CUiString(L"CTL_MISSING"), c.GetToolTip()) << "an unknown key reads as itself";
    CResourceManager::GetInstance().ResetTextMap();
}
