#include "app/string_bundle.h"
#include "app/product.h"
#include "win/module_resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr WORD kEdgeBundle = 201;
constexpr WORD kTruncatedBundle = 202;
constexpr WORD kWrongRootBundle = 203;
constexpr WORD kControlWhitespaceBundle = 204;
constexpr WORD kMissingBundle = 299;
constexpr LANGID kChinese = 0x0804;
constexpr LANGID kEnglish = 0x0409;

CStringBundle Load(WORD id) { return CStringBundle(GetModuleHandleW(nullptr), id); }

TEST(StringBundle, TrimsTheSixWhitespaceCharactersButKeepsInnerSpaces) {
    const CStringBundle bundle = Load(kEdgeBundle);
    EXPECT_EQ(bundle.GetString(L"Padded"), L"text with  inner  spaces");
    EXPECT_EQ(Load(kControlWhitespaceBundle).GetString(L"VtFf"), L"x");
}

TEST(StringBundle, EmptyOrWhitespaceOnlyEntriesGiveEmptyText) {
    const CStringBundle bundle = Load(kEdgeBundle);
    EXPECT_EQ(bundle.GetString(L"Blank"), L"");
    EXPECT_EQ(bundle.GetString(L"Empty"), L"");
}

TEST(StringBundle, IdsAreCaseSensitiveAndMissingIdsAreEmpty) {
    const CStringBundle bundle = Load(kEdgeBundle);
    EXPECT_EQ(bundle.GetString(L"ok"), L"lower-case id");
    EXPECT_EQ(bundle.GetString(L"OK"), L"");
    EXPECT_EQ(bundle.GetString(L"Padded "), L"");
    EXPECT_EQ(bundle.GetString(L"NoSuchId"), L"");
}

TEST(StringBundle, StringWithoutIdIsStoredUnderTheEmptyId) {
    EXPECT_EQ(Load(kEdgeBundle).GetString(L""), L"no id here");
}

TEST(StringBundle, LaterDuplicateWinsAndOtherElementsAreIgnored) {
    const CStringBundle bundle = Load(kEdgeBundle);
    EXPECT_EQ(bundle.GetString(L"Dup"), L"second");
    EXPECT_EQ(bundle.GetString(L"Skipped"), L"");
    // Padded Blank Empty "" Dup ok Cdata Entity
    EXPECT_EQ(bundle.Count(), 8u);
}

TEST(StringBundle, CdataAndEntitiesAreText) {
    const CStringBundle bundle = Load(kEdgeBundle);
    EXPECT_EQ(bundle.GetString(L"Cdata"), L"<kept> & raw");
    EXPECT_EQ(bundle.GetString(L"Entity"), L"a & b <c>");
}

TEST(StringBundle, MalformedWrongRootOrMissingBundleLeavesAnEmptyTable) {
    for (WORD id : {kTruncatedBundle, kWrongRootBundle, kMissingBundle}) {
        CStringBundle bundle = Load(id);
        EXPECT_EQ(bundle.Count(), 0u) << id;
        EXPECT_EQ(bundle.GetString(L"A"), L"") << id;
        EXPECT_EQ(bundle.GetLanguage(), L"zh_CN") << id;
    }
}

struct Entry {
    const wchar_t* id;
    const wchar_t* text;
};

