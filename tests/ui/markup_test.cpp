#include "ui/base/markup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "tests/ui/test_files.h"
#include "ui/base/resource_location.h"
#include "win/text.h"

using Ulmar::CXmlMarkup;
using Ulmar::CXmlMarkupNode;

namespace {

// The tree in one line: name(attr=value,...)[children] siblings...
std::wstring Dump(const CXmlMarkupNode& first) {
    std::wstring out;
    for (CXmlMarkupNode n = first; n.IsValid(); n = n.GetSibling()) {
        if (!out.empty()) out += L' ';
        out += n.GetName();
        if (n.HasAttributes()) {
            out += L'(';
            for (int i = 0; i < n.GetAttributeCount(); ++i) {
                if (i) out += L',';
                out += std::wstring(n.GetAttributeName(i)) + L"=" + n.GetAttributeValue(i);
            }
            out += L')';
        }
        if (n.HasChildren()) out += L"[" + Dump(n.GetChild()) + L"]";
    }
    return out;
}

std::wstring Parse(const wchar_t* xml) {
    CXmlMarkup doc;
    if (!doc.Load(xml)) return std::wstring(L"error: ") + doc.GetLastErrorMessage() + L" at: " + doc.GetLastErrorLocation();
    return Dump(doc.GetRoot());
}

std::vector<unsigned char> Utf16(const std::wstring& text, bool bigEndian) {
    std::vector<unsigned char> bytes;
    bytes.push_back(bigEndian ? 0xFE : 0xFF);
    bytes.push_back(bigEndian ? 0xFF : 0xFE);
    for (wchar_t c : text) {
        const auto hi = static_cast<unsigned char>(c >> 8), lo = static_cast<unsigned char>(c & 0xFF);
        bytes.push_back(bigEndian ? hi : lo);
        bytes.push_back(bigEndian ? lo : hi);
    }
    return bytes;
}

TEST(Markup, BuildsTheTreeInDocumentOrder) {
    CXmlMarkup doc;
    ASSERT_TRUE(doc.Load(L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                         L"<!-- main window -->\n"
                         L"<Window size=\"600,400\" caption=\"0,0,0,280\">\n"
                         L"  <Font id=\"0\" name=\"Microsoft YaHei\" size=\"12\"/>\n"
                         L"  <VerticalLayout>\n"
                         L"    <Label name=\"lab_title\" text=\"Hi\" />\n"
                         L"    <!-- <Button name=\"commented out\"/> -->\n"
                         L"    <Button name=\"btn_install_start\"></Button>\n"
                         L"  </VerticalLayout >\n"
                         L"</Window>\n"));
    EXPECT_EQ(Dump(doc.GetRoot()),
              L"Window(size=600,400,caption=0,0,0,280)[Font(id=0,name=Microsoft YaHei,size=12) "
              L"VerticalLayout[Label(name=lab_title,text=Hi) Button(name=btn_install_start)]]");

    const CXmlMarkupNode root = doc.GetRoot();
    EXPECT_FALSE(root.GetParent().IsValid());
    EXPECT_FALSE(root.HasSiblings());
    const CXmlMarkupNode layout = root.GetChild().GetSibling();
    EXPECT_STREQ(layout.GetName(), L"VerticalLayout");
    EXPECT_STREQ(layout.GetParent().GetName(), L"Window");
    const CXmlMarkupNode button = layout.GetChild().GetSibling();
    EXPECT_STREQ(button.GetName(), L"Button");
    EXPECT_FALSE(button.GetSibling().IsValid());
    EXPECT_FALSE(button.GetChild().IsValid());
    EXPECT_FALSE(button.HasChildren());
    EXPECT_STREQ(button.GetValue(), L"");
    EXPECT_STREQ(layout.GetChild().GetValue(), L"");  // empty-element tag
}

TEST(Markup, NamesAndTextContent) {
    CXmlMarkup doc;
    ASSERT_TRUE(doc.Load(L"<ns:Root_1><a>  some\ttext\r\n here  </a><b>head<c/></b></ns:Root_1>"));
    const CXmlMarkupNode root = doc.GetRoot();
    EXPECT_STREQ(root.GetName(), L"ns:Root_1");
    EXPECT_STREQ(root.GetChild().GetValue(), L"  some\ttext\r\n here  ");  // whitespace kept as is
    EXPECT_STREQ(root.GetChild().GetSibling().GetValue(), L"head");
    EXPECT_STREQ(root.GetChild().GetSibling().GetChild().GetName(), L"c");
}

TEST(Markup, DocumentsWithoutElementsHaveNoRoot) {
    for (const wchar_t* text : {L"", L"   \r\n\t ", L"<!-- only a comment -->", L" <?xml version=\"1.0\"?> <!--a--><!--b-->",
                                L"<!-- never closed"}) {
        CXmlMarkup doc;
        EXPECT_TRUE(doc.Load(text)) << text;
        EXPECT_FALSE(doc.GetRoot().IsValid()) << text;
        EXPECT_EQ(doc.GetRoot().GetName(), nullptr);
        EXPECT_EQ(doc.GetRoot().GetAttributeValue(0), nullptr);
    }
}

TEST(Markup, UnclosedRootIsAccepted) {
    EXPECT_EQ(Parse(L"<Window size=\"1,2\"><Label/><Button/>"), L"Window(size=1,2)[Label Button]");
    EXPECT_EQ(Parse(L"<Window>trailing text"), L"Window");  // the name ends at its own end
    EXPECT_EQ(Parse(L"<Window><Option selected=\"true\">text"), L"Window[Option(selected=true)]");

    CXmlMarkup doc;
    ASSERT_TRUE(doc.Load(L"<Window>trailing text"));
    EXPECT_STREQ(doc.GetRoot().GetValue(), L"trailing text");
}

TEST(Markup, ErrorsNameTheFaultAndWhereItIs) {
    struct Case {
        const wchar_t* xml;
        const wchar_t* result;
    };
    const Case cases[] = {
        {L"<a><b></c></a>", L"error: Unmatched closing tag at: c></a>"},
        {L"<a><b></bb></a>", L"error: Unmatched closing tag at: b></a>"},
        {L"<a x='1'/>", L"error: Expected attribute value at: '1'/>"},
        {L"<a x \"1\"/>", L"error: Error while parsing attributes at: \"1\"/>"},
        {L"<a x-y=\"1\"/>", L"error: Error while parsing attributes at: -y=\"1\"/>"},
        {L"<a x=\"unterminated/>", L"error: Error while parsing attribute string at: unterminated/>"},
        {L"<a/> text <b/>", L"error: Expected start tag at: text <b/>"},
        {L"<a><b/>tail</a>", L"error: Expected start tag at: tail</a>"},
        {L"<a><b><c>text", L"error: Expected end-tag start at: "},
        {L"<a><b><c/>", L"error: Expected start tag at: "},
        {L"<abc", L"error: Error parsing element name at: abc"},
        {L"<a x=\"1\"/ >", L"error: Expected start-tag closing at: / >"},
        {L"<a/></b>", L"error: Unmatched closing tag at: </b>"},
        {L"</a>", L"error: Unmatched closing tag at: </a>"},
        {L"plain text", L"error: Expected start tag at: plain text"},
    };
    for (const Case& c : cases) EXPECT_EQ(Parse(c.xml), c.result) << c.xml;

    // The location keeps at most 49 characters; the failed document is gone.
    CXmlMarkup doc;
    ASSERT_TRUE(doc.Load(L"<ok/>"));
    const std::wstring junk = L"<a/>" + std::wstring(80, L'x');
    EXPECT_FALSE(doc.Load(junk.c_str()));
    EXPECT_EQ(std::wstring(doc.GetLastErrorLocation()), std::wstring(49, L'x'));
    EXPECT_FALSE(doc.GetRoot().IsValid());
    ASSERT_TRUE(doc.Load(L"<ok/>"));
    EXPECT_STREQ(doc.GetLastErrorMessage(), L"");
}

TEST(Markup, EntitiesDecodeAndUnknownOnesStayVerbatim) {
    CXmlMarkup doc;
    ASSERT_TRUE(doc.Load(L"<a v=\"&lt;&amp;&amp;&gt;&quot;&apos;\" w=\"&nbsp;&#65;&#x41;&amp\" x=\"after\">"
                         L"x &lt; y &amp;&amp; z &copy;</a>"));
    const CXmlMarkupNode a = doc.GetRoot();
    EXPECT_STREQ(a.GetAttributeValue(L"v"), L"<&&>\"'");
    EXPECT_STREQ(a.GetAttributeValue(L"w"), L"&nbsp;&#65;&#x41;&amp");
    // Values that shrank still let the following attributes be found.
    EXPECT_STREQ(a.GetAttributeValue(L"x"), L"after");
    EXPECT_EQ(a.GetAttributeCount(), 3);
    EXPECT_STREQ(a.GetValue(), L"x < y && z &copy;");
}

TEST(Markup, AtMostSixtyFourAttributesAreExposed) {
    std::wstring xml = L"<a";
    for (int i = 0; i < 70; ++i) xml += L" k" + std::to_wstring(i) + L"=\"v" + std::to_wstring(i) + L"\"";
    xml += L"><b only=\"1\"/></a>";
    CXmlMarkup doc;
    ASSERT_TRUE(doc.Load(xml.c_str()));
    const CXmlMarkupNode a = doc.GetRoot();
    ASSERT_EQ(a.GetAttributeCount(), 64);
    EXPECT_STREQ(a.GetAttributeName(0), L"k0");
    EXPECT_STREQ(a.GetAttributeName(63), L"k63");
    EXPECT_STREQ(a.GetAttributeValue(63), L"v63");
    EXPECT_STREQ(a.GetAttributeName(64), L"");
    EXPECT_STREQ(a.GetAttributeValue(-1), L"");
    EXPECT_EQ(a.GetAttributeValue(L"k64"), nullptr);
    EXPECT_STREQ(a.GetChild().GetAttributeValue(L"only"), L"1");
}

TEST(Markup, AttributeLookupIgnoresCaseAndRespectsTheBuffer) {
    CXmlMarkup doc;
    ASSERT_TRUE(doc.Load(L"<Button name=\"btn_ok\" Text=\"\x786E\x5B9A\" NAME=\"second\" empty=\"\"/>"));
    const CXmlMarkupNode b = doc.GetRoot();
    EXPECT_STREQ(b.GetAttributeValue(L"Name"), L"btn_ok");  // the first in document order
    EXPECT_STREQ(b.GetAttributeValue(L"TEXT"), L"\x786E\x5B9A");
    EXPECT_TRUE(b.HasAttribute(L"EMPTY"));
    EXPECT_FALSE(b.HasAttribute(L"nam"));

    wchar_t buf[8];
    std::fill(std::begin(buf), std::end(buf), L'#');
    ASSERT_TRUE(b.GetAttributeValue(L"name", buf, 8));
    EXPECT_EQ(std::wstring(buf, 8), std::wstring(L"btn_ok\0\0", 8));  // NUL-padded
    std::fill(std::begin(buf), std::end(buf), L'#');
    ASSERT_TRUE(b.GetAttributeValue(L"name", buf, 4));
    EXPECT_EQ(std::wstring(buf, 5), std::wstring(L"btn\0#", 5));  // cut, terminated, nothing beyond
    ASSERT_TRUE(b.GetAttributeValue(L"empty", buf, 8));
    EXPECT_STREQ(buf, L"");
    EXPECT_FALSE(b.GetAttributeValue(L"missing", buf, 8));
    EXPECT_FALSE(b.GetAttributeValue(L"name", buf, 0));
    EXPECT_FALSE(b.GetAttributeValue(L"name", nullptr, 8));
    EXPECT_FALSE(CXmlMarkupNode().GetAttributeValue(L"name", buf, 8));
}

TEST(Markup, EncodingsGiveTheSameTree) {
    const std::wstring text = L"<Window title=\"\x6258\x5C14\x6587 &amp; co\">"
                              L"<Label text=\"\x5B89\x88C5\x00E9\" /><Edit/></Window>";
    const std::wstring expected = L"Window(title=\x6258\x5C14\x6587 & co)[Label(text=\x5B89\x88C5\x00E9) Edit]";
    const std::string utf8 = win::WideToUtf8(text);
    const std::string bom = "\xEF\xBB\xBF" + utf8;

    auto parse = [](const std::vector<unsigned char>& bytes, Ulmar::XMLFILE_ENCODING encoding) {
        CXmlMarkup doc;
        if (!doc.LoadFromMem(bytes.data(), bytes.size(), encoding)) return std::wstring(L"error");
        return Dump(doc.GetRoot());
    };
    const auto bytes = [](const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); };
    EXPECT_EQ(parse(bytes(utf8), Ulmar::XMLFILE_ENCODING_UTF8), expected);
    EXPECT_EQ(parse(bytes(bom), Ulmar::XMLFILE_ENCODING_UTF8), expected);
    EXPECT_EQ(parse(Utf16(text, false), Ulmar::XMLFILE_ENCODING_UTF16), expected);
    EXPECT_EQ(parse(Utf16(text, true), Ulmar::XMLFILE_ENCODING_UTF16), expected);
    EXPECT_EQ(parse(bytes("<a b=\"c\"/>"), Ulmar::XMLFILE_ENCODING_ANSI), L"a(b=c)");

