// The skin builder, the control factory and the resource index, on skins given
// as markup text or files, with a real window's paint manager where the root's
// window settings matter.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/ui/test_files.h"
#include "tests/ui/ui_test_support.h"
#include "ui/base/container.h"
#include "ui/base/paint_manager.h"
#include "ui/base/resource_manager.h"
#include "ui/builder/control_factory.h"
#include "ui/builder/dialog_builder.h"
#include "ui/controls/layouts.h"

using namespace Ulmar;

namespace {

// Records, when its own attributes arrive, how many children it already has.
class RecordingBox : public CVerticalLayoutUI {
public:
    void SetAttribute(const wchar_t* name, const wchar_t* value) override {
        childrenAtAttributes = GetCount();
        CVerticalLayoutUI::SetAttribute(name, value);
    }
    int childrenAtAttributes = -1;
};

class Callback : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(const wchar_t* className) override {
        asked.push_back(className);
        if (std::wstring(className) == L"Recording") return new RecordingBox();
        return nullptr;
    }
    std::vector<std::wstring> asked;
};

// Owns what a builder returns.
struct Built {
    explicit Built(CControlUI* c) : control(c) {}
    ~Built() { delete control; }
    CControlUI* operator->() const { return control; }
    CContainerUI* box() const { return static_cast<CContainerUI*>(control->GetInterface(L"Container")); }
    CControlUI* control;
};

}  // namespace

TEST(ControlFactory, KnowsOnlyBuiltClassesAndTheShortNamesIgnoringCase) {
    CControlFactory* factory = CControlFactory::GetInstance();
    for (const wchar_t* name : {L"CVerticalLayoutUI", L"cvboxui", L"CVBOXUI"}) {
        Built built(factory->CreateControl(name));
        ASSERT_NE(nullptr, built.control) << name;
        EXPECT_STREQ(L"VerticalLayoutUI", built->GetClassName());
    }
    Built hbox(factory->CreateControl(L"CHBoxUI"));
    ASSERT_NE(nullptr, hbox.control);
    EXPECT_STREQ(L"HorizontalLayoutUI", hbox->GetClassName());
    Built tab(factory->CreateControl(L"CTabBoxUI"));
    ASSERT_NE(nullptr, tab.control);
    EXPECT_STREQ(L"TabLayoutUI", tab->GetClassName());
    EXPECT_EQ(nullptr, factory->CreateControl(L"CTreeViewUI"));
    EXPECT_EQ(nullptr, factory->CreateControl(L"CTileBoxUI"));
    EXPECT_EQ(nullptr, factory->CreateControl(nullptr));

    // Registration does not replace an existing entry.
    factory->RegistControl(L"CContainerUI", [] { return static_cast<CControlUI*>(new CVerticalLayoutUI()); });
    Built box(factory->CreateControl(L"CContainerUI"));
    EXPECT_STREQ(L"ContainerUI", box->GetClassName());
}

TEST(DialogBuilder, BuildsTheTreeWithChildrenBeforeTheParentsAttributes) {
    Callback callback;
    CDialogBuilder builder;
    Built root(builder.Create(
        L"<Window><Recording name=\"rec\" inset=\"1,1,1,1\"><Control name=\"a\"/><HBox name=\"h\">"
        L"<Control/></HBox></Recording></Window>",
        nullptr, &callback));
    ASSERT_NE(nullptr, root.control);
    auto* rec = dynamic_cast<RecordingBox*>(root.control);
    ASSERT_NE(nullptr, rec);
    EXPECT_EQ(2, rec->childrenAtAttributes);
    EXPECT_STREQ(L"rec", rec->GetName().GetData());
    EXPECT_STREQ(L"a", rec->GetItemAt(0)->GetName().GetData());
    EXPECT_STREQ(L"HorizontalLayoutUI", rec->GetItemAt(1)->GetClassName());
    // The callback is asked with the element name as written, only for unknown classes.
    EXPECT_EQ(std::vector<std::wstring>{L"Recording"}, callback.asked);
}

