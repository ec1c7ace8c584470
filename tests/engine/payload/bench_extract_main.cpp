// Benchmark driver: bench_extract [--no-write] ARCHIVE DEST — unpacks with the
// installer's extractor and prints the wall time in milliseconds and the peak
// working set. --no-write decodes every item but writes none, which separates
// decoding from the file system.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "engine/payload/payload.h"

namespace {

// An empty relative path makes the extractor decode the item without writing it.
class DecodeOnly : public PCallBack {
public:
    DecodeOnly() : PCallBack(InstallWindow{}, L"") {}
    bool OnItemStart(const std::wstring& destFolder, std::wstring& relativePath, bool isFolder) override {
        PCallBack::OnItemStart(destFolder, relativePath, isFolder);
        relativePath.clear();
        return true;
    }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool noWrite = argc == 4 && std::wstring(argv[1]) == L"--no-write";
    if (argc != 3 && !noWrite) {
        std::fwprintf(stderr, L"usage: bench_extract [--no-write] ARCHIVE DEST\n");
        return 2;
    }
    wchar_t** const args = argv + (noWrite ? 1 : 0);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    SevenZip::SevenZipExtractor extractor;
    extractor.SetArchivePath(args[1]);
    PCallBack installCallback(InstallWindow{}, L"");
    DecodeOnly decodeOnly;
    SevenZip::ProgressCallback* callback = noWrite ? static_cast<SevenZip::ProgressCallback*>(&decodeOnly)
                                                   : &installCallback;
    const LONG rc = extractor.ExtractArchive(args[2], callback);
    QueryPerformanceCounter(&end);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    std::printf("rc=%ld ms=%.0f peak_mib=%.1f items=%u\n", static_cast<long>(rc),
                1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart),
                static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0),
                static_cast<unsigned>(g_allFiles.size() + g_allDirs.size()));
    return rc == 0 ? 0 : 1;
}
