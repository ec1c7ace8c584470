#include "engine/sevenzip/com_adapters.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <ctime>
#include <exception>
#include <new>

#include "engine/sevenzip/sevenzip.h"
#include "win/link_safe.h"
#include "win/path.h"
#include "win/result.h"
#include "win/text.h"
#include "win/unique_handle.h"

// The 7-Zip object factory, linked in whole (DllExports2.cpp).
STDAPI CreateObject(const GUID* clsid, const GUID* iid, void** outObject);

namespace SevenZip {
namespace intl {

namespace {

using namespace NArchive::NExtract;
using win::HResultFromWin32;
using win::LastErrorAsHResult;

// {23170F69-40C1-278A-1000-000110xx0000}
constexpr GUID HandlerClassId(BYTE formatId) {
    return GUID{0x23170F69, 0x40C1, 0x278A, {0x10, 0x00, 0x00, 0x01, 0x10, formatId, 0x00, 0x00}};
}

bool ReadFileTime(IInArchive* handler, UInt32 index, PROPID id, FILETIME& out) {
    PROPVARIANT prop;
    PropVariantInit(&prop);
    const bool ok = SUCCEEDED(handler->GetProperty(index, id, &prop)) && prop.vt == VT_FILETIME;
    if (ok) out = prop.filetime;
    PropVariantClear(&prop);
    return ok;
}

UInt64 ReadSize(IInArchive* handler, UInt32 index) {
    PROPVARIANT prop;
    PropVariantInit(&prop);
    UInt64 size = 0;
    if (SUCCEEDED(handler->GetProperty(index, kpidSize, &prop))) {
        switch (prop.vt) {
            case VT_UI1: size = prop.bVal; break;
            case VT_UI2: size = prop.uiVal; break;
            case VT_UI4: size = prop.ulVal; break;
            case VT_UI8: size = prop.uhVal.QuadPart; break;
            default: break;
        }
    }
    PropVariantClear(&prop);
    return size;
}

std::wstring PathKey(std::wstring path) {
    if (!path.empty()) CharUpperBuffW(&path[0], static_cast<DWORD>(path.size()));
    return path;
}

std::wstring ParentOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// "name.ext" -> "name_20261208-213000.ext" (time stamp as "%Y%d%m-%H%M%S").
std::wstring UniqueName(const std::wstring& path) {
    wchar_t stamp[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    std::wcsftime(stamp, 32, L"%Y%d%m-%H%M%S", &local);
    const size_t slash = path.find_last_of(L"\\/");
    const size_t dot = path.rfind(L'.');
    const size_t insertAt = (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) ? dot
                                                                                                      : path.size();
    std::wstring base = path.substr(0, insertAt) + L"_" + stamp;
    const std::wstring ext = path.substr(insertAt);
    std::wstring candidate = base + ext;
    for (int n = 2; win::FileExists(candidate); ++n) candidate = base + L"_" + win::DecimalText(n) + ext;
    return candidate;
}

// No exception crosses back into the archive handler (nor ends one of its
// threads): what the standard library may throw in our code or in the installer's
// callback becomes the failure result.
template <typename Body>
HRESULT Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception&) {
        return E_FAIL;
    }
}

// Both stream adapters seek the same way: 7-Zip's origins are IStream's.
HRESULT SeekStream(IStream* stream, Int64 offset, UInt32 seekOrigin, UInt64* newPosition) {
    LARGE_INTEGER move;
    move.QuadPart = offset;
    ULARGE_INTEGER position{};
    const HRESULT hr = stream->Seek(move, seekOrigin, &position);
    if (newPosition) *newPosition = position.QuadPart;
    return hr;
}

}  // namespace

HRESULT OpenReadStream(const std::wstring& path, CMyComPtr<IStream>& stream) {
    stream.Release();
    return SHCreateStreamOnFileEx(path.c_str(), STGM_READ, FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, &stream);
}

HRESULT OpenHandleStream(HANDLE file, CMyComPtr<IStream>& stream) {
    stream.Release();
    win::UniqueFile duplicate;
    if (!DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), duplicate.put(), 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return LastErrorAsHResult();
    win::FileStream* adopted = win::FileStream::Adopt(std::move(duplicate));
    if (!adopted) return E_OUTOFMEMORY;
    stream.Attach(adopted);
    return S_OK;
}

HRESULT CreateArchiveHandler(int format, CMyComPtr<IInArchive>& handler) {
    BYTE formatId = 0x07;  // 7z, also for unknown codes
    switch (format) {
        case CompressionFormat::Zip: formatId = 0x01; break;
        case CompressionFormat::Cab: formatId = 0x08; break;
        case CompressionFormat::Lzma: formatId = 0x0A; break;
        case CompressionFormat::Lzma86: formatId = 0x0B; break;
        default: break;
    }
    const GUID clsid = HandlerClassId(formatId);
    handler.Release();
    return CreateObject(&clsid, &IID_IInArchive, reinterpret_cast<void**>(&handler));
}

// ---- InStreamWrapper

Z7_COM7F_IMF(InStreamWrapper::Read(void* data, UInt32 size, UInt32* processedSize)) {
    ULONG read = 0;
    const HRESULT hr = m_stream->Read(data, size, &read);
    if (processedSize) *processedSize = read;
    return SUCCEEDED(hr) ? S_OK : hr;
}

Z7_COM7F_IMF(InStreamWrapper::Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition)) {
    return SeekStream(m_stream, offset, seekOrigin, newPosition);
}

