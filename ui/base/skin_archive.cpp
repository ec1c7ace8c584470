#include "ui/base/skin_archive.h"

#include <windows.h>

#include <unzip.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace Ulmar {
namespace {

// minizip reads the archive through these callbacks: one set over bytes in
// memory, one over a Win32 file handle (so that paths are Unicode).
struct MemoryStream {
    const unsigned char* data;
    uint64_t size;
    uint64_t pos;
};

struct FileStream {
    win::UniqueFile file;
    bool failed = false;
};

long SeekTarget(ZPOS64_T offset, int origin, uint64_t current, uint64_t size, uint64_t& to) {
    uint64_t base;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = current; break;
    case ZLIB_FILEFUNC_SEEK_END: base = size; break;
    default: return -1;
    }
    if (offset > size || base > size - offset) return -1;
    to = base + offset;
    return 0;
}

voidpf ZCALLBACK MemoryOpen(voidpf opaque, const void*, int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    const auto* bytes = static_cast<const std::vector<unsigned char>*>(opaque);
    return new (std::nothrow) MemoryStream{bytes->data(), bytes->size(), 0};
}

uLong ZCALLBACK MemoryRead(voidpf, voidpf stream, void* buf, uLong size) {
    auto* s = static_cast<MemoryStream*>(stream);
    const uint64_t left = s->size - s->pos;
    const uLong n = static_cast<uLong>(std::min<uint64_t>(size, left));
    if (n) std::memcpy(buf, s->data + s->pos, n);
    s->pos += n;
    return n;
}

uLong ZCALLBACK NoWrite(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK MemoryTell(voidpf, voidpf stream) { return static_cast<MemoryStream*>(stream)->pos; }

long ZCALLBACK MemorySeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* s = static_cast<MemoryStream*>(stream);
    return SeekTarget(offset, origin, s->pos, s->size, s->pos);
}

int ZCALLBACK MemoryClose(voidpf, voidpf stream) {
    delete static_cast<MemoryStream*>(stream);
    return 0;
}

int ZCALLBACK MemoryError(voidpf, voidpf) { return 0; }

voidpf ZCALLBACK FileOpen(voidpf, const void* path, int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ || !path) return nullptr;
    win::UniqueFile file(::CreateFileW(static_cast<const wchar_t*>(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return nullptr;
    auto* s = new (std::nothrow) FileStream;
    if (s) s->file = std::move(file);
    return s;
}

uLong ZCALLBACK FileRead(voidpf, voidpf stream, void* buf, uLong size) {
    auto* s = static_cast<FileStream*>(stream);
    uLong total = 0;
    while (total < size) {
        DWORD got = 0;
        if (!::ReadFile(s->file.get(), static_cast<char*>(buf) + total, size - total, &got, nullptr)) {
            s->failed = true;
            break;
        }
        if (got == 0) break;
        total += got;
    }
    return total;
}

ZPOS64_T ZCALLBACK FileTell(voidpf, voidpf stream) {
    auto* s = static_cast<FileStream*>(stream);
    LARGE_INTEGER zero{}, pos{};
    if (!::SetFilePointerEx(s->file.get(), zero, &pos, FILE_CURRENT)) {
        s->failed = true;
        return static_cast<ZPOS64_T>(-1);
    }
    return static_cast<ZPOS64_T>(pos.QuadPart);
}

long ZCALLBACK FileSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* s = static_cast<FileStream*>(stream);
    DWORD method;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: method = FILE_BEGIN; break;
    case ZLIB_FILEFUNC_SEEK_CUR: method = FILE_CURRENT; break;
    case ZLIB_FILEFUNC_SEEK_END: method = FILE_END; break;
    default: return -1;
    }
    if (offset > static_cast<ZPOS64_T>(INT64_MAX)) return -1;
    LARGE_INTEGER move;
    move.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(s->file.get(), move, nullptr, method)) {
        s->failed = true;
        return -1;
    }
    return 0;
}

int ZCALLBACK FileClose(voidpf, voidpf stream) {
    delete static_cast<FileStream*>(stream);
    return 0;
}

int ZCALLBACK FileError(voidpf, voidpf stream) { return static_cast<FileStream*>(stream)->failed ? 1 : 0; }

