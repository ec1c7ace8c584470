// Benchmark driver: bench_extract ARCHIVE DEST — unpacks with the installer's
// extractor and prints the wall time in milliseconds and the peak working set.
#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "engine/payload.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: bench_extract ARCHIVE DEST\n");
        return 2;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    SevenZip::SevenZipExtractor extractor;
    extractor.SetArchivePath(argv[1]);
    PCallBack callback(InstallWindow{}, L"");
    const LONG rc = extractor.ExtractArchive(argv[2], &callback);
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
