// Writes the unpacked files on a thread of its own.
//
// The decoded data reaches the extract callback on the thread that runs the last
// coder of the decoding chain; while that thread is in the file system the
// decoders wait for it. With a FileWriter it only copies the data into a bounded
// queue, and the writer thread writes it, sets the file's times and attributes
// and closes the file, in the order it was queued.
//
// The first failure is kept and answered to every later call, so the extraction
// stops with it at the next item at the latest. From then on nothing more is
// written, and every file of ours closed afterwards is deleted: its data is
// incomplete.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <deque>
#include <string>
#include <vector>

#include "win/com.h"
#include "win/file_stream.h"
#include "win/unique_handle.h"

namespace SevenZip {
namespace intl {

// What is done to a file once all of its data is written.
struct FileCompletion {
    std::wstring path;
    bool hasCreated = false, hasAccessed = false, hasModified = false;  // each time only if present
    FILETIME created{}, accessed{}, modified{};
    bool setAttributes = false;
    DWORD attributes = 0;
};

class FileWriter final : public win::WriteQueue {
public:
    FileWriter();
    // Finishes what is queued, then ends the thread.
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    // Files can be opened and written on the writer thread.
    bool Threaded() const { return static_cast<bool>(m_thread); }
    // Routes the file's writes through this writer.
    void Attach(win::FileStream* file) { file->SetWriteQueue(m_thread ? this : nullptr); }
    // Queues the creation of a new file (CREATE_NEW) for an unopened, attached
    // stream; only for a path known to be free. Needs the thread.
    HRESULT Create(win::FileStream* file, std::wstring path);
    // Queues the file's completion; the writer keeps the file open until then.
    // Without a thread (it could not be started) this completes it at once.
    HRESULT Complete(win::FileStream* file, FileCompletion completion);

    // The failure kept so far, without waiting for the queue.
    HRESULT Failure();

    HRESULT Enqueue(win::FileStream* file, const void* data, ULONG size) override;
    HRESULT Drain() override;

private:
    struct Job {
        win::ComPtr<win::FileStream> file;
        std::vector<char> data;
        bool complete = false;
        FileCompletion completion;
        std::wstring createPath;  // a create job when not empty
    };

    static DWORD WINAPI ThreadMain(void* self);
    void Run();
    HRESULT Push(Job&& job, size_t bytes);
    // Runs one job outside the lock; `failed`: an earlier job failed.
    static HRESULT Execute(Job& job, bool failed);

    SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_changed = CONDITION_VARIABLE_INIT;
    std::deque<Job> m_jobs;
    size_t m_queuedBytes = 0;
    bool m_busy = false;  // the thread is running a job it took off the queue
    bool m_stop = false;
    HRESULT m_error = S_OK;
    win::UniqueKernelHandle m_thread;
};

}  // namespace intl
}  // namespace SevenZip
