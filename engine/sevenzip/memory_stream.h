// A read-only 7-Zip input stream over bytes already in memory (the payload
// resource as the loader mapped it). The bytes are borrowed: whoever hands them
// in keeps them mapped until the last reference to the stream is gone.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <propidl.h>

#include <cstddef>

#include "Common/MyCom.h"
#include "7zip/IStream.h"

namespace SevenZip {
namespace intl {

class MemoryInStream final : public IInStream, public IStreamGetSize, public CMyUnknownImp {
    Z7_COM_UNKNOWN_IMP_2(IInStream, IStreamGetSize)
    Z7_IFACE_COM7_IMP(ISequentialInStream)
    Z7_IFACE_COM7_IMP(IInStream)
    Z7_IFACE_COM7_IMP(IStreamGetSize)
public:
    MemoryInStream(const void* data, size_t size) : m_data(static_cast<const unsigned char*>(data)), m_size(size) {}

private:
    const unsigned char* m_data;
    size_t m_size;
    UInt64 m_position = 0;  // may lie past the end, as a file's may
};

}  // namespace intl
}  // namespace SevenZip
