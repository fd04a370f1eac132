#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kv {

// Appends Standard MIDI File track data to a byte buffer: delta times,
// running status for channel messages, meta and system exclusive events.
// Times must not go backwards; the caller clamps them. Growing the buffer may
// throw std::bad_alloc, which the packer turns into its failure.
//
// The buffer is grown ahead and filled through an index, since packing is
// byte-by-byte work on every Event; Finish trims it to the bytes written.
class StreamWriter {
public:
    explicit StreamWriter(std::vector<uint8_t>& out) : m_out(out) { m_out.resize(m_out.capacity()); }
    // Trims the buffer to the bytes written.
    void Finish() { m_out.resize(m_size); }

    void Time(int32_t time);  // writes the delta from the last time
    void Channel(uint8_t status, uint8_t data1, uint8_t data2);
    // Meta event header: FF type length; the caller writes length bytes.
    void MetaHeader(uint8_t type, uint32_t length);
    // System exclusive header: status length; the caller writes length bytes.
    void SysExHeader(uint8_t status, uint32_t length);
    void Bytes(const uint8_t* p, size_t n)
    {
        Room(n);
        for (size_t i = 0; i < n; ++i)
            m_out[m_size++] = p[i];
    }
    void Byte(uint8_t b)
    {
        Room(1);
        m_out[m_size++] = b;
    }
    void Le(uint32_t v, int bytes);

    int32_t lastTime() const { return m_lastTime; }

private:
    void VarLen(uint32_t v);
    // Room for n more bytes: at least 1024 more, or the need rounded up to
    // 1024, doubling once the stream is large.
    void Room(size_t n)
    {
        if (m_size + n > m_out.size())
            Grow(n);
    }
    void Grow(size_t n);

    std::vector<uint8_t>& m_out;
    size_t m_size = 0;
    int32_t m_lastTime = 0;
    uint8_t m_running = 0;
};

}  // namespace kv
