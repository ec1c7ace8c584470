// The Zip handler's archive-writing members, compiled with its reading half in place
// of the library's own: the installer only reads Zip archives, and these refusals
// keep the update code and the encoders it would create out of the program.
#include "7zip/Archive/Zip/ZipHandler.h"

namespace NArchive {
namespace NZip {

Z7_COM7F_IMF(CHandler::GetFileTimeType(UInt32* /* timeType */)) { return E_NOTIMPL; }

Z7_COM7F_IMF(CHandler::UpdateItems(ISequentialOutStream* /* outStream */, UInt32 /* numItems */,
                                   IArchiveUpdateCallback* /* callback */)) {
    return E_NOTIMPL;
}

Z7_COM7F_IMF(CHandler::SetProperties(const wchar_t* const* /* names */, const PROPVARIANT* /* values */,
                                     UInt32 /* numProps */)) {
    return E_NOTIMPL;
}

}  // namespace NZip
}  // namespace NArchive