// The shipped bundle, in resource order.
const std::vector<Entry> kShipped = {
    {L"ExeName", L"Torvane"},
    {L"ClientName", L"托尔文"},
    {L"CompanyName", L"星岚样例软件有限公司"},
    {L"CompanyUrl", nullptr},
    {L"MESSAGEBOX_LOW_SPACE_TEXT", L"您选择的程序安装目录磁盘空间不足，请重新选择！"},
    {L"MESSAGEBOX_NEW_LOCATION_TEXT",
     L"您选择的安装路径与电脑里已存在的安装路径不一致，若使用新的安装路径，则先前的数据和设置将会丢失，"
     L"选\"是\"安装到新路径，选\"否\"安装到原路径。"},
    {L"MESSAGEBOX_CAPITON", L"安装托尔文"},
    {L"MESSAGEBOX_INVALID_DIR_TEXT", L"您选择的程序安装目录不合法，请重新选择！"},
    {L"MESSAGEBOX_WARNING_RUNNING_TEXT", L"继续安装会强行退出正在运行的托尔文，您确定要安装吗？"},
    {L"MESSAGEBOX_INSTERROR_2_TEXT", L"安装失败，请尝试重新安装或手动下载最新安装包！"},
    {L"UNINSTALL", L"卸载"},
    {L"UNINSTALL_CAPTION", L"卸载托尔文"},
    {L"UNINSTALL_CONFIRM_TEXT", L"您确定要从电脑中完全卸载托尔文及其所有组件吗？"},
    {L"UNINSTALL_DONE_TEXT", L"托尔文已从您的电脑中卸载。"},
    {L"UNINSTALL_RESTART_TEXT", L"托尔文已卸载，部分正在使用的文件将在重新启动电脑后删除。"},
    {L"UNINSTALL_FAILED_TEXT", L"托尔文未能完全卸载，以下内容仍然保留："},
    {L"UNINSTALL_RUNNING_TEXT", L"托尔文正在运行且无法退出，请先关闭托尔文后再卸载。"},
    {L"UNINSTALL_BUSY_TEXT", L"安装程序或卸载程序正在运行，请稍后再试。"},
    {L"CANCEL", L"取消"},
    {L"INSTALL", L"安装"},
    {L"OK", L"确定"},
    {L"Y", L"是"},
    {L"N", L"否"},
    {L"INSTALL_1_TEXT", L"正在解压文件"},
    {L"INSTALL_2_TEXT", L"正在解压文件..."},
    {L"INSTALL_CREATE_STARTMENU_SHORTCUT_TEXT", L"正在创建开始菜单快捷方式..."},
    {L"DESKTOP_SHORTCUT_COMMENT", L""},
    {L"INSTALL_PKG_BIT_MISMATCH",
     L"此安装包是为64位Windows准备的,请下载32位版本安装包进行安装，是否立即下载32位安装包？"},
    {L"INSTALL_PKG_BIT_MISMATCH2",
     L"此安装包是为32位Windows准备的,请下载64位版本安装包进行安装，是否立即下载64位安装包？"},
    {L"DOWNLOAD_PKG", L"立即下载"},
    {L"CONTINUE", L"继续"},
    {L"INSTALL_PKG_BIT_CHANGED",
     L"检测到您已安装%s位托尔文，当前为%s位安装包，安装将先卸载%s位后进行安装，是否继续安装？"},
    {L"INSTALL_PKG_VERSION_LOWER_THAN_INSTALLED", L"您已安装高版本托尔文，当前安装包版本较低，确定要安装吗？"},
    {L"INSTALL_PKG_SYSTEM_VERSION_LOWER_THAN_WIN7", L"当前系统版本过低，仅支持WIN7及以上系统安装"},
    {L"INSTALL_TIPS", L"安装提示"},
    {L"INSTALL_COMPLETE", L"安装完成"},
    {L"START_NOW", L"立即体验"},
    {L"SETUP_TITLE", L"托尔文安装程序"},
    {L"INSTALLING_TEXT", L"正在安装托尔文"},
    {L"USER_AGREEMENT", L"《用户许可协议》"},
    {L"UNINSTALL_SHORTCUT", L"卸载%s"},
};

TEST(ShippedBundle, HoldsTheFortyOneEntriesWithTheirTexts) {
    const CStringBundle& bundle = GetStringBundle();
    EXPECT_EQ(bundle.Count(), kShipped.size());
    for (const Entry& e : kShipped) {
        if (e.text) EXPECT_EQ(bundle.GetString(e.id), e.text) << e.id;
        else EXPECT_NE(bundle.GetString(e.id), L"") << e.id;
    }
    const std::wstring url = bundle.GetString(L"CompanyUrl");
    ASSERT_GE(url.size(), 16u);
    EXPECT_EQ(url.substr(url.size() - 16), L"/pro_screen.html");
}

