#include "ui/base/skin_archive.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/ui/test_files.h"

using Ulmar::CSkinArchive;
using Result = CSkinArchive::Result;

namespace {

const char kMainXml[] = "<Window size=\"600,400\"><Label name=\"lab_title\" text=\"Hello\"/></Window>";
constexpr size_t kFourMiB = 4 * 1024 * 1024;
const wchar_t kPassword[] = L"Torvane-skin-1";

std::string AsText(const std::vector<unsigned char>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// logo.bin is the bytes 0..255, eight times.
bool IsLogo(const std::vector<unsigned char>& bytes) {
    if (bytes.size() != 2048) return false;
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] != static_cast<unsigned char>(i)) return false;
    return true;
}

TEST(SkinArchive, FindsEntriesWhateverTheCaseAndSlashes) {
    const auto zip = uitest::ReadBytes(uitest::DataPath(L"skins.zip"));
    ASSERT_FALSE(zip.empty());
    CSkinArchive archive;
    ASSERT_TRUE(archive.OpenMemory(zip.data(), zip.size()));
    EXPECT_EQ(archive.GetEntryCount(), 5u);

    std::vector<unsigned char> bytes;
    for (const wchar_t* name : {L"skin/Main.xml", L"SKIN\\main.XML", L"Skin\\MAIN.xml"}) {
        ASSERT_EQ(archive.Extract(name, bytes), Result::Ok) << name;
        EXPECT_EQ(AsText(bytes), kMainXml);
    }
    // Stored (not deflated) entry.
    ASSERT_EQ(archive.Extract(L"images\\LOGO.bin", bytes), Result::Ok);
    EXPECT_TRUE(IsLogo(bytes));

    EXPECT_EQ(archive.Extract(L"skin/Main.xm", bytes), Result::NotFound);
    EXPECT_EQ(archive.Extract(L"Main.xml", bytes), Result::NotFound);
    EXPECT_EQ(archive.Extract(L"", bytes), Result::NotFound);
    EXPECT_EQ(archive.Extract(nullptr, bytes), Result::NotFound);
    EXPECT_TRUE(bytes.empty());
}

TEST(SkinArchive, SizeLimitsAndEmptyEntries) {
    CSkinArchive archive;
    ASSERT_TRUE(archive.OpenFile(uitest::DataPath(L"skins.zip").c_str()));
    std::vector<unsigned char> bytes;
    EXPECT_EQ(archive.Extract(L"skin/empty.xml", bytes), Result::Empty);

    ASSERT_EQ(archive.Extract(L"skin/big_ok.xml", bytes, kFourMiB), Result::Ok);
    EXPECT_EQ(bytes.size(), kFourMiB);
    EXPECT_EQ(AsText(bytes).substr(bytes.size() - 9), "</Window>");

    EXPECT_EQ(archive.Extract(L"skin/big_over.xml", bytes, kFourMiB), Result::TooLarge);
    EXPECT_TRUE(bytes.empty());
    ASSERT_EQ(archive.Extract(L"skin/big_over.xml", bytes), Result::Ok);  // no limit
    EXPECT_EQ(bytes.size(), kFourMiB + 1);
}

TEST(SkinArchive, PasswordProtectedEntries) {
    const auto zip = uitest::ReadBytes(uitest::DataPath(L"protected.zip"));
    ASSERT_FALSE(zip.empty());
    std::vector<unsigned char> bytes;

    CSkinArchive right;
    ASSERT_TRUE(right.OpenMemory(zip.data(), zip.size(), kPassword));
    ASSERT_EQ(right.Extract(L"skin\\main.xml", bytes), Result::Ok);  // deflated
    EXPECT_EQ(AsText(bytes), kMainXml);
    ASSERT_EQ(right.Extract(L"images/logo.bin", bytes), Result::Ok);  // stored
    EXPECT_TRUE(IsLogo(bytes));

    CSkinArchive none;
    ASSERT_TRUE(none.OpenMemory(zip.data(), zip.size()));
    EXPECT_EQ(none.Extract(L"skin/Main.xml", bytes), Result::UnzipFailed);
    EXPECT_TRUE(bytes.empty());

    for (const wchar_t* wrong : {L"torvane-skin-1", L"Torvane-skin-2", L"x"}) {
        CSkinArchive archive;
        ASSERT_TRUE(archive.OpenMemory(zip.data(), zip.size(), wrong));
        EXPECT_EQ(archive.Extract(L"skin/Main.xml", bytes), Result::UnzipFailed) << wrong;
        EXPECT_EQ(archive.Extract(L"images/logo.bin", bytes), Result::UnzipFailed) << wrong;
    }
}

