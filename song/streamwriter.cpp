#include "song/streamwriter.h"

#include "song/streamreader.h"

namespace kv {

void StreamWriter::VarLen(uint32_t v)
{
    uint8_t buf[5];
    int n = 0;
    buf[n++] = uint8_t(v & 0x7F);
    while ((v >>= 7) != 0)
        buf[n++] = uint8_t(0x80 | (v & 0x7F));
    while (n > 0)
        m_out.push_back(buf[--n]);
}

void StreamWriter::Time(int32_t time)
{
    const int32_t delta = time > m_lastTime ? time - m_lastTime : 0;
    VarLen(uint32_t(delta));
    m_lastTime += delta;
}

void StreamWriter::Channel(uint8_t status, uint8_t data1, uint8_t data2)
{
    if (status != m_running)
        m_out.push_back(status);
    m_running = status;
    m_out.push_back(data1 & 0x7F);
    if (ChannelDataBytes(status) == 2)
        m_out.push_back(data2 & 0x7F);
}

// Lengths up to 16 bits take at most three bytes, as every reader of these
// streams expects; longer payloads get the full quantity rather than a
// length that no longer matches the bytes written.
void StreamWriter::MetaHeader(uint8_t type, uint32_t length)
{
    m_running = 0;
    m_out.push_back(0xFF);
    m_out.push_back(type);
    VarLen(length);
}

void StreamWriter::SysExHeader(uint8_t status, uint32_t length)
{
    m_running = 0;
    m_out.push_back(status);
    VarLen(length);
}

void StreamWriter::Le(uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i, v >>= 8)
        m_out.push_back(uint8_t(v & 0xFF));
}

}  // namespace kv
