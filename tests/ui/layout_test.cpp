// Containers and layouts in process: the layout numbers are checked without a
// window, from the positions the layouts hand their children.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "ui/base/container.h"
#include "ui/base/control.h"
#include "ui/controls/layouts.h"
#include "ui/controls/tab_layout.h"

using namespace Ulmar;

namespace {

CControlUI* Child(CContainerUI& parent, int width, int height, RECT padding = {0, 0, 0, 0}) {
    auto* child = new CControlUI();
    if (width) child->SetFixedWidth(width);
    if (height) child->SetFixedHeight(height);
    child->SetPadding(padding);
    EXPECT_TRUE(parent.Add(child));
    return child;
}

::testing::AssertionResult At(const CControlUI* control, LONG l, LONG t, LONG r, LONG b) {
    const RECT& rc = control->GetPos();
    if (rc.left == l && rc.top == t && rc.right == r && rc.bottom == b) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "at " << rc.left << "," << rc.top << "," << rc.right << ","
                                         << rc.bottom << " instead of " << l << "," << t << "," << r << "," << b;
}

}  // namespace

TEST(VerticalLayout, FixedChildrenThenTheRestForTheStretchableOne) {
    CVerticalLayoutUI column;
    CControlUI* a = Child(column, 0, 66);
    CControlUI* b = Child(column, 0, 54);
    CControlUI* c = Child(column, 0, 0);
    column.SetPos(RECT{0, 0, 200, 170});
    EXPECT_TRUE(At(a, 0, 0, 200, 66));
    EXPECT_TRUE(At(b, 0, 66, 200, 120));
    EXPECT_TRUE(At(c, 0, 120, 200, 170));
}

TEST(VerticalLayout, LastStretchableChildTakesTheRemainder) {
    CVerticalLayoutUI column;
    CControlUI* a = Child(column, 0, 0);
    CControlUI* b = Child(column, 0, 0);
    column.SetPos(RECT{10, 20, 110, 121});
    EXPECT_EQ(50, a->GetHeight());
    EXPECT_EQ(51, b->GetHeight());
    EXPECT_EQ(70, b->GetY());
}

TEST(VerticalLayout, MaxHeightClampsAStretchableChild) {
    {
        CVerticalLayoutUI column;
        CControlUI* fixed = Child(column, 0, 40);
        CControlUI* capped = Child(column, 0, 0);
        capped->SetMaxHeight(40);
        column.SetPos(RECT{0, 0, 100, 100});
        EXPECT_TRUE(At(fixed, 0, 0, 100, 40));
        EXPECT_TRUE(At(capped, 0, 40, 100, 80));  // 20 pixels stay empty
    }
    {
        CVerticalLayoutUI column;
        Child(column, 0, 40);
        CControlUI* capped = Child(column, 0, 0);
        capped->SetMaxHeight(40);
        CControlUI* last = Child(column, 0, 0);
        column.SetPos(RECT{0, 0, 100, 100});
        EXPECT_EQ(30, capped->GetHeight());
        EXPECT_TRUE(At(last, 0, 70, 100, 100));
    }
}

TEST(VerticalLayout, PaddingInsetAndChildPaddingShiftChildren) {
    CVerticalLayoutUI column;
    column.SetInset(RECT{5, 6, 7, 8});
    column.SetChildPadding(4);
    CControlUI* a = Child(column, 0, 20, RECT{3, 2, 1, 0});
    CControlUI* b = Child(column, 30, 0);
    column.SetPos(RECT{0, 0, 100, 100});
    EXPECT_TRUE(At(a, 8, 8, 92, 28));
    // 100 - 6 - 8 = 86 high client; 2 + 20 + 4 used before b.
    EXPECT_TRUE(At(b, 5, 32, 35, 92));
}

TEST(VerticalLayout, CentredChildIgnoresItsSidePadding) {
    CVerticalLayoutUI column;
    column.SetChildAlign(DT_CENTER);
    CControlUI* plain = Child(column, 40, 10);
    CControlUI* padded = Child(column, 40, 10, RECT{30, 0, 0, 0});
    column.SetPos(RECT{0, 0, 200, 100});
    EXPECT_TRUE(At(plain, 80, 0, 120, 10));
    EXPECT_EQ(80, padded->GetX());

    CVerticalLayoutUI right;
    right.SetChildAlign(DT_RIGHT);
    CControlUI* r = Child(right, 40, 10, RECT{0, 0, 5, 0});
    right.SetPos(RECT{0, 0, 200, 100});
    EXPECT_TRUE(At(r, 155, 0, 195, 10));
}