TEST(DialogBuilder, ShortNamesInAnyCaseAndUnknownSubtreesDropped) {
    CDialogBuilder builder;
    Built root(builder.Create(
        L"<Window><VerticalLayout><hbox name=\"lower\"/><HBOX name=\"upper\"/>"
        L"<Gadget><Control name=\"inside\"/></Gadget><TreeView/><Control name=\"after\"/>"
        L"</VerticalLayout></Window>"));
    ASSERT_NE(nullptr, root.control);
    CContainerUI* box = root.box();
    ASSERT_EQ(3, box->GetCount());
    EXPECT_STREQ(L"HorizontalLayoutUI", box->GetItemAt(0)->GetClassName());
    EXPECT_STREQ(L"HorizontalLayoutUI", box->GetItemAt(1)->GetClassName());
    EXPECT_STREQ(L"after", box->GetItemAt(2)->GetName().GetData());
}

TEST(DialogBuilder, MalformedOrEmptySkinGivesNullWithTheParserMessage) {
    CDialogBuilder broken;
    EXPECT_EQ(nullptr, broken.Create(L"<Window><Control></Window>"));
    EXPECT_STRNE(L"", broken.GetLastErrorMessage());
    CDialogBuilder missing;
    EXPECT_EQ(nullptr, missing.Create(L"no_such_skin_file.xml"));
    EXPECT_STRNE(L"", missing.GetLastErrorMessage());
    CDialogBuilder empty;
    EXPECT_EQ(nullptr, empty.Create(L"<Window><Font id=\"1\"/></Window>"));
}

TEST(DialogBuilder, ResourcesAndWindowAttributesGoToThePaintManager) {
    uitest::TestWindow window(300, 200);
    CPaintManagerUI& pm = window.pm();
    CDialogBuilder builder;
    Built root(builder.Create(
        L"<window size=\"321,123\" caption=\"0,0,0,40\" sizebox=\"1,2,3,4\" roundcorner=\"5,6\" mininfo=\"7,8\" "
        L"maxinfo=\"900,800\" Layered=\"true\" shadowsize=\"9\">"
        L"<Font id=\"3\" name=\"Arial\" size=\"10\"/><Font id=\"3\" name=\"Tahoma\" size=\"14\"/>"
        L"<Font id=\"-1\" name=\"Courier New\"/>"
        L"<Default name=\"Control\" value=\"width=&quot;10&quot; height=&quot;11&quot;\"/>"
        L"<Default name=\"Control\" value=\"width=&quot;20&quot; height=&quot;21&quot;\"/>"
        L"<Style name=\"s\" value=\"first\"/><Style name=\"s\" value=\"second\"/>"
        L"<VerticalLayout><Control name=\"d\"/><Control name=\"own\" width=\"33\"/></VerticalLayout></window>",
        nullptr, nullptr, &pm));
    ASSERT_NE(nullptr, root.control);

    const SIZE init = pm.GetInitSize();
    EXPECT_EQ(321, init.cx);
    EXPECT_EQ(123, init.cy);
    RECT client;
    ::GetClientRect(window.hwnd(), &client);
    EXPECT_EQ(321, client.right);  // resized at once: no tree attached yet
    const RECT caption = pm.GetCaptionRect();
    EXPECT_EQ(40, caption.bottom);
    const RECT box = pm.GetSizeBox();
    EXPECT_EQ(1, box.left);
    EXPECT_EQ(4, box.bottom);
    EXPECT_EQ(5, pm.GetRoundCorner().cx);
    EXPECT_EQ(8, pm.GetMinInfo().cy);
    EXPECT_EQ(900, pm.GetMaxInfo().cx);
    EXPECT_FALSE(pm.IsLayered());  // "layered" is matched case-sensitively
    EXPECT_STREQ(L"9", pm.GetWindowCustomAttribute(L"shadowsize"));

    const TFontInfo* font = pm.GetFontInfo(3);
    ASSERT_NE(nullptr, font);
    EXPECT_STREQ(L"Tahoma", font->faceName.GetData());  // the later font of one id wins
    EXPECT_STREQ(L"first", pm.GetStyle(L"s"));  // the earlier style stays

    CContainerUI* column = root.box();
    ASSERT_EQ(2, column->GetCount());
    EXPECT_EQ(20, column->GetItemAt(0)->GetFixedWidth());  // the later default wins
    EXPECT_EQ(21, column->GetItemAt(0)->GetFixedHeight());
    EXPECT_EQ(33, column->GetItemAt(1)->GetFixedWidth());  // own attribute beats the default
    EXPECT_EQ(21, column->GetItemAt(1)->GetFixedHeight());
    // Built controls are detached again; the paint manager attaches the tree later.
    EXPECT_EQ(nullptr, column->GetItemAt(0)->GetManager());
}

