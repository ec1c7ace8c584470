#include "ui/base/resource_location.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/ui/test_files.h"
#include "ui/base/image.h"
#include "ui/base/skin_archive.h"

namespace RL = Ulmar::ResourceLocation;

namespace {

constexpr size_t kFourMiB = 4 * 1024 * 1024;

// A 2 x 2 24-bit BMP: a picture any skin could name.
std::string TinyBitmap() {
    std::string bmp = "BM";
    auto put32 = [&bmp](uint32_t v) { for (int i = 0; i < 4; ++i) bmp += static_cast<char>((v >> (8 * i)) & 0xFF); };
    auto put16 = [&bmp](uint16_t v) { bmp += static_cast<char>(v & 0xFF); bmp += static_cast<char>(v >> 8); };
    put32(70); put32(0); put32(54);                      // file size, reserved, pixel offset
    put32(40); put32(2); put32(2); put16(1); put16(24);  // info header: 2 x 2, one plane, 24 bits
    put32(0); put32(16); put32(2835); put32(2835); put32(0); put32(0);
    for (int row = 0; row < 2; ++row) bmp += std::string("\x10\x20\x30\x40\x50\x60\0\0", 8);
    return bmp;
}

// The current folder for the scope.
class InFolder {
public:
    explicit InFolder(const std::wstring& folder) {
        ::GetCurrentDirectoryW(MAX_PATH, previous_);
        ok_ = ::SetCurrentDirectoryW(folder.c_str()) != FALSE;
    }
    ~InFolder() { ::SetCurrentDirectoryW(previous_); }
    bool ok() const { return ok_; }

private:
    wchar_t previous_[MAX_PATH] = {};
    bool ok_ = false;
};

// Each test starts from a process with no resource location set.
class ResourceLocation : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        RL::Release();
        RL::SetResourcePath(L"");
    }

    std::wstring Read(const wchar_t* name, size_t maxSize = 0, bool* ok = nullptr) {
        std::vector<unsigned char> bytes;
        const wchar_t* error = L"unset";
        const bool read = RL::ReadSkinFile(name, bytes, error, maxSize);
        if (ok) *ok = read;
        if (!read) {
            EXPECT_TRUE(bytes.empty());
            return error ? std::wstring(L"error: ") + error : L"error: (null)";
        }
        return std::wstring(bytes.begin(), bytes.end());
    }
};

TEST_F(ResourceLocation, ResourcePathGetsOneTrailingSeparator) {
    RL::SetResourcePath(L"C:\\skins");
    EXPECT_EQ(RL::GetResourcePath(), L"C:\\skins\\");
    RL::SetResourcePath(L"C:\\skins\\");
    EXPECT_EQ(RL::GetResourcePath(), L"C:\\skins\\");
    RL::SetResourcePath(L"C:/skins/");
    EXPECT_EQ(RL::GetResourcePath(), L"C:/skins/");
    RL::SetResourcePath(nullptr);
    EXPECT_EQ(RL::GetResourcePath(), L"");
}

TEST_F(ResourceLocation, InstancePathIsTheModuleFolder) {
    RL::SetInstance(::GetModuleHandleW(nullptr));
    wchar_t module[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, module, MAX_PATH);
    const std::wstring full(module, n);
    EXPECT_EQ(RL::GetInstancePath(), full.substr(0, full.find_last_of(L'\\') + 1));
    EXPECT_EQ(RL::GetResourceDll(), ::GetModuleHandleW(nullptr));
    RL::SetResourceInstance(reinterpret_cast<HINSTANCE>(0x10000));
    EXPECT_EQ(RL::GetResourceDll(), reinterpret_cast<HINSTANCE>(0x10000));
    RL::SetResourceInstance(nullptr);
}

TEST_F(ResourceLocation, ReadsFilesFromTheResourceFolder) {
    uitest::TempDir dir;
    ASSERT_TRUE(uitest::WriteBytes(dir / L"a.xml", std::string("<a/>")));
    ASSERT_TRUE(uitest::WriteBytes(dir / L"empty.xml", std::string()));
    RL::SetResourcePath(dir.path().c_str());
    EXPECT_EQ(Read(L"a.xml"), L"<a/>");
    EXPECT_EQ(Read(L"A.XML"), L"<a/>");  // the file system ignores case
    EXPECT_EQ(Read(L"a.xml", 4), L"<a/>");
    EXPECT_EQ(Read(L"a.xml", 3), L"error: File too large");
    EXPECT_EQ(Read(L"empty.xml"), L"error: File is empty");
    EXPECT_EQ(Read(L"missing.xml"), L"error: Error opening file");
    EXPECT_EQ(Read(L""), L"error: Error opening file");
}