TEST(VerticalLayout, VAlignPlacesFixedChildrenOnlyWithoutStretchables) {
    CVerticalLayoutUI column;
    column.SetChildVAlign(DT_BOTTOM);
    CControlUI* a = Child(column, 0, 30);
    column.SetPos(RECT{0, 0, 50, 100});
    EXPECT_EQ(70, a->GetY());
    column.SetChildVAlign(DT_VCENTER);
    column.SetPos(RECT{0, 0, 50, 100});
    EXPECT_EQ(35, a->GetY());
    Child(column, 0, 0);
    column.SetPos(RECT{0, 0, 50, 100});
    EXPECT_EQ(0, a->GetY());
}

TEST(HorizontalLayout, RowHeightComesFromMaximumNotEstimate) {
    CHorizontalLayoutUI row;
    CControlUI* fixed = Child(row, 50, 12, RECT{0, 2, 0, 0});
    CControlUI* free = Child(row, 0, 0, RECT{4, 3, 0, 5});
    row.SetPos(RECT{0, 100, 300, 128});
    EXPECT_TRUE(At(fixed, 0, 102, 50, 114));
    EXPECT_TRUE(At(free, 54, 103, 300, 123));
}

TEST(HorizontalLayout, StretchablesShareAndAlignMovesTheRow) {
    CHorizontalLayoutUI row;
    CControlUI* a = Child(row, 0, 0);
    CControlUI* b = Child(row, 20, 0);
    CControlUI* c = Child(row, 0, 0);
    row.SetPos(RECT{0, 0, 101, 10});
    EXPECT_EQ(40, a->GetWidth());
    EXPECT_TRUE(At(b, 40, 0, 60, 10));
    EXPECT_TRUE(At(c, 60, 0, 101, 10));

    CHorizontalLayoutUI right;
    right.SetChildAlign(DT_RIGHT);
    right.SetChildPadding(10);
    CControlUI* x = Child(right, 100, 0);
    CControlUI* y = Child(right, 100, 0);
    right.SetPos(RECT{0, 0, 400, 36});
    EXPECT_TRUE(At(x, 190, 0, 290, 36));
    EXPECT_TRUE(At(y, 300, 0, 400, 36));
}

TEST(Container, FloatChildAtItsPosAndPercent) {
    CVerticalLayoutUI parent;
    Child(parent, 0, 0);
    auto* close = new CControlUI();
    close->SetAttribute(L"float", L"true");
    close->SetAttribute(L"pos", L"568,12,588,32");
    parent.Add(close);
    auto* pct = new CControlUI();
    pct->SetAttribute(L"float", L"0.5,0.5,0.5,0.5");
    pct->SetAttribute(L"pos", L"10,5,30,15");
    parent.Add(pct);
    parent.SetPos(RECT{0, 0, 600, 400});
    EXPECT_TRUE(At(close, 568, 12, 588, 32));
    ASSERT_TRUE(pct->IsFloat());
    // Percent positions are fractions of the parent plus the fixed offsets.
    EXPECT_TRUE(At(pct, 310, 205, 330, 215));

    // A float child of a plain container is placed the same way.
    CContainerUI box;
    auto* corner = new CControlUI();
    corner->SetAttribute(L"float", L"true");
    corner->SetFixedXY(SIZE{-30, -20});
    corner->SetFixedWidth(20);
    corner->SetFixedHeight(10);
    box.Add(corner);
    box.SetPos(RECT{100, 100, 300, 200});
    // A negative XY counts from the container's right and bottom edges.
    EXPECT_TRUE(At(corner, 270, 180, 290, 190));
}

TEST(Container, PlainContainerStacksChildrenOverItsClient) {
    CContainerUI box;
    box.SetInset(RECT{1, 2, 3, 4});
    CControlUI* a = Child(box, 0, 0);
    CControlUI* b = Child(box, 0, 0);
    b->SetMaxHeight(10);
    box.SetPos(RECT{0, 0, 50, 60});
    EXPECT_TRUE(At(a, 1, 2, 47, 56));
    EXPECT_TRUE(At(b, 1, 2, 47, 12));
}

TEST(Container, ItemAccessAndRemoval) {
    CContainerUI box;
    CControlUI* a = Child(box, 0, 0);
    CControlUI* b = Child(box, 0, 0);
    auto* c = new CControlUI();
    EXPECT_FALSE(box.Add(nullptr));
    EXPECT_TRUE(box.AddAt(c, 0));
    EXPECT_EQ(c, box.GetItemAt(0));
    EXPECT_EQ(nullptr, box.GetItemAt(3));
    EXPECT_EQ(nullptr, box.GetItemAt(-1));
    EXPECT_EQ(2, box.GetItemIndex(b));
    EXPECT_TRUE(box.SetItemIndex(b, 0));
    EXPECT_EQ(b, box.GetItemAt(0));
    EXPECT_EQ(2, box.GetItemIndex(a));
    EXPECT_TRUE(box.Remove(c));
    EXPECT_EQ(-1, box.GetItemIndex(c));
    EXPECT_FALSE(box.Remove(c));

    CControlUI keep;
    box.SetAutoDestroy(false);
    box.Add(&keep);
    EXPECT_TRUE(box.Remove(&keep));  // not destroyed: it lives on the stack
    box.SetAutoDestroy(true);
    EXPECT_EQ(2, box.GetCount());
}

