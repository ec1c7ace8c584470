#include "win/file_stream.h"

#include <new>

#include "win/result.h"

namespace win {

HRESULT STDMETHODCALLTYPE FileStream::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
        *out = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE FileStream::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

ULONG STDMETHODCALLTYPE FileStream::Release() {
    const LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

HRESULT STDMETHODCALLTYPE FileStream::Read(void* data, ULONG size, ULONG* read) {
    if (read) *read = 0;
    const HRESULT drained = DrainQueue();
    if (FAILED(drained)) return drained;
    DWORD done = 0;
    const BOOL ok = ::ReadFile(m_file.get(), data, size, &done, nullptr);
    if (read) *read = done;
    if (!ok) return LastErrorAsHResult();
    return done < size ? S_FALSE : S_OK;
}

HRESULT STDMETHODCALLTYPE FileStream::Write(const void* data, ULONG size, ULONG* written) {
    if (!m_queue) return WriteNow(data, size, written);
    const HRESULT hr = m_queue->Enqueue(this, data, size);
    if (written) *written = SUCCEEDED(hr) ? size : 0;
    return hr;
}

HRESULT FileStream::WriteNow(const void* data, ULONG size, ULONG* written) {
    DWORD done = 0;
    const BOOL ok = ::WriteFile(m_file.get(), data, size, &done, nullptr);
    if (written) *written = done;
    if (!ok) return LastErrorAsHResult();
    return done < size ? STG_E_MEDIUMFULL : S_OK;
}

HRESULT STDMETHODCALLTYPE FileStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) {
    // STREAM_SEEK_SET/CUR/END are FILE_BEGIN/CURRENT/END.
    if (origin > STREAM_SEEK_END) return STG_E_INVALIDFUNCTION;
    const HRESULT drained = DrainQueue();
    if (FAILED(drained)) return drained;
    LARGE_INTEGER now{};
    if (!::SetFilePointerEx(m_file.get(), move, &now, origin)) return LastErrorAsHResult();
    if (position) position->QuadPart = static_cast<ULONGLONG>(now.QuadPart);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FileStream::SetSize(ULARGE_INTEGER size) {
    const HRESULT drained = DrainQueue();
    if (FAILED(drained)) return drained;
    LARGE_INTEGER zero{}, here{}, end{};
    end.QuadPart = static_cast<LONGLONG>(size.QuadPart);
    if (!::SetFilePointerEx(m_file.get(), zero, &here, FILE_CURRENT)) return LastErrorAsHResult();
    const bool ok = ::SetFilePointerEx(m_file.get(), end, nullptr, FILE_BEGIN) && ::SetEndOfFile(m_file.get());
    const HRESULT hr = ok ? S_OK : LastErrorAsHResult();
    ::SetFilePointerEx(m_file.get(), here, nullptr, FILE_BEGIN);
    return hr;
}

HRESULT STDMETHODCALLTYPE FileStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) {
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE FileStream::Commit(DWORD) { return S_OK; }
HRESULT STDMETHODCALLTYPE FileStream::Revert() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FileStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FileStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE FileStream::Stat(STATSTG* stat, DWORD) {
    if (!stat) return STG_E_INVALIDPOINTER;
    const HRESULT drained = DrainQueue();
    if (FAILED(drained)) return drained;
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->grfMode = STGM_WRITE;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(m_file.get(), &size)) return LastErrorAsHResult();
    stat->cbSize.QuadPart = static_cast<ULONGLONG>(size.QuadPart);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FileStream::Clone(IStream** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

FileStream* FileStream::Unopened() { return new (std::nothrow) FileStream(); }

FileStream* FileStream::Adopt(UniqueFile file) {
    FileStream* stream = Unopened();
    if (!stream) return nullptr;
    stream->m_file = std::move(file);
    stream->m_opened = true;
    return stream;
}

HRESULT FileStream::Open(const wchar_t* path, DWORD disposition) {
    m_file.reset(::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
    m_opened = static_cast<bool>(m_file);
    return m_opened ? S_OK : LastErrorAsHResult();
}

FileStream* FileStream::Create(const wchar_t* path, DWORD disposition) {
    // Allocated first, so that running out of memory cannot leave a new empty file.
    FileStream* stream = Unopened();
    if (!stream) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (FAILED(stream->Open(path, disposition))) {
        const DWORD error = ::GetLastError();
        stream->Release();
        ::SetLastError(error);
        return nullptr;
    }
    return stream;
}

}  // namespace win
