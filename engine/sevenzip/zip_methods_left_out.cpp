// The Zip handler creates its Shrink, Implode, XZ and Zstandard decoders itself,
// not through the codec registry. The installer's archives use none of them, so
// these definitions take the place of the decoders' own source files: each coder
// answers Code with E_NOTIMPL, which the handler reports as an unsupported
// method, the answer a Zip item packed with any other unregistered method (BZip2,
// LZFSE) already gets. Everything else is accepted and ignored, as a decoder that
// is never run has nothing to set.
#include "7zip/Compress/ImplodeDecoder.h"
#include "7zip/Compress/ShrinkDecoder.h"
#include "7zip/Compress/XzDecoder.h"
#include "7zip/Compress/ZstdDecoder.h"

#define TORVANE_REFUSED_CODE(Class)                                                                     \
    Z7_COM7F_IMF(Class::Code(ISequentialInStream* /* inStream */, ISequentialOutStream* /* outStream */, \
                             const UInt64* /* inSize */, const UInt64* /* outSize */,                  \
                             ICompressProgressInfo* /* progress */)) {                                 \
        return E_NOTIMPL;                                                                               \
    }                                                                                                   \
    Z7_COM7F_IMF(Class::SetFinishMode(UInt32 /* finishMode */)) { return S_OK; }                       \
    Z7_COM7F_IMF(Class::GetInStreamProcessedSize(UInt64* value)) {                                      \
        *value = 0;                                                                                     \
        return S_OK;                                                                                    \
    }

namespace NCompress {

namespace NShrink {
TORVANE_REFUSED_CODE(CDecoder)
}  // namespace NShrink

namespace NImplode {
namespace NDecoder {
CCoder::CCoder() : _flags(0), _fullStreamMode(false) {}
TORVANE_REFUSED_CODE(CCoder)
Z7_COM7F_IMF(CCoder::SetDecoderProperties2(const Byte* /* data */, UInt32 /* size */)) { return S_OK; }
}  // namespace NDecoder
}  // namespace NImplode

namespace NXz {
TORVANE_REFUSED_CODE(CComDecoder)
#ifndef Z7_ST
Z7_COM7F_IMF(CComDecoder::SetNumberOfThreads(UInt32 /* numThreads */)) { return S_OK; }
Z7_COM7F_IMF(CComDecoder::SetMemLimit(UInt64 /* memUsage */)) { return S_OK; }
#endif
}  // namespace NXz

namespace NZstd {
CDecoder::CDecoder()
    : _outStepMask(0), _dec(NULL), _inProcessed(0), _inBufSize(0), _inBufSize_Allocated(0), _inBuf(NULL),
      _afterDecoding_tempPos(0),
#ifndef Z7_NO_READ_FROM_CODER_ZSTD
      _hres_Read(S_OK), _hres_Decode(S_OK), _writtenSize(0), _readWasFinished(false), _wasFinished(false),
#endif
      FinishMode(false), DisableHash(0) {
}
CDecoder::~CDecoder() {}  // nothing was allocated
TORVANE_REFUSED_CODE(CDecoder)
Z7_COM7F_IMF(CDecoder::SetDecoderProperties2(const Byte* /* prop */, UInt32 /* size */)) { return S_OK; }
Z7_COM7F_IMF(CDecoder::ReadUnusedFromInBuf(void* /* data */, UInt32 /* size */, UInt32* processedSize)) {
    *processedSize = 0;
    return S_OK;
}
Z7_COM7F_IMF(CDecoder::SetInBufSize(UInt32, UInt32 /* size */)) { return S_OK; }
Z7_COM7F_IMF(CDecoder::SetOutBufSize(UInt32, UInt32 /* size */)) { return S_OK; }
#ifndef Z7_NO_READ_FROM_CODER_ZSTD
Z7_COM7F_IMF(CDecoder::SetOutStreamSize(const UInt64* /* outSize */)) { return S_OK; }
Z7_COM7F_IMF(CDecoder::SetInStream(ISequentialInStream* /* inStream */)) { return S_OK; }
Z7_COM7F_IMF(CDecoder::ReleaseInStream()) { return S_OK; }
Z7_COM7F_IMF(CDecoder::Read(void* /* data */, UInt32 /* size */, UInt32* processedSize)) {
    if (processedSize) *processedSize = 0;
    return E_NOTIMPL;
}
#endif
}  // namespace NZstd

}  // namespace NCompress