TEST(Container, HiddenContainerHidesNewAndExistingChildren) {
    CVerticalLayoutUI box;
    CControlUI* a = Child(box, 0, 0);
    box.SetVisible(false);
    EXPECT_FALSE(a->IsVisible());
    CControlUI* b = Child(box, 0, 0);
    EXPECT_FALSE(b->IsVisible());
    box.SetVisible(true);
    EXPECT_TRUE(a->IsVisible());
    EXPECT_TRUE(b->IsVisible());
    box.SetEnabled(false);
    EXPECT_FALSE(a->IsEnabled());
}

namespace {
CControlUI* Hit(CControlUI* control, void* /*data*/) { return control; }
}  // namespace

TEST(Container, TopFirstHitTestFindsTheOnePaintedLast) {
    CContainerUI box;
    auto* under = new CControlUI();
    auto* over = new CControlUI();
    box.Add(under);
    box.Add(over);
    box.SetPos(RECT{0, 0, 100, 100});
    POINT pt = {50, 50};
    const UINT flags = UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_HITTEST | UIFIND_TOP_FIRST;
    EXPECT_EQ(over, box.FindControl(&Hit, &pt, flags));
    EXPECT_EQ(under, box.FindControl(&Hit, &pt, flags & ~UIFIND_TOP_FIRST));
    over->SetVisible(false);
    EXPECT_EQ(under, box.FindControl(&Hit, &pt, flags));
    box.SetMouseChildEnabled(false);
    EXPECT_EQ(&box, box.FindControl(&Hit, &pt, flags));
    POINT outside = {150, 50};
    EXPECT_EQ(nullptr, box.FindControl(&Hit, &outside, flags));
}

TEST(TabLayout, SelectedIdBeforePagesSelectsTheFirstVisiblePage) {
    CTabLayoutUI tabs;
    tabs.SetAttribute(L"selectedid", L"1");
    EXPECT_EQ(-1, tabs.GetCurSel());
    auto* hidden = new CControlUI();
    hidden->SetVisible(false);
    tabs.Add(hidden);
    EXPECT_EQ(-1, tabs.GetCurSel());
    auto* first = new CControlUI();
    auto* second = new CControlUI();
    tabs.Add(first);
    tabs.Add(second);
    EXPECT_EQ(1, tabs.GetCurSel());
    EXPECT_TRUE(first->IsVisible());
    EXPECT_FALSE(second->IsVisible());

    tabs.SetPos(RECT{0, 0, 300, 200});
    EXPECT_TRUE(At(first, 0, 0, 300, 200));

    EXPECT_TRUE(tabs.SelectItem(2));
    EXPECT_FALSE(first->IsVisible());
    EXPECT_TRUE(second->IsVisible());
    EXPECT_TRUE(At(second, 0, 0, 300, 200));
    EXPECT_FALSE(tabs.SelectItem(3));
    EXPECT_EQ(2, tabs.GetCurSel());
}

TEST(TabLayout, InsertingAndRemovingKeepsTheSelectedPage) {
    CTabLayoutUI tabs;
    auto* a = new CControlUI();
    auto* b = new CControlUI();
    tabs.Add(a);
    tabs.Add(b);
    ASSERT_TRUE(tabs.SelectItem(1));
    auto* front = new CControlUI();
    tabs.AddAt(front, 0);
    EXPECT_EQ(2, tabs.GetCurSel());
    EXPECT_EQ(b, tabs.GetItemAt(tabs.GetCurSel()));
    tabs.Remove(front);
    EXPECT_EQ(1, tabs.GetCurSel());
    tabs.Remove(b);  // the selected page goes: page 0 takes over
    EXPECT_EQ(0, tabs.GetCurSel());
    EXPECT_TRUE(a->IsVisible());
    tabs.RemoveAll();
    EXPECT_EQ(-1, tabs.GetCurSel());
}