TEST(DialogBuilder, IncludeBuildsTheIncludedSkinCountTimes) {
    uitest::TempDir dir;
    ASSERT_TRUE(uitest::WriteBytes(dir / L"part.xml", std::string("<Window><Control name=\"p\"/></Window>")));
    ASSERT_TRUE(uitest::WriteBytes(
        dir / L"fonts.xml",
        std::string("<Window><Font id=\"7\" name=\"Tahoma\" size=\"9\"/><Default name=\"Control\" "
                    "value=\"height=&quot;17&quot;\"/></Window>")));
    CPaintManagerUI::SetResourcePath(dir.path().c_str());
    uitest::TestWindow window(100, 100);
    CDialogBuilder builder;
    Built root(builder.Create(
        L"<Window><Include source=\"fonts.xml\"/><VerticalLayout><Include source=\"part.xml\" count=\"3\"/>"
        L"<Include source=\"part.xml\" count=\"0\"/><Include source=\"part.xml\" count=\"-2\"/>"
        L"<Include/><Include count=\"2\"/><Control name=\"end\"/></VerticalLayout></Window>",
        nullptr, nullptr, &window.pm()));
    CPaintManagerUI::SetResourcePath(L"");
    ASSERT_NE(nullptr, root.control);
    CContainerUI* column = root.box();
    ASSERT_EQ(4, column->GetCount());
    for (int i = 0; i < 3; ++i) EXPECT_STREQ(L"p", column->GetItemAt(i)->GetName().GetData());
    EXPECT_STREQ(L"end", column->GetItemAt(3)->GetName().GetData());
    // The included font-only skin registered its font and default list.
    EXPECT_NE(nullptr, window.pm().GetFontInfo(7));
    EXPECT_EQ(17, column->GetItemAt(3)->GetFixedHeight());
}

TEST(DialogBuilder, IncludeCyclesAreRefusedWithAnError) {
    uitest::TempDir dir;
    ASSERT_TRUE(uitest::WriteBytes(dir / L"self.xml",
                                   std::string("<Window><Control name=\"s\"/><Include source=\"self.xml\"/></Window>")));
    ASSERT_TRUE(uitest::WriteBytes(dir / L"a.xml",
                                   std::string("<Window><VerticalLayout><Include source=\"b.xml\"/></VerticalLayout>"
                                               "</Window>")));
    // Back to the first file, its name in other letter case.
    ASSERT_TRUE(uitest::WriteBytes(dir / L"b.xml", std::string("<Window><Include source=\"A.XML\"/></Window>")));
    ASSERT_TRUE(uitest::WriteBytes(dir / L"twice.xml",
                                   std::string("<Window><VerticalLayout><Include source=\"leaf.xml\"/>"
                                               "<Include source=\"leaf.xml\" count=\"2\"/></VerticalLayout></Window>")));
    ASSERT_TRUE(uitest::WriteBytes(dir / L"leaf.xml", std::string("<Window><Control name=\"l\"/></Window>")));
    CPaintManagerUI::SetResourcePath(dir.path().c_str());
    struct { const wchar_t* skin; const wchar_t* location; } cycles[] = {{L"self.xml", L"self.xml"},
                                                                         {L"a.xml", L"A.XML"}};
    for (const auto& cycle : cycles) {
        CDialogBuilder builder;
        EXPECT_EQ(nullptr, builder.Create(cycle.skin)) << cycle.skin;
        EXPECT_EQ(std::wstring(L"Include cycle: ") + cycle.location, builder.GetLastErrorMessage());
        EXPECT_STREQ(cycle.location, builder.GetLastErrorLocation());
    }
    // The same file beside itself, not inside itself, is no cycle.
    CDialogBuilder builder;
    Built twice(builder.Create(L"twice.xml"));
    CPaintManagerUI::SetResourcePath(L"");
    ASSERT_NE(nullptr, twice.control);
    EXPECT_EQ(3, twice.box()->GetCount());
    EXPECT_STREQ(L"", builder.GetLastErrorMessage());
}