Z7_COM7F_IMF(InStreamWrapper::GetSize(UInt64* size)) {
    STATSTG stat{};
    const HRESULT hr = m_stream->Stat(&stat, STATFLAG_NONAME);
    if (SUCCEEDED(hr)) *size = stat.cbSize.QuadPart;
    return hr;
}

// ---- OutStreamWrapper

Z7_COM7F_IMF(OutStreamWrapper::Write(const void* data, UInt32 size, UInt32* processedSize)) {
    ULONG written = 0;
    const HRESULT hr = m_stream->Write(data, size, &written);
    if (processedSize) *processedSize = written;
    return hr;
}

Z7_COM7F_IMF(OutStreamWrapper::Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition)) {
    return SeekStream(m_stream, offset, seekOrigin, newPosition);
}

Z7_COM7F_IMF(OutStreamWrapper::SetSize(UInt64 newSize)) {
    ULARGE_INTEGER size;
    size.QuadPart = newSize;
    return m_stream->SetSize(size);
}

// ---- ArchiveOpenCallback

Z7_COM7F_IMF(ArchiveOpenCallback::SetTotal(const UInt64*, const UInt64*)) { return S_OK; }
Z7_COM7F_IMF(ArchiveOpenCallback::SetCompleted(const UInt64*, const UInt64*)) { return S_OK; }
Z7_COM7F_IMF(ArchiveOpenCallback::CryptoGetTextPassword(BSTR*)) { return E_ABORT; }

// ---- ArchiveExtractCallback

ArchiveExtractCallback::ArchiveExtractCallback(IInArchive* handler, const std::wstring& destFolder,
                                               int overwriteMode, ProgressCallback* callback)
    : m_handler(handler), m_destFolder(destFolder), m_overwriteMode(overwriteMode), m_callback(callback) {
    if (m_destFolder.empty() || (m_destFolder.back() != L'\\' && m_destFolder.back() != L'/'))
        m_destFolder += L'\\';
}

Z7_COM7F_IMF(ArchiveExtractCallback::SetTotal(UInt64 total)) {
    return Guarded([&] {
        if (m_callback) m_callback->OnStartWithTotal(m_absolutePath, total);
        return S_OK;
    });
}

Z7_COM7F_IMF(ArchiveExtractCallback::SetCompleted(const UInt64*)) { return S_OK; }

Z7_COM7F_IMF(ArchiveExtractCallback::SetRatioInfo(const UInt64* inSize, const UInt64* outSize)) {
    return Guarded([&] {
        if (m_callback) m_callback->OnRatio(inSize ? *inSize : 0, outSize ? *outSize : 0);
        return S_OK;
    });
}

Z7_COM7F_IMF(ArchiveExtractCallback::CryptoGetTextPassword(BSTR*)) { return E_ABORT; }

Z7_COM7F_IMF(ArchiveExtractCallback::PrepareOperation(Int32 askExtractMode)) {
    m_askMode = askExtractMode;
    return S_OK;
}

Z7_COM7F_IMF(ArchiveExtractCallback::GetStream(UInt32 index, ISequentialOutStream** outStream,
                                               Int32 askExtractMode)) {
    *outStream = nullptr;
    return Guarded([&] { return StartItem(index, outStream, askExtractMode); });
}