std::string ToAnsi(const wchar_t* text) {
    if (!text || !*text) return {};
    const int n = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

// Entry names are UTF-8 when the archive says so or when they read as UTF-8
// (Info-ZIP writes them so without the flag); else the OEM code page.
std::wstring DecodeEntryName(const char* name, int length, bool utf8Flag) {
    if (length <= 0) return {};
    UINT page = CP_UTF8;
    DWORD flags = utf8Flag ? 0 : MB_ERR_INVALID_CHARS;
    int n = ::MultiByteToWideChar(page, flags, name, length, nullptr, 0);
    if (n <= 0) {
        page = CP_OEMCP;
        flags = 0;
        n = ::MultiByteToWideChar(page, flags, name, length, nullptr, 0);
        if (n <= 0) return {};
    }
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(page, flags, name, length, &out[0], n);
    return out;
}

// The lookup key: "/" separated, upper case.
std::wstring MakeKey(std::wstring name) {
    std::replace(name.begin(), name.end(), L'\\', L'/');
    if (!name.empty()) ::CharUpperBuffW(&name[0], static_cast<DWORD>(name.size()));
    return name;
}

// Traditional PKWARE decryption: minizip as built leaves it out.
class ZipCrypto {
public:
    explicit ZipCrypto(const std::string& password) : table_(get_crc_table()) {
        for (unsigned char c : password) Update(c);
    }
    unsigned char Decrypt(unsigned char c) {
        const uint32_t t = (keys_[2] & 0xFFFF) | 2;
        const auto plain = static_cast<unsigned char>(c ^ static_cast<unsigned char>((t * (t ^ 1)) >> 8));
        Update(plain);
        return plain;
    }

private:
    uint32_t Crc(uint32_t crc, unsigned char c) const { return table_[(crc ^ c) & 0xFF] ^ (crc >> 8); }
    void Update(unsigned char c) {
        keys_[0] = Crc(keys_[0], c);
        keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
        keys_[2] = Crc(keys_[2], static_cast<unsigned char>(keys_[1] >> 24));
    }

    const z_crc_t* table_;
    uint32_t keys_[3] = {0x12345678u, 0x23456789u, 0x34567890u};
};

constexpr size_t kEncryptionHeader = 12;
constexpr unsigned kChunk = 64 * 1024;

// Reads an encrypted entry raw from minizip, deciphers and inflates it into
// `out` (sized to the entry). Stops at the first inconsistency.
bool ReadEncrypted(unzFile zip, const unz_file_info64& info, const std::string& password,
                   std::vector<unsigned char>& out) {
    const int method = static_cast<int>(info.compression_method);
    if (method != 0 && method != Z_DEFLATED) return false;
    if (info.compressed_size < kEncryptionHeader) return false;
    int openedMethod = 0, level = 0;
    if (unzOpenCurrentFile2(zip, &openedMethod, &level, 1) != UNZ_OK) return false;

    ZipCrypto crypto(password);
    z_stream inflater{};
    bool inflating = false;
    if (method == Z_DEFLATED) {
        if (inflateInit2(&inflater, -MAX_WBITS) != Z_OK) {
            unzCloseCurrentFile(zip);
            return false;
        }
        inflating = true;
    }

    std::vector<unsigned char> chunk(kChunk);
    size_t header = 0, produced = 0;
    bool ok = true, finished = false;
    // Bit 3: sizes and CRC follow the data, so the check byte is the time's high byte.
    const unsigned char check = (info.flag & 8) ? static_cast<unsigned char>(info.dosDate >> 8)
                                                : static_cast<unsigned char>(info.crc >> 24);
    while (ok && !finished) {
        const int got = unzReadCurrentFile(zip, chunk.data(), kChunk);
        if (got < 0) { ok = false; break; }
        if (got == 0) break;
        size_t at = 0;
        for (size_t i = 0; i < static_cast<size_t>(got); ++i) chunk[i] = crypto.Decrypt(chunk[i]);
        while (header < kEncryptionHeader && at < static_cast<size_t>(got)) {
            if (++header == kEncryptionHeader && chunk[at] != check) ok = false;
            ++at;
        }
        if (!ok || at == static_cast<size_t>(got)) continue;
        const size_t avail = static_cast<size_t>(got) - at;
        if (!inflating) {
            if (avail > out.size() - produced) { ok = false; break; }
            std::memcpy(out.data() + produced, chunk.data() + at, avail);
            produced += avail;
            finished = produced == out.size();
            continue;
        }
        inflater.next_in = chunk.data() + at;
        inflater.avail_in = static_cast<uInt>(avail);
        while (inflater.avail_in > 0 && ok && !finished) {
            inflater.next_out = out.data() + produced;
            inflater.avail_out = static_cast<uInt>(out.size() - produced);
            const int r = inflate(&inflater, Z_NO_FLUSH);
            produced = out.size() - inflater.avail_out;
            if (r == Z_STREAM_END) finished = true;
            else if (r != Z_OK) ok = false;
            else if (inflater.avail_out == 0 && inflater.avail_in > 0) ok = false;  // more than declared
        }
    }
    if (inflating) inflateEnd(&inflater);
    unzCloseCurrentFile(zip);
    if (!ok || produced != out.size()) return false;
    return crc32(0, out.data(), static_cast<uInt>(out.size())) == info.crc;
}

}  // namespace

struct CSkinArchive::Source {
    std::vector<unsigned char> bytes;  // the memory form's copy; empty for a file
};

void CSkinArchive::ZipTraits::Close(Handle h) noexcept { unzClose(h); }

CSkinArchive::CSkinArchive() noexcept = default;
CSkinArchive::~CSkinArchive() { Close(); }
CSkinArchive::CSkinArchive(CSkinArchive&& other) noexcept = default;

CSkinArchive& CSkinArchive::operator=(CSkinArchive&& other) noexcept {
    if (this != &other) {
        Close();
        source_ = std::move(other.source_);
        zip_ = std::move(other.zip_);
        password_ = std::move(other.password_);
        entries_ = std::move(other.entries_);
    }
    return *this;
}