TEST(DialogBuilder, IncludesNestOnlyToTheBound) {
    uitest::TempDir dir;
    // n0.xml includes n1.xml ... up to n<last>.xml, which holds a control.
    auto writeChain = [&dir](int last) {
        for (int i = 0; i < last; ++i) {
            const std::string next = "n" + std::to_string(i + 1) + ".xml";
            ASSERT_TRUE(uitest::WriteBytes(dir / (L"n" + std::to_wstring(i) + L".xml").c_str(),
                                           "<Window><Include source=\"" + next + "\"/></Window>"));
        }
        ASSERT_TRUE(uitest::WriteBytes(dir / (L"n" + std::to_wstring(last) + L".xml").c_str(),
                                       std::string("<Window><Control name=\"deep\"/></Window>")));
    };
    CPaintManagerUI::SetResourcePath(dir.path().c_str());
    writeChain(CDialogBuilder::kMaxIncludeDepth);
    {
        CDialogBuilder builder;
        CVerticalLayoutUI parent;
        builder.Create(L"n0.xml", nullptr, nullptr, nullptr, &parent);
        EXPECT_STREQ(L"", builder.GetLastErrorMessage());
        ASSERT_EQ(1, parent.GetCount());
        EXPECT_STREQ(L"deep", parent.GetItemAt(0)->GetName().GetData());
    }
    writeChain(CDialogBuilder::kMaxIncludeDepth + 1);
    CDialogBuilder builder;
    CVerticalLayoutUI parent;
    EXPECT_EQ(nullptr, builder.Create(L"n0.xml", nullptr, nullptr, nullptr, &parent));
    CPaintManagerUI::SetResourcePath(L"");
    EXPECT_EQ(std::wstring(L"Include nested too deeply: n17.xml"), builder.GetLastErrorMessage());
    EXPECT_EQ(0, parent.GetCount());
}

TEST(ResourceManager, IndexMapsIdsToPathsFirstEntryWinning) {
    CResourceManager& index = CResourceManager::GetInstance();
    index.ResetResourceMap();
    ASSERT_TRUE(index.LoadResource(
        L"<Res><Image id=\"logo\" path=\"img/logo.png\"/><Group><Xml id=\"main\" path=\"main.xml\"/>"
        L"<Image id=\"bk\" path=\"bk.png\"/></Group><Xml id=\"main\" path=\"other.xml\"/>"
        L"<Xml id=\"nopath\"/></Res>"));
    EXPECT_STREQ(L"img/logo.png", index.GetImagePath(L"logo"));
    EXPECT_STREQ(L"bk.png", index.GetImagePath(L"bk"));
    EXPECT_STREQ(L"main.xml", index.GetXmlPath(L"main"));
    EXPECT_EQ(nullptr, index.GetXmlPath(L"nopath"));
    EXPECT_EQ(nullptr, index.GetImagePath(L"main"));
    EXPECT_FALSE(index.LoadResource(L"missing_index.xml"));

    // The builder looks skin names up in the index first.
    uitest::TempDir dir;
    ASSERT_TRUE(uitest::WriteBytes(dir / L"main.xml", std::string("<Window><Control name=\"mapped\"/></Window>")));
    CPaintManagerUI::SetResourcePath(dir.path().c_str());
    CDialogBuilder builder;
    Built root(builder.Create(L"main"));
    CPaintManagerUI::SetResourcePath(L"");
    index.ResetResourceMap();
    ASSERT_NE(nullptr, root.control);
    EXPECT_STREQ(L"mapped", root->GetName().GetData());
}
