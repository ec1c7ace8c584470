#include "engine/sevenzip/memory_stream.h"

#include <cstring>

namespace SevenZip {
namespace intl {

Z7_COM7F_IMF(MemoryInStream::Read(void* data, UInt32 size, UInt32* processedSize)) {
    UInt32 count = 0;
    if (m_position < m_size) {
        const UInt64 left = m_size - m_position;
        count = left < size ? static_cast<UInt32>(left) : size;
        std::memcpy(data, m_data + m_position, count);
        m_position += count;
    }
    if (processedSize) *processedSize = count;
    return S_OK;
}

Z7_COM7F_IMF(MemoryInStream::Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition)) {
    Int64 base = 0;
    switch (seekOrigin) {
        case STREAM_SEEK_SET: break;
        case STREAM_SEEK_CUR: base = static_cast<Int64>(m_position); break;
        case STREAM_SEEK_END: base = static_cast<Int64>(m_size); break;
        default: return STG_E_INVALIDFUNCTION;
    }
    // As a file does: a position before the start is refused and nothing moves.
    if (offset < 0 && -offset > base) return HRESULT_FROM_WIN32(ERROR_NEGATIVE_SEEK);
    m_position = static_cast<UInt64>(base + offset);
    if (newPosition) *newPosition = m_position;
    return S_OK;
}

Z7_COM7F_IMF(MemoryInStream::GetSize(UInt64* size)) {
    *size = m_size;
    return S_OK;
}

}  // namespace intl
}  // namespace SevenZip