HRESULT ArchiveExtractCallback::StartItem(UInt32 index, ISequentialOutStream** outStream, Int32 askExtractMode) {
    CloseOutputFile();
    m_absolutePath.clear();
    m_askMode = askExtractMode;
    // A file that could not be written ends the extraction here at the latest.
    const HRESULT writeFailure = m_writer.Failure();
    if (FAILED(writeFailure)) return writeFailure;

    {
        PROPVARIANT prop;
        PropVariantInit(&prop);
        const HRESULT hr = m_handler->GetProperty(index, kpidPath, &prop);
        if (FAILED(hr)) return hr;
        if (prop.vt == VT_EMPTY) {
            m_relativePath = L"[Content]";
        } else if (prop.vt == VT_BSTR) {
            m_relativePath.assign(prop.bstrVal, SysStringLen(prop.bstrVal));
        } else {
            PropVariantClear(&prop);
            return E_FAIL;
        }
        PropVariantClear(&prop);
    }
    if (askExtractMode != NAskMode::kExtract) return S_OK;
    // An item is written inside the destination folder or not at all: a name that
    // climbs out, is rooted, or names a drive, a stream or a device is refused.
    if (!win::IsContainedRelativePath(m_relativePath)) return ERROR_BAD_PATHNAME;

    m_completion = FileCompletion{};
    PROPVARIANT prop;
    PropVariantInit(&prop);
    if (SUCCEEDED(m_handler->GetProperty(index, kpidAttrib, &prop)) && prop.vt == VT_UI4) {
        // Archives made on Unix carry the mode in the high word (flag 0x8000).
        DWORD attributes = prop.ulVal;
        if (attributes & 0x8000) attributes &= 0x7FFF;
        // A new file already carries the archive bit alone.
        m_completion.setAttributes = attributes != FILE_ATTRIBUTE_ARCHIVE;
        m_completion.attributes = attributes;
    }
    PropVariantClear(&prop);
    m_isFolder = SUCCEEDED(m_handler->GetProperty(index, kpidIsDir, &prop)) && prop.vt == VT_BOOL &&
                 prop.boolVal != VARIANT_FALSE;
    PropVariantClear(&prop);
    m_completion.hasModified = ReadFileTime(m_handler, index, kpidMTime, m_completion.modified);
    m_completion.hasAccessed = ReadFileTime(m_handler, index, kpidATime, m_completion.accessed);
    m_completion.hasCreated = ReadFileTime(m_handler, index, kpidCTime, m_completion.created);
    m_size = ReadSize(m_handler, index);

    if (m_isFolder) {
        if (m_callback && !m_callback->OnItemStart(m_destFolder, m_relativePath, true)) return E_FAIL;
        if (!win::IsContainedRelativePath(m_relativePath)) return ERROR_BAD_PATHNAME;
        if (!EnsureFolder(win::JoinPath(m_destFolder, m_relativePath))) return ERROR_CREATE_FAILED;
        return S_OK;
    }

    if (m_callback && !m_callback->OnItemStart(m_destFolder, m_relativePath, false)) return E_FAIL;
    if (m_relativePath.empty()) return S_OK;
    if (!win::IsContainedRelativePath(m_relativePath)) return ERROR_BAD_PATHNAME;
    m_absolutePath = win::JoinPath(m_destFolder, m_relativePath);

    const HRESULT opened = OpenOutputFile();
    if (opened != S_OK || m_absolutePath.empty()) return opened;
    auto* wrapper = new (std::nothrow) OutStreamWrapper(m_file.get());
    if (!wrapper) {
        FailItem(E_OUTOFMEMORY);
        return E_OUTOFMEMORY;
    }
    CMyComPtr<ISequentialOutStream> stream = wrapper;
    *outStream = stream.Detach();
    m_itemOpen = true;
    return S_OK;
}

