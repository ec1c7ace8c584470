// COM adapters between the 7-Zip handlers and our wrapper. Each is reference
// counted and deletes itself on its last Release; create them with new and hand
// them straight to a CMyComPtr.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <propidl.h>

#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Common/MyCom.h"
#include "7zip/Archive/IArchive.h"
#include "7zip/ICoder.h"
#include "7zip/IPassword.h"
#include "7zip/IStream.h"
#include "engine/sevenzip/file_writer.h"
#include "win/com.h"
#include "win/file_stream.h"

namespace SevenZip {

class ProgressCallback;

namespace intl {

// Opens a file for reading as a Windows stream.
HRESULT OpenReadStream(const std::wstring& path, CMyComPtr<IStream>& stream);
// A Windows stream over a duplicate of an open file handle (borrowed).
HRESULT OpenHandleStream(HANDLE file, CMyComPtr<IStream>& stream);
// A new archive handler for a format code (any unknown code gives 7z).
HRESULT CreateArchiveHandler(int format, CMyComPtr<IInArchive>& handler);

class InStreamWrapper final : public IInStream, public IStreamGetSize, public CMyUnknownImp {
    Z7_COM_UNKNOWN_IMP_2(IInStream, IStreamGetSize)
    Z7_IFACE_COM7_IMP(ISequentialInStream)
    Z7_IFACE_COM7_IMP(IInStream)
    Z7_IFACE_COM7_IMP(IStreamGetSize)
public:
    explicit InStreamWrapper(IStream* stream) : m_stream(stream) {}

private:
    CMyComPtr<IStream> m_stream;
};

class OutStreamWrapper final : public IOutStream, public CMyUnknownImp {
    Z7_COM_UNKNOWN_IMP_1(IOutStream)
    Z7_IFACE_COM7_IMP(ISequentialOutStream)
    Z7_IFACE_COM7_IMP(IOutStream)
public:
    explicit OutStreamWrapper(IStream* stream) : m_stream(stream) {}

private:
    CMyComPtr<IStream> m_stream;
};

// Encrypted archives are not supported: every password request answers E_ABORT.
class ArchiveOpenCallback final : public IArchiveOpenCallback, public ICryptoGetTextPassword,
                                  public CMyUnknownImp {
    Z7_COM_UNKNOWN_IMP_2(IArchiveOpenCallback, ICryptoGetTextPassword)
    Z7_IFACE_COM7_IMP(IArchiveOpenCallback)
    Z7_IFACE_COM7_IMP(ICryptoGetTextPassword)
};

class ArchiveExtractCallback final : public IArchiveExtractCallback, public ICryptoGetTextPassword,
                                     public ICompressProgressInfo, public CMyUnknownImp {
    Z7_COM_UNKNOWN_IMP_3(IArchiveExtractCallback, ICryptoGetTextPassword, ICompressProgressInfo)
    Z7_IFACE_COM7_IMP(IProgress)
    Z7_IFACE_COM7_IMP(IArchiveExtractCallback)
    Z7_IFACE_COM7_IMP(ICryptoGetTextPassword)
    Z7_IFACE_COM7_IMP(ICompressProgressInfo)
public:
    // The handler is borrowed: the extractor keeps it alive for the whole Extract call.
    ArchiveExtractCallback(IInArchive* handler, const std::wstring& destFolder, int overwriteMode,
                           ProgressCallback* callback);
    // For a failed Extract: a handler that stops inside an item (an error, a refused
    // password) does not report its result, so the item's partial file is removed here.
    void AbandonOpenItem();
    // Waits until every file handed out is written and closed: the first write
    // failure, or S_OK.
    HRESULT FinishWriting() { return m_writer.Drain(); }

private:
    // GetStream and SetOperationResult, inside the exception guard.
    HRESULT StartItem(UInt32 index, ISequentialOutStream** outStream, Int32 askExtractMode);
    HRESULT FinishItem(Int32 opRes);
    HRESULT PrepareOutputFile();
    HRESULT FailItem(HRESULT code);
    void CloseOutputFile();
    void RestoreMovedFiles();
    HRESULT OpenOutputFile();
    HRESULT CompleteOutputFile();
    bool Track(std::unordered_set<std::wstring>& paths, const std::wstring& key);
    bool EnsureFolder(const std::wstring& path);

    IInArchive* m_handler;
    std::wstring m_destFolder;
    int m_overwriteMode;
    ProgressCallback* m_callback;
    std::vector<std::pair<std::wstring, std::wstring>> m_movedAside;  // original path, moved-to path
    FileWriter m_writer;
    // Folders this run created and files it wrote, as upper-case paths. A file new
    // to a new folder cannot be in anybody's way, so it is created on the writer
    // thread without a check.
    std::unordered_set<std::wstring> m_freshFolders;
    std::unordered_set<std::wstring> m_outputPaths;
    // Folders known to be real folders, not links (all fresh ones among them).
    std::unordered_set<std::wstring> m_realFolders;
    bool m_trackPaths = true;  // false once a set could not grow

    // The item in hand.
    std::wstring m_relativePath;
    std::wstring m_absolutePath;   // empty when no file is being written
    win::ComPtr<win::FileStream> m_file;  // the item's output, open until its result is in
    bool m_itemOpen = false;       // a stream was handed out and no result came back yet
    FileCompletion m_completion;   // its stored times and attributes
    bool m_isFolder = false;
    UInt64 m_size = 0;
    Int32 m_askMode = NArchive::NExtract::NAskMode::kExtract;
};

}  // namespace intl
}  // namespace SevenZip
