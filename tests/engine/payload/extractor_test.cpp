#include "engine/sevenzip/com_adapters.h"
#include "engine/sevenzip/memory_stream.h"
#include "engine/sevenzip/sevenzip.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <vector>

#include "win/link_safe.h"
#include "win/path.h"
#include "win/result.h"
#include "win/text.h"
#include "win/unique_handle.h"
#include "test_support.h"
#include "tests/engine/test_support.h"

using namespace SevenZip;
using payload_test::Archive;
using payload_test::ReadAll;
using payload_test::ScratchFolder;
using payload_test::Source;

namespace {

// Records what the extractor reports.
class RecordingCallback : public ProgressCallback {
public:
    bool OnStart(uint32_t count) override { startCount = count; ++starts; return wantList; }
    bool OnItemList(const std::vector<std::wstring>& n, const std::vector<uint64_t>& s) override {
        listed = n; listedSizes = s; return true;
    }
    void OnStartWithTotal(const std::wstring&, uint64_t total) override { totalBytes = total; }
    void OnRatio(uint64_t, uint64_t) override {}
    void OnProgress(const std::wstring& path, uint64_t) override { progressed.push_back(path); }
    void OnDone(const std::wstring& path) override { done.push_back(path); }
    bool OnItemStart(const std::wstring&, std::wstring& relative, bool isFolder) override {
        (isFolder ? folders : files).push_back(relative);
        return true;
    }
    bool OnFileDone(const std::wstring& path, uint64_t size) override { fileDone.emplace_back(path, size); return true; }
    void OnRestore(const std::pair<std::wstring, std::wstring>& pair) override { restored.push_back(pair); }

    bool wantList = false;
    uint32_t startCount = 0xFFFFFFFF;
    int starts = 0;
    uint64_t totalBytes = 0;
    std::vector<std::wstring> listed, progressed, done, files, folders;
    std::vector<uint64_t> listedSizes;
    std::vector<std::pair<std::wstring, uint64_t>> fileDone;
    std::vector<std::pair<std::wstring, std::wstring>> restored;
};

struct FormatCase {
    const char* name;
    const wchar_t* archive;
    int format;
    // output name -> source file it must equal
    std::vector<std::pair<const wchar_t*, const wchar_t*>> files;
};

class ExtractFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ExtractFormat, DetectsTheFormatAndUnpacksTheContent) {
    const FormatCase& c = GetParam();
    ScratchFolder out(L"format");
    SevenZipExtractor extractor;
    extractor.SetArchivePath(Archive(c.archive));
    RecordingCallback callback;
    ASSERT_EQ(extractor.ExtractArchive(out.path(), &callback), 0) << extractor.GetErrorMessage();
    EXPECT_EQ(extractor.GetCompressionFormat(), c.format);
    for (const auto& [output, source] : c.files)
        EXPECT_EQ(ReadAll(out / output), ReadAll(Source(source))) << static_cast<const void*>(output);
    EXPECT_EQ(callback.files.size(), c.files.size());
    EXPECT_EQ(callback.fileDone.size(), c.files.size());
}

const std::vector<std::pair<const wchar_t*, const wchar_t*>> kTree{
    {L"top.txt", L"top.txt"}, {L"docs\\readme.txt", L"docs\\readme.txt"}, {L"bin\\tool.bin", L"bin\\tool.bin"}};

