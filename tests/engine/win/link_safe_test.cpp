// Writing and deleting below a folder without going through a link, and the
// administrators' folder descriptor. Links are Unix symbolic links made from the
// Linux side: Wine shows one to a folder as a reparse point but opens its target
// whatever the flags, and shows one to a file as the file itself. Where a link
// cannot be removed as a link the only sound result is a refusal, so the folder
// cases check that nothing outside is added, changed or removed.
#include "win/folder_security.h"
#include "win/link_safe.h"

#include "win/path.h"
#include "win/unique_handle.h"
#include "tests/engine/test_support.h"

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testing_support;

namespace {

bool Exists(const std::wstring& path) { return win::FileExists(path); }

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// <fresh>\Torvane as the root and <fresh>\outside with one file, the victim.
struct Layout {
    std::wstring base, root, outside, victim;
};

Layout MakeLayout() {
    Layout l;
    l.base = FreshTestFolder();
    l.root = l.base + L"Torvane";
    l.outside = l.base + L"outside";
    l.victim = l.outside + L"\\victim.dll";
    win::CreateFolderTree(l.root + L"\\");
    win::CreateFolderTree(l.outside + L"\\");
    WriteFileBytes(l.victim, "keep");
    return l;
}

bool SidIs(PSID sid, WELL_KNOWN_SID_TYPE type) { return ::IsWellKnownSid(sid, type) != FALSE; }

}  // namespace

TEST(LinkSafePaths, StrictlyBelowComparesWithoutCaseAndNeedsAPartAfterTheRoot) {
    EXPECT_TRUE(win::IsStrictlyBelow(L"C:\\P\\Torvane\\a.dll", L"c:\\p\\TORVANE"));
    EXPECT_TRUE(win::IsStrictlyBelow(L"C:\\P\\Torvane\\a", L"C:\\P\\Torvane\\"));
    EXPECT_TRUE(win::IsStrictlyBelow(L"C:\\a", L"C:\\"));
    for (const wchar_t* path : {L"C:\\P\\Torvane", L"C:\\P\\Torvane\\", L"C:\\P\\TorvaneX\\a", L"C:\\P\\Torvane\\\\a",
                                L"C:\\P", L""})
        EXPECT_FALSE(win::IsStrictlyBelow(path, L"C:\\P\\Torvane")) << path;
}

TEST(LinkSafePaths, FinalPathHasNoPrefixAndRealEntriesAreNoLinks) {
    const Layout l = MakeLayout();
    const win::UniqueFile entry = win::OpenEntry(l.victim, FILE_READ_ATTRIBUTES);
    ASSERT_TRUE(entry);
    EXPECT_TRUE(win::EqualsNoCase(win::FinalPathOf(entry.get()), l.victim)) << win::FinalPathOf(entry.get()).c_str();
    EXPECT_TRUE(win::IsOpenedBelow(entry.get(), l.base));
    EXPECT_FALSE(win::IsOpenedBelow(entry.get(), l.root));
    EXPECT_FALSE(win::IsLinkAt(l.victim));
    EXPECT_FALSE(win::IsLinkAt(l.outside + L"\\"));
    EXPECT_FALSE(win::IsLinkAt(l.base + L"missing"));
    EXPECT_TRUE(win::NoLinkOnTheWay(l.base, l.victim));
    EXPECT_TRUE(win::NoLinkOnTheWay(l.base, l.base + L"not\\there\\yet"));
    EXPECT_FALSE(win::NoLinkOnTheWay(l.root, l.victim));
}

TEST(LinkSafePaths, FolderLinksOnTheWayAreSeenAndNothingOutsideChanges) {
    const Layout l = MakeLayout();
    ASSERT_TRUE(MakeUnixSymlink(l.outside, l.root + L"\\plugins"));
    EXPECT_TRUE(win::IsLinkAt(l.root + L"\\plugins"));
    EXPECT_FALSE(win::NoLinkOnTheWay(l.root, l.root + L"\\plugins\\victim.dll"));
    EXPECT_FALSE(win::NoLinkOnTheWay(l.root, l.root + L"\\plugins\\new.dll"));

    // Made real, or refused where the system offers no handle on the link itself.
    const bool real = win::MakeRealFolders(l.root, l.root + L"\\plugins\\sub", nullptr);
    win::UniqueFile file = win::CreateFileBelow(l.root, l.root + L"\\plugins\\new.dll");
    if (real) {
        EXPECT_TRUE(file);
        EXPECT_TRUE(IsFolder(l.root + L"\\plugins\\sub"));
        EXPECT_FALSE(win::IsLinkAt(l.root + L"\\plugins"));
    } else {
        EXPECT_FALSE(file);
    }
    file.reset();
    EXPECT_EQ(Listing(l.outside), std::vector<std::wstring>{L"victim.dll"});
    EXPECT_EQ(ReadFileBytes(l.victim), "keep");

    // Deleting through the link never reaches the folder it points to.
    if (!real) {
        EXPECT_FALSE(win::DeleteEntryBelow(l.root + L"\\plugins\\victim.dll", l.root));
        EXPECT_EQ(ReadFileBytes(l.victim), "keep");
        RemoveUnixEntry(l.root + L"\\plugins");
    }
}

