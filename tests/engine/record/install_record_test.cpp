#include "engine/record/install_record.h"

#include "win/path.h"
#include "win/text.h"
#include "tests/engine/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace engine;
using namespace testing_support;

namespace {

const std::wstring kExe = L"Torvane";

bool Exists(const std::wstring& path) { return win::FileExists(path); }

// <fresh>\Torvane\ with a record of the given body inside "Internal".
struct Install {
    std::wstring base;  // test folder, ends in "\"
    std::wstring root;  // base + "Torvane\"
    std::wstring record;
};

Install MakeInstall(const std::string& internal_body) {
    Install in;
    in.base = FreshTestFolder();
    in.root = in.base + L"Torvane\\";
    ::CreateDirectoryW(in.root.c_str(), nullptr);
    in.record = in.root + L"Uninstall.xml";
    WriteFileBytes(in.record, "<Uninstall>\n\t<Internal>\n" + internal_body + "\t</Internal>\n</Uninstall>\n");
    return in;
}

std::string Utf8(const std::wstring& s) { return win::WideToUtf8(s); }
std::string FileEntry(const std::wstring& path) { return "\t\t<File path=\"" + Utf8(path) + "\" />\n"; }
std::string DirEntry(const std::wstring& path) { return "\t\t<Dir path=\"" + Utf8(path) + "\" />\n"; }

}  // namespace

TEST(InstallRecordFile, IsTabIndentedUtf8WithoutBomOrDeclarationFilesBeforeDirs) {
    const std::wstring folder = FreshTestFolder();
    const std::wstring record = folder + L"Uninstall.xml";
    ASSERT_TRUE(WriteInstallRecord(record, {L"C:\\P\\托尔文\\a&b.exe", L"C:\\P\\q\"x.dll"}, {L"C:\\P\\托尔文"}));
    EXPECT_EQ(ReadFileBytes(record),
              "<Uninstall>\n"
              "\t<Internal>\n"
              "\t\t<File path=\"C:\\P\\\xE6\x89\x98\xE5\xB0\x94\xE6\x96\x87\\a&amp;b.exe\" />\n"
              "\t\t<File path=\"C:\\P\\q&quot;x.dll\" />\n"
              "\t\t<Dir path=\"C:\\P\\\xE6\x89\x98\xE5\xB0\x94\xE6\x96\x87\" />\n"
              "\t</Internal>\n"
              "</Uninstall>\n");

    InstallRecord read;
    ASSERT_TRUE(ReadInstallRecord(record, &read));
    EXPECT_EQ(read.files, (std::vector<std::wstring>{L"C:\\P\\托尔文\\a&b.exe", L"C:\\P\\q\"x.dll"}));
    EXPECT_EQ(read.dirs, std::vector<std::wstring>{L"C:\\P\\托尔文"});

    // Rewriting replaces the earlier file.
    ASSERT_TRUE(WriteInstallRecord(record, {}, {}));
    ASSERT_TRUE(ReadInstallRecord(record, &read));
    EXPECT_TRUE(read.files.empty() && read.dirs.empty());
    EXPECT_FALSE(WriteInstallRecord(folder + L"no such folder\\Uninstall.xml", {}, {}));
}

TEST(InstallRecordFile, ElementNamesMatchInAnyCaseOthersIgnoredMissingPathIsEmpty) {
    const Install in = MakeInstall("\t\t<file path=\"a\" />\n\t\t<DIR path=\"b\" />\n\t\t<FiLe />\n"
                                   "\t\t<Other path=\"c\" />\n\t\t<!-- note -->\n");
    InstallRecord read;
    ASSERT_TRUE(ReadInstallRecord(in.record, &read));
    EXPECT_EQ(read.files, (std::vector<std::wstring>{L"a", L""}));
    EXPECT_EQ(read.dirs, std::vector<std::wstring>{L"b"});
}

