#include "song/streamreader.h"

namespace kv {

bool StreamReader::Fail(StreamFault fault, uint8_t byte)
{
    m_fault = fault;
    m_badByte = byte;
    m_done = true;
    return false;
}

bool StreamReader::ReadVarLen(uint32_t& value)
{
    if (m_pos < m_bytes.size() && m_bytes[m_pos] < 0x80) {
        value = m_bytes[m_pos++];  // most delta times and lengths are one byte
        return true;
    }
    uint64_t v = 0;
    for (int i = 0; i < 5; ++i) {
        if (m_pos >= m_bytes.size())
            return Fail(StreamFault::Truncated);
        const uint8_t b = m_bytes[m_pos++];
        v = (v << 7) | (b & 0x7F);
        if ((b & 0x80) == 0) {
            value = v > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(v);
            return true;
        }
    }
    return Fail(StreamFault::LongVarLen);
}

bool StreamReader::NextMetaOrSysEx(uint8_t status, RawEvent& ev)
{
    if (status == 0xFF) {
        if (m_pos >= m_bytes.size())
            return Fail(StreamFault::Truncated);
        ev.metaType = m_bytes[m_pos++];
    } else if (status != 0xF0 && status != 0xF7) {
        return Fail(StreamFault::BadStatus, status);
    }
    uint32_t length = 0;
    if (!ReadVarLen(length))
        return false;
    if (length > m_bytes.size() - m_pos)
        return Fail(StreamFault::Truncated);
    ev.status = status;
    ev.data = m_bytes.data() + m_pos;
    ev.length = length;
    m_pos += length;
    if (status == 0xFF && ev.metaType == 0x2F) {
        m_sawEnd = true;
        m_done = true;
        return false;
    }
    return true;
}

}  // namespace kv