    // Without a mark UTF-16 is read little-endian; an odd last byte is dropped.
    auto noMark = Utf16(L"<a/>", false);
    noMark.erase(noMark.begin(), noMark.begin() + 2);
    noMark.push_back('x');
    EXPECT_EQ(parse(noMark, Ulmar::XMLFILE_ENCODING_UTF16), L"a");
}

TEST(Markup, DeepNestingNeitherCrashesNorFails) {
    constexpr int kDepth = 200000;
    std::wstring xml;
    for (int i = 0; i < kDepth; ++i) xml += L"<a>";
    for (int i = 0; i < kDepth; ++i) xml += L"</a>";
    CXmlMarkup doc;
    ASSERT_TRUE(doc.Load(xml.c_str()));
    int depth = 0;
    for (CXmlMarkupNode n = doc.GetRoot(); n.IsValid(); n = n.GetChild()) ++depth;
    EXPECT_EQ(depth, kDepth);

    xml.resize(xml.size() - 4 * 3);  // three closing tags missing deep inside
    EXPECT_FALSE(doc.Load(xml.c_str()));
    EXPECT_STREQ(doc.GetLastErrorMessage(), L"Expected start tag");
}

TEST(Markup, NodesOfAReloadedDocumentSeeTheNewOne) {
    CXmlMarkup doc(L"<first a=\"1\"/>");
    EXPECT_STREQ(doc.GetRoot().GetName(), L"first");
    const std::vector<unsigned char> second{'<', 's', 'e', 'c', 'o', 'n', 'd', '/', '>'};
    ASSERT_TRUE(doc.LoadFromMem(second.data(), second.size()));
    EXPECT_STREQ(doc.GetRoot().GetName(), L"second");
    EXPECT_FALSE(doc.GetRoot().HasAttributes());
    CXmlMarkupNode stale = doc.GetRoot();
    doc.Release();
    EXPECT_FALSE(stale.IsValid());
    EXPECT_EQ(stale.GetName(), nullptr);
}