INSTANTIATE_TEST_SUITE_P(
    Formats, ExtractFormat,
    ::testing::Values(FormatCase{"SevenZipLzma2Bcj", L"lzma2_bcj.7z", CompressionFormat::SevenZip, kTree},
                      FormatCase{"SevenZipPpmdBcj2", L"ppmd_bcj2.7z", CompressionFormat::SevenZip, kTree},
                      // Deflate through the registered decoder, LZMA through the handler's own
                      FormatCase{"ZipDeflate", L"deflate.zip", CompressionFormat::Zip, kTree},
                      FormatCase{"ZipLzma", L"lzma.zip", CompressionFormat::Zip, kTree},
                      FormatCase{"CabMsZip", L"mszip.cab", CompressionFormat::Cab, kTree},
                      FormatCase{"Lzma", L"readme.lzma", CompressionFormat::Lzma, {{L"[Content]", L"docs\\readme.txt"}}},
                      FormatCase{"Lzma86", L"tool.lzma86", CompressionFormat::Lzma86, {{L"[Content]", L"bin\\tool.bin"}}}),
    [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

TEST(SevenZipExtractor, SevenZipFoldersAreCreatedAndReportedAsFolders) {
    ScratchFolder out(L"folders");
    SevenZipExtractor extractor;
    extractor.SetArchivePath(Archive(L"lzma2_bcj.7z"));
    RecordingCallback callback;
    ASSERT_EQ(extractor.ExtractArchive(out.path(), &callback), 0);
    EXPECT_EQ(callback.startCount, 6u);
    EXPECT_EQ(callback.folders.size(), 3u);
    EXPECT_TRUE(GetFileAttributesW((out / L"docs\\empty").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesW((out / L"docs\\empty").c_str()) == INVALID_FILE_ATTRIBUTES, false);
    // one OnDone per folder item (no file written) and one for the archive at the end
    ASSERT_EQ(callback.done.size(), 4u);
    EXPECT_EQ(callback.done.back(), Archive(L"lzma2_bcj.7z"));
}

TEST(SevenZipExtractor, ListingIsOfferedWhenAskedFor) {
    ScratchFolder out(L"listing");
    SevenZipExtractor extractor;
    extractor.SetArchivePath(Archive(L"lzma2_bcj.7z"));
    RecordingCallback callback;
    callback.wantList = true;
    ASSERT_EQ(extractor.ExtractArchive(out.path(), &callback), 0);
    ASSERT_EQ(callback.listed.size(), 6u);
    EXPECT_EQ(extractor.GetNumberOfItems(), 6u);
    EXPECT_EQ(extractor.GetItemsNames(), callback.listed);
    const auto sizes = extractor.GetOrigSizes();
    for (size_t i = 0; i < sizes.size(); ++i) EXPECT_EQ(sizes[i], callback.listedSizes[i]);
}

TEST(SevenZipExtractor, EmptyArchiveStartsWithZeroItemsAndSucceeds) {
    ScratchFolder out(L"empty");
    SevenZipExtractor extractor;
    extractor.SetArchivePath(Archive(L"empty.7z"));
    RecordingCallback callback;
    EXPECT_EQ(extractor.ExtractArchive(out.path(), &callback), 0);
    EXPECT_EQ(callback.starts, 1);
    EXPECT_EQ(callback.startCount, 0u);
    EXPECT_TRUE(callback.files.empty());
    EXPECT_EQ(extractor.GetCompressionFormat(), CompressionFormat::SevenZip);
}

TEST(SevenZipExtractor, ArchivesThatCannotBeReadFail) {
    ScratchFolder out(L"bad");
    {
        SevenZipExtractor extractor;
        extractor.SetArchivePath(Archive(L"no_such_archive.7z"));
        EXPECT_EQ(extractor.ExtractArchive(out.path(), nullptr), ERROR_OPEN_FAILED);
        EXPECT_EQ(extractor.GetErrorMessage(), win::SystemMessage(ERROR_OPEN_FAILED));
    }
    {
        SevenZipExtractor extractor;
        extractor.SetArchivePath(Archive(L"not_an_archive.bin"));
        EXPECT_FALSE(extractor.DetectCompressionFormat());
        EXPECT_EQ(extractor.GetCompressionFormat(), CompressionFormat::Unknown);
        EXPECT_NE(extractor.ExtractArchive(out.path(), nullptr), 0);
    }
}

TEST(SevenZipExtractor, EncryptedArchivesFailBecausePasswordRequestsAreRefused) {
    ScratchFolder out(L"encrypted");
    for (const wchar_t* name : {L"encrypted_headers.7z", L"encrypted_data.7z"}) {
        SevenZipExtractor extractor;
        extractor.SetArchivePath(Archive(name));
        RecordingCallback callback;
        EXPECT_NE(extractor.ExtractArchive(out.path(), &callback), 0) << static_cast<const void*>(name);
        EXPECT_TRUE(callback.fileDone.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(out / L"bin\\tool.bin"));
}

TEST(SevenZipExtractor, ZipCryptoArchiveFailsWithTheRefusedPassword) {
    ScratchFolder out(L"zipcrypto");
    SevenZipExtractor extractor;
    extractor.SetArchivePath(Archive(L"zipcrypto.zip"));
    EXPECT_TRUE(extractor.DetectCompressionFormat());
    EXPECT_EQ(extractor.GetCompressionFormat(), CompressionFormat::Zip);
    RecordingCallback callback;
    EXPECT_EQ(extractor.ExtractArchive(out.path(), &callback), E_ABORT);
    EXPECT_TRUE(callback.fileDone.empty());
    EXPECT_FALSE(std::filesystem::exists(out / L"bin\\tool.bin"));
    EXPECT_FALSE(std::filesystem::exists(out / L"top.txt"));
}

TEST(SevenZipExtractor, CorruptedDataFailsTheExtractionAndLeavesNoDamagedFile) {
    ScratchFolder out(L"corrupted");
    SevenZipExtractor extractor;
    extractor.SetArchivePath(Archive(L"corrupted.7z"));
    RecordingCallback callback;
    const LONG rc = extractor.ExtractArchive(out.path(), &callback);
    EXPECT_EQ(rc, win::HResultFromWin32(ERROR_CRC));
    EXPECT_FALSE(extractor.GetErrorMessage().empty());
    EXPECT_FALSE(std::filesystem::exists(out / L"bin\\tool.bin"));
}

TEST(SevenZipExtractor, StoredTimesAndAttributesLandOnTheUnpackedFile) {
    ScratchFolder out(L"stamped");
    SevenZipExtractor extractor;
    extractor.SetArchivePath(Archive(L"stamped.7z"));
    ASSERT_EQ(extractor.ExtractArchive(out.path(), nullptr), 0) << extractor.GetErrorMessage();
    const std::wstring file = out / L"old.txt";
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data));
    EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
    SYSTEMTIME stamp{2001, 2, 0, 3, 4, 5, 6, 0};
    FILETIME expected{};
    ASSERT_TRUE(SystemTimeToFileTime(&stamp, &expected));
    EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &expected), 0);
    EXPECT_EQ(CompareFileTime(&data.ftLastAccessTime, &expected), 0);
    // The file is closed: it can be opened without sharing.
    win::UniqueFile exclusive(CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(exclusive);
    exclusive.reset();
    EXPECT_EQ(ReadAll(file), "stamped\n");  // last: reading moves the access time
}

TEST(SevenZipExtractor, ReadOnlyFileInTheWayFailsWithTheDeleteError) {
    ScratchFolder out(L"readonly");
    // The error Windows gives for deleting a read-only file.
    const std::wstring probe = out / L"probe.txt";
    std::ofstream(std::filesystem::path(probe)) << "x";
    SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_FALSE(DeleteFileW(probe.c_str()));
    const DWORD deleteError = GetLastError();

    const std::wstring existing = out / L"a.txt";
    std::ofstream(std::filesystem::path(existing)) << "old";
    SetFileAttributesW(existing.c_str(), FILE_ATTRIBUTE_READONLY);
    SevenZipExtractor extractor;
    extractor.SetArchivePath(Archive(L"single.7z"));
    EXPECT_EQ(extractor.ExtractArchive(out.path(), nullptr), win::HResultFromWin32(deleteError));
    EXPECT_EQ(ReadAll(existing), "old");
}

TEST(SevenZipExtractor, ExistingFileIsReplacedInDeleteMode) {
    ScratchFolder out(L"replace");
    std::ofstream(std::filesystem::path(out / L"a.txt")) << "old";
    SevenZipExtractor extractor;
    extractor.SetArchivePath(Archive(L"single.7z"));
    EXPECT_EQ(extractor.ExtractArchive(out.path(), nullptr), 0);
    EXPECT_EQ(ReadAll(out / L"a.txt"), "just one file\n");
}

TEST(SevenZipExtractor, ExistingPathOf261CharactersCannotBeReplaced) {
    ScratchFolder out(L"long");
    // folder + "a.txt" reaches 261 characters
    std::wstring folder = out.path();
    while (folder.size() + 5 < 261) folder += L'd';
    folder += L'\\';
    while (folder.size() + 5 < 261) folder.insert(folder.size() - 1, 1, L'e');
    const std::wstring target = folder + L"a.txt";
    ASSERT_GE(target.size(), 261u);
    std::filesystem::create_directories(L"\\\\?\\" + folder);
    std::ofstream(std::filesystem::path(L"\\\\?\\" + target)) << "old";
    ASSERT_NE(GetFileAttributesW(target.c_str()), INVALID_FILE_ATTRIBUTES) << "long paths are not visible here";

    SevenZipExtractor extractor;
    extractor.SetArchivePath(Archive(L"single.7z"));
    EXPECT_NE(extractor.ExtractArchive(folder, nullptr), 0);
    EXPECT_EQ(ReadAll(L"\\\\?\\" + target), "old");
}

TEST(SevenZipExtractor, OtherOverwriteModesKeepOrMoveTheExistingFile) {
    ScratchFolder out(L"modes");
    const std::wstring existing = out / L"a.txt";
    std::ofstream(std::filesystem::path(existing)) << "old";
    {
        SevenZipExtractor extractor;
        extractor.SetArchivePath(Archive(L"single.7z"));
        extractor.SetOverwriteMode(OverwriteMode::Skip);
        EXPECT_EQ(extractor.ExtractArchive(out.path(), nullptr), 0);
        EXPECT_EQ(ReadAll(existing), "old");
    }
    {
        SevenZipExtractor extractor;
        extractor.SetArchivePath(Archive(L"single.7z"));
        extractor.SetOverwriteMode(OverwriteMode::MoveExisting);
        EXPECT_EQ(extractor.ExtractArchive(out.path(), nullptr), 0);
        EXPECT_EQ(ReadAll(existing), "just one file\n");
        size_t files = 0;
        bool oldKept = false;
        for (auto& entry : std::filesystem::directory_iterator(out.path())) {
            ++files;
            if (entry.path() != existing && ReadAll(entry.path().wstring()) == "old") oldKept = true;
        }
        EXPECT_EQ(files, 2u);
        EXPECT_TRUE(oldKept);
    }
    {
        SevenZipExtractor extractor;
        extractor.SetArchivePath(Archive(L"single.7z"));
        extractor.SetOverwriteMode(9);
        EXPECT_EQ(extractor.ExtractArchive(out.path(), nullptr), ERROR_FILE_EXISTS);
    }
}

TEST(SevenZipExtractor, ForcedFormatSkipsDetection) {
    SevenZipExtractor extractor;
    extractor.SetArchivePath(Archive(L"mszip.cab"));
    extractor.SetCompressionFormat(CompressionFormat::Cab);
    EXPECT_TRUE(extractor.ReadInArchiveMetadata());
    EXPECT_EQ(extractor.GetNumberOfItems(), 3u);
    extractor.SetCompressionFormat(CompressionFormat::Lzma);
    EXPECT_FALSE(extractor.ReadInArchiveMetadata());
    EXPECT_TRUE(extractor.DetectCompressionFormat());
    EXPECT_EQ(extractor.GetCompressionFormat(), CompressionFormat::Cab);
}

}  // namespace