// The item's output file, open (m_file) or queued to be created on the writer
// thread. Clears the output path when the item is to be skipped.
HRESULT ArchiveExtractCallback::OpenOutputFile() {
    // A file new to a folder this run made cannot be in anybody's way: the writer
    // creates it, and this thread, which feeds the decoder, goes on.
    const std::wstring key = PathKey(m_absolutePath);
    const bool firstWrite = Track(m_outputPaths, key);
    if (firstWrite && m_writer.Threaded() && m_freshFolders.count(ParentOf(key)) != 0) {
        m_file.Attach(win::FileStream::Unopened());
        if (!m_file) {
            m_absolutePath.clear();
            return E_OUTOFMEMORY;
        }
        m_writer.Attach(m_file.get());
        const HRESULT queued = m_writer.Create(m_file.get(), m_absolutePath);
        if (FAILED(queued)) {
            m_file.reset();
            m_absolutePath.clear();
        }
        return queued;
    }

    // Elsewhere the folders on the way must be real, and a link at the item's
    // name goes first: neither is ever written through.
    const std::wstring parent = ParentOf(m_absolutePath);
    if ((!parent.empty() && !EnsureFolder(parent)) || !win::ReplaceLinkAt(m_absolutePath)) {
        m_absolutePath.clear();
        return ERROR_CREATE_FAILED;
    }
    // Most items still land where nothing is yet: try that first, as one
    // file-system call. Anything in the way (a file, a path too long) takes the
    // full path through the overwrite mode.
    m_file.Attach(win::FileStream::Create(m_absolutePath.c_str(), CREATE_NEW));
    if (!m_file) {
        const HRESULT prepared = PrepareOutputFile();
        if (prepared != S_OK || m_absolutePath.empty()) return prepared;
        m_file.Attach(win::FileStream::Create(m_absolutePath.c_str(), CREATE_ALWAYS));
    }
    if (!m_file) {
        const HRESULT failed = LastErrorAsHResult();
        m_absolutePath.clear();
        return failed;
    }
    m_writer.Attach(m_file.get());
    return S_OK;
}

// Adds an upper-case path to one of the run's path sets; false when it was there
// already. A set that cannot grow ends the tracking, and with it the unchecked
// creates: a path not in the sets is never taken for new.
bool ArchiveExtractCallback::Track(std::unordered_set<std::wstring>& paths, const std::wstring& key) {
    if (!m_trackPaths) return false;
    try {
        return paths.insert(key).second;
    } catch (const std::bad_alloc&) {
        m_trackPaths = false;
        m_freshFolders.clear();
        m_realFolders.clear();
        return false;
    }
}

// Makes the folder, and every folder between the destination and it, a real
// folder: a link on the way is removed and a new folder made in its place, so
// nothing is written through it. A file of that name is in the way. Folders seen
// real once are not looked at again: the install folder admits only
// administrators by now.
bool ArchiveExtractCallback::EnsureFolder(const std::wstring& path) {
    const std::wstring key = PathKey(path);
    if (m_realFolders.count(key) != 0) return true;
    if (m_realFolders.empty() && !win::FileExists(m_destFolder) && !win::CreateFolderTree(m_destFolder)) return false;
    std::vector<std::wstring> created;
    if (!win::MakeRealFolders(m_destFolder, path, &created)) return false;
    for (const std::wstring& folder : created) Track(m_freshFolders, PathKey(folder));
    Track(m_realFolders, key);
    return true;
}

// Makes room for the item's output file by the overwrite mode and creates its
// parent folders. Clears the output path when the item is to be skipped.
HRESULT ArchiveExtractCallback::PrepareOutputFile() {
    if (GetFileAttributesW(m_absolutePath.c_str()) != INVALID_FILE_ATTRIBUTES) {
        // It may be a file of this run still open on the writer thread.
        m_writer.Drain();
        switch (m_overwriteMode) {
            case OverwriteMode::DeleteExisting: {
                if (m_absolutePath.empty() || m_absolutePath.size() >= MAX_PATH + 1) {
                    return HResultFromWin32(ERROR_FILENAME_EXCED_RANGE);
                }
                std::wstring from = m_absolutePath;
                from.push_back(L'\0');  // the shell wants a double-terminated list
                SHFILEOPSTRUCTW op{};
                op.wFunc = FO_DELETE;
                op.pFrom = from.c_str();
                op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
                SetLastError(ERROR_SUCCESS);
                const int rc = SHFileOperationW(&op);
                // The shell's own code is not a Windows error; the last error is.
                // A file still there is a failure whatever the shell answered.
                if (rc != 0 || op.fAnyOperationsAborted || win::FileExists(m_absolutePath)) {
                    DWORD error = GetLastError();
                    if (error == ERROR_SUCCESS) error = rc ? static_cast<DWORD>(rc) : ERROR_ACCESS_DENIED;
                    return HResultFromWin32(error);
                }
                break;
            }
            case OverwriteMode::Skip:
                m_absolutePath.clear();
                return S_OK;
            case OverwriteMode::WriteUnique:
                m_absolutePath = UniqueName(m_absolutePath);
                break;
            case OverwriteMode::MoveExisting:
            case OverwriteMode::MoveAndRestore: {
                const std::wstring movedTo = UniqueName(m_absolutePath);
                if (!MoveFileW(m_absolutePath.c_str(), movedTo.c_str())) return LastErrorAsHResult();
                if (m_overwriteMode == OverwriteMode::MoveAndRestore) m_movedAside.emplace_back(m_absolutePath, movedTo);
                break;
            }
            default:
                return ERROR_FILE_EXISTS;
        }
    }
    const std::wstring parent = ParentOf(m_absolutePath);
    if (!parent.empty() && !EnsureFolder(parent)) return ERROR_CREATE_FAILED;
    return S_OK;
}

