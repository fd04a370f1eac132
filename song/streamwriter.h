#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kv {

// Appends Standard MIDI File track data to a byte buffer: delta times,
// running status for channel messages, meta and system exclusive events.
// Times must not go backwards; the caller clamps them. Growing the buffer may
// throw std::bad_alloc, which the packer turns into its failure.
class StreamWriter {
public:
    explicit StreamWriter(std::vector<uint8_t>& out) : m_out(out) {}

    void Time(int32_t time);  // writes the delta from the last time
    void Channel(uint8_t status, uint8_t data1, uint8_t data2);
    // Meta event header: FF type length; the caller writes length bytes.
    void MetaHeader(uint8_t type, uint32_t length);
    // System exclusive header: status length; the caller writes length bytes.
    void SysExHeader(uint8_t status, uint32_t length);
    void Bytes(const uint8_t* p, size_t n) { m_out.insert(m_out.end(), p, p + n); }
    void Byte(uint8_t b) { m_out.push_back(b); }
    void Le(uint32_t v, int bytes);

    int32_t lastTime() const { return m_lastTime; }

private:
    void VarLen(uint32_t v);

    std::vector<uint8_t>& m_out;
    int32_t m_lastTime = 0;
    uint8_t m_running = 0;
};

}  // namespace kv
