#pragma once
// CSkinArchive: a read-only zip archive of skin files, opened from a file or
// from bytes in memory, with an optional password. Entries are found by name
// without regard to case, "\" and "/" alike, and unpacked whole into a buffer.
// Not thread-safe: the archive keeps one current entry at a time.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "win/unique_handle.h"

namespace Ulmar {

class CSkinArchive {
public:
    enum class Result {
        Ok,
        NotFound,     // no entry of that name
        Empty,        // the entry holds no bytes
        TooLarge,     // the entry is larger than the caller allows
        UnzipFailed,  // damaged data, unsupported method, wrong or missing password
    };

    CSkinArchive() noexcept;
    ~CSkinArchive();
    CSkinArchive(CSkinArchive&& other) noexcept;
    CSkinArchive& operator=(CSkinArchive&& other) noexcept;
    CSkinArchive(const CSkinArchive&) = delete;
    CSkinArchive& operator=(const CSkinArchive&) = delete;

    // Both close what was open first. The password (may be null) is converted to
    // the ANSI code page, as zip tools on Windows write it. The memory form copies
    // the bytes. False when the data is no zip archive or cannot be read.
    bool OpenFile(const wchar_t* path, const wchar_t* password = nullptr);
    bool OpenMemory(const void* bytes, size_t size, const wchar_t* password = nullptr);
    void Close() noexcept;
    bool IsOpen() const noexcept { return static_cast<bool>(zip_); }

    size_t GetEntryCount() const noexcept { return entries_.size(); }
    bool Contains(const wchar_t* name) const;

    // Unpacks the named entry into `bytes` (replaced). maxSize 0 means no limit.
    // On failure `bytes` is left empty.
    Result Extract(const wchar_t* name, std::vector<unsigned char>& bytes, size_t maxSize = 0);

private:
    struct ZipTraits {
        using Handle = void*;
        static Handle Invalid() noexcept { return nullptr; }
        static bool IsValid(Handle h) noexcept { return h != nullptr; }
        static void Close(Handle h) noexcept;
    };
    struct Source;
    struct Entry {
        std::wstring key;  // upper case, "/" separated
        uint64_t directoryOffset;
        uint64_t fileNumber;
    };

    bool Attach(std::unique_ptr<Source> source, const wchar_t* password);
    const Entry* Find(const wchar_t* name) const;
    Result ReadCurrent(std::vector<unsigned char>& bytes, size_t maxSize);

    // Declared before zip_: minizip reads through the source until zip_ closes.
    std::unique_ptr<Source> source_;
    win::UniqueHandle<ZipTraits> zip_;
    std::string password_;
    std::vector<Entry> entries_;
};

}  // namespace Ulmar
