#include "engine/sevenzip/sevenzip.h"

#include <algorithm>
#include <new>

#include "engine/sevenzip/com_adapters.h"
#include "engine/sevenzip/memory_stream.h"
#include "win/result.h"

namespace SevenZip {

using intl::ArchiveExtractCallback;
using intl::ArchiveOpenCallback;
using intl::InStreamWrapper;

namespace {

// Opens the archive stream with a handler of the given format; a null
// maxStartPosition lets the handler look for the archive past the start.
HRESULT OpenWithHandler(IInStream* in, int format, const UInt64* maxStartPosition,
                        IArchiveOpenCallback* openCallback, CMyComPtr<IInArchive>& handler) {
    HRESULT hr = intl::CreateArchiveHandler(format, handler);
    if (FAILED(hr)) return hr;
    hr = in->Seek(0, STREAM_SEEK_SET, nullptr);
    if (FAILED(hr)) return hr;
    hr = handler->Open(in, maxStartPosition, openCallback);
    if (hr != S_OK) handler.Release();
    return hr == S_FALSE ? E_FAIL : hr;
}

// A read stream over the archive: the bytes handed in, else the file handed
// in, else the path.
HRESULT OpenArchiveStream(const void* bytes, size_t size, HANDLE file, const std::wstring& path,
                          CMyComPtr<IInStream>& in) {
    in.Release();
    if (bytes) {
        auto* memory = new (std::nothrow) intl::MemoryInStream(bytes, size);
        if (!memory) return E_OUTOFMEMORY;
        in = memory;
        return S_OK;
    }
    CMyComPtr<IStream> stream;
    const HRESULT hr = file ? intl::OpenHandleStream(file, stream) : intl::OpenReadStream(path, stream);
    if (FAILED(hr)) return hr;
    auto* wrapper = new (std::nothrow) InStreamWrapper(stream);
    if (!wrapper) return E_OUTOFMEMORY;
    in = wrapper;
    return S_OK;
}

// The handler's decoding threads ("mt"); handlers without the setting (Cab,
// LZMA) decode on the calling thread whatever is asked.
void AskForDecodeThreads(IInArchive* handler, uint32_t threads) {
    CMyComPtr<ISetProperties> setter;
    if (handler->QueryInterface(IID_ISetProperties, reinterpret_cast<void**>(&setter)) != S_OK || !setter) return;
    const wchar_t* const names[] = {L"mt"};
    PROPVARIANT value;
    PropVariantInit(&value);
    value.vt = VT_UI4;
    value.ulVal = threads;
    setter->SetProperties(names, &value, 1);  // a handler that refuses it keeps its own count
}

// Path and size of one item; a path that is not a string counts as empty.
HRESULT ReadItem(IInArchive* handler, UInt32 index, std::wstring& path, UInt64& size) {
    PROPVARIANT prop;
    PropVariantInit(&prop);
    HRESULT hr = handler->GetProperty(index, kpidSize, &prop);
    if (FAILED(hr)) return hr;
    size = prop.vt == VT_UI8 ? prop.uhVal.QuadPart : prop.vt == VT_UI4 ? prop.ulVal : 0;
    PropVariantClear(&prop);
    hr = handler->GetProperty(index, kpidPath, &prop);
    if (FAILED(hr)) return hr;
    path = prop.vt == VT_BSTR ? std::wstring(prop.bstrVal, SysStringLen(prop.bstrVal)) : std::wstring();
    PropVariantClear(&prop);
    return S_OK;
}

}  // namespace

bool SevenZipArchive::SetArchivePath(const std::wstring& path) {
    m_archivePath = path;
    return true;
}

bool SevenZipArchive::ReadInArchiveMetadata() {
    const bool detected = m_formatOverridden || DetectCompressionFormat();
    m_itemCount = 0;
    m_itemNames.clear();
    m_origSizes.clear();

    CMyComPtr<IInStream> stream;
    if (FAILED(OpenArchiveStream(m_archiveBytes, m_archiveSize, m_archiveFile, m_archivePath, stream))) return false;
    CMyComPtr<IArchiveOpenCallback> openCallback = new ArchiveOpenCallback;
    CMyComPtr<IInArchive> handler;
    if (OpenWithHandler(stream, m_format, nullptr, openCallback, handler) != S_OK) return false;

    UInt32 count = 0;
    bool ok = handler->GetNumberOfItems(&count) == S_OK;
    for (UInt32 i = 0; ok && i < count; ++i) {
        std::wstring name;
        UInt64 size = 0;
        ok = ReadItem(handler, i, name, size) == S_OK;
        m_itemNames.push_back(std::move(name));
        m_origSizes.push_back(static_cast<uint32_t>(size));
    }
    handler->Close();
    if (!ok) {
        m_itemNames.clear();
        m_origSizes.clear();
        return false;
    }
    m_itemCount = count;
    m_metadataRead = true;
    return detected;
}

void SevenZipArchive::SetCompressionFormat(int format) {
    m_format = format;
    m_formatOverridden = true;
    m_metadataRead = false;
}

int SevenZipArchive::GetCompressionFormat() {
    if (!m_metadataRead && !m_formatOverridden) ReadInArchiveMetadata();
    return m_format;
}

void SevenZipArchive::SetCompressionLevel(int level) { m_compressionLevel = level; }
int SevenZipArchive::GetCompressionLevel() { return m_compressionLevel; }

bool SevenZipArchive::DetectCompressionFormat() {
    m_formatOverridden = false;
    CMyComPtr<IInStream> stream;
    if (FAILED(OpenArchiveStream(m_archiveBytes, m_archiveSize, m_archiveFile, m_archivePath, stream))) return false;

    std::vector<int> candidates{m_format};
    for (int format : {CompressionFormat::SevenZip, CompressionFormat::Lzma86, CompressionFormat::Lzma,
                       CompressionFormat::Cab, CompressionFormat::Zip}) {
        if (format != m_format) candidates.push_back(format);
    }
    CMyComPtr<IArchiveOpenCallback> openCallback = new ArchiveOpenCallback;
    const UInt64 maxStartPosition = 0;
    for (int format : candidates) {
        m_format = format;
        CMyComPtr<IInArchive> handler;
        if (OpenWithHandler(stream, format, &maxStartPosition, openCallback, handler) == S_OK) {
            handler->Close();
            return true;
        }
    }
    m_format = CompressionFormat::Unknown;
    return false;
}

uint32_t SevenZipArchive::GetNumberOfItems() {
    ReadMetadataOnce();
    return m_itemCount;
}

std::vector<std::wstring> SevenZipArchive::GetItemsNames() {
    ReadMetadataOnce();
    return m_itemNames;
}

std::vector<uint32_t> SevenZipArchive::GetOrigSizes() {
    ReadMetadataOnce();
    return m_origSizes;
}

bool SevenZipArchive::ReadMetadataOnce() { return m_metadataRead || ReadInArchiveMetadata(); }

uint32_t DefaultDecodeThreads() {
    DWORD_PTR process = 0, system = 0;
    uint32_t count = 0;
    if (::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system))
        for (; process; process &= process - 1) ++count;
    if (count == 0) count = 1;
    return count < kMaxDecodeThreads ? count : kMaxDecodeThreads;
}