TEST(LinkSafePaths, FileLinkIsReplacedByANewFileAndItsTargetKeepsItsData) {
    const Layout l = MakeLayout();
    const std::wstring planted = l.root + L"\\source.dat";
    ASSERT_TRUE(MakeUnixSymlink(l.victim, planted));

    win::UniqueFile file = win::CreateFileBelow(l.root, planted);
    ASSERT_TRUE(file);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.get(), "new", 3, &written, nullptr));
    file.reset();
    EXPECT_EQ(ReadFileBytes(planted), "new");
    EXPECT_EQ(ReadFileBytes(l.victim), "keep");
    EXPECT_FALSE(win::IsLinkAt(planted));

    // The same for a link at an item's name, replaced by an empty file.
    const std::wstring item = l.root + L"\\Torvane.exe";
    ASSERT_TRUE(MakeUnixSymlink(l.victim, item));
    EXPECT_TRUE(win::ReplaceLinkAt(item));
    EXPECT_FALSE(win::IsLinkAt(item));
    EXPECT_EQ(ReadFileBytes(l.victim), "keep");
    EXPECT_EQ(Listing(l.outside), std::vector<std::wstring>{L"victim.dll"});
}

TEST(LinkSafePaths, EntriesBelowTheRootAreDeletedAndOthersAreNot) {
    const Layout l = MakeLayout();
    win::CreateFolderTree(l.root + L"\\bin\\");
    ASSERT_TRUE(WriteFileBytes(l.root + L"\\bin\\a.dll", "x"));
    EXPECT_FALSE(win::DeleteEntryBelow(l.victim, l.root));
    EXPECT_FALSE(win::DeleteEntryBelow(l.root, l.root));
    EXPECT_FALSE(win::DeleteEntryBelow(l.root + L"\\bin", l.root));  // not empty
    EXPECT_TRUE(win::DeleteEntryBelow(l.root + L"\\bin\\a.dll", l.root));
    EXPECT_TRUE(win::DeleteEntryBelow(l.root + L"\\BIN", l.root));
    EXPECT_FALSE(Exists(l.root + L"\\bin"));
    EXPECT_EQ(ReadFileBytes(l.victim), "keep");
}

// One walk over many paths answers as the single checks do, also when asked
// again (from what it remembers), and deletes only below its root.
TEST(LinkSafePaths, WalkOverManyPathsAnswersAsTheSingleChecks) {
    const Layout l = MakeLayout();
    win::CreateFolderTree(l.root + L"\\bin\\sub\\");
    ASSERT_TRUE(WriteFileBytes(l.root + L"\\bin\\a.dll", "x"));
    ASSERT_TRUE(WriteFileBytes(l.root + L"\\bin\\sub\\b.dll", "x"));
    ASSERT_TRUE(MakeUnixSymlink(l.outside, l.root + L"\\plugins"));
    ASSERT_TRUE(MakeUnixSymlink(l.victim, l.root + L"\\bin\\linked.dll"));
    const std::vector<std::wstring> paths = {
        l.root + L"\\bin\\a.dll",      l.root + L"\\bin\\sub\\b.dll", l.root + L"\\plugins\\victim.dll",
        l.root + L"\\plugins",          l.root + L"\\bin\\linked.dll",   l.root + L"\\new\\not\\there.dll",
        l.root + L"\\bin\\sub",        l.victim,                        l.root,
    };
    win::LinkFreeWalk walk(l.root);
    for (int pass = 0; pass < 2; ++pass)
        for (const std::wstring& path : paths)
            EXPECT_EQ(walk.NoLinkOnTheWay(path), win::NoLinkOnTheWay(l.root, path)) << path << L" pass " << pass;
    EXPECT_TRUE(walk.NoLinkOnTheWay(l.root + L"\\bin\\sub\\b.dll"));
    EXPECT_FALSE(walk.NoLinkOnTheWay(l.root + L"\\plugins\\victim.dll"));

    EXPECT_FALSE(walk.DeleteEntry(l.victim));
    EXPECT_FALSE(walk.DeleteEntry(l.root));
    EXPECT_TRUE(walk.DeleteEntry(l.root + L"\\bin\\sub\\b.dll"));
    EXPECT_TRUE(walk.DeleteEntry(l.root + L"\\bin\\sub"));
    EXPECT_FALSE(Exists(l.root + L"\\bin\\sub"));
    EXPECT_EQ(ReadFileBytes(l.victim), "keep");
    RemoveUnixEntry(l.root + L"\\plugins");
}