void ArchiveExtractCallback::RestoreMovedFiles() {
    m_writer.Drain();  // the files to be replaced are closed first
    for (const auto& moved : m_movedAside) {
        if (m_callback) m_callback->OnRestore(moved);
        if (moved.second.empty()) {
            DeleteFileW(moved.first.c_str());
            continue;
        }
        MoveFileExW(moved.second.c_str(), moved.first.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    m_movedAside.clear();
}

// A damaged or undecodable item fails the extraction: its partial output is
// removed so no garbage is left under the product's file names.
HRESULT ArchiveExtractCallback::FailItem(HRESULT code) {
    m_writer.Drain();
    // A create on the writer thread that failed made nothing of ours to delete.
    const bool ours = !m_file || m_file->Opened();
    CloseOutputFile();
    if (ours && !m_absolutePath.empty()) DeleteFileW(m_absolutePath.c_str());
    m_absolutePath.clear();
    return code;
}

void ArchiveExtractCallback::AbandonOpenItem() {
    if (!m_itemOpen) return;
    m_itemOpen = false;
    FailItem(E_ABORT);
    if (m_overwriteMode == OverwriteMode::MoveAndRestore) RestoreMovedFiles();
}

// For an item that is not completed through the writer. The handler has let go
// of the item's stream by now; closing it here also closes the file for anyone
// who kept a reference.
void ArchiveExtractCallback::CloseOutputFile() {
    if (!m_file) return;
    m_writer.Drain();  // its queued data first
    m_file->Close();
    m_file.reset();
}

// The times go through the handle the file was written with: reopening every
// file just to set them costs as much again as writing a small one. The writer
// sets them and closes the file once its data is written.
HRESULT ArchiveExtractCallback::CompleteOutputFile() {
    win::ComPtr<win::FileStream> file;
    file.Attach(m_file.Detach());
    if (!file) return S_OK;
    m_completion.path = m_absolutePath;
    return m_writer.Complete(file.get(), std::move(m_completion));
}

Z7_COM7F_IMF(ArchiveExtractCallback::SetOperationResult(Int32 opRes)) {
    return Guarded([&] { return FinishItem(opRes); });
}

HRESULT ArchiveExtractCallback::FinishItem(Int32 opRes) {
    m_itemOpen = false;
    if (opRes != NOperationResult::kOK) {
        if (m_overwriteMode == OverwriteMode::MoveAndRestore) {
            FailItem(E_FAIL);
            RestoreMovedFiles();
            return E_FAIL;
        }
        if (m_askMode == NAskMode::kExtract)
            return FailItem(opRes == NOperationResult::kUnsupportedMethod ? HResultFromWin32(ERROR_NOT_SUPPORTED)
                                                                          : HResultFromWin32(ERROR_CRC));
    }
    if (!m_absolutePath.empty()) {
        const HRESULT completed = CompleteOutputFile();
        if (FAILED(completed)) {
            m_absolutePath.clear();
            return completed;
        }
        if (m_callback) {
            if (!m_callback->OnFileDone(m_absolutePath, m_size)) return E_FAIL;
            m_callback->OnProgress(m_absolutePath, m_size);
        }
        return S_OK;
    }
    if (m_callback) m_callback->OnDone(m_destFolder);
    return S_OK;
}

}  // namespace intl
}  // namespace SevenZip
