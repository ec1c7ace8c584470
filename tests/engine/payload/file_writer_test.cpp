#include "engine/sevenzip/file_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "test_support.h"
#include "win/com.h"
#include "win/unique_handle.h"

using SevenZip::intl::FileCompletion;
using SevenZip::intl::FileWriter;
using payload_test::ReadAll;
using payload_test::ScratchFolder;

namespace {

win::ComPtr<win::FileStream> NewFile(const std::wstring& path) {
    win::ComPtr<win::FileStream> file;
    file.Attach(win::FileStream::Create(path.c_str(), CREATE_NEW));
    return file;
}

HRESULT Put(win::FileStream* file, const char* text) {
    ULONG written = 0;
    return file->Write(text, static_cast<ULONG>(std::strlen(text)), &written);
}

}  // namespace

TEST(FileWriter, WritesInOrderThenStampsAndClosesEachFile) {
    ScratchFolder out(L"writer");
    FileWriter writer;
    const std::wstring path = out / L"a.txt";
    auto file = NewFile(path);
    ASSERT_TRUE(file);
    writer.Attach(file.get());
    ASSERT_EQ(Put(file.get(), "ab"), S_OK);
    ASSERT_EQ(Put(file.get(), "cd"), S_OK);
    FileCompletion completion;
    completion.path = path;
    completion.hasModified = true;
    completion.modified = FILETIME{0x12345678, 0x01C0FFEE};
    ASSERT_EQ(writer.Complete(file.get(), completion), S_OK);
    file.reset();
    ASSERT_EQ(writer.Drain(), S_OK);

    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &completion.modified), 0);
    win::UniqueFile exclusive(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(exclusive);
    exclusive.reset();
    EXPECT_EQ(ReadAll(path), "abcd");
}

TEST(FileWriter, FirstFailureIsKeptAndFilesClosedAfterItAreDeleted) {
    ScratchFolder out(L"writer-fail");
    FileWriter writer;
    const std::wstring broken = out / L"broken.txt", later = out / L"later.txt";
    auto first = NewFile(broken);
    auto second = NewFile(later);
    ASSERT_TRUE(first.get() && second.get());
    writer.Attach(first.get());
    writer.Attach(second.get());
    first->Close();  // its queued write will fail on the writer thread
    EXPECT_EQ(Put(first.get(), "lost"), S_OK);
    const HRESULT failure = writer.Drain();
    EXPECT_EQ(failure, HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE));
    EXPECT_EQ(writer.Failure(), failure);
    EXPECT_EQ(Put(second.get(), "never written"), failure);

    FileCompletion c1, c2;
    c1.path = broken;
    c2.path = later;
    EXPECT_EQ(writer.Complete(first.get(), c1), failure);
    EXPECT_EQ(writer.Complete(second.get(), c2), failure);
    EXPECT_EQ(writer.Drain(), failure);
    EXPECT_FALSE(std::filesystem::exists(broken));
    EXPECT_FALSE(std::filesystem::exists(later));
}

TEST(FileWriter, CreateOnTheWriterThreadReportsItsErrorAndDeletesNothing) {
    ScratchFolder out(L"writer-create");
    FileWriter writer;
    ASSERT_TRUE(writer.Threaded());
    win::ComPtr<win::FileStream> made, refused;
    made.Attach(win::FileStream::Unopened());
    refused.Attach(win::FileStream::Unopened());
    writer.Attach(made.get());
    writer.Attach(refused.get());
    const std::wstring fine = out / L"made.txt", taken = out / L"taken.txt";
    std::ofstream(std::filesystem::path(taken)) << "somebody else's";

    ASSERT_EQ(writer.Create(made.get(), fine), S_OK);
    ASSERT_EQ(Put(made.get(), "new"), S_OK);
    FileCompletion done;
    done.path = fine;
    ASSERT_EQ(writer.Complete(made.get(), done), S_OK);
    ASSERT_EQ(writer.Drain(), S_OK);
    EXPECT_EQ(ReadAll(fine), "new");

    ASSERT_EQ(writer.Create(refused.get(), taken), S_OK);  // fails on the thread: the file exists
    EXPECT_EQ(writer.Drain(), HRESULT_FROM_WIN32(ERROR_FILE_EXISTS));
    FileCompletion gone;
    gone.path = taken;
    writer.Complete(refused.get(), gone);
    writer.Drain();
    EXPECT_EQ(ReadAll(taken), "somebody else's");
}