// Resource order: the four product entries first, then the table's order.
TEST(ShippedBundle, EntriesStandInTheirOrder) {
    const std::string xml = win::ReadModuleResource(nullptr, L"LANG", 104, kChinese).Bytes();
    ASSERT_FALSE(xml.empty());
    size_t last = 0;
    for (const Entry& e : kShipped) {
        std::string needle = "id=\"";
        for (const wchar_t* p = e.id; *p; ++p) needle += static_cast<char>(*p);
        needle += '"';
        const size_t pos = xml.find(needle);
        ASSERT_NE(pos, std::string::npos) << needle;
        EXPECT_GT(pos, last) << needle;
        last = pos;
    }
}

TEST(ShippedBundle, DesktopCommentIsWhitespaceOnlyInTheResource) {
    const std::string xml = win::ReadModuleResource(nullptr, L"LANG", 104, kChinese).Bytes();
    const std::string open = "<String id=\"DESKTOP_SHORTCUT_COMMENT\">";
    const size_t start = xml.find(open);
    ASSERT_NE(start, std::string::npos);
    const size_t end = xml.find("</String>", start);
    const std::string content = xml.substr(start + open.size(), end - start - open.size());
    EXPECT_FALSE(content.empty());
    EXPECT_EQ(content.find_first_not_of(" \t\r\n"), std::string::npos);
}

TEST(ProductState, ConstantsAndInitialState) {
    // Built during static initialisation, before main().
    EXPECT_EQ(EXE_NAME, L"Torvane");
    EXPECT_EQ(CLIENT_NAME, L"托尔文");
    EXPECT_EQ(COMPANY_NAME, L"星岚样例软件有限公司");
    EXPECT_EQ(MAIN_EXE_FILE_NAME, L"Torvane.exe");
    EXPECT_EQ(PRODUCT_KEY, L"Torvane3");
    EXPECT_EQ(PRODUCT_VERSION, L"6.2.10.03");
    EXPECT_EQ(PKG_BIT, L"64");
    EXPECT_FALSE(g_bSilent);
    EXPECT_EQ(g_nExitCode, 0);
    EXPECT_EQ(g_pMainWnd, nullptr);
    EXPECT_EQ(g_bMainWndClosed.load(), 0);
    EXPECT_EQ(GetLanguage(), L"zh_CN");
}

// ---- languages ----

const std::vector<BundleLanguage> kCarried = {{L"en_US", kEnglish}, {L"zh_CN", kChinese}};

std::wstring Chosen(LANGID ui, const std::wstring& requested = L"") {
    const BundleLanguage* language = ChooseLanguage(kCarried, ui, requested);
    return language ? language->name : L"(none)";
}

TEST(LanguageChoice, ChineseUiLanguagesGetChineseEveryOtherGetsEnglish) {
    EXPECT_EQ(Chosen(0x0804), L"zh_CN");  // zh-CN
    EXPECT_EQ(Chosen(0x0404), L"zh_CN");  // zh-TW: the same primary language
    EXPECT_EQ(Chosen(0x0C04), L"zh_CN");  // zh-HK
    EXPECT_EQ(Chosen(0x0409), L"en_US");
    EXPECT_EQ(Chosen(0x0809), L"en_US");  // en-GB
    EXPECT_EQ(Chosen(0x0411), L"en_US");  // ja-JP: no bundle, the fallback
    EXPECT_EQ(Chosen(0x0407), L"en_US");  // de-DE
}

TEST(LanguageChoice, ARequestedLanguageWinsOnlyWhenCarried) {
    EXPECT_EQ(Chosen(0x0804, L"en_US"), L"en_US");
    EXPECT_EQ(Chosen(0x0409, L"zh_CN"), L"zh_CN");
    EXPECT_EQ(Chosen(0x0409, L"fr_FR"), L"en_US");
    EXPECT_EQ(Chosen(0x0804, L"zh_cn"), L"zh_CN");  // names are exact: the UI language decides
    EXPECT_EQ(Chosen(0x0804, L"en_us"), L"zh_CN");
}