TEST(SkinArchive, DamagedDataFailsInsteadOfReturningGarbage) {
    auto zip = uitest::ReadBytes(uitest::DataPath(L"skins.zip"));
    ASSERT_FALSE(zip.empty());
    // Flip a byte inside logo.bin's stored data: only the CRC can notice.
    const std::string text = AsText(zip);
    const size_t header = text.find("images/logo.bin");  // the local header's name comes first
    ASSERT_NE(header, std::string::npos);
    zip[header + 15 + 100] ^= 0x55;
    CSkinArchive archive;
    ASSERT_TRUE(archive.OpenMemory(zip.data(), zip.size()));
    std::vector<unsigned char> bytes;
    EXPECT_EQ(archive.Extract(L"images/logo.bin", bytes), Result::UnzipFailed);
    EXPECT_TRUE(bytes.empty());
    ASSERT_EQ(archive.Extract(L"skin/Main.xml", bytes), Result::Ok);  // the others still read
}

TEST(SkinArchive, RejectsWhatIsNoArchive) {
    CSkinArchive archive;
    const char junk[] = "PK\x03\x04 this is not a zip archive at all";
    EXPECT_FALSE(archive.OpenMemory(junk, sizeof junk));
    EXPECT_FALSE(archive.IsOpen());
    EXPECT_FALSE(archive.OpenMemory(nullptr, 10));
    EXPECT_FALSE(archive.OpenFile(uitest::DataPath(L"no-such.zip").c_str()));
    EXPECT_FALSE(archive.OpenFile(uitest::DataPath(L"make_archives.sh").c_str()));
    std::vector<unsigned char> bytes;
    EXPECT_EQ(archive.Extract(L"skin/Main.xml", bytes), Result::NotFound);
}

TEST(SkinArchive, MovedArchiveKeepsReadingAndSourceBufferIsOwned) {
    auto zip = uitest::ReadBytes(uitest::DataPath(L"skins.zip"));
    CSkinArchive first;
    ASSERT_TRUE(first.OpenMemory(zip.data(), zip.size()));
    // The archive keeps its own copy: the caller's buffer may go away.
    std::fill(zip.begin(), zip.end(), 0);
    zip.clear();
    zip.shrink_to_fit();

    CSkinArchive second(std::move(first));
    EXPECT_FALSE(first.IsOpen());
    std::vector<unsigned char> bytes;
    ASSERT_EQ(second.Extract(L"skin/main.xml", bytes), Result::Ok);
    CSkinArchive third;
    third = std::move(second);
    ASSERT_EQ(third.Extract(L"IMAGES/logo.bin", bytes), Result::Ok);
    EXPECT_TRUE(IsLogo(bytes));
}

TEST(SkinArchive, OpensFileInFolderWithUnicodeName) {
    uitest::TempDir dir(L"皮肤");
    const auto zip = uitest::ReadBytes(uitest::DataPath(L"protected.zip"));
    const std::wstring path = dir / L"安装皮肤.zip";
    ASSERT_TRUE(uitest::WriteBytes(path, zip.data(), zip.size()));
    CSkinArchive archive;
    ASSERT_TRUE(archive.OpenFile(path.c_str(), kPassword));
    std::vector<unsigned char> bytes;
    ASSERT_EQ(archive.Extract(L"Skin/Main.xml", bytes), Result::Ok);
    EXPECT_EQ(AsText(bytes), kMainXml);
}

}  // namespace
