#include "files/bytesink.h"

#include <new>

namespace kv {

bool VectorSink::Write(const uint8_t* data, size_t size)
{
    try {
        m_out.insert(m_out.end(), data, data + size);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace kv