TEST(LanguageChoice, WithoutEnglishTheFirstCarriedIsTheFallback) {
    const std::vector<BundleLanguage> chineseOnly = {{L"zh_CN", kChinese}};
    EXPECT_EQ(ChooseLanguage(chineseOnly, 0x0411, L"")->name, L"zh_CN");
    EXPECT_EQ(ChooseLanguage({}, 0x0409, L"en_US"), nullptr);
}

TEST(LanguageChoice, LangSwitchInAnyPositionBesideSilent) {
    EXPECT_EQ(RequestedLanguage(L"setup.exe /lang=en_US"), L"en_US");
    EXPECT_EQ(RequestedLanguage(L"setup.exe /s /lang=en_US"), L"en_US");
    EXPECT_EQ(RequestedLanguage(L"setup.exe /lang=zh_CN /s"), L"zh_CN");
    EXPECT_EQ(RequestedLanguage(L"\"C:\\a b\\setup.exe\" /lang=zh_CN /s /lang=en_US"), L"en_US");
    EXPECT_EQ(RequestedLanguage(L"setup.exe /s"), L"");
    EXPECT_EQ(RequestedLanguage(L"setup.exe /LANG=en_US -lang=en_US lang=en_US"), L"");
    // The program's own path is no argument.
    EXPECT_EQ(RequestedLanguage(L"/lang=en_US"), L"");
}

TEST(ShippedBundles, TheExecutableCarriesEnglishAndChinese) {
    const std::vector<BundleLanguage> carried = BundleLanguages(GetModuleHandleW(nullptr));
    ASSERT_EQ(carried.size(), 2u);
    std::vector<std::wstring> names;
    for (const BundleLanguage& language : carried) names.push_back(language.name);
    EXPECT_NE(std::find(names.begin(), names.end(), L"en_US"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), L"zh_CN"), names.end());
    // The suite runs Wine in Chinese.
    EXPECT_EQ(GetLanguage(), L"zh_CN");
}

size_t Count(const std::wstring& text, const std::wstring& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

// Every language has every Chinese id, as many "%s" in each (the callers format
// them), and no Chinese left in a text where the Chinese bundle has some.
TEST(ShippedBundles, EveryLanguageTranslatesEveryEntry) {
    const HMODULE exe = GetModuleHandleW(nullptr);
    const CStringBundle chinese(exe, BundleLanguage{L"zh_CN", kChinese});
    const CStringBundle english(exe, BundleLanguage{L"en_US", kEnglish});
    EXPECT_EQ(english.GetLanguage(), L"en_US");
    EXPECT_EQ(english.Count(), chinese.Count());
    for (const Entry& e : kShipped) {
        const std::wstring zh = chinese.GetString(e.id);
        const std::wstring en = english.GetString(e.id);
        EXPECT_EQ(en.empty(), zh.empty()) << e.id;
        EXPECT_EQ(Count(en, L"%s"), Count(zh, L"%s")) << e.id;
        for (wchar_t c : en) EXPECT_FALSE(c >= 0x3000 && c <= 0x9FFF) << e.id;
    }
    EXPECT_EQ(english.GetString(L"ClientName"), L"Torvane");
    EXPECT_EQ(english.GetString(L"ExeName"), chinese.GetString(L"ExeName"));
    EXPECT_EQ(english.GetString(L"CompanyUrl"), chinese.GetString(L"CompanyUrl"));
    EXPECT_EQ(english.GetString(L"MESSAGEBOX_CAPITON"), L"Install Torvane");
}

TEST(ShippedBundles, UninstallLinkPrefixKeepsItsSpace) {
    const HMODULE exe = GetModuleHandleW(nullptr);
    EXPECT_EQ(UninstallLinkPrefix(CStringBundle(exe, BundleLanguage{L"zh_CN", kChinese})), L"卸载");
    EXPECT_EQ(UninstallLinkPrefix(CStringBundle(exe, BundleLanguage{L"en_US", kEnglish})), L"Uninstall ");
    // Without the pattern the plain word stands in.
    EXPECT_EQ(UninstallLinkPrefix(Load(kEdgeBundle)), L"");
}

}  // namespace