TEST(InstallRecordFile, MalformedOrWronglyShapedRecordsAreRejected) {
    const std::wstring folder = FreshTestFolder();
    InstallRecord read;
    read.files = {L"untouched"};
    const std::pair<const char*, std::string> cases[] = {
        {"truncated", "<Uninstall><Internal><File path=\"a\"/>"},
        {"no Internal", "<Uninstall><File path=\"a\"/></Uninstall>"},
        {"other root", "<Install><Internal><File path=\"a\"/></Internal></Install>"},
        {"root case", "<uninstall><Internal><File path=\"a\"/></Internal></uninstall>"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteFileBytes(folder + L"r.xml", c.second));
        EXPECT_FALSE(ReadInstallRecord(folder + L"r.xml", &read)) << c.first;
    }
    EXPECT_FALSE(ReadInstallRecord(folder + L"missing.xml", &read));
    EXPECT_EQ(read.files, std::vector<std::wstring>{L"untouched"});
}

TEST(InstallRecordGuards, NormalisePath) {
    std::wstring full;
    EXPECT_FALSE(NormalisePath(L"", &full));
    EXPECT_FALSE(NormalisePath(L"C:\\", &full));
    EXPECT_FALSE(NormalisePath(L"C:/", &full));
    EXPECT_FALSE(NormalisePath(L"\\\\server\\share\\Torvane", &full));
    EXPECT_FALSE(NormalisePath(L"C:\\" + std::wstring(300, L'a'), &full));
    ASSERT_TRUE(NormalisePath(L"C:/Program Files//Torvane/\\", &full));
    EXPECT_EQ(full, L"C:\\Program Files\\Torvane");
    ASSERT_TRUE(NormalisePath(L"C:\\a\\b\\..\\c\\.\\d", &full));
    EXPECT_EQ(full, L"C:\\a\\c\\d");
}

TEST(InstallRecordGuards, InstallRootIsNamedAfterTheExecutable) {
    std::wstring root;
    EXPECT_TRUE(IsInstallRoot(L"C:\\Program Files\\Torvane\\", kExe, &root));
    EXPECT_EQ(root, L"C:\\Program Files\\Torvane");
    EXPECT_TRUE(IsInstallRoot(L"D:\\not there\\TORVANE", kExe, &root));  // need not exist
    EXPECT_FALSE(IsInstallRoot(L"D:\\Apps\\", kExe, &root));
    EXPECT_FALSE(IsInstallRoot(L"D:\\Apps\\Torvane2", kExe, &root));
    EXPECT_FALSE(IsInstallRoot(L"C:\\", kExe, &root));
    EXPECT_FALSE(IsInstallRoot(L"C:\\Torvane", L"", &root));
}

TEST(InstallRecordGuards, InsideRootMeansStrictlyBelowIt) {
    const std::wstring root = L"C:\\Program Files\\Torvane\\";
    std::wstring full;
    EXPECT_TRUE(IsInsideRoot(L"c:\\program files\\torvane\\bin\\x.dll", root, kExe, &full));
    EXPECT_EQ(full, L"c:\\program files\\torvane\\bin\\x.dll");
    ASSERT_TRUE(IsInsideRoot(L"bin\\x.dll", root, kExe, &full));
    EXPECT_EQ(full, L"C:\\Program Files\\Torvane\\bin\\x.dll");
    ASSERT_TRUE(IsInsideRoot(L"C:/Program Files/Torvane/a/", root, kExe, &full));
    EXPECT_EQ(full, L"C:\\Program Files\\Torvane\\a");

    for (const wchar_t* outside : {L"C:\\Windows\\System32\\x.dll", L"C:\\Program Files\\Torvane",
                                   L"C:\\Program Files\\Torvane\\", L"C:\\Program Files\\TorvaneX\\a.dll",
                                   L"C:\\Program Files\\Torvane\\..\\x.dll", L"..\\..\\Windows\\x.dll", L"",
                                   L"\\\\server\\share\\x.dll"})
        EXPECT_FALSE(IsInsideRoot(outside, root, kExe, &full)) << outside;
    EXPECT_FALSE(IsInsideRoot(L"C:\\Apps\\x.dll", L"C:\\Apps", kExe, &full));
}