LONG SevenZipExtractor::ExtractArchive(const std::wstring& destFolder, ProgressCallback* callback) {
    DetectCompressionFormat();

    CMyComPtr<IInStream> stream;
    if (FAILED(OpenArchiveStream(m_archiveBytes, m_archiveSize, m_archiveFile, m_archivePath, stream))) {
        m_errorMessage = win::SystemMessage(ERROR_OPEN_FAILED);
        return ERROR_OPEN_FAILED;
    }
    CMyComPtr<IArchiveOpenCallback> openCallback = new ArchiveOpenCallback;
    CMyComPtr<IInArchive> handler;
    HRESULT hr = OpenWithHandler(stream, m_format, nullptr, openCallback, handler);
    if (hr != S_OK) {
        m_errorMessage = win::SystemMessage(static_cast<DWORD>(hr));
        return hr;
    }

    if (callback) {
        UInt32 count = 0;
        handler->GetNumberOfItems(&count);
        if (callback->OnStart(count)) {
            std::vector<std::wstring> names;
            std::vector<uint64_t> sizes;
            for (UInt32 i = 0; i < count; ++i) {
                std::wstring name;
                UInt64 size = 0;
                if (FAILED(ReadItem(handler, i, name, size))) {
                    handler->Close();
                    return E_FAIL;
                }
                names.push_back(std::move(name));
                sizes.push_back(size);
            }
            if (!callback->OnItemList(names, sizes)) {
                handler->Close();
                return S_OK;
            }
        }
    }

    AskForDecodeThreads(handler, m_decodeThreads ? m_decodeThreads : DefaultDecodeThreads());
    auto* extractSpec = new ArchiveExtractCallback(handler, destFolder, m_overwriteMode, callback);
    CMyComPtr<IArchiveExtractCallback> extractCallback = extractSpec;
    hr = handler->Extract(nullptr, static_cast<UInt32>(-1), 0, extractCallback);
    // Files are written behind the decoder: the extraction is done when they are.
    const HRESULT written = extractSpec->FinishWriting();
    if (hr == S_OK) hr = written;
    if (hr != S_OK) {
        extractSpec->AbandonOpenItem();
        m_errorMessage = win::SystemMessage(static_cast<DWORD>(hr));
    }

    if (callback) callback->OnDone(m_archivePath);
    handler->Close();
    return hr;
}

}  // namespace SevenZip
