// Archive wrapper over the 7-Zip handlers linked into this program: format
// detection, listing and extraction into a folder with per-item callbacks.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace SevenZip {

// Archive format codes; every other value (0 = none found) opens as 7z.
namespace CompressionFormat {
constexpr int Unknown = 0;
constexpr int SevenZip = 1;
constexpr int Zip = 2;
constexpr int Cab = 8;
constexpr int Lzma = 9;
constexpr int Lzma86 = 10;
}  // namespace CompressionFormat

// What happens when an output file already exists.
namespace OverwriteMode {
constexpr int DeleteExisting = 1;   // shell delete, then write
constexpr int Skip = 2;             // leave the existing file, item succeeds
constexpr int WriteUnique = 3;      // write the item under a new unique name
constexpr int MoveExisting = 4;     // move the existing file to a unique name, then write
constexpr int MoveAndRestore = 5;   // as 4, and move every file back when an item fails
}  // namespace OverwriteMode

// Per-item events of an extraction.
class ProgressCallback {
public:
    virtual ~ProgressCallback() = default;

    // true asks for the item listing (OnItemList) before extracting.
    virtual bool OnStart(uint32_t itemCount) = 0;
    // false ends the extraction with success before any item is written.
    virtual bool OnItemList(const std::vector<std::wstring>& names, const std::vector<uint64_t>& sizes) = 0;
    virtual void OnStartWithTotal(const std::wstring& archivePath, uint64_t totalBytes) = 0;
    virtual void OnRatio(uint64_t packedBytes, uint64_t unpackedBytes) = 0;
    virtual void OnProgress(const std::wstring& outputPath, uint64_t fileSize) = 0;
    virtual void OnDone(const std::wstring& path) = 0;
    // May change relativePath; an empty one skips the item. false aborts the extraction.
    virtual bool OnItemStart(const std::wstring& destFolder, std::wstring& relativePath, bool isFolder) = 0;
    // false aborts the extraction.
    virtual bool OnFileDone(const std::wstring& outputPath, uint64_t fileSize) = 0;
    // A file moved aside (first) and put back at its place (second).
    virtual void OnRestore(const std::pair<std::wstring, std::wstring>& movedPair) = 0;
};

class SevenZipArchive {
public:
    SevenZipArchive() = default;
    virtual ~SevenZipArchive() = default;
    SevenZipArchive(const SevenZipArchive&) = delete;
    SevenZipArchive& operator=(const SevenZipArchive&) = delete;

    virtual bool SetArchivePath(const std::wstring& path);
    // Reads the archive through this open file instead of opening the path anew,
    // so that what is read is the very file that was written. Borrowed: the
    // caller keeps it open while the archive is used.
    void SetArchiveFile(HANDLE file) { m_archiveFile = file; }
    // Reads the archive from these bytes in memory, before any file or path.
    // Borrowed: they stay readable while the archive is used.
    void SetArchiveBytes(const void* data, size_t size) {
        m_archiveBytes = data;
        m_archiveSize = size;
    }
    // Detects the format (unless one was set) and reads the item count, names and sizes.
    virtual bool ReadInArchiveMetadata();
    // Forces the format: detection is skipped until DetectCompressionFormat.
    virtual void SetCompressionFormat(int format);
    virtual int GetCompressionFormat();
    virtual void SetCompressionLevel(int level);
    virtual int GetCompressionLevel();
    // Tries the current format, then 7z, LZMA86, LZMA, Cab, Zip; 0 when none opens.
    virtual bool DetectCompressionFormat();
    virtual uint32_t GetNumberOfItems();
    virtual std::vector<std::wstring> GetItemsNames();
    virtual std::vector<uint32_t> GetOrigSizes();

protected:
    bool m_metadataRead = false;
    bool m_formatOverridden = false;
    std::wstring m_archivePath;
    int m_format = CompressionFormat::SevenZip;
    int m_compressionLevel = 5;
    uint32_t m_itemCount = 0;
    std::vector<std::wstring> m_itemNames;
    std::vector<uint32_t> m_origSizes;
    HANDLE m_archiveFile = nullptr;  // borrowed; null: open the path
    const void* m_archiveBytes = nullptr;  // borrowed; null: the file or the path
    size_t m_archiveSize = 0;

private:
    bool ReadMetadataOnce();
};

// One decoding thread per logical processor of this process, at most
// kMaxDecodeThreads: each holds a block in and a block out (about 4 x the
// dictionary), and a 32-bit process has 2 GiB of addresses for all of them.
constexpr uint32_t kMaxDecodeThreads = 8;
uint32_t DefaultDecodeThreads();

class SevenZipExtractor : public SevenZipArchive {
public:
    // Unpacks every item into destFolder. 0 is success; otherwise a Windows error
    // code (110: archive not openable) or an HRESULT, with its system message kept.
    virtual LONG ExtractArchive(const std::wstring& destFolder, ProgressCallback* callback);

    void SetOverwriteMode(int mode) { m_overwriteMode = mode; }
    // Threads that decode blocks of a block-packed LZMA2 archive at once; 0 (the
    // default) is DefaultDecodeThreads().
    void SetDecodeThreads(uint32_t threads) { m_decodeThreads = threads; }
    int GetOverwriteMode() const { return m_overwriteMode; }
    const std::wstring& GetErrorMessage() const { return m_errorMessage; }

private:
    int m_overwriteMode = OverwriteMode::DeleteExisting;
    uint32_t m_decodeThreads = 0;
    std::wstring m_errorMessage;
};

}  // namespace SevenZip