namespace {

// A file where the archive has a folder: the folder cannot be created, and the
// extraction ends there with ERROR_CREATE_FAILED, a positive Win32 code that
// travels in the callback's HRESULT and must not be read as success.
TEST(SevenZipExtractor, FolderThatCannotBeCreatedEndsTheExtractionWith1631) {
    for (const wchar_t* archive : {L"lzma2_bcj.7z", L"deflate.zip"}) {
        ScratchFolder out(L"nofolder");
        std::ofstream(std::filesystem::path(out / L"docs")) << "a file in the way";
        SevenZipExtractor extractor;
        extractor.SetArchivePath(Archive(archive));
        RecordingCallback callback;
        EXPECT_EQ(extractor.ExtractArchive(out.path(), &callback), static_cast<LONG>(ERROR_CREATE_FAILED))
            << win::WideToUtf8(archive);
        EXPECT_EQ(ReadAll(out / L"docs"), "a file in the way");
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(out / L"docs\\readme.txt")));
    }
}

// Each archive holds "ok.txt", then an item whose name would put it outside the
// folder. The item is refused with ERROR_BAD_PATHNAME and nothing is written
// outside the folder.
class UnsafeItem : public ::testing::TestWithParam<const char*> {};

TEST_P(UnsafeItem, IsRefusedAndNothingLandsOutsideTheFolder) {
    const std::wstring name(GetParam(), GetParam() + std::strlen(GetParam()));
    for (const wchar_t* extension : {L".7z", L".zip"}) {
        ScratchFolder out(L"unsafe");
        const std::wstring dest = out / L"a\\b\\dest\\";
        std::filesystem::create_directories(std::filesystem::path(dest));
        SevenZipExtractor extractor;
        extractor.SetArchivePath(Archive((L"unsafe_" + name + extension).c_str()));
        RecordingCallback callback;
        const LONG rc = extractor.ExtractArchive(dest, &callback);
        if (name == L"backslash_dotdot" && rc == 0) {
            // 7-Zip's handler may read "\\" in a name made on Unix as a character,
            // not a separator: one plain name inside the folder, rightly written.
            for (const auto& file : callback.files) EXPECT_TRUE(win::IsContainedRelativePath(file));
        } else {
            EXPECT_EQ(rc, static_cast<LONG>(ERROR_BAD_PATHNAME)) << win::WideToUtf8(extension);
            EXPECT_EQ(callback.files, std::vector<std::wstring>{L"ok.txt"});  // the refused item never started
        }

        for (const auto& entry : std::filesystem::recursive_directory_iterator(std::filesystem::path(out.path()))) {
            const std::wstring path = entry.path().wstring();
            if (entry.is_directory()) continue;
            EXPECT_EQ(path.compare(0, dest.size(), dest), 0) << entry.path().u8string();
        }
        EXPECT_FALSE(std::filesystem::exists(L"C:\\torvane-unsafe-test"));
        EXPECT_FALSE(std::filesystem::exists(L"C:x_drive_relative.txt"));
        EXPECT_EQ(GetFileAttributesW((dest + L"ok.txt:x_stream").c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

INSTANTIATE_TEST_SUITE_P(Names, UnsafeItem,
                         ::testing::Values("dotdot", "backslash_dotdot", "drive", "drive_relative", "rooted", "unc",
                                           "stream", "inner_dotdot"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// What the standard library throws in the installer's callback stays on our side
// of the archive handler and ends the extraction with a failure.
class ThrowingCallback : public RecordingCallback {
public:
    bool OnItemStart(const std::wstring& dest, std::wstring& relative, bool isFolder) override {
        if (++calls == throwAt) throw std::bad_alloc();
        return RecordingCallback::OnItemStart(dest, relative, isFolder);
    }
    int calls = 0;
    int throwAt = 2;
};

TEST(SevenZipExtractor, ExceptionInACallbackBecomesAFailureResult) {
    for (const wchar_t* archive : {L"lzma2_bcj.7z", L"ppmd_bcj2.7z", L"deflate.zip"}) {
        ScratchFolder out(L"throws");
        SevenZipExtractor extractor;
        extractor.SetArchivePath(Archive(archive));
        ThrowingCallback callback;
        LONG rc = 0;
        EXPECT_NO_THROW(rc = extractor.ExtractArchive(out.path(), &callback)) << win::WideToUtf8(archive);
        EXPECT_EQ(rc, E_OUTOFMEMORY) << win::WideToUtf8(archive);
    }
}

// The archive is read through the handle it was written with, whatever now
// stands at its path.
TEST(SevenZipExtractor, ArchiveFileHandleIsReadRatherThanThePath) {
    ScratchFolder out(L"byhandle");
    const std::wstring copy = out / L"archive.7z";
    std::filesystem::copy_file(std::filesystem::path(Archive(L"single.7z")), std::filesystem::path(copy));
    win::UniqueFile file(CreateFileW(copy.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    ASSERT_TRUE(MoveFileW(copy.c_str(), (out / L"moved.7z").c_str()));
    std::filesystem::copy_file(std::filesystem::path(Archive(L"lzma2_bcj.7z")), std::filesystem::path(copy));

    SevenZipExtractor extractor;
    extractor.SetArchivePath(copy);
    extractor.SetArchiveFile(file.get());
    RecordingCallback callback;
    ASSERT_EQ(extractor.ExtractArchive(out / L"dest\\", &callback), 0);
    EXPECT_EQ(callback.files, std::vector<std::wstring>{L"a.txt"});
    EXPECT_EQ(ReadAll(out / L"dest\\a.txt"), "just one file\n");
}

// The archive read from memory gives what the same file gives: the result code,
// the items reported and the bytes unpacked, for good, damaged and refused archives.
TEST(SevenZipExtractor, ArchiveInMemoryUnpacksAsTheSameFileDoes) {
    ScratchFolder out(L"inmemory");
    for (const wchar_t* name : {L"lzma2_bcj.7z", L"ppmd_bcj2.7z", L"deflate.zip", L"mszip.cab", L"readme.lzma",
                                L"tool.lzma86", L"empty.7z", L"corrupted.7z", L"encrypted_data.7z",
                                L"zipcrypto.zip", L"not_an_archive.bin"}) {
        const std::string tag = win::WideToUtf8(name);
        const std::string bytes = ReadAll(Archive(name));
        ASSERT_FALSE(bytes.empty()) << tag;
        const std::wstring fromFile = out / (std::wstring(name) + L".file\\").c_str();
        const std::wstring fromMemory = out / (std::wstring(name) + L".memory\\").c_str();

        SevenZipExtractor byPath, byBytes;
        byPath.SetArchivePath(Archive(name));
        byBytes.SetArchiveBytes(bytes.data(), bytes.size());
        RecordingCallback pathItems, memoryItems;
        pathItems.wantList = memoryItems.wantList = true;
        const LONG pathResult = byPath.ExtractArchive(fromFile, &pathItems);
        EXPECT_EQ(byBytes.ExtractArchive(fromMemory, &memoryItems), pathResult) << tag;
        EXPECT_EQ(byBytes.GetCompressionFormat(), byPath.GetCompressionFormat()) << tag;
        EXPECT_EQ(memoryItems.listed, pathItems.listed) << tag;
        EXPECT_EQ(memoryItems.files, pathItems.files) << tag;
        EXPECT_EQ(memoryItems.folders, pathItems.folders) << tag;
        for (const std::wstring& file : pathItems.files) {
            if (!win::FileExists(fromFile + file)) continue;
            EXPECT_EQ(ReadAll(fromMemory + file), ReadAll(fromFile + file)) << tag << " " << win::WideToUtf8(file);
        }
    }
}

// Threads of this process now.
size_t ThreadCount() {
    win::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    size_t count = 0;
    if (!snapshot || !Thread32First(snapshot.get(), &entry)) return 0;
    do count += entry.th32OwnerProcessID == GetCurrentProcessId();
    while (Thread32Next(snapshot.get(), &entry));
    return count;
}

// Counts the threads at each item, and refuses the item named `refuse` (a
// cancel from the installer's side).
class WatchingCallback : public RecordingCallback {
public:
    bool OnItemStart(const std::wstring& folder, std::wstring& relative, bool isFolder) override {
        mostThreads = std::max(mostThreads, ThreadCount());
        if (relative == refuse) return false;
        return RecordingCallback::OnItemStart(folder, relative, isFolder);
    }
    std::wstring refuse;
    size_t mostThreads = 0;
};

const wchar_t* const kBlockFiles[] = {L"a-lines.txt", L"b-random.bin", L"c-more.txt", L"d-last.txt"};

std::wstring BlockSource(const wchar_t* name) { return std::wstring(TEST_ARCHIVES) + L"\\blocks\\" + name; }

// An archive packed in LZMA2 blocks decodes on more threads than one when the
// machine has them, and unpacks the same bytes as on one thread.
TEST(SevenZipExtractor, BlockPackedArchiveDecodesOnSeveralThreadsToTheSameBytes) {
    ScratchFolder out(L"blocks");
    size_t most[2] = {0, 0};
    const uint32_t threads[2] = {1, 0};  // 0: the default, every core
    for (int run = 0; run < 2; ++run) {
        const std::wstring dest = out / (run ? L"all\\" : L"one\\");
        SevenZipExtractor extractor;
        extractor.SetArchivePath(Archive(L"blocks.7z"));
        extractor.SetDecodeThreads(threads[run]);
        WatchingCallback callback;
        ASSERT_EQ(extractor.ExtractArchive(dest, &callback), 0) << run;
        for (const wchar_t* name : kBlockFiles)
            EXPECT_EQ(ReadAll(dest + name), ReadAll(BlockSource(name))) << run << " " << win::WideToUtf8(name);
        most[run] = callback.mostThreads;
    }
    if (DefaultDecodeThreads() < 2) GTEST_SKIP() << "one logical processor: nothing to decode beside";
    EXPECT_GT(most[1], most[0]) << "threads seen: one-thread decode " << most[0] << ", default " << most[1];
}

// A damaged block fails the multi-threaded decode with the CRC error, and the
// item it belongs to is not left half written.
TEST(SevenZipExtractor, DamagedBlockFailsTheMultiThreadedDecodeWithTheCrcError) {
    ScratchFolder out(L"blockcrc");
    SevenZipExtractor extractor;
    extractor.SetArchivePath(Archive(L"blocks_corrupted.7z"));
    RecordingCallback callback;
    EXPECT_EQ(extractor.ExtractArchive(out.path(), &callback), win::HResultFromWin32(ERROR_CRC));
    EXPECT_FALSE(callback.files.empty());
    // The item that did not check is gone; none of those after it were started.
    const std::wstring failed = callback.files.back();
    EXPECT_FALSE(win::FileExists(out / failed.c_str())) << win::WideToUtf8(failed);
    EXPECT_FALSE(win::FileExists(out / L"d-last.txt"));
    for (const std::wstring& done : callback.files) {
        if (done == failed) break;
        EXPECT_EQ(ReadAll(out / done.c_str()), ReadAll(BlockSource(done.c_str()))) << win::WideToUtf8(done);
    }
}

// A refused item in the middle of a multi-threaded decode ends the extraction
// promptly with a failure: the items before it are whole, nothing after it is written.
TEST(SevenZipExtractor, RefusedItemStopsTheMultiThreadedDecode) {
    ScratchFolder out(L"blockcancel");
    SevenZipExtractor extractor;
    extractor.SetArchivePath(Archive(L"blocks.7z"));
    WatchingCallback callback;
    callback.refuse = L"c-more.txt";
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(extractor.ExtractArchive(out.path(), &callback), E_FAIL);
    EXPECT_LT(GetTickCount64() - start, 60000u);
    EXPECT_EQ(callback.files, (std::vector<std::wstring>{L"a-lines.txt", L"b-random.bin"}));
    for (const wchar_t* name : {L"a-lines.txt", L"b-random.bin"})
        EXPECT_EQ(ReadAll(out / name), ReadAll(BlockSource(name))) << win::WideToUtf8(name);
    EXPECT_FALSE(win::FileExists(out / L"c-more.txt"));
    EXPECT_FALSE(win::FileExists(out / L"d-last.txt"));
}

}  // namespace

// The memory stream reads and seeks as a file does: short reads at the end,
// positions past the end allowed, before the start refused.
TEST(MemoryInStream, ReadsAndSeeksAsAFileDoes) {
    const char data[] = "0123456789";
    CMyComPtr<IInStream> in = new intl::MemoryInStream(data, 10);
    char buffer[8] = {};
    UInt32 read = 0;
    UInt64 position = 0;
    ASSERT_EQ(in->Seek(-3, STREAM_SEEK_END, &position), S_OK);
    EXPECT_EQ(position, 7u);
    ASSERT_EQ(in->Read(buffer, 8, &read), S_OK);
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(std::string(buffer, read), "789");
    ASSERT_EQ(in->Read(buffer, 8, &read), S_OK);
    EXPECT_EQ(read, 0u);

    ASSERT_EQ(in->Seek(4, STREAM_SEEK_SET, &position), S_OK);
    ASSERT_EQ(in->Seek(-2, STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position, 2u);
    ASSERT_EQ(in->Read(buffer, 2, &read), S_OK);
    EXPECT_EQ(std::string(buffer, read), "23");

    EXPECT_EQ(in->Seek(-5, STREAM_SEEK_CUR, &position), HRESULT_FROM_WIN32(ERROR_NEGATIVE_SEEK));
    ASSERT_EQ(in->Seek(0, STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position, 4u);  // the refused seek moved nothing
    EXPECT_EQ(in->Seek(0, 7, &position), STG_E_INVALIDFUNCTION);

    ASSERT_EQ(in->Seek(20, STREAM_SEEK_SET, &position), S_OK);
    EXPECT_EQ(position, 20u);
    ASSERT_EQ(in->Read(buffer, 8, &read), S_OK);
    EXPECT_EQ(read, 0u);

    CMyComPtr<IStreamGetSize> sized;
    ASSERT_EQ(in.QueryInterface(IID_IStreamGetSize, &sized), S_OK);
    UInt64 size = 0;
    ASSERT_EQ(sized->GetSize(&size), S_OK);
    EXPECT_EQ(size, 10u);
}

// A link planted in the destination is replaced, never written through: a link
// to a file at an item's name, and a link to a folder at a folder on the way.
// Wine opens a Unix link to a folder as the folder itself, so there the only
// sound result is a refused item; either way nothing outside changes.
TEST(SevenZipExtractor, PlantedLinksInTheDestinationAreNotWrittenThrough) {
    ScratchFolder out(L"links");
    const std::wstring dest = out / L"Torvane\\";
    const std::wstring outside = out / L"outside\\";
    std::filesystem::create_directories(std::filesystem::path(dest));
    std::filesystem::create_directories(std::filesystem::path(outside));
    std::ofstream(std::filesystem::path(outside + L"victim.txt")) << "keep";
    ASSERT_TRUE(testing_support::MakeUnixSymlink(outside + L"victim.txt", dest + L"top.txt"));

    SevenZipExtractor files;
    files.SetArchivePath(Archive(L"lzma2_bcj.7z"));
    EXPECT_EQ(files.ExtractArchive(dest, nullptr), 0);
    EXPECT_EQ(ReadAll(dest + L"top.txt"), ReadAll(Source(L"top.txt")));
    EXPECT_EQ(ReadAll(outside + L"victim.txt"), "keep");
    EXPECT_FALSE(win::IsLinkAt(dest + L"top.txt"));

    std::filesystem::remove_all(std::filesystem::path(dest + L"docs"));
    ASSERT_TRUE(testing_support::MakeUnixSymlink(outside, dest + L"docs"));
    SevenZipExtractor folders;
    folders.SetArchivePath(Archive(L"lzma2_bcj.7z"));
    const LONG result = folders.ExtractArchive(dest, nullptr);
    EXPECT_EQ(testing_support::Listing(outside), std::vector<std::wstring>{L"victim.txt"});
    EXPECT_EQ(ReadAll(outside + L"victim.txt"), "keep");
    if (result == 0) {
        EXPECT_FALSE(win::IsLinkAt(dest + L"docs"));
        EXPECT_EQ(ReadAll(dest + L"docs\\readme.txt"), ReadAll(Source(L"docs\\readme.txt")));
    } else {
        ASSERT_TRUE(testing_support::RemoveUnixEntry(dest + L"docs"));
    }
}