TEST(RemoveEarlierInstallation, RemovesRecordedPathsInsideTheRootOnly) {
    Install in = MakeInstall("");
    const std::wstring system_file = L"C:\\windows\\system32\\torvane-record-test.dll";
    ASSERT_TRUE(WriteFileBytes(system_file, "keep"));
    const std::wstring outside = in.base + L"outside.dll";
    ::CreateDirectoryW((in.root + L"bin").c_str(), nullptr);
    for (const std::wstring& f : {in.root + L"Torvane.exe", in.root + L"bin\\x.dll", outside, in.root + L"user.dat"})
        ASSERT_TRUE(WriteFileBytes(f, "x"));
    WriteFileBytes(in.record, "<Uninstall><Internal>" + FileEntry(in.root + L"Torvane.exe") + FileEntry(L"bin\\x.dll") +
                                  FileEntry(outside) + FileEntry(system_file) + FileEntry(in.root + L"..\\outside.dll") +
                                  DirEntry(in.root + L"bin") + DirEntry(in.root) + DirEntry(in.base) +
                                  "</Internal></Uninstall>");

    EXPECT_TRUE(RemoveEarlierInstallation(in.root, kExe));
    EXPECT_FALSE(Exists(in.root + L"Torvane.exe"));
    EXPECT_FALSE(Exists(in.root + L"bin\\x.dll"));
    EXPECT_FALSE(Exists(in.root + L"bin"));
    EXPECT_FALSE(Exists(in.record));
    EXPECT_TRUE(Exists(outside));
    EXPECT_TRUE(Exists(system_file));
    // The root itself is never a recorded entry; it goes only when empty.
    EXPECT_TRUE(Exists(in.root + L"user.dat"));
    EXPECT_TRUE(Exists(in.root));
    ::DeleteFileW(system_file.c_str());
}

TEST(RemoveEarlierInstallation, SystemFileRecordedUnderProgramFilesRootStays) {
    // An install root under Program Files that this test owns: the product's own
    // C:\Program Files\Torvane belongs to whatever installed it, not to the suite.
    const std::wstring parent = L"C:\\Program Files\\torvane-record-test\\";
    const std::wstring root = parent + L"Torvane\\";
    const std::wstring victim = L"C:\\windows\\system32\\torvane-record-pf.dll";
    RemoveTree(parent.substr(0, parent.size() - 1));
    win::CreateFolderTree(root);
    ASSERT_TRUE(WriteFileBytes(victim, "keep"));
    ASSERT_TRUE(WriteInstallRecord(root + L"Uninstall.xml", {victim, root + L"..\\..\\..\\windows"
                                                                     L"\\system32\\torvane-record-pf.dll"},
                                   {L"C:\\windows\\system32"}));
    EXPECT_TRUE(RemoveEarlierInstallation(root, kExe));
    EXPECT_TRUE(Exists(victim));
    EXPECT_FALSE(Exists(root));  // record gone, root empty
    ::DeleteFileW(victim.c_str());
    RemoveTree(parent.substr(0, parent.size() - 1));
}

TEST(RemoveEarlierInstallation, RootNotNamedAfterTheExecutableRemovesNothing) {
    const std::wstring base = FreshTestFolder();
    const std::wstring root = base + L"Apps\\";
    ::CreateDirectoryW(root.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(root + L"a.dll", "x"));
    ASSERT_TRUE(WriteInstallRecord(root + L"Uninstall.xml", {root + L"a.dll"}, {}));
    EXPECT_FALSE(RemoveEarlierInstallation(root, kExe));
    EXPECT_TRUE(Exists(root + L"a.dll"));
    EXPECT_TRUE(Exists(root + L"Uninstall.xml"));
    EXPECT_FALSE(RemoveEarlierInstallation(base + L"Torvane\\", kExe));  // no record at all
}

