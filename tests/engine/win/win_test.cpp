// The ground floor's contracts that the layers above rely on.
#include "win/module_resource.h"
#include "win/path.h"
#include "win/result.h"
#include "win/text.h"
#include "win/unique_handle.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

// A handle kind whose close disturbs the last error, as CloseHandle may.
struct NoisyTraits {
    using Handle = int;
    static Handle Invalid() noexcept { return 0; }
    static bool IsValid(Handle h) noexcept { return h != 0; }
    static void Close(Handle) noexcept { ::SetLastError(ERROR_INVALID_HANDLE); }
};

TEST(UniqueHandle, ClosingKeepsTheLastErrorOfTheFailedCall) {
    {
        win::UniqueHandle<NoisyTraits> owner(7);
        ::SetLastError(ERROR_FILE_NOT_FOUND);
        owner.reset();
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
        owner.reset(8);
        ::SetLastError(ERROR_ACCESS_DENIED);
    }  // the destructor closes too
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    // A real one: the failure's code survives the owner of a handle opened before it.
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    {
        win::UniqueFile file(::CreateFileW((std::wstring(temp) + L"torvane-owner-test.tmp").c_str(), GENERIC_WRITE, 0,
                                           nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        ASSERT_TRUE(file);
        EXPECT_EQ(::GetFileAttributesW(L"C:\\no\\such\\torvane\\file"), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(Result, Win32CodesBecomeHResultsAndNoFailureReadsAsSuccess) {
    EXPECT_EQ(win::HResultFromWin32(ERROR_ACCESS_DENIED), static_cast<HRESULT>(0x80070005));
    EXPECT_EQ(win::HResultFromWin32(ERROR_CREATE_FAILED), static_cast<HRESULT>(0x8007065F));
    EXPECT_EQ(win::HResultFromWin32(0), S_OK);
    EXPECT_EQ(win::HResultFromWin32(static_cast<DWORD>(E_ABORT)), E_ABORT);  // already an HRESULT

    ::SetLastError(ERROR_SHARING_VIOLATION);
    EXPECT_EQ(win::LastErrorAsHResult(), static_cast<HRESULT>(0x80070020));
    ::SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(win::LastErrorAsHResult(), E_FAIL);

    // A call that succeeds yet reports in the last error, and one that fails without a code.
    ::SetLastError(ERROR_ALREADY_EXISTS);
    EXPECT_EQ(win::ResultWithLastError(true), static_cast<HRESULT>(0x800700B7));
    ::SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(win::ResultWithLastError(true), S_OK);
    EXPECT_EQ(win::ResultWithLastError(false), E_FAIL);
    ::SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(win::ResultWithLastError(false), static_cast<HRESULT>(0x80070005));

    // What the installer's single-instance check sees from a second CreateMutexW.
    const std::wstring name = L"TorvaneResultTest" + std::to_wstring(::GetCurrentProcessId());
    win::UniqueKernelHandle first(::CreateMutexW(nullptr, FALSE, name.c_str()));
    EXPECT_EQ(win::ResultWithLastError(static_cast<bool>(first)), S_OK);
    win::UniqueKernelHandle second(::CreateMutexW(nullptr, FALSE, name.c_str()));
    EXPECT_EQ(win::ResultWithLastError(static_cast<bool>(second)), win::HResultFromWin32(ERROR_ALREADY_EXISTS));

    ::SetLastError(ERROR_SUCCESS);
    EXPECT_TRUE(win::SucceededWithLastError(ERROR_SUCCESS));
    EXPECT_FALSE(win::SucceededWithLastError(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(ModuleResource, ReadsTheResourceItselfAndNothingForWhatIsMissing) {
    // Every system library carries its version block, whose header names itself.
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const win::ModuleResource version = win::ReadModuleResource(kernel, MAKEINTRESOURCEW(16), 1);
    ASSERT_TRUE(version);
    const HRSRC found = ::FindResourceW(kernel, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));
    EXPECT_EQ(version.size, ::SizeofResource(kernel, found));
    const auto* words = static_cast<const WORD*>(version.data);
    EXPECT_LE(words[0], version.size);  // the block's own length
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(words + 3)), L"VS_VERSION_INFO");
    EXPECT_EQ(version.Bytes().size(), version.size);

    EXPECT_FALSE(win::ReadModuleResource(kernel, MAKEINTRESOURCEW(16), 0x7FFF));
    EXPECT_FALSE(win::ReadModuleResource(kernel, L"NO_SUCH_TYPE", 1));
    EXPECT_TRUE(win::ReadModuleResource(kernel, L"NO_SUCH_TYPE", 1).Bytes().empty());
}

TEST(Path, ContainedRelativePaths) {
    for (const wchar_t* inside : {L"", L"a.txt", L"bin\\tool.bin", L"docs/readme.txt", L"a\\.\\b", L"a..b\\c",
                                  L"..a", L"a\\b..", L"[Content]", L"CONFIG.SYS", L"com10", L"lpt", L"console"})
        EXPECT_TRUE(win::IsContainedRelativePath(inside)) << win::WideToUtf8(inside);
    for (const wchar_t* outside :
         {L"..", L"..\\x", L"../x", L"a\\..\\..\\x", L"a/../../x", L"a\\..", L"\\x", L"/x", L"\\\\server\\share\\x",
          L"//server/share/x", L"C:\\x", L"C:x", L"c:/x", L"a.txt:stream", L"a\\b:c", L"\\\\?\\C:\\x",
          L"... \\x", L".. \\x", L"a\\...", L"CON", L"nul.txt", L"a\\COM1", L"lpt9.log", L"aux ",
          L"COM\u00B9.txt", L"a\\lpt\u00B3", L"com0"})
        EXPECT_FALSE(win::IsContainedRelativePath(outside)) << win::WideToUtf8(outside);
}

}  // namespace
