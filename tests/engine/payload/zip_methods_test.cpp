// Which Zip methods the installer decodes: Store, Deflate, Deflate64, LZMA and
// PPMd unpack; an item labelled with any method it leaves out (Shrink, Implode,
// BZip2, Zstandard, XZ, LZFSE) fails as unsupported, with no file left behind,
// rather than being decoded or failing on its data.
#include "engine/sevenzip/sevenzip.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "win/result.h"

#include "test_support.h"

using namespace SevenZip;
using payload_test::Archive;
using payload_test::ReadAll;
using payload_test::ScratchFolder;
using payload_test::Source;

namespace {

class CountingCallback : public payload_test::QuietCallback {
public:
    bool OnFileDone(const std::wstring&, uint64_t) override { ++filesDone; return true; }
    int filesDone = 0;
};

TEST(ZipMethods, KeptMethodsUnpack) {
    for (const wchar_t* name : {L"deflate64.zip", L"ppmd.zip"}) {
        SCOPED_TRACE(std::filesystem::path(name).u8string());
        ScratchFolder out(L"zip-kept");
        SevenZipExtractor extractor;
        extractor.SetArchivePath(Archive(name));
        CountingCallback callback;
        ASSERT_EQ(0, extractor.ExtractArchive(out.path(), &callback)) << extractor.GetErrorMessage();
        EXPECT_EQ(CompressionFormat::Zip, extractor.GetCompressionFormat());
        EXPECT_EQ(ReadAll(Source(L"bin\\tool.bin")), ReadAll(out / L"bin\\tool.bin"));
        EXPECT_EQ(ReadAll(Source(L"docs\\readme.txt")), ReadAll(out / L"docs\\readme.txt"));
        EXPECT_EQ(3, callback.filesDone);
    }
}

TEST(ZipMethods, LeftOutMethodsFailAsUnsupported) {
    for (const wchar_t* name : {L"method_shrink.zip", L"method_implode.zip", L"method_bzip2.zip",
                                L"method_zstd.zip", L"method_xz.zip", L"method_lzfse.zip"}) {
        SCOPED_TRACE(std::filesystem::path(name).u8string());
        ScratchFolder out(L"zip-left-out");
        SevenZipExtractor extractor;
        extractor.SetArchivePath(Archive(name));
        CountingCallback callback;
        EXPECT_EQ(win::HResultFromWin32(ERROR_NOT_SUPPORTED), extractor.ExtractArchive(out.path(), &callback));
        EXPECT_EQ(CompressionFormat::Zip, extractor.GetCompressionFormat());
        EXPECT_EQ(0, callback.filesDone);
        EXPECT_FALSE(std::filesystem::exists(out / L"top.txt"));
    }
}

}  // namespace
