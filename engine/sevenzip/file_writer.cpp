#include "engine/sevenzip/file_writer.h"

#include <new>
#include <utility>

namespace SevenZip {
namespace intl {

namespace {

// Data waiting for the writer thread; past this, the decoding side waits. Enough
// for a burst of small files, which cost the writer more than their bytes.
constexpr size_t kMaxQueuedBytes = 16u << 20;

class Lock {
public:
    explicit Lock(SRWLOCK& lock) : m_lock(lock) { AcquireSRWLockExclusive(&m_lock); }
    ~Lock() { ReleaseSRWLockExclusive(&m_lock); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    SRWLOCK& m_lock;
};

void ApplyCompletion(win::FileStream* file, const FileCompletion& c, bool failed) {
    if (!failed && (c.hasCreated || c.hasAccessed || c.hasModified)) {
        SetFileTime(file->Handle(), c.hasCreated ? &c.created : nullptr, c.hasAccessed ? &c.accessed : nullptr,
                    c.hasModified ? &c.modified : nullptr);
    }
    file->Close();
    if (failed) {
        // Only a file this stream made: a create that failed left nothing of ours.
        if (file->Opened()) DeleteFileW(c.path.c_str());
        return;
    }
    if (c.setAttributes) SetFileAttributesW(c.path.c_str(), c.attributes);
}

}  // namespace

FileWriter::FileWriter() {
    // Without a thread every file is written on the caller's thread, as it comes.
    m_thread.reset(CreateThread(nullptr, 0, &FileWriter::ThreadMain, this, 0, nullptr));
}

FileWriter::~FileWriter() {
    if (!m_thread) return;
    {
        Lock lock(m_lock);
        m_stop = true;
    }
    WakeAllConditionVariable(&m_changed);
    WaitForSingleObject(m_thread.get(), INFINITE);
}

DWORD WINAPI FileWriter::ThreadMain(void* self) {
    static_cast<FileWriter*>(self)->Run();
    return 0;
}

void FileWriter::Run() {
    Lock lock(m_lock);
    for (;;) {
        while (m_jobs.empty() && !m_stop) SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
        if (m_jobs.empty()) return;  // stopped, and nothing left to do
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        const bool failed = FAILED(m_error);

        ReleaseSRWLockExclusive(&m_lock);
        const HRESULT hr = Execute(job, failed);
        const size_t bytes = job.data.size();
        job = Job{};  // the file reference and the buffer go outside the lock
        AcquireSRWLockExclusive(&m_lock);

        if (FAILED(hr) && SUCCEEDED(m_error)) m_error = hr;
        m_queuedBytes -= bytes;
        m_busy = false;
        WakeAllConditionVariable(&m_changed);
    }
}

HRESULT FileWriter::Execute(Job& job, bool failed) {
    if (job.complete) {
        ApplyCompletion(job.file.get(), job.completion, failed);
        return S_OK;
    }
    if (failed) return S_OK;
    if (!job.createPath.empty()) return job.file->Open(job.createPath.c_str(), CREATE_NEW);
    ULONG written = 0;
    return job.file->WriteNow(job.data.data(), static_cast<ULONG>(job.data.size()), &written);
}

HRESULT FileWriter::Push(Job&& job, size_t bytes) {
    {
        Lock lock(m_lock);
        while (m_queuedBytes > kMaxQueuedBytes && SUCCEEDED(m_error))
            SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
        if (FAILED(m_error)) return m_error;
        try {
            m_jobs.push_back(std::move(job));
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        m_queuedBytes += bytes;
    }
    WakeAllConditionVariable(&m_changed);
    return S_OK;
}

HRESULT FileWriter::Enqueue(win::FileStream* file, const void* data, ULONG size) {
    Job job;
    try {
        const char* bytes = static_cast<const char*>(data);
        job.data.assign(bytes, bytes + size);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    job.file = win::ComPtr<win::FileStream>::Share(file);
    return Push(std::move(job), size);
}

HRESULT FileWriter::Create(win::FileStream* file, std::wstring path) {
    if (!m_thread) return E_UNEXPECTED;
    Job job;
    job.file = win::ComPtr<win::FileStream>::Share(file);
    job.createPath = std::move(path);
    return Push(std::move(job), 0);
}

HRESULT FileWriter::Complete(win::FileStream* file, FileCompletion completion) {
    if (!m_thread) {
        ApplyCompletion(file, completion, false);
        return S_OK;
    }
    Job job;
    job.file = win::ComPtr<win::FileStream>::Share(file);
    job.complete = true;
    job.completion = std::move(completion);
    const HRESULT hr = Push(std::move(job), 0);
    // Not queued: the file must still be closed, and its data cannot be trusted.
    if (FAILED(hr)) ApplyCompletion(file, job.completion, true);
    return hr;
}

HRESULT FileWriter::Failure() {
    Lock lock(m_lock);
    return m_error;
}

HRESULT FileWriter::Drain() {
    if (!m_thread) return S_OK;
    Lock lock(m_lock);
    while (!m_jobs.empty() || m_busy) SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
    return m_error;
}

}  // namespace intl
}  // namespace SevenZip