TEST(RemoveEarlierInstallation, FoldersGoDeepestFirstInAnyLetterCase) {
    Install in = MakeInstall("");
    win::CreateFolderTree(in.root + L"A\\B\\C\\");
    ASSERT_TRUE(WriteFileBytes(in.root + L"A\\B\\C\\f.txt", "x"));
    WriteFileBytes(in.record, "<Uninstall><Internal>" + DirEntry(in.root + L"A") + DirEntry(in.root + L"A\\B") +
                                  "<dIR path=\"A\\B\\C\"/><fILE path=\"A\\B\\C\\f.txt\"/></Internal></Uninstall>");
    EXPECT_TRUE(RemoveEarlierInstallation(in.root, kExe));
    EXPECT_FALSE(Exists(in.root + L"A"));
    EXPECT_FALSE(Exists(in.root));
}

TEST(RemoveEarlierInstallation, PathsThroughAReparsePointAreNotFollowed) {
    Install in = MakeInstall("");
    const std::wstring elsewhere = in.base + L"elsewhere\\";
    ::CreateDirectoryW(elsewhere.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(elsewhere + L"victim.dll", "x"));
    ASSERT_TRUE(MakeUnixSymlink(elsewhere, in.root + L"link"));
    WriteFileBytes(in.record, "<Uninstall><Internal>" + FileEntry(in.root + L"link\\victim.dll") +
                                  FileEntry(L"link\\victim.dll") + DirEntry(in.root + L"link") +
                                  "</Internal></Uninstall>");
    std::wstring full;
    EXPECT_FALSE(IsInsideRoot(L"link\\victim.dll", in.root, kExe, &full));
    EXPECT_TRUE(RemoveEarlierInstallation(in.root, kExe));
    EXPECT_TRUE(Exists(elsewhere + L"victim.dll"));
    EXPECT_TRUE(Exists(in.root + L"link"));

    // A root that is itself a reparse point is no install root.
    ASSERT_TRUE(MakeUnixSymlink(in.root, in.base + L"alias"));
    EXPECT_FALSE(IsInstallRoot(in.base + L"alias", L"alias", &full));
    EXPECT_TRUE(IsInstallRoot(in.root, kExe, &full));
}

TEST(RemoveEarlierInstallation, OversizedOrOverfullRecordsRemoveNothing) {
    Install in = MakeInstall("");
    ASSERT_TRUE(WriteFileBytes(in.root + L"a.dll", "x"));
    const std::string head = "<Uninstall><Internal>" + FileEntry(in.root + L"a.dll");
    const std::string tail = "</Internal></Uninstall>";

    // Exactly 8 MiB is still read; one byte more is not.
    std::string record = head + std::string(kMaxInstallRecordBytes - head.size() - tail.size(), ' ') + tail;
    ASSERT_EQ(record.size(), kMaxInstallRecordBytes);
    ASSERT_TRUE(WriteFileBytes(in.record, record.substr(0, head.size()) + " " + record.substr(head.size())));
    EXPECT_FALSE(RemoveEarlierInstallation(in.root, kExe));
    EXPECT_TRUE(Exists(in.root + L"a.dll"));
    EXPECT_TRUE(Exists(in.record));
    ASSERT_TRUE(WriteFileBytes(in.record, record));
    InstallRecord read;
    EXPECT_TRUE(ReadInstallRecord(in.record, &read));

    // 100,000 entries are read; 100,001 reject the whole record.
    std::string entries;
    for (size_t i = 1; i < kMaxInstallRecordEntries; ++i) entries += "<Other/>";
    ASSERT_TRUE(WriteFileBytes(in.record, head + entries + tail));
    ASSERT_TRUE(ReadInstallRecord(in.record, &read));
    EXPECT_EQ(read.files.size(), 1u);
    ASSERT_TRUE(WriteFileBytes(in.record, head + entries + "<Dir path=\"x\"/>" + tail));
    EXPECT_FALSE(RemoveEarlierInstallation(in.root, kExe));
    EXPECT_TRUE(Exists(in.root + L"a.dll"));
    EXPECT_TRUE(Exists(in.record));
}