TEST_F(ResourceLocation, ArchiveSkinNeverReadsAPictureFromTheCurrentFolder) {
    uitest::TempDir planted, skinFolder;
    ASSERT_TRUE(uitest::WriteBytes(planted / L"planted.bmp", TinyBitmap()));
    InFolder cwd(planted.path());
    ASSERT_TRUE(cwd.ok());

    // A skin in a folder may still name a file by its own path.
    RL::SetResourcePath(skinFolder.path().c_str());
    const auto fromFolder = Ulmar::LoadImageData(L"planted.bmp");
    ASSERT_NE(fromFolder, nullptr);
    EXPECT_EQ(fromFolder->width, 2);

    const auto zip = uitest::ReadBytes(uitest::DataPath(L"skins.zip"));
    RL::SetResourceZip(zip.data(), zip.size());
    EXPECT_TRUE(RL::IsArchiveSkin());
    EXPECT_EQ(Ulmar::LoadImageData(L"planted.bmp"), nullptr);
    EXPECT_EQ(Ulmar::LoadImageData((planted / L"planted.bmp").c_str()), nullptr);
    EXPECT_EQ(Ulmar::LoadImageData(L"planted.bmp", L"PNG"), nullptr);  // no such resource either
}

TEST_F(ResourceLocation, ReadsFromCachedArchiveInMemory) {
    const auto zip = uitest::ReadBytes(uitest::DataPath(L"skins.zip"));
    ASSERT_FALSE(zip.empty());
    RL::SetResourceZip(zip.data(), zip.size());
    EXPECT_EQ(RL::GetResourceZip(), L"membuffer");
    EXPECT_TRUE(RL::IsCachedResourceZip());
    ASSERT_NE(RL::GetResourceZipHandle(), nullptr);

    bool ok = false;
    const std::wstring text = Read(L"SKIN\\main.xml", kFourMiB, &ok);
    EXPECT_TRUE(ok) << text;
    EXPECT_EQ(text.substr(0, 8), L"<Window ");
    EXPECT_EQ(Read(L"skin/none.xml"), L"error: Could not find ziped file");
    EXPECT_EQ(Read(L"skin/empty.xml"), L"error: File is empty");
    EXPECT_EQ(Read(L"skin/big_over.xml", kFourMiB), L"error: File too large");
    Read(L"skin/big_ok.xml", kFourMiB, &ok);
    EXPECT_TRUE(ok);

    // A second archive in memory is ignored while the first is set.
    const auto other = uitest::ReadBytes(uitest::DataPath(L"protected.zip"));
    Ulmar::CSkinArchive* before = RL::GetResourceZipHandle();
    RL::SetResourceZip(other.data(), other.size(), L"Torvane-skin-1");
    EXPECT_EQ(RL::GetResourceZipHandle(), before);
    EXPECT_EQ(RL::GetResourceZipPassword(), L"");
}

TEST_F(ResourceLocation, ReadsFromArchiveFileCachedOrPerRead) {
    uitest::TempDir dir;
    const auto zip = uitest::ReadBytes(uitest::DataPath(L"protected.zip"));
    ASSERT_TRUE(uitest::WriteBytes(dir / L"skin.zip", zip.data(), zip.size()));
    RL::SetResourcePath(dir.path().c_str());

    RL::SetResourceZip(L"skin.zip", false, L"Torvane-skin-1");
    EXPECT_EQ(RL::GetResourceZipHandle(), nullptr);
    bool ok = false;
    EXPECT_EQ(Read(L"skin\\Main.xml", 0, &ok).substr(0, 7), L"<Window");
    EXPECT_TRUE(ok);

    RL::SetResourceZip(L"skin.zip", true, L"Torvane-skin-1");
    ASSERT_NE(RL::GetResourceZipHandle(), nullptr);
    EXPECT_EQ(Read(L"skin\\Main.xml", 0, &ok).substr(0, 7), L"<Window");
    EXPECT_TRUE(ok);

    // Same name and flag: nothing changes, not even the password.
    RL::SetResourceZip(L"skin.zip", true, L"other");
    EXPECT_EQ(RL::GetResourceZipPassword(), L"Torvane-skin-1");

    RL::SetResourceZip(L"missing.zip", false);
    EXPECT_EQ(Read(L"skin/Main.xml"), L"error: Error opening zip file");
    RL::SetResourceZip(L"missing.zip", true);
    EXPECT_EQ(RL::GetResourceZipHandle(), nullptr);
    EXPECT_EQ(Read(L"skin/Main.xml"), L"error: Error opening zip file");

    RL::SetResourceZip(L"skin.zip", false, L"wrong");
    EXPECT_EQ(Read(L"skin/Main.xml"), L"error: Could not unzip file");
}

}  // namespace