// The two box layouts are one algorithm: the same children, described along the
// main and cross axis, land on mirror images of each other's rectangles.
namespace {

RECT Transpose(RECT rc) { return RECT{rc.top, rc.left, rc.bottom, rc.right}; }

struct AxisChild {
    int main;       // fixed main size, 0 = stretchable
    int minMain;
    int maxMain;    // 0 = the default
    int maxCross;   // 0 = the default
    RECT padding;   // as a column sees it
};

// Fills `box` with the children; `vertical` says which layout it is.
std::vector<CControlUI*> Fill(CContainerUI& box, bool vertical, const std::vector<AxisChild>& specs) {
    using Setter = void (CControlUI::*)(int);
    const Setter setMain = vertical ? &CControlUI::SetFixedHeight : &CControlUI::SetFixedWidth;
    const Setter setMinMain = vertical ? &CControlUI::SetMinHeight : &CControlUI::SetMinWidth;
    const Setter setMaxMain = vertical ? &CControlUI::SetMaxHeight : &CControlUI::SetMaxWidth;
    const Setter setMaxCross = vertical ? &CControlUI::SetMaxWidth : &CControlUI::SetMaxHeight;
    std::vector<CControlUI*> children;
    for (const AxisChild& spec : specs) {
        auto* child = new CControlUI();
        if (spec.main) (child->*setMain)(spec.main);
        if (spec.minMain) (child->*setMinMain)(spec.minMain);
        if (spec.maxMain) (child->*setMaxMain)(spec.maxMain);
        if (spec.maxCross) (child->*setMaxCross)(spec.maxCross);
        child->SetPadding(vertical ? spec.padding : Transpose(spec.padding));
        EXPECT_TRUE(box.Add(child));
        children.push_back(child);
    }
    return children;
}

void ExpectMirrored(const std::vector<CControlUI*>& column, const std::vector<CControlUI*>& row) {
    ASSERT_EQ(column.size(), row.size());
    for (size_t i = 0; i < column.size(); ++i) {
        const RECT rc = Transpose(column[i]->GetPos());
        EXPECT_TRUE(At(row[i], rc.left, rc.top, rc.right, rc.bottom)) << "child " << i;
    }
}

}  // namespace

TEST(BoxLayout, ColumnAndRowAreMirrorImagesOfEachOther) {
    const std::vector<AxisChild> specs = {
        {30, 0, 0, 0, RECT{4, 2, 5, 3}},  // fixed, padded on all sides
        {0, 0, 50, 0, RECT{0, 0, 0, 0}},  // stretchable, held to 50
        {0, 20, 0, 40, RECT{0, 0, 0, 0}}, // the last stretchable: takes the rest, 40 across
        {10, 0, 0, 0, RECT{0, 0, 0, 0}},
    };
    CVerticalLayoutUI column;
    column.SetInset(RECT{1, 2, 3, 4});
    column.SetChildPadding(6);
    column.SetChildAlign(DT_CENTER);
    const auto inColumn = Fill(column, true, specs);
    column.SetPos(RECT{0, 0, 100, 200});

    CHorizontalLayoutUI row;
    row.SetInset(Transpose(RECT{1, 2, 3, 4}));
    row.SetChildPadding(6);
    row.SetChildVAlign(DT_VCENTER);
    const auto inRow = Fill(row, false, specs);
    row.SetPos(RECT{0, 0, 200, 100});

    // Worked by hand: 194 pixels along, 63 fixed with gaps, 65 per stretchable.
    EXPECT_TRUE(At(inColumn[0], 6, 4, 93, 34));
    EXPECT_TRUE(At(inColumn[1], 1, 43, 97, 93));
    EXPECT_TRUE(At(inColumn[2], 29, 99, 69, 180));
    EXPECT_TRUE(At(inColumn[3], 1, 186, 97, 196));
    ExpectMirrored(inColumn, inRow);
}

TEST(BoxLayout, MainAndCrossAlignmentMirrorWithoutStretchables) {
    const std::vector<AxisChild> specs = {
        {20, 0, 0, 30, RECT{1, 2, 3, 4}},
        {15, 0, 0, 0, RECT{0, 0, 0, 0}},
    };
    CVerticalLayoutUI column;
    column.SetChildPadding(5);
    column.SetChildVAlign(DT_BOTTOM);
    column.SetChildAlign(DT_RIGHT);
    const auto inColumn = Fill(column, true, specs);
    column.SetPos(RECT{0, 0, 80, 120});

    CHorizontalLayoutUI row;
    row.SetChildPadding(5);
    row.SetChildAlign(DT_RIGHT);
    row.SetChildVAlign(DT_BOTTOM);
    const auto inRow = Fill(row, false, specs);
    row.SetPos(RECT{0, 0, 120, 80});

    // 46 fixed pixels pushed to the far end of 120; the first child 30 wide at the right.
    EXPECT_TRUE(At(inColumn[0], 47, 76, 77, 96));
    EXPECT_TRUE(At(inColumn[1], 0, 105, 80, 120));
    ExpectMirrored(inColumn, inRow);
}
