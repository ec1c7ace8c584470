// A Windows stream over a file handle it owns. Unlike the shell's file stream it
// lets its owner reach the handle, so a file's times can be set through the
// handle it was written with instead of opening the file a second time.
#pragma once

#include <windows.h>
#include <objidl.h>

#include "win/unique_handle.h"

namespace win {

class FileStream;

// Takes a FileStream's writes when they are not to go straight to the file.
class WriteQueue {
public:
    // The data is the caller's: a queue that keeps it copies it.
    virtual HRESULT Enqueue(FileStream* file, const void* data, ULONG size) = 0;
    // Returns once everything queued is written: the first failure, or S_OK.
    virtual HRESULT Drain() = 0;

protected:
    ~WriteQueue() = default;
};

class FileStream final : public IStream {
public:
    // Creates or opens a file for writing (CreateFileW with GENERIC_WRITE, read
    // sharing and the given disposition). The caller owns the one reference. On
    // failure returns null with the last error of CreateFileW, and leaves no file.
    static FileStream* Create(const wchar_t* path, DWORD disposition);
    // A stream whose file is opened later, with Open; null without memory.
    static FileStream* Unopened();
    // A stream over a file opened elsewhere (for reading, writing or both); null,
    // and the file closed, without memory.
    static FileStream* Adopt(UniqueFile file);
    // Creates or opens the file as Create does: S_OK, or the HRESULT of the error.
    HRESULT Open(const wchar_t* path, DWORD disposition);
    // The file was created or opened through this stream.
    bool Opened() const noexcept { return m_opened; }

    HANDLE Handle() const noexcept { return m_file.get(); }
    // Closes the file now, whoever still holds the stream; later calls fail.
    void Close() noexcept { m_file.reset(); }
    // From now on writes go to the queue; any other call first waits for it.
    void SetWriteQueue(WriteQueue* queue) noexcept { m_queue = queue; }
    // Writes straight to the file, whatever the queue.
    HRESULT WriteNow(const void* data, ULONG size, ULONG* written);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // ISequentialStream
    HRESULT STDMETHODCALLTYPE Read(void* data, ULONG size, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) override;
    // IStream
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** out) override;

private:
    FileStream() = default;
    ~FileStream() = default;

    HRESULT DrainQueue() { return m_queue ? m_queue->Drain() : S_OK; }

    UniqueFile m_file;
    WriteQueue* m_queue = nullptr;
    bool m_opened = false;
    LONG m_refs = 1;
};

}  // namespace win
