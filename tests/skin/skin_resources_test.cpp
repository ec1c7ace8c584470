// The installer's own resources, linked the way the installer links them: the skin
// archive ("ZIPRES" 102) must open with the zip reader and hold every file the
// windows ask for, icon 103 must carry each size Explorer and the title bar use,
// and the manifest must ask for elevation and version 6 of the common controls.
#include <windows.h>

#include <gtest/gtest.h>
#include <unzip.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "win/module_resource.h"
#include "win/unique_handle.h"

namespace {

struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::DestroyIcon(h); }
};
struct GdiBitmapTraits {
    using Handle = HBITMAP;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::DeleteObject(h); }
};
using UniqueIcon = win::UniqueHandle<IconTraits>;
using UniqueBitmap = win::UniqueHandle<GdiBitmapTraits>;

// Bytes of a resource of this module; empty when it is missing.
std::string ResourceBytes(LPCWSTR type, LPCWSTR name) { return win::ReadModuleResource(nullptr, type, name).Bytes(); }

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

// A temporary copy of the archive for the zip reader, removed again at the end.
class TempFile {
public:
    explicit TempFile(const std::string& bytes) {
        char dir[MAX_PATH];
        char path[MAX_PATH];
        if (!::GetTempPathA(MAX_PATH, dir) || !::GetTempFileNameA(dir, "skn", 0, path)) return;
        m_path = path;
        win::UniqueFile f(::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        m_ok = f && ::WriteFile(f.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    }
    ~TempFile() { if (!m_path.empty()) ::DeleteFileA(m_path.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    bool ok() const { return m_ok; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    bool m_ok = false;
};

struct ZipEntry {
    std::string name;
    std::string data;
};

// Reads every entry through minizip; the reader checks each entry's CRC when it is closed.
bool ReadArchive(const std::string& path, std::vector<ZipEntry>& entries, std::string& fault) {
    unzFile zip = unzOpen64(path.c_str());
    if (!zip) { fault = "unzOpen64 failed"; return false; }
    bool ok = true;
    for (int rc = unzGoToFirstFile(zip); rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
        unz_file_info64 info{};
        char name[256] = {};
        if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK ||
            unzOpenCurrentFile(zip) != UNZ_OK) {
            fault = std::string("cannot open entry ") + name;
            ok = false;
            break;
        }
        std::string data(size_t(info.uncompressed_size), '\0');
        const int got = data.empty() ? 0 : unzReadCurrentFile(zip, &data[0], unsigned(data.size()));
        const int closed = unzCloseCurrentFile(zip);
        if (got != int(data.size()) || closed != UNZ_OK) {
            fault = std::string("entry ") + name + " does not read back whole (CRC or size)";
            ok = false;
            break;
        }
        entries.push_back({name, std::move(data)});
    }
    unzClose(zip);
    return ok;
}

const char* const kSkinFiles[] = {
    "wnd_main_zh_CN.xml", "messagebox_zh_CN.xml", "font_zh_CN.xml",
    "install_img_01.png", "install_img_02.png", "install_img_03.png", "install_img_04.png",
    "Window_shadow.png", "icon_title_20x20.png", "Head_btnsys_20x20@2x.png",
    "Controls_select_14x14@2x.png", "unexpand_12x12.png", "expand_12x12.png",
    "icon_folder_14x14.png", "progress_fore.png", "messagebox_icon_22x22.png",
};

TEST(SkinResources, ArchiveHoldsEverySkinFileAndReadsBackWhole) {
    const std::string zip = ResourceBytes(L"ZIPRES", MAKEINTRESOURCEW(102));
    ASSERT_GT(zip.size(), 4u) << "resource ZIPRES 102 is missing";
    EXPECT_EQ(zip.compare(0, 4, "PK\x03\x04"), 0);

    TempFile file(zip);
    ASSERT_TRUE(file.ok());
    std::vector<ZipEntry> entries;
    std::string fault;
    ASSERT_TRUE(ReadArchive(file.path(), entries, fault)) << fault;

    std::set<std::string> names;
    for (const ZipEntry& e : entries) {
        names.insert(Lower(e.name));
        const std::string ext = Lower(e.name.substr(e.name.find_last_of('.') + 1));
        if (ext == "png") {
            EXPECT_EQ(e.data.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0) << e.name << " is no PNG";
        } else if (ext == "xml") {
            EXPECT_EQ(e.data.find("<?xml"), 0u) << e.name;
        }
    }
    for (const char* want : kSkinFiles)
        EXPECT_EQ(names.count(Lower(want)), 1u) << want << " is not in the skin archive";
    // The string bundle is a resource of its own and stays out of the archive.
    EXPECT_EQ(names.count("zh_cn.xml"), 0u);
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bits;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST(SkinResources, IconCarriesEachSizeAndLoadsAtIt) {
    const std::string group = ResourceBytes(RT_GROUP_ICON, MAKEINTRESOURCEW(103));
    ASSERT_GE(group.size(), 6u) << "icon group 103 is missing";
    const WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
    ASSERT_EQ(group.size(), 6u + count * sizeof(GroupIconEntry));
    std::set<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const auto* e = reinterpret_cast<const GroupIconEntry*>(group.data() + 6 + i * sizeof(GroupIconEntry));
        sizes.insert(e->width ? e->width : 256);
        EXPECT_EQ(e->bits, 32) << "size " << int(e->width);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32, 48, 256}));

    for (int size : {16, 32, 48, 256}) {
        SCOPED_TRACE(size);
        // The image the directory picks for this size must be that size, not a scaled neighbour.
        const int id = ::LookupIconIdFromDirectoryEx(
            reinterpret_cast<BYTE*>(const_cast<char*>(group.data())), TRUE, size, size, LR_DEFAULTCOLOR);
        ASSERT_NE(id, 0);
        std::string bits = ResourceBytes(RT_ICON, MAKEINTRESOURCEW(id));
        ASSERT_FALSE(bits.empty());
        UniqueIcon icon(::CreateIconFromResourceEx(reinterpret_cast<BYTE*>(&bits[0]), DWORD(bits.size()), TRUE,
                                                   0x00030000, size, size, LR_DEFAULTCOLOR));
        ASSERT_TRUE(icon);
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(icon.get(), &info));
        UniqueBitmap color(info.hbmColor), mask(info.hbmMask);
        BITMAP bm{};
        ASSERT_TRUE(::GetObjectW(color.get(), sizeof bm, &bm));
        EXPECT_EQ(bm.bmWidth, size);
        EXPECT_EQ(bm.bmHeight, size);

        UniqueIcon loaded(static_cast<HICON>(
            ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(103), IMAGE_ICON, size, size, 0)));
        EXPECT_TRUE(loaded);
    }
}

TEST(SkinResources, ManifestAsksForAdministratorAndCommonControls6) {
    const std::string manifest = ResourceBytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty()) << "manifest resource 1 is missing";
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    for (const char* os : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(manifest.find(os), std::string::npos) << "supportedOS " << os;
    // The framework lays out at the window's DPI: per-monitor v2 where Windows has it, else
    // system-aware. Without the claim Windows would stretch a 96-DPI bitmap and blur the text.
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find(">PerMonitorV2, System</dpiAwareness>"), std::string::npos);
}

}  // namespace
