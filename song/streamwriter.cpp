#include "song/streamwriter.h"

#include <algorithm>

#include "song/streamreader.h"

namespace kv {

void StreamWriter::Grow(size_t n)
{
    const size_t need = ((m_size + n + 1023) / 1024) * 1024;
    m_out.resize(std::max(need, m_out.size() + m_out.size() / 2));
}

void StreamWriter::VarLen(uint32_t v)
{
    uint8_t buf[5];
    int n = 0;
    buf[n++] = uint8_t(v & 0x7F);
    while ((v >>= 7) != 0)
        buf[n++] = uint8_t(0x80 | (v & 0x7F));
    Room(size_t(n));
    while (n > 0)
        m_out[m_size++] = buf[--n];
}

void StreamWriter::Time(int32_t time)
{
    const int32_t delta = time > m_lastTime ? time - m_lastTime : 0;
    VarLen(uint32_t(delta));
    m_lastTime += delta;
}

void StreamWriter::Channel(uint8_t status, uint8_t data1, uint8_t data2)
{
    Room(3);
    if (status != m_running)
        m_out[m_size++] = status;
    m_running = status;
    m_out[m_size++] = data1 & 0x7F;
    if (ChannelDataBytes(status) == 2)
        m_out[m_size++] = data2 & 0x7F;
}

// Lengths up to 16 bits take at most three bytes, as every reader of these
// streams expects; longer payloads get the full quantity rather than a
// length that no longer matches the bytes written.
void StreamWriter::MetaHeader(uint8_t type, uint32_t length)
{
    m_running = 0;
    Byte(0xFF);
    Byte(type);
    VarLen(length);
}

void StreamWriter::SysExHeader(uint8_t status, uint32_t length)
{
    m_running = 0;
    Byte(status);
    VarLen(length);
}

void StreamWriter::Le(uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i, v >>= 8)
        Byte(uint8_t(v & 0xFF));
}

}  // namespace kv