TEST(RollBackExtraction, RemovesOnlyNewPathsInsideTheInstallFolder) {
    const std::wstring base = FreshTestFolder();
    const std::wstring root = base + L"Torvane\\";
    win::CreateFolderTree(root + L"new\\deep\\");
    for (const std::wstring& f : {root + L"old.dll", root + L"new\\deep\\n.dll", root + L"n.exe", base + L"o.dll"})
        ASSERT_TRUE(WriteFileBytes(f, "x"));
    RollBackExtraction({root + L"new\\deep\\n.dll", root + L"n.exe", base + L"o.dll"},
                       {root + L"new", root + L"new\\deep", base}, root, kExe);
    EXPECT_FALSE(Exists(root + L"new"));
    EXPECT_FALSE(Exists(root + L"n.exe"));
    EXPECT_TRUE(Exists(root + L"old.dll"));
    EXPECT_TRUE(Exists(base + L"o.dll"));
}

// Wine's drive is a Unix folder that tells letter cases apart: "TORVANE" can be
// a link beside the real "Torvane". A recorded path spelling the root that way
// must not lead the removal outside.
TEST(RemoveEarlierInstallation, SecondSpellingOfTheRootThatIsALinkIsNotFollowed) {
    Install in = MakeInstall("");
    const std::wstring elsewhere = in.base + L"elsewhere\\";
    win::CreateFolderTree(elsewhere + L"sub\\");
    ASSERT_TRUE(WriteFileBytes(elsewhere + L"victim.dll", "x"));
    ASSERT_TRUE(WriteFileBytes(in.root + L"own.dll", "x"));
    const std::wstring alias = in.base + L"TORVANE";
    if (!MakeUnixSymlink(elsewhere, alias)) GTEST_SKIP() << "no case-distinct names here";
    WriteFileBytes(in.record, "<Uninstall><Internal>" + FileEntry(alias + L"\\victim.dll") +
                                  FileEntry(in.root + L"own.dll") + DirEntry(alias + L"\\sub") +
                                  "</Internal></Uninstall>");
    std::wstring full;
    EXPECT_FALSE(IsInsideRoot(alias + L"\\victim.dll", in.root, kExe, &full));
    EXPECT_TRUE(RemoveEarlierInstallation(in.root, kExe));
    EXPECT_TRUE(Exists(elsewhere + L"victim.dll"));
    EXPECT_TRUE(Exists(elsewhere + L"sub"));
    EXPECT_FALSE(Exists(in.root + L"own.dll"));
    RemoveUnixEntry(alias);
}

// A link to a file, recorded as one of the install's files, goes as a link: the
// file it points to stays.
TEST(RemoveEarlierInstallation, RecordedFileLinkIsDeletedAsALink) {
    Install in = MakeInstall("");
    const std::wstring victim = in.base + L"victim.dll";
    ASSERT_TRUE(WriteFileBytes(victim, "keep"));
    ASSERT_TRUE(MakeUnixSymlink(victim, in.root + L"plugin.dll"));
    WriteFileBytes(in.record, "<Uninstall><Internal>" + FileEntry(in.root + L"plugin.dll") + "</Internal></Uninstall>");
    EXPECT_TRUE(RemoveEarlierInstallation(in.root, kExe));
    EXPECT_EQ(ReadFileBytes(victim), "keep");
}

TEST(RecordedRootFileNames, ListsTheRecordsFilesDirectlyInTheRootOnly) {
    Install in = MakeInstall("");
    WriteFileBytes(in.record, "<Uninstall><Internal>" + FileEntry(in.root + L"Torvane.exe") + FileEntry(L"Helper.exe") +
                                  FileEntry(in.root + L"bin\\deep.exe") + FileEntry(in.base + L"outside.exe") +
                                  DirEntry(in.root + L"bin") + "</Internal></Uninstall>");
    EXPECT_EQ(RecordedRootFileNames(in.root, kExe), (std::vector<std::wstring>{L"Torvane.exe", L"Helper.exe"}));
    EXPECT_TRUE(RecordedRootFileNames(in.base, kExe).empty());  // no install root
}