void CSkinArchive::Close() noexcept {
    zip_.reset();
    source_.reset();
    password_.clear();
    entries_.clear();
}

bool CSkinArchive::OpenFile(const wchar_t* path, const wchar_t* password) {
    Close();
    if (!path || !*path) return false;
    try {
        auto source = std::make_unique<Source>();
        zlib_filefunc64_def io{FileOpen, FileRead, NoWrite, FileTell, FileSeek, FileClose, FileError, nullptr};
        zip_.reset(unzOpen2_64(path, &io));
        return Attach(std::move(source), password);
    } catch (const std::bad_alloc&) {
        Close();
        return false;
    }
}

bool CSkinArchive::OpenMemory(const void* bytes, size_t size, const wchar_t* password) {
    Close();
    if (!bytes || size == 0) return false;
    try {
        auto source = std::make_unique<Source>();
        const auto* begin = static_cast<const unsigned char*>(bytes);
        source->bytes.assign(begin, begin + size);
        zlib_filefunc64_def io{MemoryOpen, MemoryRead, NoWrite, MemoryTell, MemorySeek, MemoryClose, MemoryError,
                               &source->bytes};
        zip_.reset(unzOpen2_64("membuffer", &io));
        return Attach(std::move(source), password);
    } catch (const std::bad_alloc&) {
        Close();
        return false;
    }
}

// Takes the source of the archive just opened and indexes its entries.
bool CSkinArchive::Attach(std::unique_ptr<Source> source, const wchar_t* password) {
    source_ = std::move(source);
    if (!zip_) {
        Close();
        return false;
    }
    password_ = ToAnsi(password);
    std::vector<char> name(0x10000);
    for (int r = unzGoToFirstFile(zip_.get()); r == UNZ_OK; r = unzGoToNextFile(zip_.get())) {
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip_.get(), &info, name.data(), static_cast<uLong>(name.size()), nullptr, 0,
                                    nullptr, 0) != UNZ_OK)
            break;
        unz64_file_pos pos{};
        if (unzGetFilePos64(zip_.get(), &pos) != UNZ_OK) break;
        const int length = static_cast<int>(std::min<uLong>(info.size_filename, static_cast<uLong>(name.size())));
        entries_.push_back(Entry{MakeKey(DecodeEntryName(name.data(), length, (info.flag & 0x800) != 0)),
                                 pos.pos_in_zip_directory, pos.num_of_file});
    }
    return true;
}

const CSkinArchive::Entry* CSkinArchive::Find(const wchar_t* name) const {
    if (!name || !*name || !zip_) return nullptr;
    const std::wstring key = MakeKey(name);
    for (const Entry& e : entries_)
        if (e.key == key) return &e;
    return nullptr;
}

bool CSkinArchive::Contains(const wchar_t* name) const {
    try {
        return Find(name) != nullptr;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

CSkinArchive::Result CSkinArchive::Extract(const wchar_t* name, std::vector<unsigned char>& bytes, size_t maxSize) {
    bytes.clear();
    try {
        const Entry* entry = Find(name);
        if (!entry) return Result::NotFound;
        unz64_file_pos pos{entry->directoryOffset, entry->fileNumber};
        if (unzGoToFilePos64(zip_.get(), &pos) != UNZ_OK) return Result::UnzipFailed;
        const Result r = ReadCurrent(bytes, maxSize);
        if (r != Result::Ok) {
            bytes.clear();
            bytes.shrink_to_fit();
        }
        return r;
    } catch (const std::bad_alloc&) {
        bytes.clear();
        bytes.shrink_to_fit();
        return Result::UnzipFailed;
    }
}

CSkinArchive::Result CSkinArchive::ReadCurrent(std::vector<unsigned char>& bytes, size_t maxSize) {
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip_.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return Result::UnzipFailed;
    if (info.uncompressed_size == 0) return Result::Empty;
    // One entry is read into one buffer; anything near the address space is too large.
    if ((maxSize && info.uncompressed_size > maxSize) || info.uncompressed_size > 0x7FFFFFFFu)
        return Result::TooLarge;
    bytes.resize(static_cast<size_t>(info.uncompressed_size));

    if (info.flag & 1) {
        if (password_.empty()) return Result::UnzipFailed;
        return ReadEncrypted(zip_.get(), info, password_, bytes) ? Result::Ok : Result::UnzipFailed;
    }
    if (unzOpenCurrentFile(zip_.get()) != UNZ_OK) return Result::UnzipFailed;
    size_t done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        const unsigned want = static_cast<unsigned>(std::min<size_t>(bytes.size() - done, kChunk * 16));
        const int got = unzReadCurrentFile(zip_.get(), bytes.data() + done, want);
        if (got <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(got);
    }
    // Closing checks the CRC once the whole entry was read.
    if (unzCloseCurrentFile(zip_.get()) != UNZ_OK) ok = false;
    return ok ? Result::Ok : Result::UnzipFailed;
}

}  // namespace Ulmar