// A read-only file planted at the name, or a hard link there to one, is moved
// aside: the file it shares its data with stays read-only and unchanged.
TEST(LinkSafePaths, FreshFileMovesAReadOnlyHardLinkAsideWithoutTouchingIt) {
    const Layout l = MakeLayout();
    const std::wstring readonly = l.outside + L"\\readonly.dll";
    ASSERT_TRUE(WriteFileBytes(readonly, "system"));
    ASSERT_TRUE(::SetFileAttributesW(readonly.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::wstring name = l.base + L"resource.7z";
    ASSERT_TRUE(::CreateHardLinkW(name.c_str(), readonly.c_str(), nullptr));

    {
        // Held open by its owner the name cannot be taken; the file is not changed.
        const win::UniqueFile held(::CreateFileW(readonly.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                 nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_FALSE(win::CreateFreshFile(name));
        EXPECT_EQ(::GetFileAttributesW(readonly.c_str()) & FILE_ATTRIBUTE_READONLY, DWORD{FILE_ATTRIBUTE_READONLY});
    }
    win::UniqueFile file = win::CreateFreshFile(name);
    ASSERT_TRUE(file);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.get(), "payload", 7, &written, nullptr));
    file.reset();
    EXPECT_EQ(ReadFileBytes(name), "payload");
    EXPECT_EQ(ReadFileBytes(readonly), "system");
    EXPECT_EQ(::GetFileAttributesW(readonly.c_str()) & FILE_ATTRIBUTE_READONLY, DWORD{FILE_ATTRIBUTE_READONLY});
    ::SetFileAttributesW(readonly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Wine keeps no folder descriptor (a descriptor set on a folder reads back as
// the one made from the Unix mode bits), so the descriptor is checked as built,
// in-process, and the call that applies it only for its success.
TEST(FolderSecurity, DescriptorBelongsToAdministratorsAndIsProtected) {
    const win::UniqueSecurityDescriptor sd = win::AdministratorsFolderDescriptor();
    ASSERT_TRUE(sd);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(::GetSecurityDescriptorControl(sd.get(), &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED);
    EXPECT_TRUE(control & SE_DACL_PRESENT);

    PSID owner = nullptr;
    BOOL defaulted = TRUE;
    ASSERT_TRUE(::GetSecurityDescriptorOwner(sd.get(), &owner, &defaulted));
    ASSERT_TRUE(owner);
    EXPECT_TRUE(SidIs(owner, WinBuiltinAdministratorsSid));

    PACL dacl = nullptr;
    BOOL present = FALSE;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(sd.get(), &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl);
    ASSERT_EQ(dacl->AceCount, 3);
    struct Expected {
        WELL_KNOWN_SID_TYPE sid;
        ACCESS_MASK mask;
    };
    const Expected expected[] = {{WinLocalSystemSid, FILE_ALL_ACCESS},
                                 {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS},
                                 {WinBuiltinUsersSid, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE}};
    for (DWORD i = 0; i < 3; ++i) {
        void* raw = nullptr;
        ASSERT_TRUE(::GetAce(dacl, i, &raw));
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE) << i;
        EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) << i;
        EXPECT_EQ(ace->Mask, expected[i].mask) << i;
        EXPECT_TRUE(SidIs(const_cast<DWORD*>(&ace->SidStart), expected[i].sid)) << i;
    }
    // Users may read and run, never write, append, delete or change rights.
    const ACCESS_MASK users = expected[2].mask;
    EXPECT_EQ(users & (FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES | DELETE |
                       FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER),
              0u);
}

TEST(FolderSecurity, AppliesToARealFolderAndRefusesALinkOrAFile) {
    const Layout l = MakeLayout();
    EXPECT_TRUE(win::SecureFolderForAdministrators(l.root)) << ::GetLastError();
    EXPECT_TRUE(win::SecureFolderForAdministrators(l.root + L"\\"));  // an existing folder again
    EXPECT_FALSE(win::SecureFolderForAdministrators(l.victim));
    EXPECT_FALSE(win::SecureFolderForAdministrators(l.base + L"missing"));
    ASSERT_TRUE(MakeUnixSymlink(l.outside, l.base + L"alias"));
    EXPECT_FALSE(win::SecureFolderForAdministrators(l.base + L"alias"));
    RemoveUnixEntry(l.base + L"alias");
}