// Files come through the resource location: the folder or the skin archive.
class MarkupFile : public ::testing::Test {
protected:
    void SetUp() override {
        Ulmar::ResourceLocation::Release();
        Ulmar::ResourceLocation::SetResourcePath(dir_.path().c_str());
    }
    void TearDown() override {
        Ulmar::ResourceLocation::Release();
        Ulmar::ResourceLocation::SetResourcePath(L"");
    }
    std::wstring Load(const wchar_t* name) {
        CXmlMarkup doc;
        if (!doc.LoadFromFile(name))
            return std::wstring(L"error: ") + doc.GetLastErrorMessage() + L" at: " + doc.GetLastErrorLocation();
        return Dump(doc.GetRoot());
    }
    uitest::TempDir dir_;
};

TEST_F(MarkupFile, SizeLimitsOfAFile) {
    const size_t limit = CXmlMarkup::kMaxFileSize;
    const std::string head = "<Window size=\"1,1\">", tail = "</Window>";
    std::string body = head + std::string(limit - head.size() - tail.size(), ' ') + tail;
    ASSERT_EQ(body.size(), 4u * 1024 * 1024);
    ASSERT_TRUE(uitest::WriteBytes(dir_ / L"ok.xml", body));
    body.insert(head.size(), " ");
    ASSERT_TRUE(uitest::WriteBytes(dir_ / L"over.xml", body));
    ASSERT_TRUE(uitest::WriteBytes(dir_ / L"empty.xml", std::string()));

    EXPECT_EQ(Load(L"ok.xml"), L"Window(size=1,1)");
    EXPECT_EQ(Load(L"over.xml"), L"error: File too large at: ");
    EXPECT_EQ(Load(L"empty.xml"), L"error: File is empty at: ");
    EXPECT_EQ(Load(L"missing.xml"), L"error: Error opening file at: ");
}

TEST_F(MarkupFile, ReadsFromTheSkinArchive) {
    const auto zip = uitest::ReadBytes(uitest::DataPath(L"skins.zip"));
    ASSERT_TRUE(uitest::WriteBytes(dir_ / L"skin.zip", zip.data(), zip.size()));
    Ulmar::ResourceLocation::SetResourceZip(L"skin.zip");
    EXPECT_EQ(Load(L"SKIN\\main.XML"), L"Window(size=600,400)[Label(name=lab_title,text=Hello)]");
    EXPECT_EQ(Load(L"skin/big_ok.xml"), L"Window(size=1,1)");
    EXPECT_EQ(Load(L"skin/big_over.xml"), L"error: File too large at: ");
    EXPECT_EQ(Load(L"skin/empty.xml"), L"error: File is empty at: ");
    EXPECT_EQ(Load(L"skin/none.xml"), L"error: Could not find ziped file at: ");
}

}  // namespace
